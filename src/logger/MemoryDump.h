#pragma once
// The meter's logger memory as "Q" delivers it: the expected length of the dump, the cut that
// keeps the memory content, and the split of that content into logger sets. Plain C++ so that
// any byte sequence can be thrown at it (see fuzz/fuzz_dump.cpp).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lux {

// Every logger set begins with these four bytes; the format has no escape, so records that
// happen to hold them at a record boundary end the set there.
inline constexpr std::array<std::uint8_t, 4> kSetMarker = {0x00, 0x55, 0xAA, 0x00};
inline constexpr std::size_t kSetHeaderLength = 10;
inline constexpr std::size_t kLoggerRecordLength = 3;
// 15 lead bytes before the memory content and one trailing byte after it.
inline constexpr std::size_t kDumpLeadBytes = 15;
inline constexpr std::size_t kDumpFrameBytes = 16;

// Bytes the meter sends for a memory filled up to `loggerAddress`: the content from 1279 up to
// the fill address plus the 16 framing bytes. 0 when the address lies outside the memory
// (below the empty mark or above the top), which no sound meter reports.
std::size_t expectedDumpLength(std::uint32_t loggerAddress);

// Free memory for the Memory window: 0 at 131059 and above, else the kilobytes left truncated
// to one decimal ("126.7" for an empty memory). Without the " K" unit.
std::string freeMemoryText(std::uint32_t loggerAddress);

// Drops the 15 lead bytes and the trailing byte of a complete dump and appends a set marker,
// so that the last set ends on a marker like every other. A dump of 16 bytes or fewer holds no
// content and gives just the marker.
std::string cutMemoryDump(std::string_view dump);

// One logger set as found in the memory content.
struct LoggerSetInfo {
  std::size_t offset = 0;  // of its marker in the content
  std::size_t length = 0;  // header + whole records, in bytes
  std::size_t records = 0;
  std::string timeText;  // "DD-hh:nn:ss" from the header's BCD bytes
  int intervalSeconds = 0;
  bool damaged = false;  // its end was not on a record boundary (see parseMemoryDump)
  // A damaged marker (one of its four bytes wrong) with a sound header behind it stands on the
  // set's record grid: the next set's marker was hit, so the two sets ran together and the
  // records from `joinedAfterRecord` + 1 on may be the next set's header and records.
  bool mayHoldNextSet = false;
  std::size_t joinedAfterRecord = 0;
};

struct MemoryDumpParse {
  std::vector<LoggerSetInfo> sets;
  // Bytes that belong to no listed set: leading garbage before the first marker, the broken
  // tail of a damaged set, and headers with no whole record behind them.
  std::size_t skippedBytes = 0;
  std::size_t damagedSets = 0;  // listed sets whose end was not found on a record boundary
  std::size_t joinedSets = 0;   // listed sets that may hold the next set's records
};

// Splits cut memory content (as cutMemoryDump returns it, ending in a marker) into logger
// sets in one pass. A set runs from its marker, over a 10-byte header, then record by record
// (three bytes; the first record is never taken for a marker) until a record boundary holds a
// marker. The first record is never taken for a marker, not even for the end of a damaged set:
// a set always holds at least one record. Damaged content is handled without reading outside
// `content` and without looping:
// - content that does not start on a marker is skipped up to the next marker (resync);
// - a marker off the set's record grid that is followed by a sound header (BCD day, hour,
//   minute, second and interval seconds in range) or that closes the content means bytes were
//   lost or added: the set ends there as damaged, keeps its whole records, and the scan
//   resumes on that marker. Off-grid marker bytes without such a header stay record bytes.
//   A set with no whole record is not listed;
// - a damaged marker on a set's record grid followed by a sound header marks the set as one
//   that may hold the next set's records (the sets ran together); it is reported, not split.
MemoryDumpParse parseMemoryDump(std::string_view content);

// Cell texts of the set table.
std::string setTimeText(std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                        std::uint8_t second);
// Byte 8 whole minutes plus byte 9 read as its two hexadecimal digits taken as a decimal
// number (leading digits only, as a user typing them would be read: "3A" gives 3).
int setIntervalSeconds(std::uint8_t minutes, std::uint8_t secondsBcd);

}  // namespace lux
