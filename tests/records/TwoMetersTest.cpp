// Two meters in one program: two sessions on two pseudo-terminals (each simulated meter behind a
// link in its own folder), each recording its own data file on the real clock. One meter falls
// silent for a while; the other goes on as if it were alone, and each file holds exactly its own
// meter's records.
#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <vector>

#include "link/MeterSession.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"
#include "records/engine/RecordingEngine.h"
#include "sim/PtyServer.h"

namespace lux {
namespace {

sim::SimMeter::Options lineRateMeter() {
  sim::SimMeter::Options o = sim::PtyServer::liveOptions();
  o.drift = false;
  o.randomOverloads = false;
  o.paced = true;
  return o;
}

// One meter with everything the program keeps for it.
struct Meter {
  explicit Meter(double reading) : server(lineRateMeter()) {
    server.withMeter([reading](sim::SimMeter& m, double) { m.setReading(reading, 1); });
    std::string error;
    started =
        dir.isValid() && server.start(QDir(dir.path()).filePath("meter").toStdString(), &error);
    state.samplingTicks = 1;
    QObject::connect(&session, &MeterSession::silenceChanged,
                     [this](bool silent) { silences.push_back(silent); });
    QObject::connect(&engine, &RecordingEngine::recordWritten,
                     [this](long, const RecordSample& s) { stamps.push_back(s.stamp); });
  }
  bool open() {
    QString reason;
    return session.open(QString::fromStdString(server.portPath()), 0, &reason);
  }
  QByteArray file() const {
    QFile f(dir.filePath("survey.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir dir;
  sim::PtyServer server;
  bool started = false;
  SystemClock clock;
  QtSerialPort port;
  MeterSession session{port, clock};
  RecordingState state;
  RecordingEngine engine{session, state};
  std::vector<bool> silences;
  std::vector<std::string> stamps;
};

// Seconds between two "DD-hh:nn:ss" stamps of the same day.
int secondsBetween(const std::string& a, const std::string& b) {
  auto s = [](const std::string& t) {
    return std::stoi(t.substr(3, 2)) * 3600 + std::stoi(t.substr(6, 2)) * 60 +
           std::stoi(t.substr(9, 2));
  };
  return s(b) - s(a);
}

void runFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

TEST(TwoMeters, EachRecordsItsOwnFileWhileTheOtherFallsSilent) {
  Meter one(12.5), two(523.4);
  ASSERT_TRUE(one.started && two.started);
  ASSERT_NE(one.server.portPath(), two.server.portPath());
  ASSERT_TRUE(one.open());
  ASSERT_TRUE(two.open());
  for (Meter* m : {&one, &two}) {
    m->engine.start();
    m->session.start();
  }
  // A recording starts in the unit the meter shows, as the panel's Save does.
  for (int waited = 0; waited < 50 && !(one.session.latest() && two.session.latest()); ++waited)
    runFor(0.1);
  ASSERT_TRUE(one.session.latest() && two.session.latest());
  QString reason;
  ASSERT_TRUE(one.engine.startFile(one.dir.filePath("survey.txt"), &reason))
      << reason.toStdString();
  ASSERT_TRUE(two.engine.startFile(two.dir.filePath("survey.txt"), &reason))
      << reason.toStdString();

  runFor(3.5);
  // Meter one goes quiet for five seconds; meter two never notices.
  one.server.withMeter([](sim::SimMeter& m, double) { m.goSilent(5.0); });
  const std::size_t beforeSilence = one.stamps.size();
  runFor(9.0);
  for (Meter* m : {&one, &two}) {
    m->session.stop();
    m->engine.stop();
    m->engine.stopFile();
  }

  // Meter two: a record every second with its own reading, none missed.
  ASSERT_GE(two.stamps.size(), 9u);
  EXPECT_EQ(two.engine.status().missedMoments, 0);
  EXPECT_TRUE(two.silences.empty());
  QByteArray expected = "Lx\tTime\tValue\r\n";
  for (std::size_t i = 0; i < two.stamps.size(); ++i) {
    expected += QByteArray::number(static_cast<qlonglong>(i + 1)) + '\t' +
                QByteArray::fromStdString(two.stamps[i]) + "\t523.4\r\n";
    if (i > 0) {
      EXPECT_EQ(secondsBetween(two.stamps[i - 1], two.stamps[i]), 1) << i;
    }
  }
  EXPECT_EQ(two.file(), expected);

  // Meter one: its reading until the silence, a gap of some five seconds in the stamps,
  // then its reading again; the missed moments are counted and the silence was told.
  ASSERT_GE(beforeSilence, 2u);
  ASSERT_GT(one.stamps.size(), beforeSilence) << "meter one is recorded again once it is back";
  EXPECT_GE(one.engine.status().missedMoments, 3);
  ASSERT_GE(one.silences.size(), 2u);
  EXPECT_TRUE(one.silences.front());
  EXPECT_FALSE(one.silences.back());
  int longestGap = 0;
  expected = "Lx\tTime\tValue\r\n";
  for (std::size_t i = 0; i < one.stamps.size(); ++i) {
    expected += QByteArray::number(static_cast<qlonglong>(i + 1)) + '\t' +
                QByteArray::fromStdString(one.stamps[i]) + "\t12.5\r\n";
    if (i > 0) longestGap = std::max(longestGap, secondsBetween(one.stamps[i - 1], one.stamps[i]));
  }
  EXPECT_EQ(one.file(), expected);
  EXPECT_GE(longestGap, 4);
}

// Three meters on one thread, one of them silent for ten seconds: its poll spends those seconds
// in the link's waits for a frame, and the other two must keep reading four times a second and
// recording every second all the while.
TEST(TwoMeters, ASilentMeterHoldsUpNoOtherMeterOnTheSameThread) {
  Meter quiet(12.5), two(523.4), three(88.0);
  ASSERT_TRUE(quiet.started && two.started && three.started);
  std::vector<Meter*> all{&quiet, &two, &three};
  for (Meter* m : all) {
    ASSERT_TRUE(m->open());
    m->engine.start();
    m->session.start();
  }
  for (int waited = 0; waited < 50; ++waited) {
    bool every = true;
    for (Meter* m : all) every = every && m->session.latest().has_value();
    if (every) break;
    runFor(0.1);
  }
  for (Meter* m : all) {
    ASSERT_TRUE(m->session.latest());
    QString reason;
    ASSERT_TRUE(m->engine.startFile(m->dir.filePath("survey.txt"), &reason))
        << reason.toStdString();
  }
  runFor(2.0);
  quiet.server.withMeter([](sim::SimMeter& m, double) { m.goSilent(10.0); });
  const auto readingsTwo = two.session.display().framesDecoded;
  const auto readingsThree = three.session.display().framesDecoded;
  const std::size_t recordsTwo = two.stamps.size(), recordsThree = three.stamps.size();
  runFor(8.0);
  // Eight seconds at four readings a second, with room for a busy machine.
  EXPECT_GE(two.session.display().framesDecoded - readingsTwo, 26u);
  EXPECT_GE(three.session.display().framesDecoded - readingsThree, 26u);
  EXPECT_GE(two.stamps.size() - recordsTwo, 7u);
  EXPECT_GE(three.stamps.size() - recordsThree, 7u);
  EXPECT_TRUE(quiet.session.silent());
  runFor(4.0);  // the quiet meter is back
  for (Meter* m : all) {
    m->session.stop();
    m->engine.stop();
    m->engine.stopFile();
  }
  for (Meter* m : {&two, &three}) {
    EXPECT_EQ(m->engine.status().missedMoments, 0);
    EXPECT_TRUE(m->silences.empty());
    for (std::size_t i = 1; i < m->stamps.size(); ++i)
      EXPECT_EQ(secondsBetween(m->stamps[i - 1], m->stamps[i]), 1) << i;
  }
  EXPECT_GE(quiet.engine.status().missedMoments, 6);
  ASSERT_FALSE(quiet.silences.empty());
  EXPECT_FALSE(quiet.silences.back()) << "the quiet meter is heard again";
}

}  // namespace
}  // namespace lux
