#pragma once
// The one clock every wait with the meter goes through. Tests put a fake in its place and run
// minutes of meter time in milliseconds.
#include <QDateTime>

namespace lux {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight with fractions; wraps to 0 at 86400.
  virtual double secondsSinceMidnight() = 0;
  // Local date and time, to the second (the PC clock that stamps records and sets the meter).
  virtual QDateTime localDateTime() = 0;
  // Lets about `seconds` of time pass while window events keep running (other windows'
  // handlers and timers may run inside). A real clock sleeps in a nested event loop; a fake one
  // advances its time and processes pending events once.
  virtual void idle(double seconds) = 0;
};

}  // namespace lux
