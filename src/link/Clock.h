#pragma once
// The one clock every wait with the meter goes through. Tests put a fake in its place and run
// minutes of meter time in milliseconds.
#include <QDateTime>
#include <cmath>
#include <functional>

namespace lux {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight with fractions; wraps to 0 at 86400.
  virtual double secondsSinceMidnight() = 0;
  // Seconds from an arbitrary origin that only ever move forward: neither midnight nor a PC
  // clock set back or forward changes them. Every duration on the line is measured with it.
  virtual double monotonicSeconds() = 0;
  // Local date and time, to the second (the PC clock that stamps records and sets the meter).
  virtual QDateTime localDateTime() = 0;
  // Local date and time to the millisecond, with the offset from UTC: when a reading came in.
  virtual QDateTime preciseLocalDateTime() { return localDateTime(); }
  // Lets about `seconds` of time pass while window events keep running (other windows'
  // handlers and timers may run inside). A real clock sleeps in a nested event loop; a fake one
  // advances its time and processes pending events once.
  virtual void idle(double seconds) = 0;
  // Lets up to `seconds` pass like idle(), but returns once `woken()` holds. This one idles in
  // steps of `step` seconds and asks `woken` after each, so it returns on a step's end. A clock
  // whose thread is woken by whatever makes `woken` true (bytes from the port, a click, the
  // port closing) may instead sleep through and return at that moment.
  virtual void idleUntil(double seconds, double step, const std::function<bool()>& woken) {
    const double start = monotonicSeconds();
    do {
      const double left = seconds - (monotonicSeconds() - start);
      idle(step < left ? step : left);
    } while (!woken() && monotonicSeconds() - start < seconds - 1e-6);
  }
  // Like idleUntil(), but returns at the next multiple of `grid` seconds of the monotonic clock
  // at the latest: every wait on the grid ends at the same moments, so a clock that can let the
  // waits of several meters on one thread end in one wake-up does.
  virtual void idleOnGrid(double seconds, double grid, const std::function<bool()>& woken) {
    const double toGrid = secondsToGrid(grid);
    const double wait = toGrid < seconds ? toGrid : seconds;
    idleUntil(wait, wait, woken);
  }

 protected:
  // From now to the next multiple of `grid` seconds of the monotonic clock.
  double secondsToGrid(double grid) {
    const double now = monotonicSeconds();
    return (std::floor(now / grid) + 1.0) * grid - now;
  }
};

// Time passed since it was started, on the clock's monotonic time.
class ElapsedTimer {
 public:
  explicit ElapsedTimer(Clock& clock) : clock_(&clock), start_(clock.monotonicSeconds()) {}
  double elapsed() const { return clock_->monotonicSeconds() - start_; }
  // Within a microsecond counts as reached: sums of short steps rarely land on the exact
  // double, and a wait must not go on idling for the rounding.
  bool hasExpired(double seconds) const { return elapsed() >= seconds - 1e-6; }
  void restart() { start_ = clock_->monotonicSeconds(); }

 private:
  Clock* clock_;
  double start_;
};

}  // namespace lux
