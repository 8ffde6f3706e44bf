#include "sim/SimMeter.h"

#include "sim/LcdFrame.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace lux::sim {

namespace {

constexpr double kEps = 1e-9;
constexpr double kLuxPerFc = 10.7639;
// After answering a command the meter holds its display stream back for a moment, so that an
// answer is not buried between frames.
constexpr double kQuietAfterCommand = 0.25;
// A letter whose data bytes stop coming is given up after this long.
constexpr double kPayloadTimeout = 1.0;
constexpr double kClearBannerSeconds = 1.0;
constexpr double kSplitGap = 0.03;
constexpr std::size_t kReceivedLimit = 200000;

std::uint32_t bit(Annunciator a) {
  return 1u << static_cast<unsigned>(a);
}

std::size_t payloadLength(char letter) {
  switch (letter) {
    case 'I':
    case 'S':
    case 'W':
      return 2;
    case 'T':
      return 4;
    case 'V':
      return 5;
    default:
      return 0;
  }
}

std::size_t setBytes(const LoggerSet& s) {
  return 10 + 3 * s.records.size();
}

}  // namespace

std::uint8_t bcd(int value) {
  value = std::abs(value) % 100;
  return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

int fromBcd(std::uint8_t byte) {
  int hi = byte >> 4, lo = byte & 0x0F;
  if (hi > 9 || lo > 9) return -1;
  return hi * 10 + lo;
}

SimMeter::SimMeter() : SimMeter(Options{}) {}

SimMeter::SimMeter(Options options)
    : options_(options), rng_(options.seed), drift_(options.drift), lampLux_(options.baseLux) {
  clockBase_ = options.clock;
}

// ---------------------------------------------------------------- the line

void SimMeter::send(std::string bytes, double at) {
  if (bytes.empty() || at < silentUntil_) return;
  Chunk c;
  if (options_.paced) {
    c.perByte = 1.0 / kBytesPerSecond;
    c.start = std::max(at, lastDue_) + c.perByte;
    lastDue_ = c.start + c.perByte * static_cast<double>(bytes.size() - 1);
  } else {
    c.perByte = 0;
    c.start = std::max(at, lastDue_);
    lastDue_ = c.start;
  }
  c.bytes = std::move(bytes);
  out_.push_back(std::move(c));
}

void SimMeter::receive(std::string_view bytes, double now) {
  advance(now);
  for (char ch : bytes) {
    if (partial_) {
      partial_->payload.push_back(ch);
      if (partial_->payload.size() >= partialNeed_) {
        Received r = std::move(*partial_);
        partial_.reset();
        handleCommand(r.letter, r.payload, r.at);
      }
      continue;
    }
    if (std::size_t need = payloadLength(ch); need > 0) {
      partial_ = Received{ch, {}, now};
      partialNeed_ = need;
    } else {
      handleCommand(ch, {}, now);
    }
  }
}

std::string SimMeter::output(double now) {
  advance(now);
  std::string got;
  while (!out_.empty()) {
    Chunk& c = out_.front();
    std::size_t due = 0;
    if (now + kEps >= c.start) {
      if (c.perByte <= 0) {
        due = c.bytes.size();
      } else {
        auto n = static_cast<std::size_t>(std::floor((now - c.start) / c.perByte + kEps)) + 1;
        due = std::min(n, c.bytes.size());
      }
    }
    if (due > c.taken) {
      got.append(c.bytes, c.taken, due - c.taken);
      c.taken = due;
    }
    if (c.taken < c.bytes.size()) break;
    out_.pop_front();
  }
  return got;
}

std::size_t SimMeter::pendingBytes(double now) {
  advance(now);
  std::size_t total = 0;
  for (const Chunk& c : out_) {
    if (now + kEps < c.start) break;
    std::size_t due = c.bytes.size();
    if (c.perByte > 0) {
      due = std::min(c.bytes.size(),
                     static_cast<std::size_t>(std::floor((now - c.start) / c.perByte + kEps)) + 1);
    }
    total += due - c.taken;
    if (due < c.bytes.size()) break;
  }
  return total;
}

double SimMeter::nextEventAt() const {
  double next = std::numeric_limits<double>::infinity();
  if (!out_.empty()) {
    const Chunk& c = out_.front();
    next = c.start + c.perByte * static_cast<double>(c.taken);
  }
  if (nextFrameAt_ < streamUntil_) next = std::min(next, nextFrameAt_);
  if (recording_) next = std::min(next, nextSampleAt_);
  if (partial_) next = std::min(next, partial_->at + kPayloadTimeout + kEps);
  return next;
}

std::string SimMeter::receivedLetters() const {
  std::string s;
  for (const Received& r : received_) s.push_back(r.letter);
  return s;
}

void SimMeter::advance(double now) {
  now = std::max(now, lastNow_);
  lastNow_ = now;
  if (partial_ && now - partial_->at > kPayloadTimeout) {
    // Logged as it came, but the meter acts only on a complete command.
    received_.push_back(std::move(*partial_));
    partial_.reset();
  }
  // Frames and logger samples fall due in time order; a long jump in time runs at most the
  // remaining stream (10 s of frames) and the samples the memory can hold.
  for (;;) {
    bool frameDue = nextFrameAt_ < streamUntil_ && nextFrameAt_ <= now;
    bool sampleDue = recording_ && nextSampleAt_ <= now;
    if (!frameDue && !sampleDue) break;
    if (frameDue && (!sampleDue || nextFrameAt_ <= nextSampleAt_)) {
      double at = nextFrameAt_;
      std::uniform_real_distribution<double> jitter(-0.005, 0.005);
      nextFrameAt_ += kFramePeriod + jitter(rng_);
      if (at >= silentUntil_ && at >= quietUntil_) produceFrame(at);
    } else {
      double at = nextSampleAt_;
      nextSampleAt_ += samplePeriod_;
      recordSample(at);
    }
  }
}

// ---------------------------------------------------------------- commands

void SimMeter::handleCommand(char letter, const std::string& payload, double at) {
  // A meter served for days keeps the recent past only: drop the oldest half now and then.
  if (received_.size() >= kReceivedLimit)
    received_.erase(received_.begin(), received_.begin() + kReceivedLimit / 2);
  received_.push_back(Received{letter, payload, at});
  if (at < silentUntil_) return;  // switched off or gone quiet: hears nothing
  if (letter != 'M') quietUntil_ = at + kQuietAfterCommand;
  if (answerLineCommand(letter, at)) return;
  if (answerSettingsCommand(letter, payload, at)) return;
  if (answerLoggerCommand(letter, at)) return;
  pressKey(letter, at);
}

// The handshake, the display stream and the return to the normal display.
bool SimMeter::answerLineCommand(char letter, double at) {
  switch (letter) {
    case 'A': {
      std::uint32_t a = loggerAddress();
      std::string ans{'\x02',
                      '\xAA',
                      static_cast<char>((a >> 16) & 0xFF),
                      static_cast<char>((a >> 8) & 0xFF),
                      static_cast<char>(a & 0xFF),
                      '\x03'};
      send(std::move(ans), at);
      return true;
    }
    case 'M':
      quietUntil_ = -1;
      if (nextFrameAt_ >= streamUntil_ || nextFrameAt_ < at) nextFrameAt_ = at + 0.03;
      streamUntil_ = at + kStreamSeconds;
      return true;
    case 'H':
      ann_ &= ~(bit(Annunciator::SetUp) | bit(Annunciator::Rs232) | bit(Annunciator::Read));
      showHoldTime_ = false;
      return true;
    default:
      return false;
  }
}

// The settings block, the clock and sampling time, and the values a command sets with its data
// bytes. Packed-BCD values that are not decimal or out of range are heard but change nothing.
bool SimMeter::answerSettingsCommand(char letter, const std::string& payload, double at) {
  auto u8 = [&](std::size_t i) { return static_cast<std::uint8_t>(payload[i]); };
  switch (letter) {
    case 'Z': {
      const SettingsBlock& s = settings_;
      std::string ans{'\x02',
                      static_cast<char>(s.distance100 >> 8),
                      static_cast<char>(s.distance100 & 0xFF),
                      static_cast<char>(s.comparator),
                      static_cast<char>(s.high >> 8),
                      static_cast<char>(s.high & 0xFF),
                      static_cast<char>(s.low >> 8),
                      static_cast<char>(s.low & 0xFF),
                      '\x03'};
      send(std::move(ans), at);
      return true;
    }
    case 'Y': {
      MeterTime t = clock(at);
      std::string ans{'\x02',
                      static_cast<char>(bcd(t.day)),
                      static_cast<char>(bcd(t.hour)),
                      static_cast<char>(bcd(t.minute)),
                      static_cast<char>(bcd(t.second)),
                      static_cast<char>(bcd(samplingMinutes_)),
                      static_cast<char>(bcd(samplingSeconds_)),
                      '\x03'};
      send(std::move(ans), at);
      return true;
    }
    case 'I':
      settings_.distance100 = static_cast<std::uint16_t>(u8(0) << 8 | u8(1));
      return true;
    case 'S': {
      int m = fromBcd(u8(0)), s = fromBcd(u8(1));
      if (m >= 0 && s >= 0 && m < 60 && s < 60) setHoldTime(m, s);
      return true;
    }
    case 'W': {
      int m = fromBcd(u8(0)), s = fromBcd(u8(1));
      if (m >= 0 && s >= 0 && m < 60 && s < 60) setSampling(m, s);
      return true;
    }
    case 'T': {
      MeterTime t{fromBcd(u8(0)), fromBcd(u8(1)), fromBcd(u8(2)), fromBcd(u8(3))};
      if (t.day >= 1 && t.day <= 31 && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
          t.minute < 60 && t.second >= 0 && t.second < 60)
        setClock(t, at);
      return true;
    }
    case 'V':
      settings_.comparator = u8(0);
      settings_.high = static_cast<std::uint16_t>(u8(1) << 8 | u8(2));
      settings_.low = static_cast<std::uint16_t>(u8(3) << 8 | u8(4));
      return true;
    default:
      return false;
  }
}

// The logger memory: the dump, erasure, and the logger keys (a run started and stopped, one
// record taken by hand).
bool SimMeter::answerLoggerCommand(char letter, double at) {
  switch (letter) {
    case 'Q': {
      // The dump takes the line: the display stream ends until the next "M".
      streamUntil_ = at;
      std::string dump = memoryDump();
      if (truncateDump_ && *truncateDump_ < dump.size()) dump.resize(*truncateDump_);
      send(std::move(dump), at);
      return true;
    }
    case 'E':
      eraseLogger();
      clearUntil_ = at + kClearBannerSeconds;
      return true;
    case 'P':
      if (recording_)
        stopLogging(at);
      else
        startLogging(at);
      return true;
    case 'J':
      takeManualRecord(at);
      return true;
    default:
      return false;
  }
}

void SimMeter::takeManualRecord(double at) {
  if (rawLogger_) return;
  if (!recording_ && !manualSetOpen_) {
    // The first record by hand opens a set of its own, stamped now, with no interval.
    if (loggerBytes_ + 13 > kLoggerCapacity) return;
    LoggerSet s;
    s.start = clock(at);
    s.intervalMinutes = 0;
    s.intervalSeconds = 0;
    loggerSets_.push_back(std::move(s));
    loggerBytes_ += 10;
    manualSetOpen_ = true;
  }
  recordSample(at);
}

// The keys of the meter's keypad that change what it shows.
void SimMeter::pressKey(char letter, double at) {
  switch (letter) {
    case 'X':
      ann_ ^= bit(Annunciator::Comp);
      break;
    case 'F':
      lux_ = !lux_;
      break;
    case 'C':
      if (annunciator(Annunciator::Hold)) {
        ann_ &= ~bit(Annunciator::Hold);
      } else {
        updateLamp(at);
        heldValue_ = displayedValue();
        heldOverload_ = overload_;
        ann_ |= bit(Annunciator::Hold);
      }
      break;
    case 'D':
      ann_ ^= bit(Annunciator::Avg);
      break;
    case 'G':
      ann_ ^= bit(Annunciator::Percent);
      break;
    case 'L':
      ann_ ^= bit(Annunciator::Read);
      break;
    case 'K':
      if (annunciator(Annunciator::Read)) memoryNumber_ = (memoryNumber_ + 1) % 100;
      break;
    case 'N':
      if (annunciator(Annunciator::Read)) memoryNumber_ = (memoryNumber_ + 99) % 100;
      break;
    case 'B':
      showHoldTime_ = !showHoldTime_;
      break;
    case 'O':
      lastNow_ = std::max(lastNow_, at);
      powerCycle(2.0);
      break;
    default:
      break;  // not a letter the meter knows: ignored
  }
}

// ---------------------------------------------------------------- reading and frames

void SimMeter::updateLamp(double at) {
  if (!drift_) return;
  double t = at;
  double slow = 0.08 * std::sin(2 * std::numbers::pi * t / 240.0) +
                0.03 * std::sin(2 * std::numbers::pi * t / 37.0);
  std::normal_distribution<double> noise(0.0, 0.002);
  lampLux_ = options_.baseLux * (1.0 + slow) * (1.0 + noise(rng_));
  lampAt_ = at;
}

int SimMeter::autoDecimals(double v) const {
  v = std::fabs(v);
  if (v < 9.9995) return 3;
  if (v < 99.995) return 2;
  if (v < 999.95) return 1;
  return 0;
}

double SimMeter::displayedValue() const {
  if (annunciator(Annunciator::Hold)) return heldValue_;
  if (!drift_) return fixedValue_;
  double v = lux_ ? lampLux_ : lampLux_ / kLuxPerFc;
  if (annunciator(Annunciator::Cd)) {
    double d = settings_.distance100 / 100.0;
    v = v * d * d;
  }
  return v;
}

std::string SimMeter::buildFrame(double at, bool forLog, std::string* text) {
  if (forLog) updateLamp(at);
  double v = displayedValue();
  int dec = drift_ ? autoDecimals(v) : fixedDecimals_;
  bool ol = annunciator(Annunciator::Hold) ? heldOverload_ : overload_;
  if (forLog && options_.randomOverloads && !ol) {
    std::uniform_int_distribution<int> oneIn(0, 2999);
    if (oneIn(rng_) == 0) ol = true;
  }
  LcdPicture p = readingPicture(v, dec, lux_, ol);
  if (text) *text = shownReading(p);

  auto has = [&](Annunciator a) { return annunciator(a); };
  if (has(Annunciator::Read)) {
    std::string n = std::to_string(100 + memoryNumber_ % 100);
    p.memoryDigits = {n[1], n[2]};
  }
  MeterTime t = clock(at);
  int s1 = showHoldTime_ ? holdMinutes_ : t.hour, s2 = showHoldTime_ ? holdSeconds_ : t.minute;
  p.secondaryDigits = {static_cast<char>('0' + s1 / 10 % 10), static_cast<char>('0' + s1 % 10),
                       static_cast<char>('0' + s2 / 10 % 10), static_cast<char>('0' + s2 % 10)};
  p.light(Mark::TimeDot);  // the dot between hours and minutes (or minutes and seconds)
  p.light(Mark::Rel, has(Annunciator::Rel));
  p.light(Mark::Comp, has(Annunciator::Comp));
  p.light(Mark::UpperAvg, has(Annunciator::Avg));
  p.light(Mark::Hold, has(Annunciator::Hold));
  p.light(Mark::Ref, has(Annunciator::Ref));
  p.light(Mark::UpperPercent, has(Annunciator::Percent));
  p.light(Mark::FcHour, has(Annunciator::FcHour));
  p.light(Mark::LxHour, has(Annunciator::LxHour));
  p.light(Mark::Cd, has(Annunciator::Cd));
  if (p.lit(Mark::Cd) || p.lit(Mark::FcHour) || p.lit(Mark::LxHour)) {
    p.light(Mark::Lx, false);  // a unit of its own
    p.light(Mark::Fc, false);
  }
  if (p.lit(Mark::Cd)) p.light(lux_ ? Mark::Metres : Mark::Feet);  // the distance's unit
  p.light(Mark::Battery, has(Annunciator::Battery));
  p.light(Mark::Read, has(Annunciator::Read));
  p.light(Mark::Mem, has(Annunciator::Read));
  p.light(Mark::Intv, has(Annunciator::Intv));
  p.light(Mark::TimeHold, has(Annunciator::TimeHold));
  p.light(Mark::SetUp, has(Annunciator::SetUp));
  p.light(Mark::Clear, has(Annunciator::Clear) || at < clearUntil_);
  p.light(Mark::Rs232, has(Annunciator::Rs232));
  return encodeLcdFrame(p);
}

void SimMeter::produceFrame(double at) {
  std::string text;
  std::string f = buildFrame(at, true, &text);
  bool intact = true;
  if (misframe_ > 0) {
    if (misframe_ % 2)
      f[0] = '\x00';
    else
      f[13] = '\x00';
    --misframe_;
    intact = false;
  }
  DisplayedReading r{at, text, unitText(), intact};
  if (displayLogLimit_ > 0) {
    displayLog_.push_back(r);
    while (displayLog_.size() > displayLogLimit_) displayLog_.pop_front();
  }
  if (onDisplay_) onDisplay_(r);
  if (split_) {
    std::uniform_int_distribution<int> parts(2, 3);
    int n = parts(rng_);
    std::size_t cut1 = n == 2 ? 7 : 4, cut2 = n == 2 ? 14 : 10;
    send(f.substr(0, cut1), at);
    send(f.substr(cut1, cut2 - cut1), at + kSplitGap);
    if (n == 3) send(f.substr(cut2), at + 2 * kSplitGap);
  } else {
    send(std::move(f), at);
  }
}

std::string SimMeter::currentFrame(double now) {
  advance(now);
  updateLamp(now);
  return buildFrame(now, false, nullptr);
}

std::string SimMeter::readingText() const {
  std::string text;
  const_cast<SimMeter*>(this)->buildFrame(lastNow_, false, &text);
  return text;
}

std::string SimMeter::unitText() const {
  if (annunciator(Annunciator::Cd) || annunciator(Annunciator::FcHour) ||
      annunciator(Annunciator::LxHour))
    return {};
  return lux_ ? "Lx" : "Fc";
}

bool SimMeter::streaming(double now) const {
  return now < streamUntil_ && now >= silentUntil_;
}

void SimMeter::setReading(double value, int decimals) {
  drift_ = false;
  fixedValue_ = value;
  fixedDecimals_ = std::clamp(decimals, 0, 3);
}

void SimMeter::setDrift(bool on) {
  drift_ = on;
}
void SimMeter::setLux(bool lux) {
  lux_ = lux;
}
void SimMeter::setOverload(bool on) {
  overload_ = on;
}

void SimMeter::setAnnunciator(Annunciator a, bool on) {
  if (on)
    ann_ |= bit(a);
  else
    ann_ &= ~bit(a);
}

bool SimMeter::annunciator(Annunciator a) const {
  if (a == Annunciator::Intv && recording_) return true;
  if (a == Annunciator::Clear && lastNow_ < clearUntil_) return true;
  return (ann_ & bit(a)) != 0;
}

// ---------------------------------------------------------------- settings and clock

void SimMeter::setHoldTime(int minutes, int seconds) {
  holdMinutes_ = minutes;
  holdSeconds_ = seconds;
}

MeterTime SimMeter::clock(double now) const {
  long long passed = static_cast<long long>(std::floor(now - clockSetAt_ + kEps));
  if (passed < 0) passed = 0;
  long long secs = (clockBase_.hour * 60LL + clockBase_.minute) * 60LL + clockBase_.second + passed;
  long long days = secs / 86400;
  secs %= 86400;
  MeterTime t;
  t.day = static_cast<int>((clockBase_.day - 1 + days) % 31) + 1;
  t.hour = static_cast<int>(secs / 3600);
  t.minute = static_cast<int>(secs / 60 % 60);
  t.second = static_cast<int>(secs % 60);
  return t;
}

void SimMeter::setClock(const MeterTime& t, double now) {
  clockBase_ = t;
  clockSetAt_ = now;
}

void SimMeter::setSampling(int minutes, int seconds) {
  samplingMinutes_ = minutes;
  samplingSeconds_ = seconds;
}

// ---------------------------------------------------------------- logger memory

void SimMeter::addLoggerSet(LoggerSet set) {
  if (loggerBytes_ + setBytes(set) > kLoggerCapacity)
    throw std::length_error("logger set does not fit the meter's memory");
  loggerBytes_ += setBytes(set);
  loggerSets_.push_back(std::move(set));
  manualSetOpen_ = false;
}

void SimMeter::preloadLoggerSets(int count, int recordsPerSet) {
  static const int intervals[][2] = {{0, 1}, {0, 2}, {0, 30}, {1, 30}};
  for (int k = 0; k < count; ++k) {
    LoggerSet s;
    s.start = clockBase_;
    s.start.hour = (clockBase_.hour + k) % 24;
    s.intervalMinutes = intervals[k % 4][0];
    s.intervalSeconds = intervals[k % 4][1];
    for (int i = 0; i < recordsPerSet; ++i) {
      int raw = 4000 + (i * 37 + k * 11) % 2000;  // 400.0 .. 599.9 lux
      s.records.push_back(LoggerRecord{static_cast<std::uint8_t>(raw >> 8),
                                       static_cast<std::uint8_t>(raw & 0xFF), 0x08});
    }
    addLoggerSet(std::move(s));
  }
}

void SimMeter::fillLoggerMemory(int sets) {
  eraseLogger();
  int n = std::max(3, (sets + 2) / 3 * 3);
  std::size_t records = (kLoggerCapacity - 10 * static_cast<std::size_t>(n)) / 3;
  std::size_t per = records / n;
  for (int k = 0; k < n; ++k) {
    std::size_t count = k == n - 1 ? records - per * (n - 1) : per;
    LoggerSet s;
    s.start = clockBase_;
    s.start.hour = (clockBase_.hour + k) % 24;
    s.intervalMinutes = 0;
    s.intervalSeconds = 1;
    s.records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      int raw = 4000 + static_cast<int>((i * 37 + k * 11) % 2000);
      s.records.push_back(LoggerRecord{static_cast<std::uint8_t>(raw >> 8),
                                       static_cast<std::uint8_t>(raw & 0xFF), 0x08});
    }
    addLoggerSet(std::move(s));
  }
}

void SimMeter::eraseLogger() {
  loggerSets_.clear();
  loggerBytes_ = 0;
  rawLogger_.reset();
  recording_ = false;
  manualSetOpen_ = false;
}

void SimMeter::setRawLoggerContent(std::string bytes) {
  if (bytes.size() > kLoggerCapacity) bytes.resize(kLoggerCapacity);
  recording_ = false;
  rawLogger_ = std::move(bytes);
}

std::string SimMeter::loggerContent() const {
  if (rawLogger_) return *rawLogger_;
  std::string out;
  out.reserve(loggerBytes_);
  for (const LoggerSet& s : loggerSets_) {
    out.append({'\x00', '\x55', '\xAA', '\x00'});
    out.push_back(static_cast<char>(bcd(s.start.day)));
    out.push_back(static_cast<char>(bcd(s.start.hour)));
    out.push_back(static_cast<char>(bcd(s.start.minute)));
    out.push_back(static_cast<char>(bcd(s.start.second)));
    out.push_back(static_cast<char>(s.intervalMinutes & 0xFF));
    out.push_back(static_cast<char>(bcd(s.intervalSeconds)));
    for (const LoggerRecord& r : s.records) {
      out.push_back(static_cast<char>(r.high));
      out.push_back(static_cast<char>(r.low));
      out.push_back(static_cast<char>(r.range));
    }
  }
  return out;
}

std::uint32_t SimMeter::loggerAddress() const {
  return kEmptyAddress + static_cast<std::uint32_t>(rawLogger_ ? rawLogger_->size() : loggerBytes_);
}

std::string SimMeter::memoryDump() const {
  std::uint32_t a = loggerAddress();
  std::string d;
  d.reserve(loggerAddress() - kEmptyAddress + 16);
  // Lead bytes: a start mark and the fill address, then padding.
  d.push_back('\x02');
  d.push_back(static_cast<char>((a >> 16) & 0xFF));
  d.push_back(static_cast<char>((a >> 8) & 0xFF));
  d.push_back(static_cast<char>(a & 0xFF));
  d.append(11, '\x00');
  d += loggerContent();
  d.push_back('\x03');
  return d;
}

void SimMeter::startLogging(double now) {
  if (recording_ || rawLogger_) return;
  if (loggerBytes_ + 13 > kLoggerCapacity) return;  // memory full: nothing starts
  advance(now);
  LoggerSet s;
  s.start = clock(now);
  int period = samplingMinutes_ * 60 + samplingSeconds_;
  if (period <= 0) period = 1;  // 00:00 would record without end; the meter takes 1 s
  s.intervalMinutes = period / 60;
  s.intervalSeconds = period % 60;
  loggerSets_.push_back(std::move(s));
  loggerBytes_ += 10;
  manualSetOpen_ = false;
  recording_ = true;
  samplePeriod_ = period;
  nextSampleAt_ = now;  // the first record is taken at the start
  advance(now);
}

void SimMeter::stopLogging(double now) {
  advance(now);
  recording_ = false;
}

void SimMeter::recordSample(double at) {
  if (loggerSets_.empty() || rawLogger_) {
    recording_ = false;
    return;
  }
  if (loggerBytes_ + 3 > kLoggerCapacity) {
    recording_ = false;  // memory full: the run ends
    return;
  }
  updateLamp(at);
  double v = drift_ ? lampLux_ : (lux_ ? fixedValue_ : fixedValue_ * kLuxPerFc);
  v = std::fabs(v);
  int dec = autoDecimals(v);
  long long raw = std::llround(v * std::pow(10.0, dec));
  std::uint8_t range = static_cast<std::uint8_t>(1u << (4 - dec));
  if (raw > 65535) {
    raw = std::llround(v / 10);
    range = 0x20;
  }
  if (raw > 65535) {
    raw = std::min<long long>(65535, std::llround(v / 100));
    range = 0x40;
  }
  loggerSets_.back().records.push_back(LoggerRecord{static_cast<std::uint8_t>(raw >> 8),
                                                    static_cast<std::uint8_t>(raw & 0xFF), range});
  loggerBytes_ += 3;
}

// ---------------------------------------------------------------- misbehaviour

void SimMeter::goSilent(double seconds) {
  silentUntil_ = lastNow_ + seconds;
  out_.clear();
  lastDue_ = lastNow_;
}

void SimMeter::pauseOutput(double seconds) {
  const double now = lastNow_;
  std::deque<Chunk> sent, later;
  for (Chunk& c : out_) {
    std::size_t due = 0;
    if (now + kEps >= c.start) {
      due = c.perByte <= 0
                ? c.bytes.size()
                : std::min(
                      c.bytes.size(),
                      static_cast<std::size_t>(std::floor((now - c.start) / c.perByte + kEps)) + 1);
    }
    if (due < c.bytes.size()) {
      Chunk rest;
      rest.perByte = c.perByte;
      rest.start = std::max(now, c.start + static_cast<double>(due) * c.perByte) + seconds;
      rest.bytes = c.bytes.substr(due);
      later.push_back(std::move(rest));
    }
    if (due > 0) {
      c.bytes.resize(due);
      sent.push_back(std::move(c));
    }
  }
  out_ = std::move(sent);
  for (Chunk& c : later) out_.push_back(std::move(c));
  lastDue_ = std::max(lastDue_, now) + seconds;
}

void SimMeter::injectGarbage(std::string_view bytes) {
  send(std::string(bytes), lastNow_);
}

void SimMeter::injectRandomGarbage(std::size_t n) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string g;
  for (std::size_t i = 0; i < n; ++i) g.push_back(static_cast<char>(byte(rng_)));
  injectGarbage(g);
}

void SimMeter::powerCycle(double seconds) {
  double at = lastNow_;
  if (recording_) recording_ = false;
  goSilent(seconds);
  streamUntil_ = at;
  ann_ = 0;
  showHoldTime_ = false;
  memoryNumber_ = 0;
}

}  // namespace lux::sim
