// A poll tick on a stack of its own: its waits on the real clock give the thread back to the
// event loop (other meters' ticks run meanwhile) and the tick is taken up again when the wait is
// over; a wait that is not the poll's own stays where it is.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
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
