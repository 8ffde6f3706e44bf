#pragma once
// Calls that must not wait on a named pipe. `call` runs on the calling thread while a watchdog
// thread waits; if the call has not returned after three seconds it is stuck in open(), read()
// or write() of the pipe, and the watchdog frees it by taking the pipe's other end for a moment
// and letting go, so that the test fails instead of hanging.
#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

namespace lux::test {

inline bool returnsWithoutWaitingOnThePipe(const QString& fifo, const std::function<void()>& call) {
  std::signal(SIGPIPE, SIG_IGN);  // a writer freed by the watchdog gets EPIPE, not a signal
  std::atomic<bool> done{false};
  std::atomic<bool> freed{false};
  const QByteArray name = QFile::encodeName(fifo);
  std::thread watchdog([&] {
    for (int i = 0; i < 300 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (!done) {
      freed = true;
      const int fd = ::open(name.constData(), O_RDWR | O_NONBLOCK);
      char buf[4096];
      for (int i = 0; i < 20 && !done; ++i) {
        while (fd >= 0 && ::read(fd, buf, sizeof buf) > 0) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (fd >= 0) ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  call();
  done = true;
  watchdog.join();
  return !freed;
}

}  // namespace lux::test
