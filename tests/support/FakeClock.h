#pragma once
// A clock that only moves when told to (or when the program waits on it), so that a test runs
// minutes of meter time in milliseconds.
#include <QDateTime>
#include <cstdint>
#include <functional>

#include "link/Clock.h"

namespace lux::test {

class FakeClock : public Clock {
 public:
  explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 9), QTime(8, 5, 7)));

  double secondsSinceMidnight() override;
  // The same time as elapsed(): setDateTime() does not move it.
  double monotonicSeconds() override { return elapsed(); }
  QDateTime localDateTime() override;
  // Advances the time by `seconds`, runs onIdle, then processes pending Qt events once.
  void idle(double seconds) override;
  // With wakeStep set, a wait that may end early is woken within wakeStep of the moment that
  // ends it (as the PC's clock is woken by the port's bytes) instead of at its next step.
  void idleUntil(double seconds, double step, const std::function<bool()>& woken) override;
  double wakeStep = 0;

  void advance(double seconds);
  void setDateTime(const QDateTime& when);
  // Monotonic seconds since construction; drives the in-process simulated meter.
  double elapsed() const { return static_cast<double>(elapsedUs_) / 1e6; }
  // Total time spent in idle() (what the program waited).
  double waited() const { return waitedUs_ / 1e6; }
  int idleCalls() const { return idleCalls_; }

  std::function<void()> onIdle;

 private:
  QDateTime base_;
  std::int64_t offsetUs_ = 0;  // base_ + offset = now
  std::int64_t elapsedUs_ = 0;
  std::int64_t waitedUs_ = 0;
  int idleCalls_ = 0;
};

}  // namespace lux::test
