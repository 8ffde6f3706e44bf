// One meter's session on a fake clock against a scripted meter: one reading per decoded frame,
// banners, the silence note and "No COM", the poll switch the windows use, and two sessions side
// by side that know nothing of each other.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <stdexcept>
#include <vector>

#include "link/MeterSession.h"
#include "support/FakeMeter.h"
#include "support/ScriptedPort.h"

namespace lux::test {
namespace {

QByteArray frameOf(const FrameSpec& spec) {
  const std::string f = encodeFrame(spec);
  return QByteArray(f.data(), static_cast<qsizetype>(f.size()));
}

// One session on its own scripted meter; every signal is logged with the clock's time.
struct Bench {
  explicit Bench(FakeClock& c) : clock(c) {
    QObject::connect(&session, &MeterSession::readingDecoded,
                     [this](const Reading& r) { readings.push_back(r); });
    QObject::connect(&session, &MeterSession::bannerShown, [this] { ++banners; });
    QObject::connect(&session, &MeterSession::silenceChanged, [this](bool s) {
      silences.push_back(s);
      silenceTimes.push_back(clock.elapsed());
    });
    QObject::connect(&session, &MeterSession::linkChanged, [this](bool up) {
      links.push_back(up);
      linkTimes.push_back(clock.elapsed());
    });
  }
  bool open() {
    QString reason;
    const bool ok = session.open(QStringLiteral("/dev/ttyS2"), 3, &reason);
    links.clear();
    linkTimes.clear();
    return ok;
  }

  FakeClock& clock;
  ScriptedPort port{clock};
  FakeMeter meter{port};
  MeterSession session{port, clock};
  std::vector<Reading> readings;
  int banners = 0;
  std::vector<bool> silences, links;
  std::vector<double> silenceTimes, linkTimes;
};

class MeterSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(b.open()); }
  FakeClock clock;
  Bench b{clock};
};

TEST_F(MeterSessionTest, EachDecodedFrameIsOneSignedReadingAndTheWireIsThePollsOwn) {
  FrameSpec minus = frameForReading(5.0, 1, true);
  minus.flags.annNegative = true;
  b.meter.frame = frameOf(minus);
  for (int i = 0; i < 3; ++i) b.session.pollTick();

  ASSERT_EQ(b.readings.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(b.readings[i].frameNumber, i + 1);
    EXPECT_EQ(b.readings[i].text, QStringLiteral("-5.0"));
    EXPECT_DOUBLE_EQ(b.readings[i].value, -5.0);
    EXPECT_EQ(b.readings[i].unit, QStringLiteral("Lx"));
  }
  EXPECT_EQ(b.readings[0].pcTime.date(), QDate(2026, 3, 9));
  ASSERT_TRUE(b.session.latest().has_value());
  EXPECT_EQ(b.session.latest()->frameNumber, 3u);
  EXPECT_EQ(b.session.display().framesDecoded, 3u);
  EXPECT_EQ(b.session.display().mainValueText, "5.0");
  EXPECT_EQ(b.session.framesReceived(), 3u);
  // The first tick handshakes and starts the stream; the next two only listen.
  EXPECT_EQ(b.port.writtenText(), "AM");
  EXPECT_EQ(b.session.linkState().pollCount, 3);
}

TEST_F(MeterSessionTest, TheStreamIsRenewedEveryFifteenTicks) {
  for (int i = 0; i < 16; ++i) b.session.pollTick();
  EXPECT_EQ(b.port.writtenText(), "AMAM");
  EXPECT_EQ(b.readings.size(), 16u);
}

TEST_F(MeterSessionTest, ABannerRepaintsButIsNoReadingAndNoPollPeriod) {
  b.session.pollTick();
  ASSERT_EQ(b.readings.size(), 1u);
  FrameSpec setUp = frameForReading(77.7, 1, true);
  setUp.flags.annSetUp = true;
  b.meter.frame = frameOf(setUp);
  b.port.clearLog();
  b.session.pollTick();
  b.session.pollTick();
  EXPECT_EQ(b.banners, 2);
  EXPECT_EQ(b.readings.size(), 1u);
  EXPECT_EQ(b.session.display().framesDecoded, 1u);
  EXPECT_EQ(b.session.framesReceived(), 3u);
  EXPECT_EQ(b.session.linkState().pollCount, 1);
  EXPECT_EQ(b.session.latest()->text, QStringLiteral("523.4")) << "the banner hides no reading";
  EXPECT_TRUE(b.session.display().annSetUp);
  EXPECT_EQ(b.port.writtenText(), "");
}

TEST_F(MeterSessionTest, AFrameThatStopsDecodingEarlyLeavesTheReadingAsItWas) {
  b.session.pollTick();
  // Two decimals but only one lit main digit.
  FrameSpec bad;
  bad.flags.annLx = true;
  bad.flags.annMainPoint2 = true;
  bad.mainDigits = {' ', ' ', ' ', ' ', ' ', '7'};
  b.meter.frame = frameOf(bad);
  b.session.pollTick();
  EXPECT_EQ(b.readings.size(), 1u);
  EXPECT_EQ(b.banners, 0);
  EXPECT_EQ(b.session.display().framesDecoded, 1u);
  EXPECT_EQ(b.session.framesReceived(), 2u);
  EXPECT_EQ(b.session.linkState().pollCount, 2) << "it still counts as a poll period";
}

TEST_F(MeterSessionTest, ASilentMeterIsToldAfterFourSecondsAndNoComWhileItIsAway) {
  b.session.pollTick();
  const double lastFrame = b.clock.elapsed();
  b.meter.silentUntil = lastFrame + 30.0;
  // Waits through six collection windows, then for the meter's return.
  b.session.pollTick();
  b.session.pollTick();

  ASSERT_GE(b.silences.size(), 2u);
  EXPECT_TRUE(b.silences[0]);
  EXPECT_NEAR(b.silenceTimes[0] - lastFrame, 4.0, 0.1);
  EXPECT_FALSE(b.silences.back());
  EXPECT_GE(b.silenceTimes.back(), lastFrame + 30.0);
  EXPECT_FALSE(b.session.silent());

  ASSERT_EQ(b.links.size(), 2u);
  EXPECT_FALSE(b.links[0]);
  EXPECT_NEAR(b.linkTimes[0] - lastFrame, 12.0, 0.5) << "after six 2 s windows without a frame";
  EXPECT_TRUE(b.links[1]);
  EXPECT_GE(b.linkTimes[1], lastFrame + 30.0);
  EXPECT_TRUE(b.session.connected());
  EXPECT_EQ(b.session.link().portCaption(), QStringLiteral("COM3"));
  EXPECT_EQ(b.readings.size(), 2u);
}

TEST_F(MeterSessionTest, AFailureInsideAConsumerEndsThatTickOnly) {
  bool fail = true;
  QObject::connect(&b.session, &MeterSession::readingDecoded, [&fail](const Reading&) {
    if (fail) throw std::runtime_error("consumer failed");
  });
  EXPECT_NO_THROW(b.session.pollTick());
  fail = false;
  b.session.pollTick();
  EXPECT_EQ(b.readings.size(), 2u);
}

TEST_F(MeterSessionTest, ATickDueInsideItsOwnWaitIsSkipped) {
  int nested = 0;
  b.clock.onIdle = [&] {
    if (nested++ == 0) b.session.pollTick();
  };
  b.session.pollTick();
  b.clock.onIdle = nullptr;
  EXPECT_GT(nested, 1);
  EXPECT_EQ(b.readings.size(), 1u);
  EXPECT_EQ(b.port.writtenText(), "AM");
}

TEST_F(MeterSessionTest, ThePollTimerIsTimer1AndTheWindowsSwitchIt) {
  QTimer* t = b.session.pollTimer();
  EXPECT_EQ(t->objectName(), QStringLiteral("Timer1"));
  EXPECT_EQ(t->interval(), 250);
  EXPECT_FALSE(b.session.pollEnabled());
  b.session.start();
  EXPECT_TRUE(b.session.pollEnabled());

  b.session.setPollEnabled(false);
  EXPECT_FALSE(t->isActive());
  // Switched on again, the poll does not wait a period for its first tick.
  b.session.setPollEnabled(true);
  EXPECT_TRUE(t->isActive());
  QCoreApplication::processEvents();
  EXPECT_EQ(b.readings.size(), 1u);

  // Once stopped, a window's pause ending does not bring the poll back.
  b.session.stop();
  b.session.setPollEnabled(true);
  EXPECT_FALSE(t->isActive());
  b.session.pollTick();
  QCoreApplication::processEvents();
  EXPECT_EQ(b.readings.size(), 1u);
}

TEST_F(MeterSessionTest, ACommandThatWroteToTheMeterBringsTheNextTickAtOnce) {
  b.session.start();
  b.session.pollTick();
  ASSERT_EQ(b.readings.size(), 1u);
  b.session.link().runCommand([&] { b.session.link().command(Command::Handshake); });
  EXPECT_EQ(b.session.linkState().pollCount, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(b.readings.size(), 2u);
  EXPECT_EQ(b.port.writtenText(), "AMAAAM") << "the command's handshake and letter, then the poll";
}

TEST(TwoMeterSessions, EachKeepsItsOwnStateWhileTheOtherFallsSilent) {
  FakeClock clock;
  Bench one(clock), two(clock);
  ASSERT_TRUE(one.open());
  ASSERT_TRUE(two.open());
  two.meter.frame = displayFrame(12.5, 1);
  one.session.pollTick();
  two.session.pollTick();
  one.meter.silentUntil = 1e9;
  for (int i = 0; i < 3; ++i) two.session.pollTick();

  EXPECT_EQ(one.readings.size(), 1u);
  EXPECT_EQ(two.readings.size(), 4u);
  EXPECT_EQ(two.readings.back().text, QStringLiteral("12.5"));
  EXPECT_EQ(one.session.latest()->text, QStringLiteral("523.4"));
  EXPECT_EQ(two.session.linkState().pollCount, 4);
  EXPECT_EQ(one.session.linkState().pollCount, 1);
  EXPECT_TRUE(one.silences.empty()) << "the other session's waits are not this one's silence";
  EXPECT_EQ(one.port.writtenText(), "AM");
}

}  // namespace
}  // namespace lux::test
