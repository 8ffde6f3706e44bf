// The poll and the reconnection against the simulated meter (in process, on the fake clock):
// the stream it keeps up, its misbehaviours, a pulled adapter, and the readings that reach the
// decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

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

}  // namespace
}  // namespace lux::test
