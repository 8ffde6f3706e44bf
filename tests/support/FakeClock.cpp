#include "support/FakeClock.h"

#include <QCoreApplication>
#include <cmath>

namespace lux::test {

FakeClock::FakeClock(QDateTime start) : base_(std::move(start)) {}

QDateTime FakeClock::localDateTime() {
  return base_.addMSecs(offsetUs_ / 1000);
}

double FakeClock::secondsSinceMidnight() {
  const QDateTime now = localDateTime();
  const std::int64_t usOfDay =
      static_cast<std::int64_t>(now.time().msecsSinceStartOfDay()) * 1000 + offsetUs_ % 1000;
  return static_cast<double>(usOfDay) / 1e6;
}

void FakeClock::advance(double seconds) {
  if (seconds <= 0) return;
  const auto us = static_cast<std::int64_t>(std::llround(seconds * 1e6));
  offsetUs_ += us;
  elapsedUs_ += us;
}

void FakeClock::idle(double seconds) {
  ++idleCalls_;
  const double step = seconds > 0 ? seconds : 0.001;
  advance(step);
  waitedUs_ += static_cast<std::int64_t>(std::llround(step * 1e6));
  if (onIdle) onIdle();
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void FakeClock::idleUntil(double seconds, double step, const std::function<bool()>& woken) {
  Clock::idleUntil(seconds, wakeStep > 0 ? wakeStep : step, woken);
}

void FakeClock::setDateTime(const QDateTime& when) {
  base_ = when;
  offsetUs_ = 0;
}

}  // namespace lux::test
