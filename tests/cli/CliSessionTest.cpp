// luxpanel-cli's exchanges and recording on the in-process simulated meter and a fake clock:
// the bounds on a silent meter, the sampling rules, and the set files of a download.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>

#include "cli/CliMeter.h"
#include "cli/Common.h"
#include "cli/Download.h"
#include "cli/MeterCommands.h"
#include "cli/Recorder.h"
#include "logger/MemoryDump.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/SimSerialPort.h"

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

// csv writes a row only for a fresh frame: no moment of the silence gets the last reading again.
TEST_F(CliRecording, ACsvRecordingInventsNoReadingInASilence) {
  auto r = recorder(RecordFormat::Csv, 0, 40);
  ASSERT_EQ(r->begin(), -1);
  drive(*r, 60, [&](int second) {
    if (second == 5) meter_.goSilent(20);
  });
  ASSERT_TRUE(r->finished());
  const auto l = lines(*r, RecordFormat::Csv);
  EXPECT_EQ(r->written() + r->missed(), 40);
  EXPECT_GE(r->missed(), 19);
  EXPECT_LE(r->missed(), 26);
  ASSERT_EQ(l.size(), r->written() + 1);
  // The stamps jump over the silence: no two rows 1 s apart span it.
  int longestGap = 0;
  for (qsizetype i = 2; i < l.size(); ++i) {
    const QDateTime a =
        QDateTime::fromString(QString::fromLatin1(l[i - 1].split(',')[1]), Qt::ISODateWithMs);
    const QDateTime b =
        QDateTime::fromString(QString::fromLatin1(l[i].split(',')[1]), Qt::ISODateWithMs);
    ASSERT_TRUE(a.isValid() && b.isValid()) << l[i].constData();
    longestGap = std::max(longestGap, static_cast<int>(a.secsTo(b)));
  }
  EXPECT_GE(longestGap, 20);
}

// A file emptied and overwritten in place (printf 'OTHER\n' > FILE) ends the recording as a
// failure that says what happened; the other program's content stays as it wrote it.
TEST_F(CliRecording, AFileOverwrittenInPlaceEndsTheRecordingAsAFailure) {
  auto r = recorder(RecordFormat::Tsv, 0, 20);
  ASSERT_EQ(r->begin(), -1);
  const QString path = dir_.filePath("r.tsv");
  drive(*r, 30, [&](int second) {
    if (second != 6) return;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("OTHER\n");
  });
  ASSERT_TRUE(r->finished());
  EXPECT_EQ(r->exitCode(), 1);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "OTHER\n");
  const QString summary = r->summary();
  EXPECT_TRUE(summary.startsWith("Recording failed after 6 record(s) into " + path))
      << qPrintable(summary);
  EXPECT_TRUE(summary.contains("another program overwrote the file or cut it short"))
      << qPrintable(summary);
  EXPECT_TRUE(summary.contains("The 6 record(s) written before were lost")) << qPrintable(summary);
}

TEST_F(CliRecording, ACsvFileRenamedMidRunSaysWhereItsRecordsAre) {
  auto r = recorder(RecordFormat::Csv, 0, 20);
  ASSERT_EQ(r->begin(), -1);
  const QString moved = dir_.filePath("moved.csv");
  drive(*r, 30, [&](int second) {
    if (second == 3) {
      ASSERT_TRUE(QFile::rename(dir_.filePath("r.csv"), moved));
    }
  });
  ASSERT_TRUE(r->finished());
  EXPECT_EQ(r->exitCode(), 1);
  EXPECT_EQ(r->written(), 3);
  EXPECT_TRUE(r->endReason().contains("the file was renamed or moved to " + moved))
      << qPrintable(r->endReason());
  // The recording engine's own words, the same for every format.
  EXPECT_TRUE(r->endReason().contains("the 3 record(s) written before are kept in " + moved,
                                      Qt::CaseInsensitive))
      << qPrintable(r->endReason());
  EXPECT_FALSE(r->endReason().contains("removed")) << qPrintable(r->endReason());
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

TEST_F(CliRecording, TheSummarySpansTheRecordsNotTheWaitForTheFirst) {
  auto r = recorder(RecordFormat::Tsv, 3);
  ASSERT_EQ(r->begin(), -1);
  clock_.idle(1.5);  // the first sampling moment comes a while after the start
  drive(*r, 10);
  ASSERT_TRUE(r->finished());
  ASSERT_EQ(r->written(), 3);
  const auto l = lines(*r, RecordFormat::Tsv);
  ASSERT_EQ(l.size(), 4);
  const QString first = QString::fromLatin1(l[1].split('\t')[1]).mid(3);  // "09-08:05:07"
  const QString last = QString::fromLatin1(l[3].split('\t')[1]).mid(3);
  const QRegularExpressionMatch m =
      QRegularExpression(
          QStringLiteral(", \\d{4}-\\d\\d-\\d\\d (\\S+) to \\d{4}-\\d\\d-\\d\\d (\\S+);"))
          .match(r->summary());
  ASSERT_TRUE(m.hasMatch()) << qPrintable(r->summary());
  EXPECT_EQ(m.captured(1).toStdString(), first.toStdString()) << qPrintable(r->summary());
  EXPECT_EQ(m.captured(2).toStdString(), last.toStdString()) << qPrintable(r->summary());
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

TEST_F(CliRecording, ATimeoutIsMovedOnByEveryReading) {
  RecordSettings s;
  s.path = dir_.filePath("r.csv");
  s.format = RecordFormat::Csv;
  s.count = 6;
  s.timeoutSeconds = 2;
  Recorder r(session_, s, [this] { return clock_.localDateTime(); });
  ASSERT_EQ(r.begin(), -1);
  drive(r, 30);
  ASSERT_TRUE(r.finished());
  EXPECT_EQ(r.exitCode(), 0) << qPrintable(r.endReason());
  EXPECT_EQ(r.written(), 6) << "six seconds of readings outlast a two-second timeout";
}

TEST_F(CliRecording, AMeterSilentForTheTimeoutEndsTheRecordingWithAFailure) {
  RecordSettings s;
  s.path = dir_.filePath("r.jsonl");
  s.format = RecordFormat::JsonLines;
  s.count = 100;
  s.timeoutSeconds = 2;
  Recorder r(session_, s, [this] { return clock_.localDateTime(); });
  ASSERT_EQ(r.begin(), -1);
  const double start = clock_.elapsed();
  double silentFrom = 0;
  drive(r, 60, [&](int second) {
    if (second == 3) {
      meter_.goSilent(100);
      silentFrom = clock_.elapsed();
    }
  });
  ASSERT_TRUE(r.finished());
  EXPECT_EQ(r.exitCode(), kExitFailure);
  EXPECT_TRUE(r.endReason().contains("no reading from the meter for 2 s"))
      << qPrintable(r.endReason());
  EXPECT_GT(silentFrom, start);
  EXPECT_LT(clock_.elapsed() - silentFrom, 3.0) << "ended about two seconds into the silence";
  EXPECT_GE(r.written(), 3);
  QFile f(s.path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  EXPECT_EQ(lines.size(), r.written() + 1) << "every record a whole line";
  EXPECT_TRUE(lines[0].startsWith("{\"sequence\":1,\"time\":\"2026-03-09T08:05:"))
      << lines[0].constData();
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

  // Downloaded on 9 March: the 15th was last in February.
  const auto csv = setFilesOf(dump.sets, SetFileFormat::Csv, false, today);
  EXPECT_EQ(csv[0].name, "set-01_15-14-30-00.csv");
  EXPECT_EQ(csv[0].content,
            "number,time,Lx,Fc,date\r\n1,2026-02-15T14:30:00,256,23.8,inferred\r\n"
            "2,2026-02-15T14:30:02,512,47.6,inferred\r\n");
  EXPECT_TRUE(csv[0].dated);

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

// ---- The files luxpanel-cli refuses before it writes, and the files it takes back ----

QByteArray contentOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// A socket in the test's own folder stands for a device: a mistake that writes over it (as
// root, a rename over /dev/null would replace the system's) harms nothing outside the test.
bool makeSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = QFile::encodeName(path);
  if (native.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return ::close(fd), false;
  std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Every kind of path that is no new file of ours: what the claim answers, with and without
// --force.
TEST(OutputFileClaim, EachKindOfPathThatIsNoFileOfOursIsRefused) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString existing = dir.filePath("kept.tsv");
  writeFile(existing, "keep\r\n");
  const QString fifo = dir.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folderLink = dir.filePath("folder-link");
  ASSERT_TRUE(QFile::link(dir.path(), folderLink));
  const QString fileLink = dir.filePath("file-link");
  ASSERT_TRUE(QFile::link(existing, fileLink));

  struct Case {
    const char* what;
    QString path;
    Claim plain, forced;
  };
  const Case cases[] = {
      {"existing file", existing, Claim::Exists, Claim::Ok},
      {"link to a file", fileLink, Claim::Exists, Claim::Ok},
      {"folder", dir.path(), Claim::NotAFile, Claim::NotAFile},
      {"link to a folder", folderLink, Claim::NotAFile, Claim::NotAFile},
      {"named pipe", fifo, Claim::NotAFile, Claim::NotAFile},
      {"device", QStringLiteral("/dev/null"), Claim::NotAFile, Claim::NotAFile},
      {"missing folder", dir.filePath("no/such/folder/r.tsv"), Claim::Failed, Claim::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QString reason;
    CreatedFile created;
    EXPECT_EQ(claimOutputFile(c.path, false, &reason, &created), c.plain);
    EXPECT_FALSE(created.created);
    EXPECT_EQ(claimOutputFile(c.path, true, &reason, &created), c.forced);
    EXPECT_FALSE(created.created) << "nothing was created over what is there";
  }
  // A claim never touches what is there: the truncation comes with the first line written.
  EXPECT_EQ(contentOf(existing), "keep\r\n");
  QFileInfo pipe(fifo);
  EXPECT_FALSE(pipe.isFile());
  EXPECT_TRUE(pipe.exists());

  QString reason;
  EXPECT_EQ(claimOutputFile(dir.filePath("no/such/folder/r.tsv"), false, &reason), Claim::Failed);
  EXPECT_FALSE(reason.isEmpty());
  CreatedFile created;
  const QString fresh = dir.filePath("new.tsv");
  EXPECT_EQ(claimOutputFile(fresh, false, &reason, &created), Claim::Ok);
  EXPECT_TRUE(created.created);
  EXPECT_TRUE(QFileInfo(fresh).isFile());
}

TEST(OutputFileClaim, OnlyAnUnusedFileOfOursIsTakenBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray header("Lx\tTime\tValue\r\n");
  const QString path = dir.filePath("r.tsv");
  QString reason;
  CreatedFile created;

  // Empty, and with the header only: taken back.
  ASSERT_EQ(claimOutputFile(path, false, &reason, &created), Claim::Ok);
  EXPECT_TRUE(removeUnusedFile(path, created, header));
  EXPECT_FALSE(QFileInfo::exists(path));
  ASSERT_EQ(claimOutputFile(path, false, &reason, &created), Claim::Ok);
  writeFile(path, header);
  EXPECT_TRUE(removeUnusedFile(path, created, header));
  EXPECT_FALSE(QFileInfo::exists(path));

  // A record after the header: kept.
  ASSERT_EQ(claimOutputFile(path, false, &reason, &created), Claim::Ok);
  writeFile(path, header + "1\t09-08:05:07\t321.9\r\n");
  EXPECT_FALSE(removeUnusedFile(path, created, header));
  EXPECT_TRUE(QFileInfo::exists(path));
  ASSERT_TRUE(QFile::remove(path));

  // Something else than our header, even shorter: kept.
  ASSERT_EQ(claimOutputFile(path, false, &reason, &created), Claim::Ok);
  writeFile(path, "Fc\t");
  EXPECT_FALSE(removeUnusedFile(path, created, header));
  EXPECT_EQ(contentOf(path), "Fc\t");
  ASSERT_TRUE(QFile::remove(path));

  // Replaced under us by another (empty) file: not ours.
  ASSERT_EQ(claimOutputFile(path, false, &reason, &created), Claim::Ok);
  const QString other = dir.filePath("other");
  writeFile(other, {});
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QFile::rename(other, path));
  EXPECT_FALSE(removeUnusedFile(path, created, header));
  EXPECT_TRUE(QFileInfo::exists(path));

  // A file that was there before the claim (--force): never taken back.
  ASSERT_EQ(claimOutputFile(path, true, &reason, &created), Claim::Ok);
  EXPECT_FALSE(removeUnusedFile(path, created, header));
  EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(CliRecording, ARecordingRefusesEveryPathThatIsNoNewFileBeforeWriting) {
  const QString fifo = dir_.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString socket = dir_.filePath("socket");
  ASSERT_TRUE(makeSocket(socket));
  const QString existing = dir_.filePath("kept.csv");
  writeFile(existing, "keep\r\n");
  struct Case {
    const char* what;
    QString path;
    bool force;
    int code;
  };
  const Case cases[] = {
      {"named pipe", fifo, true, kExitFailure},
      {"socket", socket, true, kExitFailure},
      {"folder", dir_.path(), true, kExitFailure},
      {"existing file", existing, false, kExitUsage},
      {"missing folder", dir_.filePath("no/such/r.csv"), false, kExitFailure},
  };
  for (const Case& c : cases) {
    for (RecordFormat format : {RecordFormat::Tsv, RecordFormat::Csv}) {
      SCOPED_TRACE(c.what);
      RecordSettings s;
      s.path = c.path;
      s.force = c.force;
      s.format = format;
      Recorder r(session_, s, [this] { return clock_.localDateTime(); });
      const double before = clock_.waited();
      EXPECT_EQ(r.begin(), c.code);
      EXPECT_LT(clock_.waited() - before, 0.01) << "refused before the meter is asked";
    }
  }
  EXPECT_EQ(contentOf(existing), "keep\r\n");
  EXPECT_FALSE(QFileInfo(fifo).isFile());
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size(),
            3)
      << "nothing was created beside the pipe, the socket and the kept file";
  EXPECT_FALSE(QFileInfo(socket).isFile());
}

TEST_F(CliRecording, AStartThatFailsLeavesNoFileBehind) {
  for (RecordFormat format : {RecordFormat::Tsv, RecordFormat::Csv}) {
    SCOPED_TRACE(format == RecordFormat::Tsv ? "tsv" : "csv");
    const QString path = dir_.filePath(format == RecordFormat::Tsv ? "r.tsv" : "r.csv");
    // A silent meter: told, and no empty file for the next run to need --force for.
    ASSERT_TRUE(session_.readDisplay());  // the meter's own time is now
    meter_.goSilent(5);
    auto r = recorder(format);
    EXPECT_EQ(r->begin(), kExitFailure);
    EXPECT_FALSE(QFileInfo::exists(path));
    clock_.idle(6);
  }
  // REL at the start of a tsv recording.
  meter_.setAnnunciator(sim::Annunciator::Rel, true);
  auto r = recorder(RecordFormat::Tsv);
  EXPECT_EQ(r->begin(), kExitFailure);
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath("r.tsv")));
  meter_.setAnnunciator(sim::Annunciator::Rel, false);

  // A file the user let us overwrite (--force) is the user's: it stays, even unused. (Every
  // recording that wrote records keeps its file: the other tests read them.)
  const QString path = dir_.filePath("r.tsv");
  writeFile(path, "old\r\n");
  RecordSettings s;
  s.path = path;
  s.force = true;
  Recorder forced(session_, s, [this] { return clock_.localDateTime(); });
  ASSERT_EQ(forced.begin(), -1);
  forced.finish(QStringLiteral("interrupted (Ctrl+C)"));
  EXPECT_TRUE(QFileInfo::exists(path));
}

// Started, then stopped before the first sampling moment (Ctrl+C); a stop ends the session.
TEST_F(CliRecording, AStopBeforeTheFirstRecordLeavesNoTsvFile) {
  auto r = recorder(RecordFormat::Tsv);
  ASSERT_EQ(r->begin(), -1);
  EXPECT_TRUE(QFileInfo::exists(dir_.filePath("r.tsv")));
  r->finish(QStringLiteral("interrupted (Ctrl+C)"));
  EXPECT_EQ(r->written(), 0);
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath("r.tsv")));
}

TEST_F(CliRecording, AStopBeforeTheFirstRecordLeavesNoCsvFile) {
  auto r = recorder(RecordFormat::Csv);
  ASSERT_EQ(r->begin(), -1);
  EXPECT_TRUE(QFileInfo::exists(dir_.filePath("r.csv")));
  r->finish(QStringLiteral("interrupted (Ctrl+C)"));
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath("r.csv")));
}

TEST_F(CliRecording, SetUpAtTheStartIsSaidAndCsvBeginsWithTheFirstReadingAfterIt) {
  meter_.setAnnunciator(sim::Annunciator::SetUp, true);
  EXPECT_FALSE(session_.readDisplay());
  EXPECT_EQ(session_.bannerInstead(), "SET UP") << "frames came: the meter is not silent";

  // tsv cannot start in set-up mode; it says so and leaves no file.
  auto tsv = recorder(RecordFormat::Tsv);
  EXPECT_EQ(tsv->begin(), kExitFailure);
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath("r.tsv")));

  RecordSettings settings;
  settings.path = dir_.filePath("r.csv");
  settings.format = RecordFormat::Csv;
  settings.everySeconds = 3;
  settings.count = 3;
  auto r =
      std::make_unique<Recorder>(session_, settings, [this] { return clock_.localDateTime(); });
  ASSERT_EQ(r->begin(), -1);
  const QDateTime start = clock_.localDateTime();
  drive(*r, 30, [&](int second) {
    if (second == 4) {
      meter_.setAnnunciator(sim::Annunciator::SetUp, false);
      meter_.setReading(512.5, 1);
    }
  });
  ASSERT_TRUE(r->finished());
  EXPECT_EQ(r->written(), 3);
  EXPECT_EQ(r->missed(), 0) << "the banner before the first reading is no outage";
  const auto l = lines(*r, RecordFormat::Csv);
  ASSERT_EQ(l.size(), 4);
  EXPECT_TRUE(l[1].contains(",512.5,Lx,")) << l[1].constData();
  EXPECT_FALSE(l[1].contains("SET-UP")) << l[1].constData();
  // The first record comes with the first reading, 4 to 5 s after the start, not at the next
  // moment of the 3 s period (6 s); the period runs from there.
  const QDateTime first =
      QDateTime::fromString(QString::fromLatin1(l[1].split(',')[1]), Qt::ISODateWithMs);
  const QDateTime second =
      QDateTime::fromString(QString::fromLatin1(l[2].split(',')[1]), Qt::ISODateWithMs);
  ASSERT_TRUE(first.isValid() && second.isValid());
  EXPECT_GE(start.msecsTo(first), 4000);
  EXPECT_LE(start.msecsTo(first), 5500);
  EXPECT_NEAR(first.msecsTo(second), 3000, 300);
}

// ---- Dating a downloaded set ----

TEST(SetStartDate, TheLatestDateThatIsNotAfterTheDownload) {
  const QString at1430 = QStringLiteral("-14:30:00");
  auto date = [&](const char* day, const QDate& downloaded, std::int64_t span = 0) {
    return setStartDate(QString::fromLatin1(day) + at1430, span, downloaded);
  };
  // The 15th, downloaded on 2 April: March, not 13 days ahead.
  EXPECT_EQ(date("15", QDate(2026, 4, 2)), QDate(2026, 3, 15));
  // The same day and the day before: this month.
  EXPECT_EQ(date("02", QDate(2026, 4, 2)), QDate(2026, 4, 2));
  EXPECT_EQ(date("01", QDate(2026, 4, 2)), QDate(2026, 4, 1));
  // Across the year.
  EXPECT_EQ(date("20", QDate(2026, 1, 5)), QDate(2025, 12, 20));
  // The 31st on 1 March: February has none, January has.
  EXPECT_EQ(date("31", QDate(2026, 3, 1)), QDate(2026, 1, 31));
  // The 29th at the end of a common February: January.
  EXPECT_EQ(setStartDate(QStringLiteral("29-00:00:00"), 0, QDate(2026, 2, 28)), QDate(2026, 1, 29));
  // A set of three days that started on the 1st cannot have started this month on the 2nd.
  EXPECT_EQ(date("01", QDate(2026, 4, 2), 3 * 86400), QDate(2026, 3, 1));
  // Running past midnight into the download's day is fine; past it is not.
  EXPECT_EQ(date("01", QDate(2026, 4, 2), 10 * 3600), QDate(2026, 4, 1));
  EXPECT_EQ(date("01", QDate(2026, 4, 1), 10 * 3600), QDate(2026, 3, 1));
  // No date to infer: day 00, an impossible time.
  EXPECT_FALSE(date("00", QDate(2026, 4, 2)).isValid());
  EXPECT_FALSE(setStartDate(QStringLiteral("15-25:61:00"), 0, QDate(2026, 4, 2)).isValid());
  EXPECT_FALSE(setStartDate(QStringLiteral("3A-14:30:00"), 0, QDate(2026, 4, 2)).isValid());
}

TEST_F(CliSession, CsvSetFilesAreNeverDatedAfterTheDownloadAndSayHowTheyWereDated) {
  // Set 1 on the 15th, set 2 on the 2nd, set 3 without a day (00).
  const std::string content = setBytes(0x15, 0x14, {{0x01, 0x00, 0x10}, {0x02, 0x00, 0x10}}) +
                              setBytes(0x02, 0x08, {{0x01, 0x00, 0x10}, {0x01, 0x00, 0x10}}) +
                              setBytes(0x00, 0x09, {{0x03, 0x00, 0x10}, {0x03, 0x00, 0x10}});
  meter_.setRawLoggerContent(content);
  const MemoryDownload dump = downloadMemory(session_, {});
  ASSERT_EQ(dump.outcome, DumpOutcome::Complete) << qPrintable(dump.why);
  const auto csv = setFilesOf(dump.sets, SetFileFormat::Csv, false, QDate(2026, 4, 2));
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[0].content,
            "number,time,Lx,Fc,date\r\n1,2026-03-15T14:30:00,256,23.8,inferred\r\n"
            "2,2026-03-15T14:30:02,512,47.6,inferred\r\n");
  EXPECT_EQ(csv[1].content,
            "number,time,Lx,Fc,date\r\n1,2026-04-02T08:30:00,256,23.8,inferred\r\n"
            "2,2026-04-02T08:30:02,256,23.8,inferred\r\n");
  // Day 00: no day of any month. The meter's own labels, no made-up date.
  EXPECT_FALSE(csv[2].dated);
  EXPECT_EQ(csv[2].content,
            "number,time,Lx,Fc,date\r\n1,00-09:30:00,768,71.3,none\r\n"
            "2,00-09:30:02,768,71.3,none\r\n");
  EXPECT_EQ(csv[2].content.find("2026-04"), std::string::npos) << "day 00 is no month number";
}

// ---- What a download gives a script: exit status, the dump as it came ----

class CliDownload : public CliSession {
 protected:
  void SetUp() override {
    CliSession::SetUp();
    ASSERT_TRUE(dir_.isValid());
    options_.dir = dir_.filePath("sets");
    options_.quiet = true;
  }
  QStringList setFiles() const {
    return QDir(options_.dir).entryList({"set-*"}, QDir::Files, QDir::Name);
  }
  QTemporaryDir dir_;
  DownloadOptions options_;
};

TEST_F(CliDownload, DamagedSetsAreWrittenButTheExitStatusIsThree) {
  const std::string content = setBytes(0x15, 0x14, {{0x01, 0x00, 0x10}, {0x02, 0x00, 0x10}}) +
                              setBytes(0x15, 0x15, {{0x05, 0x00, 0x08}, {0x01, 0x00, 0x08}});
  meter_.setRawLoggerContent(content);
  EXPECT_EQ(downloadInto(session_, options_), 0);
  EXPECT_EQ(setFiles().size(), 2);

  std::string damaged = content;
  damaged.erase(12, 2);  // two bytes lost in set 1
  meter_.setRawLoggerContent(damaged);
  options_.force = true;
  options_.rawPath = dir_.filePath("memory.dump");
  EXPECT_EQ(downloadInto(session_, options_), 3) << "download && erase must not erase";
  EXPECT_FALSE(setFiles().isEmpty()) << "what could be read is written all the same";
  // The dump as it came: 15 lead bytes, the memory, one trailing byte.
  const QByteArray raw = contentOf(options_.rawPath);
  ASSERT_EQ(raw.size(), static_cast<qsizetype>(damaged.size()) + 16);
  EXPECT_EQ(raw.mid(15, static_cast<qsizetype>(damaged.size())),
            QByteArray::fromStdString(damaged));
}

TEST_F(CliDownload, TheRawDumpIsKeptWhenItStopsShortAndRefusedLikeEveryOtherFile) {
  meter_.preloadLoggerSets(2, 30);
  meter_.truncateDumpAfter(40);
  options_.rawPath = dir_.filePath("memory.dump");
  EXPECT_EQ(downloadInto(session_, options_), kExitFailure);
  EXPECT_TRUE(setFiles().isEmpty());
  EXPECT_EQ(contentOf(options_.rawPath).size(), 40) << "the 40 bytes that came";

  // Kept without --force, and refused before the meter is asked.
  meter_.truncateDumpAfter(std::nullopt);
  double before = clock_.waited();
  EXPECT_EQ(downloadInto(session_, options_), kExitUsage);
  EXPECT_LT(clock_.waited() - before, 0.01);
  EXPECT_EQ(contentOf(options_.rawPath).size(), 40);
  const QString fifo = dir_.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString socket = dir_.filePath("socket");
  ASSERT_TRUE(makeSocket(socket));
  for (const QString& notAFile : {fifo, socket, dir_.path()}) {
    SCOPED_TRACE(qPrintable(notAFile));
    options_.rawPath = notAFile;
    options_.force = true;
    before = clock_.waited();
    EXPECT_EQ(downloadInto(session_, options_), kExitFailure);
    EXPECT_LT(clock_.waited() - before, 0.01);
  }
  EXPECT_TRUE(setFiles().isEmpty());

  // A meter that does not answer leaves no empty dump file.
  options_.rawPath = dir_.filePath("silent.dump");
  options_.force = false;
  meter_.goSilent(1000);
  EXPECT_EQ(downloadInto(session_, options_), kExitFailure);
  EXPECT_FALSE(QFileInfo::exists(options_.rawPath));
}

TEST_F(CliDownload, EverySetFileNameThatIsTakenIsRefusedBeforeTheFirstIsWritten) {
  meter_.setRawLoggerContent(setBytes(0x15, 0x14, {{0x01, 0x00, 0x10}}) +
                             setBytes(0x16, 0x14, {{0x01, 0x00, 0x10}}));
  ASSERT_TRUE(QDir().mkpath(options_.dir));
  const QString second = QDir(options_.dir).filePath("set-02_16-14-30-00.tsv");
  const QString first = QDir(options_.dir).filePath("set-01_15-14-30-00.tsv");
  struct Case {
    const char* what;
    std::function<void()> make;
    bool force;
    int code;
  };
  const Case cases[] = {
      {"existing file", [&] { writeFile(second, "keep"); }, false, kExitUsage},
      {"folder", [&] { QDir().mkpath(second); }, true, kExitFailure},
      {"named pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(second).constData(), 0600), 0); },
       true, kExitFailure},
      {"dangling link", [&] { QFile::link(dir_.filePath("nowhere"), second); }, true, kExitFailure},
      {"link to a folder", [&] { QFile::link(dir_.path(), second); }, true, kExitFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    options_.force = c.force;
    EXPECT_EQ(downloadInto(session_, options_), c.code);
    EXPECT_FALSE(QFileInfo::exists(first)) << "nothing written before the refusal";
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("nowhere")));
    if (QFileInfo(second).isDir() && !QFileInfo(second).isSymLink())
      QDir(second).removeRecursively();
    else
      QFile::remove(second);
  }
  writeFile(second, "keep");
  options_.force = true;
  EXPECT_EQ(downloadInto(session_, options_), 0) << "--force overwrites a regular file";
  EXPECT_TRUE(contentOf(second).startsWith("Lx\tTime\tValue"));
}

}  // namespace
