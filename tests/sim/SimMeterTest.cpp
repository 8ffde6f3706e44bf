// The simulated meter's side of every exchange, checked byte for byte on a time we choose.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>

#include "link/DisplayState.h"
#include "link/FrameDecoder.h"
#include "link/LoggerValue.h"
#include "sim/SimMeter.h"

using lux::sim::Annunciator;
using lux::sim::LoggerRecord;
using lux::sim::LoggerSet;
using lux::sim::MeterTime;
using lux::sim::SimMeter;

namespace {

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

SimMeter::Options fixedOptions() {
  SimMeter::Options o;
  o.drift = false;
  o.randomOverloads = false;
  o.clock = MeterTime{9, 8, 5, 7};
  return o;
}

// Splits what arrived into 14-byte frames starting at each 0x02 that has 0x03 13 bytes later.
std::vector<std::string> framesIn(const std::string& s) {
  std::vector<std::string> frames;
  for (std::size_t i = 0; i + 14 <= s.size();) {
    if (s[i] == '\x02' && s[i + 13] == '\x03') {
      frames.push_back(s.substr(i, 14));
      i += 14;
    } else {
      ++i;
    }
  }
  return frames;
}

}  // namespace

// ---------------------------------------------------------------- answers

TEST(SimMeterAnswers, HandshakeCarriesTheFillAddress) {
  SimMeter m(fixedOptions());
  m.receive("A", 0.0);
  EXPECT_EQ(m.output(0.0), bytes({0x02, 0xAA, 0x00, 0x04, 0xFF, 0x03}));  // 1279: empty

  LoggerSet one;
  one.records.push_back(LoggerRecord{0x01, 0x00, 0x10});
  m.addLoggerSet(one);
  EXPECT_EQ(m.loggerAddress(), 1292u);
  m.receive("A", 1.0);
  EXPECT_EQ(m.output(1.0), bytes({0x02, 0xAA, 0x00, 0x05, 0x0C, 0x03}));

  m.fillLoggerMemory();
  m.receive("A", 2.0);
  EXPECT_EQ(m.output(2.0), bytes({0x02, 0xAA, 0x01, 0xFF, 0xFF, 0x03}));  // 131071
}

TEST(SimMeterAnswers, SettingsBlockFollowsDistanceAndComparatorPayloads) {
  SimMeter m(fixedOptions());
  m.settings() = {300, 0x42, 1234, 50};
  m.receive("Z", 0.0);
  EXPECT_EQ(m.output(0.0), bytes({0x02, 0x01, 0x2C, 0x42, 0x04, 0xD2, 0x00, 0x32, 0x03}));

  // The program writes the letter, waits, then writes the data bytes in a second write.
  m.receive("I", 1.0);
  m.receive(bytes({0x01, 0xF4}), 1.05);
  m.receive("V", 2.0);
  m.receive(bytes({0x30, 0x27, 0x0F, 0x00, 0x2A}), 2.05);
  m.receive("Z", 3.0);
  EXPECT_EQ(m.output(3.0), bytes({0x02, 0x01, 0xF4, 0x30, 0x27, 0x0F, 0x00, 0x2A, 0x03}));

  ASSERT_EQ(m.received().size(), 4u);
  EXPECT_EQ(m.received()[1].letter, 'I');
  EXPECT_EQ(m.received()[1].payload, bytes({0x01, 0xF4}));
  EXPECT_DOUBLE_EQ(m.received()[1].at, 1.0);
  EXPECT_EQ(m.received()[2].payload, bytes({0x30, 0x27, 0x0F, 0x00, 0x2A}));
  EXPECT_EQ(m.receivedLetters(), "ZIVZ");
}

TEST(SimMeterAnswers, ClockAndSamplingTimeInBcdAndTheClockRuns) {
  SimMeter m(fixedOptions());
  m.receive("Y", 0.0);
  EXPECT_EQ(m.output(0.0), bytes({0x02, 0x09, 0x08, 0x05, 0x07, 0x00, 0x01, 0x03}));

  m.receive("T", 10.0);
  m.receive(bytes({0x31, 0x23, 0x59, 0x58}), 10.05);
  m.receive("W", 11.0);
  m.receive(bytes({0x02, 0x30}), 11.05);
  m.receive("Y", 11.5);  // 1.45 s after the clock was set
  EXPECT_EQ(m.output(11.5), bytes({0x02, 0x31, 0x23, 0x59, 0x59, 0x02, 0x30, 0x03}));
  // Past midnight of day 31 the day of month starts again at 1.
  m.receive("Y", 12.1);
  EXPECT_EQ(m.output(12.1), bytes({0x02, 0x01, 0x00, 0x00, 0x00, 0x02, 0x30, 0x03}));

  m.receive("S", 13.0);
  m.receive(bytes({0x12, 0x45}), 13.05);
  EXPECT_EQ(m.holdMinutes(), 12);
  EXPECT_EQ(m.holdSeconds(), 45);
}

TEST(SimMeterAnswers, MalformedPayloadsChangeNothing) {
  SimMeter m(fixedOptions());
  m.receive("T", 0.0);
  m.receive(bytes({0x3A, 0x08, 0x05, 0x07}), 0.05);  // not BCD
  m.receive("T", 1.0);
  m.receive(bytes({0x32, 0x08, 0x05, 0x07}), 1.05);  // day 32
  m.receive("W", 2.0);
  m.receive(bytes({0x01, 0x60}), 2.05);  // 60 seconds
  m.receive("S", 3.0);
  m.receive(bytes({0x5F, 0x00}), 3.05);
  MeterTime t = m.clock(3.0);
  EXPECT_EQ(t.day, 9);
  EXPECT_EQ(t.hour, 8);
  EXPECT_EQ(m.samplingMinutes(), 0);
  EXPECT_EQ(m.samplingSeconds(), 1);
  EXPECT_EQ(m.holdMinutes(), 0);
  // They were heard all the same.
  EXPECT_EQ(m.receivedLetters(), "TTWS");
}

TEST(SimMeterAnswers, AbandonedPayloadDoesNotSwallowTheNextCommand) {
  SimMeter m(fixedOptions());
  m.receive("I", 0.0);
  m.receive(bytes({0x01}), 0.05);  // the second data byte never comes
  m.receive("Z", 2.0);
  std::string z = m.output(2.0);
  ASSERT_EQ(z.size(), 9u);
  EXPECT_EQ(z[1], '\x00');  // distance unchanged: 150
  EXPECT_EQ(static_cast<unsigned char>(z[2]), 150);
  ASSERT_EQ(m.received().size(), 2u);
  EXPECT_EQ(m.received()[0].letter, 'I');
  EXPECT_EQ(m.received()[0].payload, bytes({0x01}));
  EXPECT_EQ(m.received()[1].letter, 'Z');
}

// ---------------------------------------------------------------- logger memory

TEST(SimMeterLogger, DumpIsLeadContentTrailerWithTheAnnouncedLength) {
  SimMeter m(fixedOptions());
  LoggerSet s;
  s.start = MeterTime{0, 14, 3, 9};
  s.intervalMinutes = 1;
  s.intervalSeconds = 30;
  s.records.push_back(LoggerRecord{0x01, 0x00, 0x10});
  m.addLoggerSet(s);
  m.receive("Q", 0.0);
  std::string dump = m.output(0.0);
  ASSERT_EQ(dump.size(), 29u);  // 15 + 13 + 1
  EXPECT_EQ(dump.substr(15, 13),
            bytes({0x00, 0x55, 0xAA, 0x00, 0x00, 0x14, 0x03, 0x09, 0x01, 0x30, 0x01, 0x00, 0x10}));

  m.preloadLoggerSets(5, 7);
  std::uint32_t address = m.loggerAddress();
  EXPECT_EQ(address, 1279u + 13 + 5 * (10 + 21));
  m.receive("Q", 1.0);
  dump = m.output(1.0);
  ASSERT_EQ(dump.size(), address - 1279 + 16);
  EXPECT_EQ(dump.substr(15, address - 1279), m.loggerContent());
}

TEST(SimMeterLogger, FullMemoryReachesTheTopAddressExactly) {
  for (int sets : {1, 3, 4, 12}) {
    SimMeter m(fixedOptions());
    m.fillLoggerMemory(sets);
    EXPECT_EQ(m.loggerAddress(), 131071u) << sets;
    EXPECT_EQ(m.loggerContent().size(), SimMeter::kLoggerCapacity);
    EXPECT_EQ(m.memoryDump().size(), 131071u - 1279 + 16);
    // Each set starts with the marker where the previous one ended.
    std::string c = m.loggerContent();
    std::size_t at = 0;
    for (const LoggerSet& s : m.loggerSets()) {
      ASSERT_EQ(c.substr(at, 4), bytes({0x00, 0x55, 0xAA, 0x00}));
      at += 10 + 3 * s.records.size();
    }
    EXPECT_EQ(at, c.size());
    EXPECT_THROW(m.addLoggerSet(LoggerSet{}), std::length_error);
  }
}

TEST(SimMeterLogger, EraseEmptiesMemoryAndShowsClearForAMoment) {
  SimMeter m(fixedOptions());
  m.preloadLoggerSets(2, 3);
  m.receive("E", 5.0);
  EXPECT_EQ(m.loggerAddress(), 1279u);
  lux::DisplayState d;
  EXPECT_EQ(lux::decodeFrame(d, m.currentFrame(5.5)), lux::DecodeResult::Banner);
  EXPECT_TRUE(d.annClear);
  EXPECT_EQ(lux::decodeFrame(d, m.currentFrame(7.0)), lux::DecodeResult::Complete);
  EXPECT_FALSE(d.annClear);
  m.receive("Q", 8.0);
  EXPECT_EQ(m.output(8.0).size(), 16u);
}

TEST(SimMeterLogger, TruncatedDumpStopsEarlyEveryTime) {
  SimMeter m(fixedOptions());
  m.fillLoggerMemory();
  m.truncateDumpAfter(1000);
  m.receive("Q", 0.0);
  EXPECT_EQ(m.output(0.0).size(), 1000u);
  m.receive("Q", 1.0);
  EXPECT_EQ(m.output(1.0).size(), 1000u);
  m.truncateDumpAfter(std::nullopt);
  m.receive("Q", 2.0);
  EXPECT_EQ(m.output(2.0).size(), 131071u - 1279 + 16);
}

TEST(SimMeterLogger, RecordingKeyLogsOneRecordPerSamplingInterval) {
  SimMeter m(fixedOptions());
  m.setReading(523.4, 1);
  m.receive("W", 0.0);
  m.receive(bytes({0x00, 0x02}), 0.05);
  m.receive("P", 10.0);
  EXPECT_TRUE(m.loggerRecording());
  lux::DisplayState d;
  lux::decodeFrame(d, m.currentFrame(11.0));
  EXPECT_TRUE(d.annIntv);
  m.output(20.5);
  m.receive("P", 20.5);  // stops
  EXPECT_FALSE(m.loggerRecording());
  m.output(60.0);
  ASSERT_EQ(m.loggerSets().size(), 1u);
  const LoggerSet& s = m.loggerSets()[0];
  EXPECT_EQ(s.records.size(), 6u);  // at 10, 12, 14, 16, 18, 20
  EXPECT_EQ(s.start.hour, 8);
  EXPECT_EQ(s.start.minute, 5);
  EXPECT_EQ(s.start.second, 17);  // 08:05:07 + 10 s
  EXPECT_EQ(s.intervalSeconds, 2);
  std::array<std::string, 2> text;
  ASSERT_TRUE(
      lux::formatLoggerValue(s.records[0].high, s.records[0].low, s.records[0].range, text));
  EXPECT_EQ(text[0], "523.4");
  lux::decodeFrame(d, m.currentFrame(61.0));
  EXPECT_FALSE(d.annIntv);
}

TEST(SimMeterLogger, RecordsKeepTheReadingInLuxAcrossRanges) {
  SimMeter m(fixedOptions());
  m.receive("J", 0.0);
  for (auto [value, expected] : {std::pair{5.25, "5.250"},
                                 {87.5, "87.50"},
                                 {12345.0, "12345"},
                                 {99000.0, "99000"},
                                 {150000.0, "150000"}}) {
    m.setReading(value, 0);
    m.receive("J", 1.0);
    std::array<std::string, 2> text;
    const LoggerRecord& r = m.loggerSets().back().records.back();
    ASSERT_TRUE(lux::formatLoggerValue(r.high, r.low, r.range, text));
    EXPECT_EQ(text[0], expected) << value;
  }
  // Manual records go into one set of their own until a recording starts.
  EXPECT_EQ(m.loggerSets().size(), 1u);
  EXPECT_EQ(m.loggerSets()[0].records.size(), 6u);
  // In foot-candles the meter still logs lux.
  m.setLux(false);
  m.setReading(10.0, 2);
  m.receive("J", 2.0);
  std::array<std::string, 2> text;
  const LoggerRecord& r = m.loggerSets().back().records.back();
  ASSERT_TRUE(lux::formatLoggerValue(r.high, r.low, r.range, text));
  EXPECT_EQ(text[0], "107.6");
}

TEST(SimMeterLogger, RecordingEndsWhenTheMemoryIsFull) {
  SimMeter m(fixedOptions());
  LoggerSet big;
  big.records.resize((SimMeter::kLoggerCapacity - 10 - 13 - 30) / 3);
  m.addLoggerSet(big);
  m.receive("P", 0.0);
  m.output(1000.0);
  EXPECT_FALSE(m.loggerRecording());
  EXPECT_LE(m.loggerAddress(), 131071u);
  EXPECT_GT(m.loggerAddress(), 131071u - 3);
  m.receive("Q", 1001.0);
  EXPECT_EQ(m.output(1001.0).size(), m.loggerAddress() - 1279 + 16);
}

// ---------------------------------------------------------------- display stream

TEST(SimMeterStream, FramesEveryTenthOfASecondForTenSecondsAfterM) {
  SimMeter m(fixedOptions());
  m.setReading(12.34, 2);
  m.receive("M", 0.0);
  std::string all;
  std::vector<double> firstByteAt;
  for (int step = 1; step <= 1500; ++step) {  // 15 s in 10 ms steps
    double t = step * 0.01;
    std::string got = m.output(t);
    if (!got.empty()) firstByteAt.push_back(t);
    all += got;
  }
  auto frames = framesIn(all);
  EXPECT_EQ(all.size(), frames.size() * 14);
  EXPECT_GE(frames.size(), 95u);
  EXPECT_LE(frames.size(), 101u);
  EXPECT_LE(firstByteAt.back(), 10.01);
  for (std::size_t i = 1; i < firstByteAt.size(); ++i)
    EXPECT_GE(firstByteAt[i] - firstByteAt[i - 1], 0.08);  // gaps between frames
  lux::DisplayState d;
  ASSERT_EQ(lux::decodeFrame(d, frames.front()), lux::DecodeResult::Complete);
  EXPECT_EQ(d.mainValueText, "12.34");
  EXPECT_EQ(d.unitText, "Lx");
}

TEST(SimMeterStream, RepeatedMKeepsTheStreamGoing) {
  SimMeter m(fixedOptions());
  for (double t = 0; t < 30; t += 4) m.receive("M", t);  // last M at 28
  EXPECT_TRUE(m.streaming(37.0));
  m.output(38.5);
  EXPECT_FALSE(m.streaming(38.5));
  EXPECT_TRUE(m.output(60.0).empty());
  EXPECT_GE(m.displayLog().size(), 370u);
}

TEST(SimMeterStream, AnswersAreNotInterleavedWithFrames) {
  SimMeter m(fixedOptions());
  m.receive("M", 0.0);
  m.output(0.5);
  m.receive("A", 0.52);
  // The answer is due at once; frames hold back while the meter answers.
  EXPECT_EQ(m.output(0.52), bytes({0x02, 0xAA, 0x00, 0x04, 0xFF, 0x03}));
  EXPECT_TRUE(m.output(0.70).empty());
  EXPECT_EQ(m.output(1.2).size() % 14, 0u);
  m.output(2.0);
  m.receive("Q", 2.0);  // the dump takes the line and ends the stream
  EXPECT_EQ(m.output(5.0).size(), 16u);
}

TEST(SimMeterStream, DisplayLogMatchesWhatTheProgramDecodes) {
  SimMeter::Options o;
  o.seed = 7;
  o.randomOverloads = true;
  SimMeter m(o);
  std::string all;
  for (int step = 0; step < 6000; ++step) {  // 10 minutes
    double t = step * 0.1;
    if (step % 40 == 0) m.receive("M", t);
    if (step == 1500) m.receive("F", t);
    if (step == 3000) m.setLux(true);
    all += m.output(t + 0.05);
  }
  auto frames = framesIn(all);
  ASSERT_EQ(frames.size(), m.displayLog().size());
  lux::DisplayState d;
  std::size_t fc = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    ASSERT_EQ(lux::decodeFrame(d, frames[i]), lux::DecodeResult::Complete);
    EXPECT_EQ(d.mainValueText, m.displayLog()[i].text) << i;
    EXPECT_EQ(d.unitText, m.displayLog()[i].unit) << i;
    if (d.unitText == "Fc") ++fc;
    if (d.mainValueText != "OL") {
      double lux = d.unitText == "Fc" ? d.mainValue * 10.7639 : d.mainValue;
      EXPECT_NEAR(lux, 523.0, 523.0 * 0.15) << i;  // a lamp drifting around its mean
    }
  }
  EXPECT_GT(fc, 1000u);
}

TEST(SimMeterStream, DecimalsFollowTheMagnitude) {
  for (auto [base, decimals] :
       {std::pair{5.0, 3}, {50.0, 2}, {500.0, 1}, {5000.0, 0}, {50000.0, 0}}) {
    SimMeter::Options o;
    o.baseLux = base;
    SimMeter m(o);
    lux::DisplayState d;
    ASSERT_EQ(lux::decodeFrame(d, m.currentFrame(1.0)), lux::DecodeResult::Complete);
    EXPECT_EQ(d.mainDecimals, decimals) << base;
    EXPECT_NEAR(d.mainValue, base, base * 0.15);
  }
}

TEST(SimMeterStream, SameSeedSameReadingsOtherSeedOtherReadings) {
  auto run = [](std::uint32_t seed) {
    SimMeter::Options o;
    o.seed = seed;
    SimMeter m(o);
    m.receive("M", 0.0);
    return m.output(9.0);
  };
  EXPECT_EQ(run(3), run(3));
  EXPECT_NE(run(3), run(4));
}

TEST(SimMeterStream, OverloadsOnlyWhenAskedFor) {
  auto overloads = [](bool random) {
    SimMeter::Options o;
    o.randomOverloads = random;
    SimMeter m(o);
    for (double t = 0; t < 3000; t += 5) {
      m.receive("M", t);
      m.output(t + 5);
    }
    int n = 0;
    for (const auto& r : m.displayLog()) n += r.text == "OL";
    return std::pair{n, m.displayLog().size()};
  };
  auto [quiet, frames] = overloads(false);
  EXPECT_EQ(quiet, 0);
  EXPECT_GT(frames, 29000u);
  auto [some, frames2] = overloads(true);
  EXPECT_GT(some, 0);
  EXPECT_LT(some, 100);  // rare

  SimMeter m(fixedOptions());
  m.setOverload(true);
  std::string f = m.currentFrame(0.0);
  EXPECT_EQ(static_cast<unsigned char>(f[3]), 0xFF);
  lux::DisplayState d;
  lux::decodeFrame(d, f);
  EXPECT_EQ(d.mainValueText, "OL");
  EXPECT_EQ(m.readingText(), "OL");
}

TEST(SimMeterKeys, KeysChangeWhatTheLcdShows) {
  SimMeter m;  // drifting lamp
  lux::DisplayState d;
  double t = 0;
  auto press = [&](const char* key) {
    t += 1.0;
    m.receive(key, t);
    lux::decodeFrame(d, m.currentFrame(t + 0.5));
  };
  press("F");
  EXPECT_EQ(d.unitText, "Fc");
  press("F");
  EXPECT_EQ(d.unitText, "Lx");
  press("C");  // hold: the reading stands still while the lamp drifts
  EXPECT_TRUE(d.annHold);
  std::string held = d.mainValueText;
  for (int i = 0; i < 5; ++i) {
    t += 20;
    lux::decodeFrame(d, m.currentFrame(t));
    EXPECT_EQ(d.mainValueText, held);
  }
  press("C");
  EXPECT_FALSE(d.annHold);
  bool moved = false;
  for (int i = 0; i < 5; ++i) {
    t += 20;
    lux::decodeFrame(d, m.currentFrame(t));
    moved = moved || d.mainValueText != held;
  }
  EXPECT_TRUE(moved);  // released, the reading follows the lamp again
  press("X");
  EXPECT_TRUE(d.annComp);
  press("X");
  EXPECT_FALSE(d.annComp);
  press("D");
  EXPECT_TRUE(d.annUpperAvg);
  press("G");
  EXPECT_TRUE(d.annUpperPercent);
  press("L");
  EXPECT_TRUE(d.annRead);
  press("K");
  press("K");
  press("N");
  press("K");
  EXPECT_EQ(d.memoryDigits, "02");
  press("H");  // back to the normal display
  EXPECT_FALSE(d.annRead);

  m.setAnnunciator(Annunciator::SetUp, true);
  EXPECT_EQ(lux::decodeFrame(d, m.currentFrame(t + 1)), lux::DecodeResult::Banner);
  press("H");
  EXPECT_FALSE(d.annSetUp);

  m.setAnnunciator(Annunciator::Cd, true);
  lux::decodeFrame(d, m.currentFrame(t + 1));
  EXPECT_TRUE(d.annCd);
  EXPECT_EQ(d.unitText, "");
  EXPECT_EQ(m.unitText(), "");
}

// ---------------------------------------------------------------- misbehaviour

TEST(SimMeterMisbehaviour, SilenceAnswersNothingThenTheMeterIsBack) {
  SimMeter m(fixedOptions());
  m.receive("M", 0.0);
  m.output(1.0);
  m.goSilent(3.0);
  for (double t = 1.0; t < 3.95; t += 0.1) {
    m.receive("A", t);
    EXPECT_TRUE(m.output(t + 0.02).empty()) << t;
  }
  m.receive("A", 4.1);
  std::string back = m.output(4.1);
  // The stream asked for before the silence resumes too: a frame may come first.
  ASSERT_GE(back.size(), 6u);
  EXPECT_EQ(back.substr(back.size() - 6), bytes({0x02, 0xAA, 0x00, 0x04, 0xFF, 0x03}));
  EXPECT_EQ(back.size() % 14, 6u);
  EXPECT_GT(m.receivedLetters().size(), 30u);  // what the program sent is still logged
}

TEST(SimMeterMisbehaviour, PowerKeyTakesTheMeterAwayForTwoSeconds) {
  SimMeter m(fixedOptions());
  m.receive("M", 0.0);
  m.receive("X", 0.5);
  m.receive("O", 1.0);
  m.receive("A", 2.5);
  EXPECT_TRUE(m.output(2.9).empty());
  m.receive("A", 3.1);
  EXPECT_EQ(m.output(3.1).size(), 6u);
  EXPECT_TRUE(m.output(5.0).empty());  // not streaming until asked again
  m.receive("M", 5.0);
  lux::DisplayState d;
  std::string f = m.output(5.5).substr(0, 14);
  ASSERT_EQ(lux::decodeFrame(d, f), lux::DecodeResult::Complete);
  EXPECT_FALSE(d.annComp);  // back in plain mode
}

TEST(SimMeterMisbehaviour, SplitFramesArriveInPartsAndJoinUp) {
  SimMeter m(fixedOptions());
  m.setReading(7.5, 1);
  m.splitFrames(true);
  m.receive("M", 0.0);
  std::string all;
  int shortReads = 0;
  for (int step = 1; step <= 300; ++step) {
    std::string got = m.output(step * 0.01);
    if (!got.empty() && got.size() < 14) ++shortReads;
    all += got;
  }
  auto frames = framesIn(all);
  EXPECT_LT(all.size() - frames.size() * 14, 14u);  // at most the last frame still coming
  EXPECT_GE(frames.size(), 25u);
  EXPECT_GE(shortReads, 2 * static_cast<int>(frames.size()) - 1);
  lux::DisplayState d;
  lux::decodeFrame(d, frames.back());
  EXPECT_EQ(d.mainValueText, "7.5");
}

TEST(SimMeterMisbehaviour, MisframedFramesThenGoodOnes) {
  SimMeter m(fixedOptions());
  m.misframeNext(3);
  m.receive("M", 0.0);
  std::vector<std::string> raw;
  for (int step = 1; step <= 60; ++step) {
    std::string got = m.output(step * 0.01);
    if (!got.empty()) raw.push_back(got);
  }
  ASSERT_GE(raw.size(), 5u);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(raw[i].size(), 14u);
    EXPECT_FALSE(raw[i][0] == '\x02' && raw[i][13] == '\x03') << i;
    EXPECT_FALSE(m.displayLog()[i].intact);
  }
  EXPECT_TRUE(raw[3][0] == '\x02' && raw[3][13] == '\x03');
  EXPECT_TRUE(m.displayLog()[3].intact);
}

TEST(SimMeterMisbehaviour, GarbageGoesOutInLineOrder) {
  SimMeter m(fixedOptions());
  m.receive("A", 0.0);
  m.injectGarbage("xyz");
  m.receive("Z", 0.0);
  std::string out = m.output(0.0);
  ASSERT_EQ(out.size(), 6u + 3 + 9);
  EXPECT_EQ(out.substr(6, 3), "xyz");
  m.injectRandomGarbage(50);
  EXPECT_EQ(m.output(0.1).size(), 50u);
}

TEST(SimMeterPacing, BytesLeaveAtTheLineRate) {
  SimMeter m(fixedOptions());
  m.fillLoggerMemory();
  m.setPaced(true);
  m.receive("Q", 100.0);
  std::size_t total = 131071 - 1279 + 16;
  EXPECT_TRUE(m.output(100.0).empty());
  std::size_t after1 = m.output(101.0).size();
  EXPECT_GE(after1, 1919u);
  EXPECT_LE(after1, 1921u);
  std::size_t rest = m.output(100.0 + total / 1920.0 - 0.01).size();
  EXPECT_EQ(after1 + rest, total - 20);  // the last 0.01 s holds about 19 bytes
  EXPECT_GE(m.output(100.0 + total / 1920.0 + 0.01).size(), 19u);
  EXPECT_EQ(m.pendingBytes(1000.0), 0u);

  // A display frame takes 14 / 1920 s, about 7.3 ms, on the line.
  SimMeter f(fixedOptions());
  f.setPaced(true);
  f.receive("M", 0.0);
  EXPECT_EQ(f.output(0.0305).size(), 0u);
  EXPECT_EQ(f.output(0.0340).size(), 7u);
  EXPECT_EQ(f.output(0.0380).size(), 7u);
}

// Whatever the program (or line noise) writes, whenever, the meter stays within its memory and
// its answers stay well formed.
TEST(SimMeterRobustness, RandomBytesAtRandomTimesNeverBreakTheMeter) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    SimMeter::Options o;
    o.seed = seed;
    o.randomOverloads = true;
    SimMeter m(o);
    if (seed % 2) m.preloadLoggerSets(3, 50);
    if (seed % 3 == 0) m.splitFrames(true);
    if (seed % 4 == 0) m.setPaced(true);
    double t = 0;
    std::size_t out = 0;
    for (int step = 0; step < 2000; ++step) {
      t += std::uniform_real_distribution<double>(0.0, step % 100 == 0 ? 50.0 : 0.3)(rng);
      std::string in;
      int n = std::uniform_int_distribution<int>(0, 6)(rng);
      for (int i = 0; i < n; ++i) {
        // Mostly the meter's own letters, now and then any byte at all.
        static const char letters[] = "AMHZYQEISTWVXFCPDGLKNJBO";
        in.push_back(rng() % 4 ? letters[rng() % (sizeof letters - 1)]
                               : static_cast<char>(rng() & 0xFF));
      }
      m.receive(in, t);
      out += m.output(t).size();
      ASSERT_GE(m.loggerAddress(), 1279u);
      ASSERT_LE(m.loggerAddress(), 131071u);
      ASSERT_EQ(m.loggerContent().size(), m.loggerAddress() - 1279);
      ASSERT_EQ(m.memoryDump().size(), m.loggerAddress() - 1279 + 16);
    }
    EXPECT_GT(out, 0u) << seed;
    // Afterwards it still answers a plain handshake.
    t += 10;
    m.output(t + 100000);  // let a paced dump drain
    m.truncateDumpAfter(std::nullopt);
    m.receive("A", t + 100000);
    std::string a = m.output(t + 100001);
    ASSERT_GE(a.size(), 6u) << seed;
    std::string tail = a.substr(a.size() - 6);
    EXPECT_EQ(tail[0], '\x02');
    EXPECT_EQ(tail[1], '\xAA');
    EXPECT_EQ(tail[5], '\x03');
  }
}

TEST(SimMeterPacing, NextEventIsWhatTheServerWaitsFor) {
  SimMeter m(fixedOptions());
  EXPECT_TRUE(std::isinf(m.nextEventAt()));  // nothing asked, nothing to do
  m.receive("M", 1.0);
  EXPECT_DOUBLE_EQ(m.nextEventAt(), 1.03);  // the first frame
  m.output(1.05);
  EXPECT_GT(m.nextEventAt(), 1.12);
  EXPECT_LT(m.nextEventAt(), 1.14);
  m.setPaced(true);
  m.receive("Z", 1.06);
  EXPECT_NEAR(m.nextEventAt(), 1.06 + 1 / 1920.0, 1e-9);  // the answer's first byte
  m.output(1.06 + 3.5 / 1920.0);
  EXPECT_NEAR(m.nextEventAt(), 1.06 + 4 / 1920.0, 1e-9);
  m.output(40.0);
  m.receive("I", 41.0);  // its data bytes never come
  EXPECT_NEAR(m.nextEventAt(), 42.0, 1e-6);
}
