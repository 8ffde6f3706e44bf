#pragma once
// SIGINT, SIGTERM and SIGHUP (the terminal closed, a service's hang-up) as events: the handler only
// writes a byte into a pipe, and the callback runs from the event loop, between two lines of
// output, never inside one.
#include <QObject>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace lux::cli {

class SignalWatch {
 public:
  explicit SignalWatch(std::function<void(int signal)> onSignal);
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction oldInt_ {
  }, oldTerm_{}, oldHup_{};
};

}  // namespace lux::cli
