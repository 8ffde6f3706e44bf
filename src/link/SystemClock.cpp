#include "link/SystemClock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <thread>

#include "link/Fiber.h"

namespace lux {

double SystemClock::secondsSinceMidnight() {
  // Microsecond resolution: the waits are 20 ms long, a millisecond clock would make them
  // visibly uneven.
  const auto now = std::chrono::system_clock::now();
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
  const qint64 offset = QDateTime::currentDateTime().offsetFromUtc();
  const double local = static_cast<double>(us) / 1e6 + static_cast<double>(offset);
  double s = std::fmod(local, 86400.0);
  if (s < 0) s += 86400.0;
  return s;
}

double SystemClock::monotonicSeconds() {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  return static_cast<double>(us) / 1e6;
}

QDateTime SystemClock::localDateTime() {
  QDateTime now = QDateTime::currentDateTime();
  now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
  return now;
}

QDateTime SystemClock::preciseLocalDateTime() {
  return QDateTime::currentDateTime();
}

void SystemClock::idle(double seconds) {
  if (!QCoreApplication::instance()) {
    // No event loop to run (a command-line tool): just let the time pass.
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return;
  }
  if (!(seconds > 0)) {
    QCoreApplication::processEvents();
    return;
  }
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(std::max(1, static_cast<int>(std::ceil(seconds * 1000.0))));
  sleepOn(timer);
}

void SystemClock::idleUntil(double seconds, double step, const std::function<bool()>& woken) {
  auto* dispatcher = QAbstractEventDispatcher::instance();
  if (!QCoreApplication::instance() || !dispatcher || !(seconds > 0)) {
    Clock::idleUntil(seconds, step, woken);
    return;
  }
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(std::max(1, static_cast<int>(std::ceil(seconds * 1000.0))));
  // Asked before every sleep of the thread: what woke it (the port's notifier, a click) has
  // been handled by then. The timer, restarted at zero, ends the wait the usual way.
  const QMetaObject::Connection check =
      QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &timer, [&] {
        if (timer.interval() != 0 && woken()) timer.start(0);
      });
  sleepOn(timer);
  QObject::disconnect(check);
}

void SystemClock::sleepOn(QTimer& timer) {
  if (Fiber* fiber = Fiber::current()) {
    // A poll tick on a stack of its own: the thread goes back to its event loop, and the same
    // precise timer takes the tick up again.
    QObject::connect(&timer, &QTimer::timeout, [fiber] { fiber->resume(); });
    timer.start();
    fiber->suspend();
    return;
  }
  QEventLoop loop;
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start();
  loop.exec();
}

}  // namespace lux
