// The recording engine on its own, as a program without windows drives it: no invented
// readings, the outage and its count, the stop reasons, what the end message says about the
// records, and names that are not plain files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "PipeWatchdog.h"
#include "records/engine/DataFileWriter.h"
#include "records/engine/RecordingEngine.h"
#include "support/FakeClock.h"

namespace lux::test {
namespace {

class Engine : public ::testing::Test {
 protected:
  Engine() : engine(state, display, clock) {
    EXPECT_TRUE(dir.isValid());
    state.samplingTicks = 1;
    display.unitText = "Lx";
    display.mainValueText = "123.4";
    QObject::connect(&engine, &RecordingEngine::statusChanged,
                     [this](const RecordingStatus& s) { statuses.push_back(s); });
    RecordingEngine::LiveList list;
    list.append = [this](long number, const RecordSample& s) {
      listRows.push_back(std::to_string(number) + "\t" + s.stamp + "\t" + s.value);
      return true;
    };
    list.close = [this] { listClosed = true; };
    engine.setLiveList(list);
  }

  // One second in which the poll decoded a frame showing `value`.
  void frame(const char* value) {
    display.mainValueText = value;
    ++display.framesDecoded;
    clock.advance(1.0);
    engine.tick();
  }
  // One second without any frame.
  void silence(int seconds = 1) {
    for (int i = 0; i < seconds; ++i) {
      clock.advance(1.0);
      engine.tick();
    }
  }
  bool start(const QString& name, QString* reason = nullptr) {
    QString r;
    return engine.startFile(dir.filePath(name), reason ? reason : &r);
  }
  QByteArray file(const QString& name) const {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir dir;
  FakeClock clock;  // 2026-03-09 08:05:07
  RecordingState state;
  DisplayState display;
  RecordingEngine engine;
  std::vector<RecordingStatus> statuses;
  std::vector<std::string> listRows;
  bool listClosed = false;
};

TEST_F(Engine, MomentsWithoutAFrameWriteNothingAndTheOutageIsShownAndCounted) {
  ASSERT_TRUE(start("gap.txt"));
  state.listRecording = true;
  state.listRecordingUnit = "Lx";
  frame("123.4");  // 08:05:08
  frame("123.5");  // 08:05:09
  // The meter falls silent: the last reading stays in the display state, but is not the meter's.
  silence(3);  // 08:05:10 .. 08:05:12
  EXPECT_TRUE(engine.status().outage);
  EXPECT_EQ(engine.status().missedMoments, 3);
  EXPECT_EQ(engine.status().records, 2);
  EXPECT_TRUE(state.fileRecording);
  frame("777.0");  // 08:05:13
  EXPECT_FALSE(engine.status().outage);
  // Numbering goes on with the next real record; the stamps show the gap.
  EXPECT_EQ(file("gap.txt"),
            "Lx\tTime\tValue\r\n"
            "1\t09-08:05:08\t123.4\r\n"
            "2\t09-08:05:09\t123.5\r\n"
            "3\t09-08:05:13\t777.0\r\n");
  EXPECT_EQ(listRows, (std::vector<std::string>{"1\t09-08:05:08\t123.4", "2\t09-08:05:09\t123.5",
                                                "3\t09-08:05:13\t777.0"}));
  engine.stopFile();
  EXPECT_EQ(engine.status().stopped, RecordingStop::Manual);
  EXPECT_TRUE(engine.status().message.contains("3 sampling moment(s) had no reading"))
      << engine.status().message.toStdString();
}

// The SET UP banner comes with no reading (the poll counts no frame for it): the file and the
// live list both end at the next sampling moment all the same, and neither takes a row.
TEST_F(Engine, ABannerWithoutReadingsEndsTheLiveListWithTheFile) {
  ASSERT_TRUE(start("banner.txt"));
  state.listRecording = true;
  state.listRecordingUnit = "Lx";
  frame("123.4");
  display.annSetUp = true;  // decoded, but a banner: framesDecoded does not move
  silence(1);
  EXPECT_FALSE(state.fileRecording);
  EXPECT_EQ(engine.status().stopped, RecordingStop::StopMode);
  EXPECT_FALSE(state.listRecording);
  EXPECT_TRUE(listClosed);
  EXPECT_EQ(listRows, (std::vector<std::string>{"1\t09-08:05:08\t123.4"}));
}

TEST_F(Engine, SeveralFramesBetweenMomentsGiveOneRecordAndAHeldReadingIsRecorded) {
  ASSERT_TRUE(start("hold.txt"));
  display.annHold = true;  // HOLD still sends frames: the held value is the meter's reading
  display.framesDecoded += 4;
  frame("55.0");
  frame("55.0");
  EXPECT_EQ(file("hold.txt"),
            "Lx\tTime\tValue\r\n1\t09-08:05:08\t55.0\r\n2\t09-08:05:09\t55.0\r\n");
  engine.stopFile();
  EXPECT_TRUE(engine.status().message.isEmpty()) << "nothing was missed";
}

TEST_F(Engine, AFrameBeforeTheFirstMomentOfANewEngineIsNotTakenForANewReading) {
  // A second engine over a display that has seen frames already, while the meter is silent.
  display.framesDecoded = 40;
  RecordingEngine late(state, display, clock);
  QString reason;
  ASSERT_TRUE(late.startFile(dir.filePath("late.txt"), &reason));
  clock.advance(1.0);
  late.tick();
  EXPECT_EQ(file("late.txt"), "Lx\tTime\tValue\r\n");
  EXPECT_EQ(late.status().missedMoments, 1);
}

TEST_F(Engine, StopReasonsAreReported) {
  ASSERT_TRUE(start("unit.txt"));
  frame("1.0");
  silence(2);
  display.unitText = "Fc";
  frame("0.1");
  EXPECT_FALSE(state.fileRecording);
  EXPECT_EQ(engine.status().stopped, RecordingStop::UnitChange);
  EXPECT_EQ(engine.status().records, 1);
  EXPECT_EQ(file("unit.txt"), "Lx\tTime\tValue\r\n1\t09-08:05:08\t1.0\r\n");
  // An automatic end tells the missed moments too; a new recording counts from 0 again.
  EXPECT_TRUE(engine.status().message.startsWith("2 sampling moment(s)"))
      << engine.status().message.toStdString();

  ASSERT_TRUE(start("mode.txt"));
  EXPECT_EQ(engine.status().missedMoments, 0);
  frame("1.0");
  display.annCd = true;
  frame("1.0");
  EXPECT_EQ(engine.status().stopped, RecordingStop::StopMode);
  EXPECT_TRUE(engine.status().message.isEmpty());
  display.annCd = false;

  ASSERT_TRUE(start("cap.txt"));
  frame("1.0");
  state.fileRecordCount = RecordingEngine::kMaxRecords;
  frame("1.0");
  EXPECT_EQ(engine.status().stopped, RecordingStop::RecordCap);
  EXPECT_FALSE(engine.status().recording);
  // Each start and each moment was published; the last status is the one the engine holds.
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().stopped, RecordingStop::RecordCap);
}

TEST_F(Engine, RecordsLostWithTheirFolderAreNotCalledKept) {
  const QString sub = dir.filePath("run");
  ASSERT_TRUE(QDir().mkpath(sub));
  QString reason;
  ASSERT_TRUE(engine.startFile(sub + "/rec.txt", &reason));
  for (int i = 0; i < 8; ++i) frame("5.0");
  ASSERT_TRUE(QDir(sub).removeRecursively());
  frame("5.0");
  EXPECT_FALSE(state.fileRecording);
  EXPECT_EQ(engine.status().stopped, RecordingStop::WriteFailed);
  const QString message = engine.status().message;
  EXPECT_FALSE(message.contains("kept")) << message.toStdString();
  EXPECT_TRUE(message.contains("8 record(s) written before were lost with the folder " + sub))
      << message.toStdString();
}

TEST_F(Engine, TheEngineHoldsTheOpenFileAndLetsGoOfItWhenTheProgramCloses) {
  ASSERT_TRUE(start("closing.txt"));
  frame("5.0");
  frame("6.0");
  const DataFileWriter* open = engine.dataFile();
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->path(), dir.filePath("closing.txt"));
  EXPECT_TRUE(open->isOpen());
  engine.releaseFile();
  EXPECT_FALSE(open->isOpen());
  EXPECT_EQ(file("closing.txt").count("\r\n"), 3);
  engine.stopFile();
  EXPECT_EQ(engine.dataFile(), nullptr);
}

TEST_F(Engine, RecordsPutBackAfterARemovalAreCalledKept) {
  ASSERT_TRUE(start("back.txt"));
  for (int i = 0; i < 3; ++i) frame("5.0");
  const QByteArray before = file("back.txt");
  ASSERT_TRUE(QFile::remove(dir.filePath("back.txt")));
  frame("5.0");
  EXPECT_EQ(file("back.txt"), before);
  EXPECT_TRUE(engine.status().message.contains("The 3 record(s) written before are kept in"))
      << engine.status().message.toStdString();
}

TEST_F(Engine, RecordsInAFileReplacedByAnotherAreNotCalledKept) {
  ASSERT_TRUE(start("swap.txt"));
  for (int i = 0; i < 2; ++i) frame("5.0");
  const QString p = dir.filePath("swap.txt");
  ASSERT_TRUE(QFile::remove(p));
  QFile other(p);
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("someone else's file\r\n");
  other.close();
  frame("5.0");
  EXPECT_FALSE(state.fileRecording);
  EXPECT_FALSE(engine.status().message.contains("kept")) << engine.status().message.toStdString();
  EXPECT_TRUE(engine.status().message.contains("were lost"));
}

// Another program writing into the same file (same inode, so the name still matches): the
// recording stops with what happened, and our next line never lands in the other content or
// beyond its end as a hole of zero bytes.
TEST_F(Engine, AFileEmptiedOrOverwrittenInPlaceStopsTheRecordingWithoutAHole) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> change;
    QByteArray after;  // the file's bytes once the recording noticed (empty: unchanged)
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"other.txt",  // printf 'OTHER\n' > rec.txt
       [](const QString& p) {
         QFile f(p);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
         f.write("OTHER\n");
       },
       "OTHER\n", "another program overwrote the file or cut it short"},
      {"empty.txt",  // : > rec.txt
       [](const QString& p) {
         QFile f(p);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
       },
       "", "another program emptied the file"},
      {"same.txt",  // the same size, other bytes at our end
       [](const QString& p) {
         QFile f(p);
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         ASSERT_TRUE(f.seek(f.size() - 4));
         f.write("9.9\r");
       },
       {},
       "another program overwrote the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(start(c.name));
    for (int i = 0; i < 6; ++i) frame("5.0");
    const QByteArray written = file(c.name);
    c.change(dir.filePath(c.name));
    const QByteArray changed = file(c.name);
    frame("5.0");
    EXPECT_FALSE(state.fileRecording);
    EXPECT_EQ(engine.status().stopped, RecordingStop::WriteFailed);
    const QString message = engine.status().message;
    EXPECT_TRUE(message.contains(c.reason)) << message.toStdString();
    EXPECT_TRUE(message.contains("The 6 record(s) written before were lost"))
        << message.toStdString();
    EXPECT_EQ(file(c.name), changed);
    EXPECT_FALSE(file(c.name).contains('\0'));
    if (c.after.isNull())
      EXPECT_EQ(changed.size(), written.size());  // the premise of the same-size case
    else
      EXPECT_EQ(changed, c.after);
  }
}

TEST_F(Engine, AFileRenamedMidRunIsReportedRenamedWithItsRecordsKept) {
  ASSERT_TRUE(start("run.txt"));
  for (int i = 0; i < 3; ++i) frame("5.0");
  const QByteArray before = file("run.txt");
  ASSERT_TRUE(QFile::rename(dir.filePath("run.txt"), dir.filePath("moved.txt")));
  frame("5.0");
  EXPECT_FALSE(state.fileRecording);
  const QString message = engine.status().message;
  EXPECT_FALSE(message.contains("removed")) << message.toStdString();
  EXPECT_TRUE(message.contains("the file was renamed or moved to " + dir.filePath("moved.txt")))
      << message.toStdString();
  EXPECT_TRUE(
      message.contains("The 3 record(s) written before are kept in " + dir.filePath("moved.txt")))
      << message.toStdString();
  EXPECT_EQ(file("moved.txt"), before);
  // Nothing is put back under the old name: the records are where the user moved them.
  EXPECT_EQ(file("run.txt"), "<missing>");
}

TEST_F(Engine, RecordingOverALongerFileKeepsNoneOfItsOldLines) {
  // A chosen file that holds more than the new recording will write: after the overwrite
  // prompt the user expects the new records only, not the old file's tail behind them.
  {
    QFile old(dir.filePath("reuse.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("Fc\tTime\tValue\r\n");
    for (int i = 1; i <= 50; ++i) old.write(QByteArray::number(i) + "\t01-00:00:00\t9.99\r\n");
  }
  ASSERT_TRUE(start("reuse.txt"));
  frame("1.5");
  engine.stopFile();
  EXPECT_EQ(file("reuse.txt"), "Lx\tTime\tValue\r\n1\t09-08:05:08\t1.5\r\n");
}

TEST_F(Engine, ANamedPipeOrAFolderIsRefusedAtOnce) {
  const QString fifo = dir.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  bool started = true;
  QString reason;
  EXPECT_TRUE(
      returnsWithoutWaitingOnThePipe(fifo, [&] { started = engine.startFile(fifo, &reason); }));
  EXPECT_FALSE(started);
  EXPECT_FALSE(state.fileRecording);
  EXPECT_EQ(reason, fifo + " is a named pipe; only plain files can be read or written");

  EXPECT_FALSE(engine.startFile(dir.path(), &reason));
  EXPECT_TRUE(reason.contains("is a folder")) << reason.toStdString();
  // A new name and an existing plain file are fine.
  ASSERT_TRUE(start("new.txt"));
  ASSERT_TRUE(start("new.txt"));
  EXPECT_EQ(file("new.txt"), "Lx\tTime\tValue\r\n");
}

}  // namespace
}  // namespace lux::test

namespace lux::test {
namespace {

// ---- sinks that carry on, and the recording's own clock ----

// "+01:00" for the fake clock's day, whatever zone the machine is in.
std::string offsetOf(const QDateTime& t) {
  const int off = t.offsetFromUtc() / 60;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%02d:%02d", off < 0 ? '-' : '+', std::abs(off) / 60,
                std::abs(off) % 60);
  return buf;
}

class CarryOn : public Engine {
 protected:
  // Readings through a unit change, REL, a silent second, HOLD and an overload: a data file
  // would have ended at the third.
  void run() {
    frame("123.4");  // 08:05:08
    display.annNegative = true;
    frame("5.0");  // 08:05:09
    display.annNegative = false;
    display.unitText = "Fc";
    display.annRel = true;
    frame("11.5");  // 08:05:10
    silence(1);     // 08:05:11
    display.annRel = false;
    display.annHold = true;
    frame("OL");  // 08:05:12
    EXPECT_TRUE(state.fileRecording);
    EXPECT_EQ(engine.status().missedMoments, 1);
    EXPECT_EQ(engine.status().records, 4);
    engine.stopFile();
  }
  std::string at(int second) const {
    char ss[8];
    std::snprintf(ss, sizeof ss, "%02d", second);
    return "2026-03-09T08:05:" + std::string(ss) + ".000" +
           offsetOf(QDateTime(QDate(2026, 3, 9), QTime(8, 5, second)));
  }
};

TEST_F(CarryOn, CsvSaysTheSignedValueTheUnitAndTheModesOnEveryLine) {
  QString reason;
  ASSERT_TRUE(engine.startSink(csvSink(dir.filePath("run.csv")), &reason)) << reason.toStdString();
  run();
  EXPECT_EQ(file("run.csv").toStdString(),
            "number,time,value,unit,modes\r\n"
            "1," +
                at(8) +
                ",123.4,Lx,\r\n"
                "2," +
                at(9) +
                ",-5.0,Lx,\r\n"
                "3," +
                at(10) +
                ",11.5,Fc,REL\r\n"
                "4," +
                at(12) + ",OL,Fc,HOLD\r\n");
}

TEST_F(CarryOn, JsonLinesAreOneObjectPerRecord) {
  QString reason;
  ASSERT_TRUE(engine.startSink(jsonLinesSink(dir.filePath("run.jsonl")), &reason))
      << reason.toStdString();
  run();
  EXPECT_EQ(file("run.jsonl").toStdString(),
            "{\"sequence\":1,\"time\":\"" + at(8) +
                "\",\"value\":123.4,\"text\":\"123.4\",\"unit\":\"Lx\",\"modes\":[],"
                "\"overload\":false}\n"
                "{\"sequence\":2,\"time\":\"" +
                at(9) +
                "\",\"value\":-5.0,\"text\":\"-5.0\",\"unit\":\"Lx\",\"modes\":[],"
                "\"overload\":false}\n"
                "{\"sequence\":3,\"time\":\"" +
                at(10) +
                "\",\"value\":11.5,\"text\":\"11.5\",\"unit\":\"Fc\",\"modes\":[\"REL\"],"
                "\"overload\":false}\n"
                "{\"sequence\":4,\"time\":\"" +
                at(12) +
                "\",\"value\":null,\"text\":\"OL\",\"unit\":\"Fc\",\"modes\":[\"HOLD\"],"
                "\"overload\":true}\n");
}

TEST(JsonRecord, EscapesWhatCouldBreakTheLine) {
  DisplayState d;
  d.mainValueText = "1\"2\n";
  d.unitText = "Lx";
  const std::string line = jsonRecord(7, QDateTime(QDate(2026, 3, 9), QTime(8, 5, 7, 250)), d);
  EXPECT_NE(line.find("\"text\":\"1\\\"2\\u000a\""), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST_F(Engine, TheDataFileStillEndsWhereCsvCarriesOn) {
  ASSERT_TRUE(start("unit.txt"));
  frame("123.4");
  display.unitText = "Fc";
  frame("11.5");
  EXPECT_FALSE(state.fileRecording);
  EXPECT_EQ(engine.status().stopped, RecordingStop::UnitChange);
  EXPECT_EQ(file("unit.txt"), "Lx\tTime\tValue\r\n1\t09-08:05:08\t123.4\r\n");
}

TEST_F(Engine, Timer2TicksInTheMiddleOfThePcsSeconds) {
  // The timer's ticks come a little late on a busy machine; stamped to the second, moments that
  // lie close to a second's end would then give two records in one second and none in the next.
  // Started at 08:05:07.980, with ticks up to 90 ms late or 60 ms early against what they aimed
  // at, every record is one second after the one before.
  QTimer* t = engine.samplingTimer();
  clock.advance(0.98);
  ASSERT_TRUE(start("steady.txt"));
  ++display.framesDecoded;
  engine.runTick();  // by hand, as a program without the timer does: the timer stays off
  EXPECT_FALSE(t->isActive());
  engine.start();
  EXPECT_EQ(t->interval(), 520) << "the first tick at 08:05:08.500";
  const int jitter[] = {90, -60, 40, 90, 90, -60, 0, 75, 90, -30, 90, 90, 90, 90, 90, 90};
  for (int ms : jitter) {
    clock.advance((t->interval() + ms) / 1000.0);
    ++display.framesDecoded;
    engine.runTick();
  }
  const QList<QByteArray> lines = file("steady.txt").split('\n');
  ASSERT_EQ(lines.size(), 19);  // the header, 17 records and the empty rest
  for (int i = 1; i <= 17; ++i) {
    // The hand tick at 08:05:07 took the first.
    const QByteArray expected = QStringLiteral("%1\t09-08:05:%2\t123.4\r")
                                    .arg(i)
                                    .arg(6 + i, 2, 10, QLatin1Char('0'))
                                    .toLatin1();
    EXPECT_EQ(lines[i], expected);
  }

  // Each tick aims the next at the middle of the next second: 970 ms after a tick 30 ms late,
  // 650 ms after one 350 ms late (the one after it is not moved), 1180 ms after one that came
  // 180 ms early (the PC's clock was put forward), 501 ms after one at .999.
  for (auto [at, next] :
       {std::pair{QTime(9, 0, 0, 530), 970}, std::pair{QTime(9, 0, 1, 850), 650},
        std::pair{QTime(9, 0, 2, 320), 1180}, std::pair{QTime(9, 0, 3, 999), 501}}) {
    clock.setDateTime(QDateTime(QDate(2026, 3, 9), at));
    engine.runTick();
    EXPECT_EQ(t->interval(), next) << at.toString("hh:mm:ss.zzz").toStdString();
  }

  // Started anywhere in a second, the first moment is the next middle of a second, within one:
  // 499 ms from 10:00:00.001, 1 ms from .499, 0 from .500, 999 ms from .501.
  for (auto [msec, first] :
       {std::pair{1, 499}, std::pair{499, 1}, std::pair{500, 0}, std::pair{501, 999}}) {
    engine.stop();
    clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(10, 0, 0, msec)));
    engine.start();
    EXPECT_EQ(t->interval(), first) << "started at ." << msec;
  }
}

TEST_F(Engine, Timer2TicksOnceAtATimeSurvivesFailuresAndStopsForGood) {
  QTimer* t = engine.samplingTimer();
  EXPECT_EQ(t->objectName(), QStringLiteral("Timer2"));
  EXPECT_EQ(t->interval(), 1000);
  EXPECT_EQ(t->timerType(), Qt::PreciseTimer);
  engine.start();
  EXPECT_TRUE(t->isActive());

  int ticks = 0;
  int calls = 0;
  QObject::connect(&engine, &RecordingEngine::tickDone, [&] { ++ticks; });
  state.listRecording = true;
  state.listRecordingUnit = "Lx";
  RecordingEngine::LiveList list;
  list.append = [&](long, const RecordSample&) {
    ++calls;
    if (calls == 1) engine.runTick();  // falls due again inside its own tick: skipped
    if (calls == 2) throw std::runtime_error("the list failed");
    return true;
  };
  engine.setLiveList(list);
  auto tick = [&] {
    ++display.framesDecoded;
    clock.advance(1.0);
    engine.runTick();
  };
  tick();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_NO_THROW(tick());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ticks, 1) << "the failed tick ended there";
  tick();
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(ticks, 2);

  // A handler told that the tick is due may end the recording's clock before the moment.
  auto due = QObject::connect(&engine, &RecordingEngine::tickDue, [&] { engine.stop(); });
  engine.runTick();
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(t->isActive());
  QObject::disconnect(due);
  engine.runTick();
  EXPECT_EQ(ticks, 2) << "stopped for good";
}

}  // namespace
}  // namespace lux::test
