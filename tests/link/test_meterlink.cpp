// The command channel on a fake clock: the timed wait, the handshake, reconnection, the poll
// tick and its collection windows, against a scripted meter. Minutes of meter time run in
// milliseconds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <random>

#include "link/Fiber.h"
#include "support/FakeMeter.h"
#include "support/MeterRig.h"
#include "support/ScriptedPort.h"

namespace lux::test {
namespace {

using Ev = ScriptedPort::Event;

class LinkTest : public ::testing::Test {
 protected:
  LinkTest() { rig.port.routeTo(port); }

  void SetUp() override {
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

  // One poll tick; the frames handed to the decoder are collected.
  void tick(bool banner = false) {
    link.pollTick([&](const QByteArray& f) {
      frames.push_back(f);
      return banner;
    });
  }

  int count(char letter) const {
    const std::string w = port.writtenText();
    return static_cast<int>(std::count(w.begin(), w.end(), letter));
  }

  // The link on the rig, its line routed to a scripted far end.
  MeterRig rig{RigOptions{steadyMeter(), false, {}}};
  FakeClock& clock = rig.clock;
  ScriptedPort port{clock};
  FakeMeter meter{port};
  LinkState& state = rig.state.link;
  MeterLink& link = rig.link;
  std::vector<QString> captions;
  std::vector<double> captionTimes;
  std::vector<QByteArray> frames;
};

// ---- the timed wait ----

TEST_F(LinkTest, WaitLastsItsDurationAndRunsEvents) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  const double before = clock.elapsed();
  link.waitSeconds(0.2);
  EXPECT_GE(clock.elapsed() - before, 0.2 - 1e-9);
  EXPECT_LT(clock.elapsed() - before, 0.21);
  EXPECT_TRUE(ran);

  // Even a zero wait lets pending events run once.
  bool ranAgain = false;
  QTimer::singleShot(0, [&] { ranAgain = true; });
  link.waitSeconds(0);
  EXPECT_TRUE(ranAgain);
}

TEST_F(LinkTest, WaitsRunTheirFullLengthAcrossMidnight) {
  // Begun 10 ms, 100 ms and 1 s before midnight: each lasts what it was asked for.
  for (int ms : {990, 900, 0}) {
    clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(23, 59, 59, ms)));
    const double before = clock.elapsed();
    link.waitSeconds(0.2);
    EXPECT_GE(clock.elapsed() - before, 0.2 - 1e-6) << ms;
    EXPECT_LT(clock.elapsed() - before, 0.21) << ms;
  }
}

TEST_F(LinkTest, NoLoopOutpacesTheTwentyMillisecondRhythmAroundMidnight) {
  // The meter answers the handshake but sends nothing after "M": the reconnection writes "M"
  // every 0.2 s, and its handshake attempts "A" every 0.02 s. Counted over the second around
  // midnight, no loop may write faster than that, whatever the clock reads.
  meter.ignoreStreamRequests = 1 << 30;
  clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(23, 59, 59, 500)));
  clock.onIdle = [&] {
    if (clock.elapsed() > 1.0) link.abort();
  };
  EXPECT_THROW(link.reconnectMeter(), LinkAborted);
  const int written = static_cast<int>(port.writtenText().size());
  EXPECT_GT(written, 0);
  EXPECT_LE(written, 1.0 / 0.02 + 2) << port.writtenText();
  EXPECT_LE(count('M'), 1.0 / 0.2 + 1);
}

TEST(LinkWait, IdleStepsThatEndEarlyStillAddUpToTheWholeWait) {
  // A system timer may wake the idle step before its time: the wait goes on idling.
  struct EarlyWakingClock : FakeClock {
    void idle(double seconds) override { FakeClock::idle(seconds > 0.004 ? seconds / 2 : seconds); }
  };
  EarlyWakingClock clock;
  ScriptedPort port{clock};
  LinkState state;
  MeterLink link{port, clock, state};
  link.waitSeconds(0.2);
  EXPECT_GE(clock.elapsed(), 0.2 - 1e-6);
  EXPECT_LT(clock.elapsed(), 0.201);
  EXPECT_GT(clock.idleCalls(), 1);
}

TEST_F(LinkTest, WaitIsBoundedWhenThePcClockIsSetBack) {
  bool setBack = false;
  clock.onIdle = [&] {
    if (!setBack) clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(7, 0, 0)));
    setBack = true;
  };
  const double before = clock.elapsed();
  link.waitSeconds(0.2);
  EXPECT_TRUE(setBack);
  EXPECT_LE(clock.elapsed() - before, 0.6);
}

TEST_F(LinkTest, AbortEndsEveryWait) {
  clock.onIdle = [&] { link.abort(); };
  EXPECT_THROW(link.waitSeconds(0.2), LinkAborted);
  clock.onIdle = nullptr;
  EXPECT_THROW(link.waitSeconds(0.02), LinkAborted);
  EXPECT_THROW(link.meterHandshake(), LinkAborted);
}

TEST_F(LinkTest, AbortEndsAReconnectionThatWouldWaitForever) {
  meter.silentUntil = 1e9;
  clock.onIdle = [&] {
    if (clock.elapsed() > 60) link.abort();
  };
  EXPECT_THROW(link.reconnectMeter(), LinkAborted);
  EXPECT_LT(clock.elapsed(), 61);
  EXPECT_EQ(captions, std::vector<QString>{"No COM"});
}

// ---- the handshake ----

TEST_F(LinkTest, HandshakeStoresTheLoggerAddress) {
  meter.address = 0x01FFFF;
  link.meterHandshake();
  EXPECT_FLOAT_EQ(state.loggerAddress, 131071.0f);
  EXPECT_EQ(port.writtenText(), "A");
  EXPECT_TRUE(captions.empty());
}

TEST_F(LinkTest, WrongAnswerIsRejectedAndRestartsTheAttempts) {
  // 600 silent attempts, then 02 AA .. with a wrong end byte, then 998 silent, then a valid
  // answer. Without the restart the silent attempts would add up past 1000 and show "No COM".
  meter.answerFor = [](int n) -> QByteArray {
    if (n == 601) return handshakeAnswer(0x000777, 0x04);
    if (n == 1600) return handshakeAnswer(0x000500);
    return {};
  };
  link.meterHandshake();
  EXPECT_EQ(meter.handshakes, 1600);
  EXPECT_FLOAT_EQ(state.loggerAddress, 1280.0f);
  EXPECT_TRUE(captions.empty());
}

TEST_F(LinkTest, AnswerWithWrongMarkerByteIsRejected) {
  meter.answerFor = [](int n) -> QByteArray {
    if (n == 1) return QByteArray("\x02\x55\x00\x04\xFF\x03", 6);
    if (n == 2) return QByteArray("\x03\xAA\x00\x04\xFF\x03", 6);
    return handshakeAnswer(0x0004FF);
  };
  link.meterHandshake();
  EXPECT_EQ(meter.handshakes, 3);
  EXPECT_FLOAT_EQ(state.loggerAddress, 1279.0f);
}

TEST_F(LinkTest, ThousandSilentAttemptsFallIntoReconnection) {
  int attemptsBeforeNoCom = -1;
  QObject::connect(&link, &MeterLink::portCaptionChanged, [&](const QString& c) {
    if (c == "No COM") attemptsBeforeNoCom = meter.handshakes;
  });
  meter.answerFor = [](int n) -> QByteArray {
    return n <= 1010 ? QByteArray() : handshakeAnswer(0x000600);
  };
  link.meterHandshake();
  EXPECT_EQ(attemptsBeforeNoCom, 1000);
  // 1000 attempts of 0.02 s: at least 20 s of waiting.
  ASSERT_EQ(captionTimes.size(), 2u);
  EXPECT_GE(captionTimes[0], 20.0);
  EXPECT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  EXPECT_FLOAT_EQ(state.loggerAddress, 1536.0f);
  // Reconnection restarts the display stream; the handshake then answers once more. The frames
  // already waiting when the reconnection ends are dropped first, so that one "A" does.
  const std::string w = port.writtenText();
  EXPECT_NE(w.find("AM"), std::string::npos);
  EXPECT_EQ(w.substr(w.size() - 3), "AMA");
  EXPECT_EQ(meter.handshakes, 1012);
}

TEST_F(LinkTest, MeterAnsweringOnlyGarbageEndsUpShowingNoCom) {
  // Wrong answers do not count against the silent limit, but a line that never answers
  // properly must not keep showing the port as up.
  int answersBeforeNoCom = -1;
  QObject::connect(&link, &MeterLink::portCaptionChanged, [&](const QString& c) {
    if (c == "No COM") answersBeforeNoCom = meter.handshakes;
  });
  meter.answerFor = [](int n) -> QByteArray {
    return n <= 1500 ? QByteArray("\x02\xAA\x00\x04\xFF\x7E", 6) : handshakeAnswer(0x000700);
  };
  link.meterHandshake();
  EXPECT_EQ(answersBeforeNoCom, 1000);
  EXPECT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  EXPECT_FLOAT_EQ(state.loggerAddress, 1792.0f);
}

// ---- the poll tick ----

TEST_F(LinkTest, FirstTickHandshakesStartsTheStreamAndCounts) {
  state.pollCount = 0;
  tick();
  EXPECT_EQ(port.writtenText(), "AM");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], meter.frame);
  EXPECT_EQ(state.pollCount, 1);
}

TEST_F(LinkTest, StreamIsRestartedOnEveryFifteenthTick) {
  meter.startStreaming(clock.elapsed());
  state.pollCount = 14;
  tick();
  EXPECT_EQ(state.pollCount, 0);
  EXPECT_EQ(port.writtenText(), "");
  tick();
  EXPECT_EQ(port.writtenText(), "AM");
  EXPECT_EQ(state.pollCount, 1);
  for (int i = 0; i < 14; ++i) tick();
  EXPECT_EQ(port.writtenText(), "AM");
  EXPECT_EQ(state.pollCount, 0);
  EXPECT_EQ(frames.size(), 16u);
}

TEST_F(LinkTest, BannerFrameLeavesThePollCountAlone) {
  meter.startStreaming(clock.elapsed());
  state.pollCount = 7;
  tick(/*banner=*/true);
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(state.pollCount, 7);
}

TEST_F(LinkTest, SplitFrameIsJoinedBeforeTheCheck) {
  state.pollCount = 3;
  const QByteArray f = displayFrame(88.8, 1);
  const double t0 = clock.elapsed();
  port.deliverIn(0.01, f.left(5));
  port.deliverIn(0.03, f.mid(5, 4));
  port.deliverIn(0.05, f.mid(9));
  tick();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], f);
  EXPECT_EQ(state.pollCount, 4);
  // Whole at 50 ms, read at the 60 ms step: the frame is taken there.
  EXPECT_NEAR(clock.elapsed() - t0, 0.06, 1e-6);
}

TEST_F(LinkTest, AFrameIsTakenTheMomentItIsWholeAndNoiseEndsItsWindowOnTheGrid) {
  // The wait wakes the moment the bytes come (as on the PC). A whole frame ends the tick then
  // and there: at 1 ms, 20.5 ms, 1.99 s. Fourteen bytes that are no frame end their window on
  // the grid of 20 ms steps from its start, one step after the step they were read at, and only
  // then does the next window throw away what waits and listen afresh: garbage whole at 1, 19 or
  // 19.9 ms is followed by a discard at 40 ms, at 20.5 ms by one at 60 ms.
  clock.wakeStep = 0.0005;
  const QByteArray f = displayFrame(42.0, 1);
  struct Case {
    std::vector<std::pair<double, int>> pieces;  // arrival after the tick's start, bytes
    double endsAt;                               // seconds after the tick's start
  };
  const std::vector<Case> frames_ = {
      {{{0.001, 14}}, 0.001},
      {{{0.0199, 14}}, 0.02},
      {{{0.0205, 14}}, 0.0205},
      {{{0.1005, 14}}, 0.1005},
      {{{1.99, 14}}, 1.99},
      {{{0.005, 6}, {0.033, 8}}, 0.033},
      {{{0.011, 9}, {0.181, 5}}, 0.181},
  };
  for (const Case& c : frames_) {
    meter.silentUntil = 1e9;  // only the scripted bytes
    state.pollCount = 3;
    frames.clear();
    const double t0 = clock.elapsed();
    int at = 0;
    for (auto [after, n] : c.pieces) {
      port.deliverAt(t0 + after, f.mid(at, n));
      at += n;
    }
    tick();
    ASSERT_EQ(frames.size(), 1u) << c.pieces.front().first;
    EXPECT_EQ(frames[0], f);
    EXPECT_NEAR(clock.elapsed() - t0, c.endsAt, 1e-6) << "frame whole at " << c.pieces.back().first;
    clock.advance(0.3);
  }

  const QByteArray garbage(14, '\x55');
  const std::vector<std::pair<double, double>> noise = {
      {0.001, 0.04}, {0.019, 0.04}, {0.0199, 0.04}, {0.0205, 0.06}, {0.0995, 0.12}};
  for (auto [wholeAt, nextWindowAt] : noise) {
    meter.silentUntil = 1e9;
    state.pollCount = 3;
    frames.clear();
    port.clearLog();
    const double t0 = clock.elapsed();
    port.deliverAt(t0 + wholeAt, garbage);
    port.deliverAt(t0 + 0.5, f);
    tick();
    ASSERT_EQ(frames.size(), 1u) << wholeAt;
    const std::vector<double> discards = port.timesOf(ScriptedPort::Event::Discard);
    ASSERT_EQ(discards.size(), 2u) << wholeAt;
    EXPECT_NEAR(discards[1] - t0, nextWindowAt, 1e-6) << "garbage whole at " << wholeAt;
    EXPECT_NEAR(clock.elapsed() - t0, 0.5, 1e-6);
    clock.advance(0.3);
  }
}

TEST_F(LinkTest, TicksSharingAThreadTakeTheirFrameAtTheNextMomentOfTheClocksGrid) {
  // Several meters on one thread (each tick on a stack of its own) read on one grid of 20 ms of
  // the clock, so that one wake-up serves them all: a frame whole at 6 ms of the clock is taken
  // at 20 ms, one whole at 24.9 ms at 40 ms. A meter that has sent nothing new for 120 ms of its
  // window is waited for by its bytes again: a frame after 0.3 s of silence is taken at once, as
  // is one whose first 6 bytes came at 5 ms and the rest only at 0.3 s.
  clock.wakeStep = 0.0005;
  const QByteArray f = displayFrame(42.0, 1);
  struct Case {
    double wholeAt;  // after the tick's start
    double endsAt;
    double firstSixAt = -1;  // the frame's first 6 bytes come earlier
  };
  // Each tick starts 5 ms past a grid moment.
  const std::vector<Case> cases = {
      {0.001, 0.015}, {0.0199, 0.035}, {0.07, 0.075}, {0.3, 0.3}, {0.3, 0.3, 0.005}};
  for (const Case& c : cases) {
    clock.advance(0.3);
    clock.advance(0.005 - std::fmod(clock.monotonicSeconds(), 0.02) +
                  (std::fmod(clock.monotonicSeconds(), 0.02) > 0.005 ? 0.02 : 0.0));
    meter.silentUntil = 1e9;
    state.pollCount = 3;
    frames.clear();
    const double t0 = clock.elapsed();
    if (c.firstSixAt >= 0) {
      port.deliverAt(t0 + c.firstSixAt, f.left(6));
      port.deliverAt(t0 + c.wholeAt, f.mid(6));
    } else {
      port.deliverAt(t0 + c.wholeAt, f);
    }
    Fiber fiber;
    fiber.start([&] { tick(); });
    ASSERT_TRUE(fiber.idle());
    ASSERT_EQ(frames.size(), 1u) << c.wholeAt;
    EXPECT_EQ(frames[0], f);
    EXPECT_NEAR(clock.elapsed() - t0, c.endsAt, 1e-6) << "frame whole at " << c.wholeAt;
  }
}

TEST_F(LinkTest, AClickEndsTheTicksWaitAtTheNextStep) {
  // The meter is silent; a click 30.5 ms into the window ends the tick at 40 ms, the step after
  // it, whether the wait wakes at once or not.
  for (double wake : {0.0, 0.0005}) {
    clock.wakeStep = wake;
    meter.silentUntil = 1e9;
    state.pollCount = 3;
    const double t0 = clock.elapsed();
    bool clicked = false, ran = false;
    clock.onIdle = [&] {
      if (!clicked && clock.elapsed() - t0 >= 0.0305 - 1e-9) {
        clicked = true;
        link.runCommand([&] { ran = true; });
      }
    };
    tick();
    clock.onIdle = nullptr;
    EXPECT_TRUE(clicked);
    EXPECT_NEAR(clock.elapsed() - t0, 0.04, 1e-6) << wake;
    EXPECT_TRUE(frames.empty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran) << "the click runs right after the tick";
    clock.advance(0.3);
  }
}

TEST_F(LinkTest, MisframedFramesAreDroppedWithoutCounting) {
  state.pollCount = 3;
  QByteArray badEnd = displayFrame(11.1, 1);
  badEnd[13] = 0x04;
  QByteArray badStart = displayFrame(22.2, 1);
  badStart[0] = 0x12;
  const QByteArray good = displayFrame(33.3, 1);
  port.deliverIn(0.01, badEnd);
  port.deliverIn(0.1, badStart);
  port.deliverIn(0.2, good);
  tick();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], good);
  EXPECT_EQ(state.pollCount, 4);
  EXPECT_TRUE(captions.empty());
}

TEST_F(LinkTest, FullFrameResetsTheSilentWindowCount) {
  // Four silent windows, a misframed frame in the fifth, then four more silent windows before a
  // good frame: a full read starts the count of silent windows afresh, so no reconnection.
  // The meter itself stays deaf to the stream requests of the empty windows.
  state.pollCount = 3;
  meter.silentUntil = 1e9;
  QByteArray bad = displayFrame(5.0, 1);
  bad[13] = 0x7F;
  const QByteArray good = displayFrame(6.0, 1);
  port.deliverAt(9.0, bad);
  port.deliverAt(18.0, good);
  tick();
  EXPECT_TRUE(captions.empty());
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], good);
  EXPECT_EQ(state.pollCount, 4);
}

TEST_F(LinkTest, StreamThatRanOutIsAskedForAgainAfterOneEmptyWindow) {
  // The meter missed the last "M" (it was silent) and its stream has run out; it answers
  // again now. The tick must not sit through six empty windows and a reconnection.
  state.pollCount = 7;
  meter.streamUntil = -1;
  const double t0 = clock.elapsed();
  tick();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(captions.empty()) << "no reconnection";
  EXPECT_LT(clock.elapsed() - t0, 2.5) << "one empty window, then the frame";
  EXPECT_EQ(port.timesOf(Ev::Write, 'M').size(), 1u);
  EXPECT_EQ(state.pollCount, 8);
}

TEST_F(LinkTest, LongerReadHandsOnOnlyTheFirstFourteenBytes) {
  state.pollCount = 3;
  const QByteArray first = displayFrame(1.0, 1);
  port.deliverIn(0.01, first + displayFrame(2.0, 1).left(7));
  tick();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], first);
}

TEST_F(LinkTest, SilentMeterMakesSixWindowsThenReconnects) {
  state.pollCount = 5;
  meter.silentUntil = 30.0;
  meter.ignoreStreamRequests = 3;
  tick();
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(state.pollCount, 5);
  ASSERT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  // Six windows of 2 s (each a little over, by its last 0.02 s step).
  EXPECT_GT(captionTimes[0], 12.0);
  EXPECT_LT(captionTimes[0], 12.5);
  const auto discards = port.timesOf(Ev::Discard);
  const auto firstA = port.timesOf(Ev::Write, 'A');
  ASSERT_FALSE(firstA.empty());
  EXPECT_EQ(
      std::count_if(discards.begin(), discards.end(), [&](double t) { return t < firstA.front(); }),
      6);
  // "A" keeps going until the meter answers, then "M" every 0.2 s until a byte arrives.
  for (double t : firstA) EXPECT_GE(t, captionTimes[0]);
  EXPECT_GE(firstA.back(), 30.0);
  // Each empty window asked for the stream again (five times before the reconnection).
  auto ms = port.timesOf(Ev::Write, 'M');
  EXPECT_EQ(std::count_if(ms.begin(), ms.end(), [&](double t) { return t < captionTimes[0]; }), 5);
  ms.erase(std::remove_if(ms.begin(), ms.end(), [&](double t) { return t < firstA.back(); }),
           ms.end());
  ASSERT_EQ(ms.size(), 4u);
  for (std::size_t i = 1; i < ms.size(); ++i) EXPECT_NEAR(ms[i] - ms[i - 1], 0.2, 0.005);
  EXPECT_GT(ms.front(), firstA.back());
  EXPECT_GE(captionTimes[1], ms.back());

  // The link is up again: the next tick reads a frame.
  tick();
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(state.pollCount, 6);
}

TEST_F(LinkTest, CollectionWindowAcrossMidnightRunsItsFullLength) {
  clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(23, 59, 59, 995)));
  state.pollCount = 5;
  meter.silentUntil = 20.0;
  tick();
  const auto d = port.timesOf(Ev::Discard);
  ASSERT_GE(d.size(), 3u);
  // The window that spans midnight listens its 2 s like any other.
  EXPECT_GT(d[1] - d[0], 2.0);
  EXPECT_LT(d[1] - d[0], 2.1);
  EXPECT_GT(d[2] - d[1], 2.0);
  EXPECT_EQ(captions.back(), "COM3");
}

TEST_F(LinkTest, VanishedPortIsReopenedEvery200msAndTheLinkResumes) {
  meter.startStreaming(clock.elapsed());
  state.pollCount = 3;
  tick();
  ASSERT_EQ(frames.size(), 1u);

  port.vanish();
  const double gone = clock.elapsed();
  clock.onIdle = [&] {
    if (!port.deviceThere && clock.elapsed() - gone >= 3.0) port.deviceThere = true;
  };
  tick();
  ASSERT_EQ(captions, (std::vector<QString>{"No COM", "COM3"}));
  EXPECT_LT(captionTimes[0] - gone, 0.05);
  const auto failed = port.timesOf(Ev::OpenFailed);
  EXPECT_GE(failed.size(), 13u);
  EXPECT_LE(failed.size(), 16u);
  for (std::size_t i = 1; i < failed.size(); ++i) EXPECT_GE(failed[i] - failed[i - 1], 0.2 - 1e-6);
  EXPECT_EQ(port.timesOf(Ev::Open).size(), 2u);
  EXPECT_EQ(port.openedName, "/dev/ttyS2");

  tick();
  EXPECT_EQ(frames.size(), 2u);
}

TEST_F(LinkTest, PortVanishingInsideACollectionWindowReconnectsAtOnce) {
  state.pollCount = 3;
  bool vanished = false;
  clock.onIdle = [&] {
    if (!vanished && clock.elapsed() > 0.5) {
      port.vanish();
      vanished = true;
    }
    if (!port.deviceThere && clock.elapsed() > 1.5) port.deviceThere = true;
  };
  tick();
  ASSERT_FALSE(captionTimes.empty());
  EXPECT_LT(captionTimes[0], 0.6);
  EXPECT_EQ(captions.back(), "COM3");
}

TEST_F(LinkTest, NoiseOnTheLineNeverHangsTheTick) {
  std::mt19937 rng(7);
  port.source = [&](double now) {
    QByteArray out;
    if (now < 40.0) {
      for (int i = 0; i < 37; ++i) out.append(char(rng() & 0xFF));
    } else {
      out = meter.stream(now);
    }
    return out;
  };
  meter.silentUntil = 40.0;
  state.pollCount = 0;
  tick();
  EXPECT_EQ(captions.back(), "COM3");
  EXPECT_LT(clock.elapsed(), 45.0);
  // Whatever the noise looked like, the decoder only ever saw well-framed frames.
  for (const auto& f : frames) {
    ASSERT_EQ(f.size(), 14);
    EXPECT_EQ(f[0], char(0x02));
    EXPECT_EQ(f[13], char(0x03));
  }
  frames.clear();
  tick();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], meter.frame);
}

TEST_F(LinkTest, EndlessNoiseShowsNoComAndEndsWhenTheProgramCloses) {
  std::mt19937 rng(11);
  port.source = [&](double) {
    QByteArray out;
    for (int i = 0; i < 29; ++i) out.append(char(rng() & 0xFF));
    return out;
  };
  meter.silentUntil = 1e9;
  clock.onIdle = [&] {
    if (clock.elapsed() > 120) link.abort();
  };
  state.pollCount = 4;
  EXPECT_THROW(tick(), LinkAborted);
  EXPECT_EQ(captions, std::vector<QString>{"No COM"});
  EXPECT_LT(clock.elapsed(), 121);
}

// ---- commands ----

TEST_F(LinkTest, TransactionSendsHandshakeLetterAndDataAfterAPause) {
  link.transact(Command::SetHoldTime, QByteArray("\x01\x30", 2));
  EXPECT_EQ(port.writtenText(), std::string("AS\x01\x30", 4));
  std::vector<double> writes;
  for (const auto& e : port.log())
    if (e.kind == Ev::Write) writes.push_back(e.at);
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_GE(writes[2] - writes[1], 0.05 - 1e-9);
  EXPECT_LT(writes[2] - writes[1], 0.06);

  port.clearLog();
  link.transact(Command::EraseMemory);
  EXPECT_EQ(port.writtenText(), "AE");
}

TEST_F(LinkTest, OpenLinkNamesThePortAndReportsFailures) {
  LinkState s;
  ScriptedPort p(clock);
  MeterLink l(p, clock, s);
  QString reason;
  EXPECT_FALSE(l.openLink(&reason));  // nothing chosen
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_EQ(l.portCaption(), "No COM");

  s.comPortNumber = 16;
  p.deviceThere = false;
  reason.clear();
  EXPECT_FALSE(l.openLink(&reason));
  EXPECT_EQ(reason, "no such device");
  EXPECT_EQ(s.portName, "/dev/ttyS15");

  p.deviceThere = true;
  EXPECT_TRUE(l.openLink(&reason));
  EXPECT_EQ(p.openedName, "/dev/ttyS15");
  EXPECT_EQ(l.portCaption(), "COM16");

  // A typed device path keeps its name in the caption.
  LinkState typed;
  typed.portName = "/dev/pts/7";
  ScriptedPort p2(clock);
  MeterLink l2(p2, clock, typed);
  EXPECT_TRUE(l2.openLink(&reason));
  EXPECT_EQ(l2.portCaption(), "/dev/pts/7");
}

}  // namespace
}  // namespace lux::test
