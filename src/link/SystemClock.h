#pragma once
// The PC's own clock. Waiting sleeps in a nested event loop ended by a precise single-shot
// timer, so a 20 ms wait lasts about 20 ms without burning a core while windows stay live. A
// wait on a poll tick's own stack (a Fiber) gives the thread back instead of nesting a loop.
#include "link/Clock.h"

class QTimer;

namespace lux {

class SystemClock : public Clock {
 public:
  double secondsSinceMidnight() override;
  double monotonicSeconds() override;
  QDateTime localDateTime() override;
  QDateTime preciseLocalDateTime() override;
  void idle(double seconds) override;
  // One timer for the whole wait; `woken` is asked each time the thread's event loop is about
  // to sleep, which it does again after anything that could have made it true.
  void idleUntil(double seconds, double step, const std::function<bool()>& woken) override;
  // On a poll tick's own stack, the waits of every tick on the thread that end on the same grid
  // moment share one timer, so they end in one wake-up of the thread.
  void idleOnGrid(double seconds, double grid, const std::function<bool()>& woken) override;

 private:
  // Sleeps until `timer` fires: in a nested event loop, or, on a poll tick's own stack, by
  // giving the thread back.
  static void sleepOn(QTimer& timer);
};

}  // namespace lux
