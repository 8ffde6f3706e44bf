#include "link/SystemClock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "link/Fiber.h"

namespace lux {

namespace {

// The poll ticks' waits on one thread that end on a grid moment. Timers of their own, each
// counted from its own start, end up to a millisecond apart and often wake the thread once each;
// one timer for all of them ends them together.
class SharedGrid {
 public:
  SharedGrid() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { wakeAll(); });
  }

  // Returns the ticket the waiter leaves with.
  quint64 enlist(Fiber* fiber, double seconds) {
    waiting_.push_back({fiber, ++tickets_});
    // A timer already running ends at this grid moment too, or a little before it (it counts
    // whole milliseconds): a wait that ends early is asked again by its caller.
    if (!timer_.isActive()) timer_.start(std::max(1, static_cast<int>(std::ceil(seconds * 1e3))));
    return tickets_;
  }

  // Called by every waiter once its wait is over, however it ended.
  void leave(quint64 ticket) {
    const auto its = [ticket](const Entry& e) { return e.ticket == ticket; };
    std::erase_if(waiting_, its);
    std::erase_if(due_, its);
    if (waiting_.empty()) timer_.stop();
  }

 private:
  struct Entry {
    Fiber* fiber;
    quint64 ticket;
  };

  void wakeAll() {
    due_.insert(due_.end(), waiting_.begin(), waiting_.end());
    waiting_.clear();
    // One at a time, each taken off before it runs: a tick taken up may end another's wait by
    // other means, and that one must not be woken later from a wait it is no longer in.
    while (!due_.empty()) {
      const Entry e = due_.front();
      due_.erase(due_.begin());
      e.fiber->resume();
    }
  }

  QTimer timer_;
  std::vector<Entry> waiting_, due_;
  quint64 tickets_ = 0;
};

thread_local std::unique_ptr<SharedGrid> t_grid;

}  // namespace

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

void SystemClock::idleOnGrid(double seconds, double grid, const std::function<bool()>& woken) {
  Fiber* fiber = Fiber::current();
  auto* dispatcher = QAbstractEventDispatcher::instance();
  const double toGrid = secondsToGrid(grid);
  if (!fiber || !dispatcher || !QCoreApplication::instance() || !(seconds > toGrid)) {
    Clock::idleOnGrid(seconds, grid, woken);
    return;
  }
  if (!t_grid) t_grid = std::make_unique<SharedGrid>();
  SharedGrid& shared = *t_grid;
  // What ends the wait before the grid moment, asked before every sleep of the thread as in
  // idleUntil.
  QTimer early;
  early.setSingleShot(true);
  QObject::connect(&early, &QTimer::timeout, [fiber] { fiber->resume(); });
  const QMetaObject::Connection check =
      QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &early, [&] {
        if (!early.isActive() && woken()) early.start(0);
      });
  const quint64 ticket = shared.enlist(fiber, toGrid);
  fiber->suspend();
  QObject::disconnect(check);
  shared.leave(ticket);
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
