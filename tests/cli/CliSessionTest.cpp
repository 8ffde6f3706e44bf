// luxpanel-cli's exchanges and recording on the in-process simulated meter and a fake clock:
// the bounds on a silent meter, the sampling rules, and the set files of a download.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "cli/Common.h"
#include "cli/Download.h"
#include "cli/MeterCommands.h"
#include "cli/CliMeter.h"
#include "cli/Recorder.h"
#include "logger/MemoryDump.h"
#include "sim/SimMeter.h"
#include "support/SimSerialPort.h"
#include "support/FakeClock.h"

namespace {

using namespace lux;
using namespace lux::cli;

sim::SimMeter::Options steadyMeter() {
  sim::SimMeter::Options o;
  o.drift = false;
  o.clock = sim::MeterTime{9, 8, 5, 7};
  return o;
}

class CliSession : public ::testing::Test {
 protected:
  CliSession() : meter_(steadyMeter()), port_(meter_, [this] { return clock_.elapsed(); }) {}
  void SetUp() override {
    meter_.setReading(321.9, 1);
    QString reason;
    ASSERT_TRUE(session_.open(QStringLiteral("sim"), 0, &reason)) << qPrintable(reason);
  }

  test::FakeClock clock_;
  sim::SimMeter meter_;
  test::SimSerialPort port_;
  CliMeter session_{port_, clock_};
};

TEST_F(CliSession, EveryExchangeGivesUpOnASilentMeterAfterItsBound) {
  meter_.goSilent(1000);
  double before = clock_.waited();
  EXPECT_FALSE(session_.handshake());
  EXPECT_NEAR(clock_.waited() - before, kAnswerBound, 0.05);
  before = clock_.waited();
  EXPECT_FALSE(session_.readDisplay());
  EXPECT_NEAR(clock_.waited() - before, kAnswerBound, 0.05);
  before = clock_.waited();
  EXPECT_FALSE(session_.request(Command::ReadClock, kClockAnswerLength));
  EXPECT_NEAR(clock_.waited() - before, kAnswerBound, 0.05);
  before = clock_.waited();
  EXPECT_FALSE(readMeterClock(session_));
  EXPECT_FALSE(setMeterClock(session_, clock_.localDateTime()));
  EXPECT_EQ(eraseMemory(session_), EraseOutcome::NoAnswer);
  EXPECT_LT(clock_.waited() - before, 4 * kAnswerBound);
}

TEST_F(CliSession, ReadingSurvivesSplitMisframedAndNoisyFrames) {
  meter_.splitFrames(true);
  meter_.misframeNext(3);
  meter_.injectGarbage(std::string("\x02\x03\x02junk", 7));
  ASSERT_TRUE(session_.readDisplay());
  EXPECT_EQ(session_.display().mainValueText, "321.9");
  EXPECT_EQ(session_.display().unitText, "Lx");
  // A meter that wakes up within the bound is read.
  meter_.goSilent(2);
  meter_.setLux(false);
  ASSERT_TRUE(session_.readDisplay());
  EXPECT_EQ(session_.display().unitText, "Fc");
}

TEST_F(CliSession, ClockIsSetToThePcsTimeAndReadBack) {
  const QDateTime pc(QDate(2026, 3, 21), QTime(23, 59, 58));
  ASSERT_TRUE(setMeterClock(session_, pc));
  const sim::MeterTime t = meter_.clock(clock_.elapsed());
  EXPECT_EQ(t.day, 21);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_GE(t.second, 58);
  const auto shown = readMeterClock(session_);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->startsWith(QStringLiteral("21 23:59:5"))) << qPrintable(*shown);
}

TEST_F(CliSession, EraseEmptiesTheMemoryAndSaysSo) {
  meter_.preloadLoggerSets(2, 4);
  std::uint32_t address = 0;
  EXPECT_EQ(eraseMemory(session_, &address), EraseOutcome::Erased);
  EXPECT_EQ(address, kEmptyLoggerAddress);
  EXPECT_TRUE(meter_.loggerSets().empty());
}

// The recorder with its two timers played by the fake clock: a sampling tick at every whole
// second of fake time, a poll every 250 ms.
class CliRecording : public CliSession {
 protected:
  void SetUp() override {
    CliSession::SetUp();
    ASSERT_TRUE(dir_.isValid());
  }
  std::unique_ptr<Recorder> recorder(RecordFormat format, long count = 0, double forSeconds = 0) {
    RecordSettings s;
    s.path = dir_.filePath(format == RecordFormat::Tsv ? "r.tsv" : "r.csv");
    s.format = format;
    s.count = count;
    s.forSeconds = forSeconds;
    auto r = std::make_unique<Recorder>(session_, s, [this] { return clock_.localDateTime(); });
    return r;
  }
  // Runs until the recorder finishes or `seconds` of fake time pass; `at(second)` runs once at
  // each whole second, before its sampling tick.
  void drive(Recorder& r, double seconds, const std::function<void(int)>& at = {}) {
    const double end = clock_.elapsed() + seconds;
    double nextTick = clock_.elapsed();
    int second = 0;
    clock_.onIdle = [&] {
      while (!r.finished() && clock_.elapsed() >= nextTick) {
        if (at) at(second);
        ++second;
        nextTick += 1.0;
        r.samplingTick();
      }
    };
    while (!r.finished() && clock_.elapsed() < end) {
      clock_.idle(0.25);
      r.pollOnce();
    }
    clock_.onIdle = nullptr;
  }
  QList<QByteArray> lines(const Recorder&, RecordFormat format) {
    QFile f(dir_.filePath(format == RecordFormat::Tsv ? "r.tsv" : "r.csv"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> l = f.readAll().split('\n');
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
  }
  QTemporaryDir dir_;
};

TEST_F(CliRecording, ALongSilenceWritesNothingUntilTheMeterIsBack) {
  auto r = recorder(RecordFormat::Tsv, 0, 40);
  ASSERT_EQ(r->begin(), -1);
  // Silent from second 5 for 20 s: long enough for the link to give the meter up and reconnect.
  drive(*r, 60, [&](int second) {
    if (second == 5) meter_.goSilent(20);
    if (second == 6) meter_.setReading(777.0, 1);
  });
  ASSERT_TRUE(r->finished());
  const auto l = lines(*r, RecordFormat::Tsv);
  ASSERT_GE(l.size(), 2);
  int newReadings = 0;
  long number = 0;
  for (qsizetype i = 1; i < l.size(); ++i) {
    const QList<QByteArray> f = l[i].chopped(1).split('\t');
    ASSERT_EQ(f.size(), 3) << l[i].constData();
    EXPECT_EQ(f[0].toLong(), ++number);
    if (f[2] == "777.0") ++newReadings;
  }
  // 40 sampling moments, about 20 of them in the silence (and a few while the stream restarts).
  EXPECT_EQ(r->written() + r->missed(), 40);
  EXPECT_GE(r->missed(), 19);
  EXPECT_LE(r->missed(), 26);
  EXPECT_EQ(r->written(), l.size() - 1);
  EXPECT_GT(newReadings, 0) << "the meter's new reading is recorded once it is back";
}

TEST_F(CliRecording, TsvEndsInAStopMode) {
  auto r = recorder(RecordFormat::Tsv, 0, 10);
  ASSERT_EQ(r->begin(), -1);
  drive(*r, 20, [&](int second) {
    if (second == 3) meter_.setAnnunciator(sim::Annunciator::Rel, true);
  });
  ASSERT_TRUE(r->finished());
  EXPECT_TRUE(r->endReason().contains("REL")) << qPrintable(r->endReason());
  EXPECT_GE(r->written(), 2);
  EXPECT_LE(r->written(), 4);
  const auto l = lines(*r, RecordFormat::Tsv);
  EXPECT_EQ(l.size(), r->written() + 1);
}

TEST_F(CliRecording, CsvCarriesOnAcrossModesAndUnits) {
  auto r = recorder(RecordFormat::Csv, 0, 10);
  ASSERT_EQ(r->begin(), -1);
  drive(*r, 20, [&](int second) {
    if (second == 3) meter_.setAnnunciator(sim::Annunciator::Rel, true);
    if (second == 5) meter_.setLux(false);
  });
  ASSERT_TRUE(r->finished());
  EXPECT_TRUE(r->endReason().contains("10 s")) << qPrintable(r->endReason());
  EXPECT_EQ(r->written(), 10);
  const auto l = lines(*r, RecordFormat::Csv);
  ASSERT_EQ(l.size(), 11);
  EXPECT_TRUE(l[1].contains(",Lx,AUTO")) << l[1].constData();
  EXPECT_TRUE(l.last().contains(",Fc,REL")) << l.last().constData();
}

TEST_F(CliRecording, ForEndsATsvRecordingAfterItsDuration) {
  auto r = recorder(RecordFormat::Tsv, 0, 12);
  ASSERT_EQ(r->begin(), -1);
  drive(*r, 30);
  ASSERT_TRUE(r->finished());
  EXPECT_EQ(r->written(), 12) << qPrintable(r->endReason());
  EXPECT_EQ(r->missed(), 0);
  const auto l = lines(*r, RecordFormat::Tsv);
  ASSERT_EQ(l.size(), 13);
  EXPECT_EQ(l[0], "Lx\tTime\tValue\r");
  EXPECT_TRUE(l.last().startsWith("12\t09-08:05:")) << l.last().constData();
}

TEST_F(CliRecording, CountEndsACsvRecordingEveryThirdSecond) {
  RecordSettings s;
  s.path = dir_.filePath("r.csv");
  s.format = RecordFormat::Csv;
  s.everySeconds = 3;
  s.count = 4;
  Recorder r(session_, s, [this] { return clock_.localDateTime(); });
  ASSERT_EQ(r.begin(), -1);
  drive(r, 60);
  ASSERT_TRUE(r.finished());
  EXPECT_EQ(r.written(), 4);
  const auto l = lines(r, RecordFormat::Csv);
  ASSERT_EQ(l.size(), 5);
  // Moments at 0, 3, 6 and 9 s after the start.
  const QDateTime first =
      QDateTime::fromString(QString::fromLatin1(l[1].split(',')[1]), Qt::ISODateWithMs);
  const QDateTime last =
      QDateTime::fromString(QString::fromLatin1(l[4].split(',')[1]), Qt::ISODateWithMs);
  ASSERT_TRUE(first.isValid() && last.isValid());
  EXPECT_NEAR(first.msecsTo(last), 9000, 300);
}

TEST_F(CliRecording, AFileThatExistsOrIsNoFileIsNotTouched) {
  const QString path = dir_.filePath("r.tsv");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep");
  }
  auto r = recorder(RecordFormat::Tsv);
  EXPECT_EQ(r->begin(), kExitUsage);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "keep");

  RecordSettings s;
  s.path = dir_.path();  // a folder
  s.force = true;
  Recorder intoFolder(session_, s);
  EXPECT_EQ(intoFolder.begin(), kExitFailure);
}

std::string setBytes(std::uint8_t day, std::uint8_t hour,
                     const std::vector<std::array<std::uint8_t, 3>>& records) {
  std::string s("\x00\x55\xAA\x00", 4);
  s += static_cast<char>(day);
  s += static_cast<char>(hour);
  s += '\x30';
  s += '\x00';
  s += '\x00';  // interval: 0 minutes
  s += '\x02';  // 2 seconds
  for (const auto& r : records) s.append(reinterpret_cast<const char*>(r.data()), 3);
  return s;
}

TEST_F(CliSession, SetFilesStartAfreshAndDamageIsReported) {
  // Set 2's first record carries no range bit: it must not show set 1's last value.
  const std::string content = setBytes(0x15, 0x14, {{0x01, 0x00, 0x10}, {0x02, 0x00, 0x10}}) +
                              setBytes(0x15, 0x15, {{0x05, 0x00, 0x00}, {0x01, 0x00, 0x08}});
  meter_.setRawLoggerContent(content);
  const MemoryDownload dump = downloadMemory(session_, {});
  ASSERT_EQ(dump.outcome, DumpOutcome::Complete) << qPrintable(dump.why);
  EXPECT_TRUE(dump.damage.isEmpty());
  const QDate today = clock_.localDateTime().date();
  const auto tsv = setFilesOf(dump.sets, SetFileFormat::Tsv, false, today);
  ASSERT_EQ(tsv.size(), 2u);
  EXPECT_EQ(tsv[0].name, "set-01_15-14-30-00.tsv");
  EXPECT_EQ(tsv[0].content,
            "Lx\tTime\tValue\t\r\n1\t15-14:30:00\t256\t\r\n2\t15-14:30:02\t512\t\r\n");
  EXPECT_EQ(tsv[1].content,
            "Lx\tTime\tValue\t\r\n1\t15-15:30:00\t\t\r\n2\t15-15:30:02\t25.6\t\r\n");

  const auto fc = setFilesOf(dump.sets, SetFileFormat::Tsv, true, today);
  EXPECT_EQ(fc[0].content,
            "Fc\tTime\tValue\t\r\n1\t15-14:30:00\t23.8\t\r\n2\t15-14:30:02\t47.6\t\r\n");

  const auto csv = setFilesOf(dump.sets, SetFileFormat::Csv, false, today);
  EXPECT_EQ(csv[0].name, "set-01_15-14-30-00.csv");
  EXPECT_EQ(
      csv[0].content,
      "number,time,Lx,Fc\r\n1,2026-03-15T14:30:00,256,23.8\r\n2,2026-03-15T14:30:02,512,47.6\r\n");

  // Two bytes lost in set 1: its end is off the record grid.
  std::string damaged = content;
  damaged.erase(12, 2);
  meter_.setRawLoggerContent(damaged);
  const MemoryDownload hurt = downloadMemory(session_, {});
  ASSERT_EQ(hurt.outcome, DumpOutcome::Complete) << qPrintable(hurt.why);
  EXPECT_FALSE(hurt.damage.isEmpty());
  const auto files = setFilesOf(hurt.sets, SetFileFormat::Tsv, false, today);
  ASSERT_FALSE(files.empty());
  EXPECT_TRUE(files[0].damaged);
}

TEST_F(CliSession, ADownloadIsGivenUpWhenTheMeterFallsSilent) {
  meter_.preloadLoggerSets(2, 3);
  meter_.truncateDumpAfter(40);
  MemoryDownload dump = downloadMemory(session_, {});
  EXPECT_EQ(dump.outcome, DumpOutcome::Incomplete);
  EXPECT_TRUE(dump.why.contains("40 of")) << qPrintable(dump.why);
  EXPECT_TRUE(dump.sets.empty());
  // The meter's logger recording makes it ignore "Q": refused before anything is asked.
  meter_.truncateDumpAfter(std::nullopt);
  meter_.setAnnunciator(sim::Annunciator::Intv, true);
  dump = downloadMemory(session_, {});
  EXPECT_EQ(dump.outcome, DumpOutcome::Refused);
  EXPECT_TRUE(dump.why.contains("INTV"));
}

}  // namespace
