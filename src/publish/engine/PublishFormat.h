#pragma once
// The bytes a publisher writes: its spool lines, the reading and discovery messages, and the
// one message it reads (Home Assistant's status). Plain C++, fuzzed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lux::publish {

// The mode annunciators a reading carries, one bit each (spool lines store the mask).
enum ModeBit : std::uint32_t {
  kModeRel = 1u << 0,
  kModeRef = 1u << 1,
  kModePercent = 1u << 2,
  kModeHold = 1u << 3,
  kModeTimeHold = 1u << 4,
  kModeAvg = 1u << 5,
  kModeComp = 1u << 6,
  kModeCandela = 1u << 7,
  kModeFcHour = 1u << 8,
  kModeLxHour = 1u << 9,
  kModeAll = (1u << 10) - 1,
};
// The names the meter's LCD gives the modes, in the bits' order.
std::vector<std::string> modeNames(std::uint32_t modes);

// One published reading, as the spool keeps it until the broker has it.
struct SpoolRecord {
  std::uint64_t seq = 0;
  std::int64_t epochMs = 0;  // PC time the frame was decoded, ms since 1970 UTC
  int offsetSeconds = 0;     // the PC's UTC offset at that time
  std::string shown;         // the reading as the LCD showed it: "-5.0", "OL"
  std::string unit;          // as the LCD showed it: "lx", "fc", "cd", "lx-h", "fc-h" or ""
  std::uint32_t modes = 0;   // ModeBit
  bool overload = false;
};

// "seq epochMs offset modes unit shown\n" (unit "-" when none): about 40 bytes a reading.
std::string encodeSpoolLine(const SpoolRecord& r);
// One line without its '\n'; nothing for a line that is not one of ours (torn, garbled).
std::optional<SpoolRecord> decodeSpoolLine(std::string_view line);

// The compact record of the spool file (layout in Spool.h). `prevMs` is the time of the record
// before it in the file; a key record carries its sequence number and whole time instead and
// needs nothing before it.
std::string encodeSpoolRecord(const SpoolRecord& r, bool key, std::int64_t prevMs);
// The record at the start of `bytes`; its length in `*length`. Nothing for a record that is
// torn, garbled or not ours (`needKey`: only a key record will do, as after damage).
std::optional<SpoolRecord> decodeSpoolRecord(std::string_view bytes, std::uint64_t prevSeq,
                                             std::int64_t prevMs, std::size_t* length, bool* key,
                                             bool needKey = false);
// The first bytes of a spool file in the compact format; a file that starts with a digit is one
// of spool lines, as earlier versions wrote.
inline constexpr std::string_view kSpoolMagic{"LUXSPL2\n", 8};
// Every readable record of a compact spool file, in order, with sequence numbers above `acked`
// and rising. After damage the scan goes on at the next key record.
struct SpoolScanEntry {
  std::uint64_t seq;
  std::int64_t prevMs;  // what the record's time is counted from
  std::uint64_t offset;
  std::uint32_t length;
};
struct SpoolScan {
  std::uint64_t lastSeq = 0;   // the highest sequence number seen (acked when none)
  std::int64_t lastMs = 0;     // the time of the last record kept
  std::uint64_t repaired = 0;  // damaged stretches cut out
  bool clean = true;           // false: the file holds bytes that are not kept records
};
template <typename F>
SpoolScan scanSpool(std::string_view file, std::uint64_t acked, F&& keep);
// The same over a file of `size` bytes that is not all in memory: `view(at)` gives the bytes from
// `at` on, at least kSpoolMaxRecord of them where the file has that many.
inline constexpr std::size_t kSpoolMaxRecord = 64;
template <typename View, typename F>
SpoolScan scanSpoolFile(std::uint64_t size, View&& view, std::uint64_t acked, F&& keep);

// "2026-12-09T22:30:20.123+01:00"
std::string isoTime(std::int64_t epochMs, int offsetSeconds);
// The reading in lux from what the LCD showed: lux as is, foot-candles times 10.7639; nothing
// for overload, candela, the hour units or a text that is no number.
std::optional<double> luxOf(const SpoolRecord& r);
// The JSON message of one reading.
std::string readingJson(const SpoolRecord& r);

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text);

struct DiscoveryInfo {
  std::string discoveryPrefix;  // "homeassistant"
  std::string prefix;           // "luxpanel"
  std::string meterId;          // "bench1"
  std::string name;             // "Bench 1" (the id when empty)
  std::string area;             // "Lab" (may be empty)
  std::string availabilityTopic;
  std::string swVersion;
};
std::string discoveryTopic(const DiscoveryInfo& d);
std::string discoveryJson(const DiscoveryInfo& d);
// A stable id for the meter's sensor: the same prefix and meter give the same id every run.
std::string uniqueId(const DiscoveryInfo& d);

// Home Assistant's birth and will on <discovery prefix>/status. Anything else (longer than a
// few bytes, binary, another word) is ignored.
enum class HomeAssistantStatus { Online, Offline, Ignored };
HomeAssistantStatus classifyStatus(std::string_view payload);

// At most one reading per period, and never the same reading twice: a reading is taken when it
// is fresh (a frame number not taken before) and the first of its period. Periods are cut on a
// monotonic clock in milliseconds, so a PC clock set back cannot bunch them up.
class Sampler {
 public:
  explicit Sampler(std::int64_t everyMs) : everyMs_(everyMs < 0 ? 0 : everyMs) {}
  bool offer(std::uint64_t frameNumber, std::int64_t monotonicMs);

 private:
  std::int64_t everyMs_;
  bool any_ = false;
  std::uint64_t lastFrame_ = 0;
  std::int64_t lastSlot_ = 0;
};

template <typename F>
SpoolScan scanSpool(std::string_view file, std::uint64_t acked, F&& keep) {
  return scanSpoolFile(
      file.size(), [file](std::uint64_t at) { return file.substr(std::size_t(at)); }, acked,
      std::forward<F>(keep));
}

template <typename View, typename F>
SpoolScan scanSpoolFile(std::uint64_t size, View&& view, std::uint64_t acked, F&& keep) {
  SpoolScan scan;
  scan.lastSeq = acked;
  if (size < kSpoolMagic.size() || view(0).substr(0, kSpoolMagic.size()) != kSpoolMagic)
    scan.clean = false;
  std::uint64_t at = kSpoolMagic.size();
  std::uint64_t prevSeq = 0;
  std::int64_t prevMs = 0;
  bool context = false;  // prevSeq and prevMs are those of the record before `at`
  while (at < size) {
    std::size_t length = 0;
    bool key = false;
    auto r = decodeSpoolRecord(view(at), prevSeq, prevMs, &length, &key, !context);
    if (!r) {
      // Torn or garbled: everything up to the next key record is lost, nothing before it.
      ++scan.repaired;
      scan.clean = false;
      context = false;
      std::uint64_t next = at + 1;
      for (; next < size; ++next)
        if (decodeSpoolRecord(view(next), 0, 0, &length, &key, true)) break;
      at = next;
      continue;
    }
    if (r->seq > scan.lastSeq) {
      keep(SpoolScanEntry{r->seq, prevMs, at, std::uint32_t(length)});
      scan.lastSeq = r->seq;
      scan.lastMs = r->epochMs;
    } else {
      scan.clean = false;  // acknowledged already, or out of order
      if (r->seq > acked) ++scan.repaired;
    }
    prevSeq = r->seq;
    prevMs = r->epochMs;
    context = true;
    at += length;
  }
  return scan;
}

}  // namespace lux::publish
