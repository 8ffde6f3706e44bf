#include "logger/MemoryDump.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "link/Protocol.h"

namespace lux {

namespace {

constexpr std::uint32_t kEmptyAddress = 1279;
constexpr std::uint32_t kTopAddress = 131071;
// From here on less than a record's worth of a kilobyte tenth is left: shown as full.
constexpr std::uint32_t kFullAddress = 131059;

bool markerAt(std::string_view s, std::size_t pos) {
  if (pos > s.size() || s.size() - pos < kSetMarker.size()) return false;
  return std::memcmp(s.data() + pos, kSetMarker.data(), kSetMarker.size()) == 0;
}

// First marker at or after `from`, or npos.
std::size_t findMarker(std::string_view s, std::size_t from) {
  const std::string_view m(reinterpret_cast<const char*>(kSetMarker.data()), kSetMarker.size());
  return s.find(m, from);
}

std::uint8_t byteAt(std::string_view s, std::size_t pos) {
  return static_cast<std::uint8_t>(s[pos]);
}

bool bcdAtMost(std::uint8_t b, int most) {
  const int hi = b >> 4, lo = b & 0x0F;
  return hi <= 9 && lo <= 9 && hi * 10 + lo <= most;
}

// A marker followed by a header the meter's clock could have written, with room for a record.
bool soundHeaderAt(std::string_view s, std::size_t m) {
  if (s.size() - m < kSetHeaderLength + kLoggerRecordLength) return false;
  return bcdAtMost(byteAt(s, m + 4), 31) && bcdAtMost(byteAt(s, m + 5), 23) &&
         bcdAtMost(byteAt(s, m + 6), 59) && bcdAtMost(byteAt(s, m + 7), 59) &&
         bcdAtMost(byteAt(s, m + 9), 59);
}

// The marker with exactly one of its four bytes wrong.
bool damagedMarkerAt(std::string_view s, std::size_t pos) {
  if (pos > s.size() || s.size() - pos < kSetMarker.size()) return false;
  int wrong = 0;
  for (std::size_t i = 0; i < kSetMarker.size(); ++i) {
    wrong += byteAt(s, pos + i) != kSetMarker[i];
  }
  return wrong == 1;
}

// Looks along the record grid of the set for the next set's marker hit by a damaged byte: such
// a set grew by the next one's bytes instead of ending. Record 1 never starts a set, and the
// swallowed header needs a whole record behind it before `stop`, where the set's bytes end
// (its broken tail included). A swallowed set is 10 + 3n bytes long, so the set that took it
// in always ends off its own grid: measured by its whole records alone, a swallowed set of one
// record would lose a byte of that record and pass for a set cut short.
void findJoin(std::string_view s, std::size_t firstRecord, std::size_t stop, LoggerSetInfo& set) {
  const std::size_t first = firstRecord + kLoggerRecordLength;
  if (stop < first + kSetHeaderLength + kLoggerRecordLength) return;
  const std::size_t last = stop - kSetHeaderLength - kLoggerRecordLength;
  // With one byte wrong, a marker still has its 0x55 or its 0xAA in place: searching for those
  // two bytes keeps the scan of a full memory as quick as the split itself.
  std::size_t found = std::string_view::npos;
  for (const auto& [byte, shift] :
       {std::pair<char, std::size_t>{'\x55', 1}, std::pair<char, std::size_t>{'\xAA', 2}}) {
    for (std::size_t at = s.find(byte, first + shift); at != std::string_view::npos;
         at = s.find(byte, at + 1)) {
      const std::size_t p = at - shift;
      if (p > last || p >= found) break;
      if ((p - firstRecord) % kLoggerRecordLength == 0 && damagedMarkerAt(s, p) &&
          soundHeaderAt(s, p)) {
        found = p;
        break;
      }
    }
  }
  if (found == std::string_view::npos) return;
  set.mayHoldNextSet = true;
  set.joinedAfterRecord = (found - firstRecord) / kLoggerRecordLength;
}

}  // namespace

std::size_t expectedDumpLength(std::uint32_t loggerAddress) {
  if (loggerAddress < kEmptyAddress || loggerAddress > kTopAddress) return 0;
  return loggerAddress - kEmptyAddress + kDumpFrameBytes;
}

std::string freeMemoryText(std::uint32_t loggerAddress) {
  if (loggerAddress >= kFullAddress) return "0";
  // Tenths of a kilobyte, truncated: integer arithmetic gives the exact truncation that
  // floating point could miss at a boundary.
  const std::uint32_t tenths = (kTopAddress - loggerAddress) * 10 / 1024;
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
  return text;
}

std::string cutMemoryDump(std::string_view dump) {
  std::string content;
  if (dump.size() > kDumpFrameBytes) {
    content.reserve(dump.size() - kDumpFrameBytes + kSetMarker.size());
    content.assign(dump.substr(kDumpLeadBytes, dump.size() - kDumpFrameBytes));
  }
  // The real marker rather than a copy of the first four bytes: content that does not start on
  // a marker would otherwise leave its last set without an end.
  content.append(reinterpret_cast<const char*>(kSetMarker.data()), kSetMarker.size());
  return content;
}

MemoryDumpParse parseMemoryDump(std::string_view content) {
  MemoryDumpParse out;
  const std::size_t size = content.size();
  std::size_t pos = 0;
  // A set needs its marker and header; anything shorter left at the end is the closing marker
  // or scrap.
  while (pos + kSetMarker.size() < size) {
    if (!markerAt(content, pos)) {
      const std::size_t next = findMarker(content, pos + 1);
      const std::size_t resume = next == std::string_view::npos ? size : next;
      out.skippedBytes += resume - pos;
      pos = resume;
      continue;
    }
    const std::size_t firstRecord = pos + kSetHeaderLength;
    // The set ends at the first marker on its record grid behind the first record. The first
    // record itself is never taken for a marker, not even for a damaged set's end (only the
    // content's closing marker may stand there): a reading of 00 55 AA right after the header
    // followed by a record that starts with 00 stays a record, and the set keeps its own
    // header. A marker off the grid is record bytes, unless a sound set header follows it or
    // it closes the content: then bytes were lost or added in this set, and ending it there
    // keeps the sets behind it from being swallowed as records.
    std::size_t end = size;
    std::size_t resume = size;
    bool damaged = true;
    for (std::size_t from = firstRecord; from < size;) {
      const std::size_t m = findMarker(content, from);
      if (m == std::string_view::npos) break;
      const bool closing = m + kSetMarker.size() == size;
      if (m == firstRecord && !closing) {
        from = m + 1;  // the first record
        continue;
      }
      if (m >= firstRecord + kLoggerRecordLength && (m - firstRecord) % kLoggerRecordLength == 0) {
        end = resume = m;
        damaged = false;
        break;
      }
      if (closing || soundHeaderAt(content, m)) {
        resume = m;
        break;
      }
      from = m + 1;
    }
    if (damaged) {
      if (resume < firstRecord + kLoggerRecordLength) {
        // Not one whole record behind the header: nothing to list.
        out.skippedBytes += resume - pos;
        pos = resume;
        continue;
      }
      end = firstRecord + (resume - firstRecord) / kLoggerRecordLength * kLoggerRecordLength;
      out.skippedBytes += resume - end;
    }
    LoggerSetInfo set;
    set.offset = pos;
    set.length = end - pos;
    set.records = (end - firstRecord) / kLoggerRecordLength;
    set.timeText = setTimeText(byteAt(content, pos + 4), byteAt(content, pos + 5),
                               byteAt(content, pos + 6), byteAt(content, pos + 7));
    set.intervalSeconds = setIntervalSeconds(byteAt(content, pos + 8), byteAt(content, pos + 9));
    set.damaged = damaged;
    if (damaged) ++out.damagedSets;
    findJoin(content, firstRecord, resume, set);
    if (set.mayHoldNextSet) ++out.joinedSets;
    out.sets.push_back(std::move(set));
    pos = resume;
  }
  return out;
}

std::string setTimeText(std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                        std::uint8_t second) {
  return hexPair(day) + "-" + hexPair(hour) + ":" + hexPair(minute) + ":" + hexPair(second);
}

int setIntervalSeconds(std::uint8_t minutes, std::uint8_t secondsBcd) {
  const int hi = secondsBcd >> 4;
  const int lo = secondsBcd & 0x0F;
  int seconds = 0;
  if (hi <= 9) seconds = lo <= 9 ? hi * 10 + lo : hi;
  return minutes * 60 + seconds;
}

}  // namespace lux
