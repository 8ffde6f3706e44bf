// A poll tick on a stack of its own: its waits on the real clock give the thread back to the
// event loop (other meters' ticks run meanwhile) and the tick is taken up again when the wait is
// over; a wait that is not the poll's own stays where it is.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "link/Fiber.h"
#include "link/MeterLink.h"
#include "link/SystemClock.h"
#include "support/FakeClock.h"
#include "support/ScriptedPort.h"

namespace lux {
namespace {

void runFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST(Fiber, AWaitOnItsStackGivesTheThreadBackUntilItIsOver) {
  SystemClock clock;
  Fiber fiber;
  std::vector<std::string> order;
  QTimer::singleShot(10, [&] { order.push_back("another meter's tick"); });
  const ElapsedTimer elapsed(clock);
  fiber.start([&] {
    order.push_back("wait begins");
    EXPECT_EQ(Fiber::current(), &fiber);
    clock.idle(0.06);
    order.push_back("wait over");
  });
  // Back here at the wait, with the tick still on its stack.
  EXPECT_TRUE(fiber.suspended());
  EXPECT_EQ(Fiber::current(), nullptr);
  for (int i = 0; i < 50 && !fiber.idle(); ++i) runFor(10);
  EXPECT_TRUE(fiber.idle());
  EXPECT_GE(elapsed.elapsed(), 0.059);
  EXPECT_EQ(order, (std::vector<std::string>{"wait begins", "another meter's tick", "wait over"}));
}

// Waits until the monotonic clock is at most 2 ms past a 20 ms moment.
void justAfterAGridMoment(SystemClock& clock) {
  for (;;) {
    const double into = std::fmod(clock.monotonicSeconds(), 0.02);
    if (into < 0.002) return;
  }
}

void spinFor(SystemClock& clock, double seconds) {
  const ElapsedTimer t(clock);
  while (!t.hasExpired(seconds)) {
  }
}

TEST(Fiber, TicksWaitingOnTheGridEndAtItsNextMomentInOneWakeUp) {
  // Four meters' ticks reach their wait 2.5 ms apart, as they do one after the other: each
  // wait ends at the next 20 ms moment of the clock, not 20 ms after it began, and the four end
  // in one wake-up of the thread (timers of their own often end them in two). Eight rounds.
  SystemClock clock;
  int wakeUps = 0;
  const QObject counting;  // the count ends with the test
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                   &counting, [&] { ++wakeUps; });
  for (int round = 0; round < 8; ++round) {
    std::array<std::unique_ptr<Fiber>, 4> fibers;
    std::array<double, 4> endedAt{};
    std::array<int, 4> endedInWakeUp{};
    justAfterAGridMoment(clock);
    const double grid = (std::floor(clock.monotonicSeconds() / 0.02) + 1) * 0.02;
    for (std::size_t i = 0; i < fibers.size(); ++i) {
      if (i > 0) spinFor(clock, 0.0025);
      fibers[i] = std::make_unique<Fiber>();
      fibers[i]->start([&, i] {
        clock.idleOnGrid(1.0, 0.02, [] { return false; });
        endedAt[i] = clock.monotonicSeconds();
        endedInWakeUp[i] = wakeUps;
      });
    }
    for (int i = 0; i < 50 && !fibers[3]->idle(); ++i) runFor(10);
    for (std::size_t i = 0; i < fibers.size(); ++i) {
      ASSERT_TRUE(fibers[i]->idle()) << i;
      EXPECT_GE(endedAt[i], grid - 1e-4) << round << " " << i;  // not before the grid moment
      EXPECT_LT(endedAt[i], grid + 0.02) << round << " " << i;  // at it, not a step later
      EXPECT_EQ(endedInWakeUp[i], endedInWakeUp[0]) << round << " " << i;
    }
  }
}

TEST(Fiber, AGridWaitWokenEarlyIsNotTakenUpAgainByTheGrid) {
  SystemClock clock;
  Fiber early, other;
  bool wake = false;
  double secondWait = 0;
  justAfterAGridMoment(clock);
  early.start([&] {
    clock.idleOnGrid(1.0, 0.02, [&] { return wake; });
    // Then a wait of another kind, still running when the grid's moment comes.
    const ElapsedTimer t(clock);
    clock.idle(0.1);
    secondWait = t.elapsed();
  });
  other.start([&] { clock.idleOnGrid(1.0, 0.02, [] { return false; }); });
  QTimer::singleShot(1, [&] { wake = true; });
  for (int i = 0; i < 50 && !(early.idle() && other.idle()); ++i) runFor(10);
  ASSERT_TRUE(early.idle());
  ASSERT_TRUE(other.idle());
  EXPECT_GE(secondWait, 0.099);
}

TEST(Fiber, ACommandsWaitOnTheStackStaysInPlace) {
  SystemClock clock;
  test::FakeClock portClock;
  test::ScriptedPort port(portClock);
  LinkState state;
  MeterLink link(port, clock, state);
  Fiber fiber;
  bool done = false;
  fiber.start([&] {
    // Nobody holds the line: this is no poll tick, so the wait nests here as anywhere else.
    link.waitSeconds(0.03);
    done = true;
  });
  EXPECT_TRUE(done);
  EXPECT_TRUE(fiber.idle());
}

TEST(Fiber, AFailureInsideEndsTheBodyAndTheFiberRunsAgain) {
  Fiber fiber;
  int runs = 0;
  fiber.start([&] {
    ++runs;
    throw LinkAborted{};
  });
  EXPECT_TRUE(fiber.idle());
  fiber.start([&] { ++runs; });
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(fiber.idle());
}

}  // namespace
}  // namespace lux
