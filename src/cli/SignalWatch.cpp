#include "cli/SignalWatch.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>

namespace lux::cli {

namespace {

// The descriptors outlive every watch: a signal may arrive while one is being torn down.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int signal) {
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    char buffer[16];
    ssize_t n;
    while ((n = ::read(signalPipe[0], buffer, sizeof buffer)) > 0) {
      for (ssize_t i = 0; i < n; ++i)
        if (onSignal_) onSignal_(static_cast<unsigned char>(buffer[i]));
    }
  });
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
  sigaction(SIGHUP, &action, &oldHup_);
}

SignalWatch::~SignalWatch() {
  if (!notifier_) return;
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
  sigaction(SIGHUP, &oldHup_, nullptr);
}

}  // namespace lux::cli
