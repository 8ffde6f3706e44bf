#pragma once
// The bytes a publisher writes: its spool lines, the reading and discovery messages, and the
// one message it reads (Home Assistant's status). Plain C++, fuzzed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

}  // namespace lux::publish
