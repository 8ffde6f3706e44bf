// The poll and the reconnection against the simulated meter (in process, on the fake clock):
// the stream it keeps up, its misbehaviours, a pulled adapter, and the readings that reach the
// decoder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <string_view>
#include <utility>

#include "link/FrameDecoder.h"
#include "support/MeterRig.h"

namespace lux::test {
namespace {

class LinkOnSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meter.setReading(412.5, 1);
    state.comPortNumber = 3;
    state.portName = QStringLiteral("/dev/ttyS2");
    QObject::connect(&link, &MeterLink::portCaptionChanged, [this](const QString& c) {
      captions.push_back(c);
      captionTimes.push_back(clock.elapsed());
    });
    QObject::connect(&link, &MeterLink::meterSilenceChanged,
                     [this](bool silent) { silences.emplace_back(silent, clock.elapsed()); });
    QString reason;
    ASSERT_TRUE(link.openLink(&reason)) << reason.toStdString();
    captions.clear();
    captionTimes.clear();
  }

  // One tick with the decoder behind it, as the panel runs it.
  void tick() {
    link.pollTick([&](const QByteArray& f) {
      ++framesSeen;
      EXPECT_EQ(f.size(), 14);
      EXPECT_EQ(f.front(), char(0x02));
      EXPECT_EQ(f.back(), char(0x03));
      const auto r = decodeFrame(display, std::string_view(f.constData(), f.size()));
      return r == DecodeResult::Banner;
    });
  }

  // Ticks 250 ms apart, as the panel's timer runs them.
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      tick();
      clock.advance(0.25);
    }
  }

  // The link alone on the rig: the port is opened by each test's set-up.
  MeterRig rig{RigOptions{steadyMeter(), false, {}}};
  FakeClock& clock = rig.clock;
  sim::SimMeter& meter = rig.meter;
  SimSerialPort& port = rig.simPort;
  LinkState& state = rig.state.link;
  MeterLink& link = rig.link;
  DisplayState& display = rig.state.display;
  int framesSeen = 0;
  std::vector<QString> captions;
  std::vector<double> captionTimes;
  // Each change of the silence notice and the meter time it came at.
  std::vector<std::pair<bool, double>> silences;
};

TEST_F(LinkOnSimTest, TicksMirrorTheReadingAndKeepTheStreamGoing) {
  ticks(60);
  EXPECT_EQ(framesSeen, 60);
  EXPECT_EQ(display.mainValueText, "412.5");
  EXPECT_EQ(display.unitText, "Lx");
  // One handshake and "M" every fifteen ticks, nothing else: ticks 1, 16, 31, 46.
  EXPECT_EQ(meter.receivedLetters(), "AMAMAMAM");
  EXPECT_EQ(state.pollCount, 0);
  EXPECT_FLOAT_EQ(state.loggerAddress, 1279.0f);
  EXPECT_TRUE(captions.empty());

  meter.setReading(7.25, 2);
  ticks(2);
  EXPECT_EQ(display.mainValueText, "7.25");
}

TEST_F(LinkOnSimTest, SplitAndMisframedFramesNeverReachTheDecoderBroken) {
  meter.splitFrames(true);
  ticks(20);
  EXPECT_EQ(framesSeen, 20);
  meter.misframeNext(5);
  const int before = state.pollCount;
  ticks(3);
  EXPECT_EQ(framesSeen, 23);
  EXPECT_EQ(state.pollCount, (before + 3) % 15);
  EXPECT_EQ(display.mainValueText, "412.5");
  EXPECT_TRUE(captions.empty());
}

TEST_F(LinkOnSimTest, SilentMeterShowsNoComThenComesBack) {
  ticks(3);
  const double quietFrom = clock.elapsed();
  meter.goSilent(20.0);
  tick();
  ASSERT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  EXPECT_GT(captionTimes[0] - quietFrom, 12.0);
  EXPECT_LT(captionTimes[0] - quietFrom, 12.5);
  EXPECT_GE(captionTimes[1] - quietFrom, 19.7);  // silent from the meter's last known time
  ticks(3);
  EXPECT_EQ(framesSeen, 6);
}

TEST_F(LinkOnSimTest, PulledAdapterIsReopenedAndTheReadingResumes) {
  ticks(3);
  port.unplug();
  const double out = clock.elapsed();
  clock.onIdle = [&] {
    if (port.unplugged() && clock.elapsed() - out > 5.0) port.replug();
  };
  tick();
  ASSERT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  EXPECT_LT(captionTimes[0] - out, 0.05);  // a closed port needs no six silent windows
  EXPECT_GE(port.openFailures(), 20);      // every 0.2 s for 5 s
  EXPECT_LE(port.openFailures(), 27);
  EXPECT_EQ(port.openedName(), "/dev/ttyS2");
  ticks(5);
  EXPECT_EQ(framesSeen, 3 + 5);
  EXPECT_EQ(display.mainValueText, "412.5");
}

TEST_F(LinkOnSimTest, GarbageBetweenFramesIsSurvived) {
  for (int i = 0; i < 10; ++i) {
    meter.injectRandomGarbage(23);
    ticks(2);
  }
  EXPECT_EQ(framesSeen, 20);
  EXPECT_EQ(display.mainValueText, "412.5");
}

TEST_F(LinkOnSimTest, BannerHoldsTheCountSoNoStreamRequestIsResent) {
  ticks(14);
  ASSERT_EQ(state.pollCount, 14);
  meter.setAnnunciator(sim::Annunciator::SetUp, true);
  ticks(5);
  EXPECT_EQ(state.pollCount, 14);
  EXPECT_EQ(meter.receivedLetters(), "AM");
  meter.setAnnunciator(sim::Annunciator::SetUp, false);
  ticks(2);
  EXPECT_EQ(meter.receivedLetters(), "AMAM");
  EXPECT_EQ(state.pollCount, 1);
}

// A meter that sends nothing: the poll says so after four seconds of listening, long before the
// caption turns to "No COM", and takes it back with the first frame.
TEST_F(LinkOnSimTest, SilenceIsNotedWithinSecondsAndClearedByTheNextFrame) {
  ticks(3);
  const double quietFrom = clock.elapsed();
  meter.goSilent(20.0);
  tick();  // six empty windows, "No COM", then the meter is back
  ASSERT_EQ(silences.size(), 1u);
  EXPECT_TRUE(silences[0].first);
  EXPECT_GE(silences[0].second - quietFrom, 4.0 - 0.01);
  EXPECT_LT(silences[0].second - quietFrom, 4.0 + 0.1);
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_GT(captionTimes[0] - quietFrom, 12.0);  // "No COM" alone would have said it here
  EXPECT_TRUE(state.meterSilent) << "the reconnection brought no frame yet";
  tick();
  ASSERT_EQ(silences.size(), 2u);
  EXPECT_FALSE(silences[1].first);
  EXPECT_FALSE(state.meterSilent);
  EXPECT_EQ(framesSeen, 4);
}

// The first run without a meter: the first tick's handshake tries for twenty seconds before
// "No COM"; the notice comes after four.
TEST_F(LinkOnSimTest, SilentFromTheStartIsNotedBeforeTheHandshakeGivesUp) {
  meter.goSilent(30.0);
  tick();
  ASSERT_FALSE(silences.empty());
  EXPECT_TRUE(silences[0].first);
  EXPECT_LT(silences[0].second, 4.0 + 0.1);
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions[0], "No COM");
  EXPECT_GE(captionTimes[0], 19.9);
  // Back at 30 s: the handshake goes on, "M", and the tick's frame takes the notice away.
  EXPECT_EQ(framesSeen, 1);
  ASSERT_EQ(silences.size(), 2u);
  EXPECT_FALSE(silences[1].first);
  EXPECT_GE(silences[1].second, 30.0);
}

// The notice comes after 4 s without a frame: a frame after 3.9 s of listening is still a pause.
// (The poll hears the meter's first frame a little before the meter's own pause is over: the
// pause is counted from the meter's last frame.)
TEST_F(LinkOnSimTest, AFrameAfterThreePointNineSecondsIsNoSilence) {
  ticks(3);
  const double quietFrom = clock.elapsed();
  double frameAt = -1;
  meter.goSilent(4.04);
  link.pollTick([&](const QByteArray&) {
    frameAt = clock.elapsed();
    return false;
  });
  EXPECT_GE(frameAt - quietFrom, 3.85);
  EXPECT_LT(frameAt - quietFrom, 4.0);
  EXPECT_TRUE(silences.empty());
  EXPECT_FALSE(state.meterSilent);
}

// Pauses shorter than the notice (a meter that takes its time, a frame lost on the line) never
// raise it, and time the poll does not listen (a command holding the line) does not count.
TEST_F(LinkOnSimTest, ShortPausesAndCommandWaitsAreNoSilence) {
  ticks(3);
  for (double pause : {1.5, 2.5, 3.5}) {
    meter.goSilent(pause);
    ticks(2);
  }
  EXPECT_EQ(framesSeen, 9);
  // Two commands ask for 3 s each; the poll then hears the meter half a second later.
  meter.goSilent(6.5);
  bool answered = true;
  for (int i = 0; i < 2; ++i) {
    link.runCommand([&] { answered = link.command(Command::Enter); });
    EXPECT_FALSE(answered);
  }
  ticks(2);
  EXPECT_EQ(framesSeen, 11);
  EXPECT_TRUE(silences.empty());
}

// Once the poll finds the meter silent a command asks once (0.02 s) instead of for three
// seconds; a meter that has just come back still answers that one attempt.
TEST_F(LinkOnSimTest, CommandsAskOnceWhileTheMeterIsSilent) {
  ticks(3);
  meter.goSilent(1000.0);
  double spentUnnoticed = clock.elapsed();
  bool answered = true;
  link.runCommand([&] { answered = link.command(Command::Enter); });
  spentUnnoticed = clock.elapsed() - spentUnnoticed;
  EXPECT_FALSE(answered);
  EXPECT_GE(spentUnnoticed, MeterLink::kAnswerBound - 0.01) << "not yet noticed: the full bound";

  // The user clicks while the poll waits for the meter: the tick gives the line up, and the
  // command runs right after it.
  double spent = -1;
  bool clicked = false;
  clock.onIdle = [&] {
    if (!state.meterSilent || clicked) return;
    clicked = true;
    link.runCommand([&] {
      rig.forget();
      const double from = clock.elapsed();
      answered = link.command(Command::Enter);
      spent = clock.elapsed() - from;
    });
  };
  tick();
  clock.onIdle = nullptr;
  ASSERT_TRUE(clicked);
  QCoreApplication::processEvents();
  ASSERT_GE(spent, 0) << "the command ran after the tick";
  EXPECT_FALSE(answered);
  EXPECT_LE(spent, 2 * MeterLink::kStep + 1e-6);
  EXPECT_EQ(rig.letters(), "A") << "one handshake attempt, and no letter after it";

  meter.goSilent(0);  // back now, before the poll has seen a frame
  ASSERT_TRUE(state.meterSilent);
  rig.forget();
  link.runCommand([&] { answered = link.command(Command::Enter); });
  EXPECT_TRUE(answered);
  EXPECT_EQ(rig.letters(), "AH");
  ticks(2);
  EXPECT_FALSE(state.meterSilent);
  EXPECT_EQ(framesSeen, 3 + 2);
}

}  // namespace
}  // namespace lux::test
