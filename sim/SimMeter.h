#pragma once
// The light meter's side of the line, as plain C++: it takes the bytes the program writes, keeps
// the meter's state (reading, annunciators, settings block, clock, logger memory) and produces
// the bytes the meter would send, each due at a moment of a monotonic time in seconds that the
// caller supplies. Tests drive it from a fake clock; the pseudo-terminal server drives it from the
// steady clock. Not thread-safe: one owner calls it (PtyServer serialises access).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace lux::sim {

// One command the meter took from the line: the letter and the data bytes that followed it.
struct Received {
  char letter;
  std::string payload;
  double at;  // time the letter arrived
};

// One display frame the meter put on the line, as the program would show it.
struct DisplayedReading {
  double at;
  std::string text;  // the reading with its decimal point, or "OL"
  std::string unit;  // "Lx", "Fc" or empty (cd, lx-h, fc-h)
  bool intact;       // false when the frame went out with a corrupted start or end byte
};

// Annunciators a test or the control console can switch on the meter's LCD.
enum class Annunciator {
  Rel,
  Comp,
  Ref,
  Percent,  // upper "%"
  Cd,
  FcHour,
  LxHour,
  SetUp,
  Clear,
  Rs232,
  Intv,
  Hold,
  Avg,  // upper "AVG"
  Read,
  TimeHold,
  Battery,
};

// The 9-byte answer to "Z" without its start and end marks.
struct SettingsBlock {
  std::uint16_t distance100 = 150;  // light-source distance in hundredths (1.50)
  std::uint8_t comparator = 0x42;   // unit bit 6 = lux, bits 0-4 decimal-point position
  std::uint16_t high = 1234;        // limit digits without the decimal point
  std::uint16_t low = 50;
};

// The meter's clock: day of month and time of day (decimal values, sent as packed BCD).
struct MeterTime {
  int day = 1, hour = 12, minute = 0, second = 0;
};

struct LoggerRecord {
  std::uint8_t high = 0, low = 0, range = 0x10;  // range bit 4 = the reading in whole lux
};

// One recording run of the logger memory, stamped by the meter clock.
struct LoggerSet {
  MeterTime start;
  int intervalMinutes = 0;  // sent as plain binary
  int intervalSeconds = 1;  // sent as packed BCD
  std::vector<LoggerRecord> records;
};

class SimMeter {
 public:
  static constexpr std::uint32_t kEmptyAddress = 1279;
  static constexpr std::uint32_t kTopAddress = 131071;
  static constexpr std::size_t kLoggerCapacity = kTopAddress - kEmptyAddress;  // content bytes
  static constexpr double kBytesPerSecond = 1920.0;  // 19200 baud, 10 bits a byte
  static constexpr double kFramePeriod = 0.1;        // one display frame every 100 ms
  static constexpr double kStreamSeconds = 10.0;     // frames keep coming this long after "M"

  struct Options {
    std::uint32_t seed = 1;
    bool drift = true;             // a lamp that drifts slowly with noise; false: fixed reading
    bool randomOverloads = false;  // the rare overload frame
    bool paced = false;            // bytes due at 19200 baud instead of at once
    double baseLux = 523.0;        // the lamp's mean illuminance
    MeterTime clock;               // meter clock at time 0
  };

  SimMeter();
  explicit SimMeter(Options options);

  // ---- the line ----
  // Bytes the program wrote, at monotonic time `now` (seconds; an earlier time counts as the
  // latest one seen). Data bytes may come in later writes than their letter; a letter whose data
  // stops coming for a second is logged with what came and not acted on.
  void receive(std::string_view bytes, double now);
  // The bytes the meter has sent up to `now` and not yet taken.
  std::string output(double now);
  // Bytes due by `now` but not yet taken (does not drain them).
  std::size_t pendingBytes(double now);
  // The most recent commands (the oldest are dropped after some 200000).
  const std::vector<Received>& received() const { return received_; }
  // The earliest time at which the meter will next have something to do or send (infinity when
  // it waits for the program): lets a real-time server sleep until then.
  double nextEventAt() const;
  void clearReceived() { received_.clear(); }
  // Letters only, in arrival order (handy to compare with "AM", "AHZ"...).
  std::string receivedLetters() const;

  // ---- the reading ----
  // Fixes the reading shown (drift off) until setDrift(true).
  void setReading(double value, int decimals);
  void setDrift(bool on);
  void setLux(bool lux);  // unit lx (true) or fc
  bool lux() const { return lux_; }
  void setOverload(bool on);  // the reading shows "OL" until switched off
  void setRandomOverloads(bool on) { options_.randomOverloads = on; }
  // Lights an annunciator as it stands; Intv lights INTV without a logger run (startLogging
  // starts one), Clear stays up until switched off (erase lights it for a second by itself).
  void setAnnunciator(Annunciator a, bool on);
  bool annunciator(Annunciator a) const;
  // The current reading as text ("523.4", "OL") and the unit text, as the next frame shows it.
  std::string readingText() const;
  std::string unitText() const;
  bool streaming(double now) const;
  // The 14 bytes of the frame the meter would send now (for tests that compare frames).
  std::string currentFrame(double now);

  const std::deque<DisplayedReading>& displayLog() const { return displayLog_; }
  void clearDisplayLog() { displayLog_.clear(); }
  // Keeps at most this many entries (oldest dropped); 0 = keep none.
  void setDisplayLogLimit(std::size_t n) { displayLogLimit_ = n; }
  // Called for every frame put on the line (the control console appends them to a file).
  void onDisplay(std::function<void(const DisplayedReading&)> f) { onDisplay_ = std::move(f); }

  // ---- settings, hold time, clock ----
  SettingsBlock& settings() { return settings_; }
  const SettingsBlock& settings() const { return settings_; }
  int holdMinutes() const { return holdMinutes_; }
  int holdSeconds() const { return holdSeconds_; }
  void setHoldTime(int minutes, int seconds);
  MeterTime clock(double now) const;
  void setClock(const MeterTime& t, double now);
  int samplingMinutes() const { return samplingMinutes_; }
  int samplingSeconds() const { return samplingSeconds_; }
  void setSampling(int minutes, int seconds);

  // ---- logger memory ----
  const std::vector<LoggerSet>& loggerSets() const { return loggerSets_; }
  void addLoggerSet(LoggerSet set);
  // `count` sets of `recordsPerSet` records each, stamped one hour apart.
  void preloadLoggerSets(int count, int recordsPerSet);
  // Fills the memory to its top address (131071) with `sets` sets (rounded up to a multiple of 3
  // so that the sizes add up exactly).
  void fillLoggerMemory(int sets = 3);
  void eraseLogger();
  // Replaces the memory content with raw bytes (damaged or hand-made content); cleared by erase.
  void setRawLoggerContent(std::string bytes);
  std::string loggerContent() const;
  std::uint32_t loggerAddress() const;
  bool loggerRecording() const { return recording_; }
  void startLogging(double now);
  void stopLogging(double now);
  // The full answer to "Q": 15 lead bytes, the content, 1 trailing byte.
  std::string memoryDump() const;

  // ---- misbehaviour ----
  // Nothing sent, nothing answered for `seconds` from the last known time.
  void goSilent(double seconds);
  // Each frame arrives in two or three parts at different times.
  void splitFrames(bool on) { split_ = on; }
  // The next `n` display frames go out with a corrupted start or end byte.
  void misframeNext(int n) { misframe_ = n; }
  void injectGarbage(std::string_view bytes);
  void injectRandomGarbage(std::size_t n);
  // Every "Q" dump stops after this many bytes (nullopt: whole dumps again).
  void truncateDumpAfter(std::optional<std::size_t> n) { truncateDump_ = n; }
  // The meter stops sending for `seconds` from now and then goes on where it stopped: every
  // byte not yet on the line comes that much later (a dump with a pause in the middle).
  void pauseOutput(double seconds);
  void setPaced(bool on) { options_.paced = on; }
  bool paced() const { return options_.paced; }
  // Power key: the meter is off (silent) for `seconds`, then back in plain measuring mode.
  void powerCycle(double seconds = 2.0);

  // Latest time the meter has been told (by receive/output).
  double lastNow() const { return lastNow_; }

 private:
  struct Chunk {
    double start;    // due time of the first byte (unpaced: of all bytes)
    double perByte;  // 0 unpaced
    std::string bytes;
    std::size_t taken = 0;
  };
  void advance(double now);
  void produceFrame(double at);
  void send(std::string bytes, double at);
  void handleCommand(char letter, const std::string& payload, double at);
  bool answerLineCommand(char letter, double at);
  bool answerSettingsCommand(char letter, const std::string& payload, double at);
  bool answerLoggerCommand(char letter, double at);
  void takeManualRecord(double at);
  void pressKey(char letter, double at);
  void updateLamp(double at);
  double displayedValue() const;
  int autoDecimals(double v) const;
  void recordSample(double at);
  std::string buildFrame(double at, bool forLog, std::string* text);

  Options options_;
  std::mt19937 rng_;
  std::deque<Chunk> out_;
  double lastDue_ = 0;  // due time of the last byte queued: the line sends in order
  double lastNow_ = 0;
  double silentUntil_ = -1;
  std::vector<Received> received_;
  // A letter waiting for its data bytes.
  std::optional<Received> partial_;
  std::size_t partialNeed_ = 0;

  // stream
  double streamUntil_ = -1;
  double nextFrameAt_ = 0;
  double quietUntil_ = -1;  // frames pause while the meter answers a command

  // reading
  bool lux_ = true;
  bool drift_ = true;
  bool overload_ = false;
  double fixedValue_ = 0;
  int fixedDecimals_ = 1;
  double lampLux_ = 523.0;
  double lampAt_ = 0;
  bool randomOverloadNow_ = false;
  double heldValue_ = 0;
  bool heldOverload_ = false;
  std::uint32_t ann_ = 0;
  int memoryNumber_ = 0;
  bool showHoldTime_ = false;
  double clearUntil_ = -1;

  SettingsBlock settings_;
  int holdMinutes_ = 0, holdSeconds_ = 0;
  MeterTime clockBase_;
  double clockSetAt_ = 0;
  int samplingMinutes_ = 0, samplingSeconds_ = 1;

  std::vector<LoggerSet> loggerSets_;
  std::size_t loggerBytes_ = 0;
  std::optional<std::string> rawLogger_;
  bool recording_ = false;
  double nextSampleAt_ = 0;
  double samplePeriod_ = 1;
  bool manualSetOpen_ = false;

  bool split_ = false;
  int misframe_ = 0;
  std::optional<std::size_t> truncateDump_;
  std::deque<DisplayedReading> displayLog_;
  std::size_t displayLogLimit_ = 200000;
  std::function<void(const DisplayedReading&)> onDisplay_;
};

// Packed BCD helpers of the meter's wire format (45 <-> 0x45).
std::uint8_t bcd(int value);
// -1 when a nibble is not a decimal digit.
int fromBcd(std::uint8_t byte);

}  // namespace lux::sim
