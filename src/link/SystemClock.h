#pragma once
// The PC's own clock. Waiting sleeps in a nested event loop ended by a precise single-shot
// timer, so a 20 ms wait lasts about 20 ms without burning a core while windows stay live. A
// wait on a poll tick's own stack (a Fiber) gives the thread back instead of nesting a loop.
#include "link/Clock.h"

namespace lux {

class SystemClock : public Clock {
 public:
  double secondsSinceMidnight() override;
  double monotonicSeconds() override;
  QDateTime localDateTime() override;
  QDateTime preciseLocalDateTime() override;
  void idle(double seconds) override;
};

}  // namespace lux
