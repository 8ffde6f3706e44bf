// How long a 20 ms waitSeconds really lasts on the PC clock, and what it costs in CPU, with the
// panel's timers running as they do in the program. Prints the median, spread and CPU share of
// 100 waits.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU share while the link waits for a meter that does not answer: first on a pseudo-terminal
// whose far end stays silent (a handshake attempt every 0.02 s), then with the device gone (the
// port closed, reopened by name every 0.2 s). The program must stay idle meanwhile.
int reconnectCost(double seconds) {
  lux::QtSerialPort port;
  lux::SystemClock clock;
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 2;
  const QString name = QString::fromLocal8Bit(ptsname(master));
  long written = 0;
  // Drain what the link writes so the pty never fills up.
  QTimer drain;
  QObject::connect(&drain, &QTimer::timeout, [&] {
    char buf[256];
    ssize_t n;
    while (master >= 0 && (n = ::read(master, buf, sizeof buf)) > 0) written += n;
  });
  drain.start(50);

  auto measure = [&](const char* what) {
    lux::LinkState state;
    state.portName = name;
    lux::MeterLink link(port, clock, state);
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, [&] { link.abort(); });
    const long written0 = written;
    const double cpu0 = cpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    stop.start(static_cast<int>(seconds * 1000));
    try {
      link.reconnectMeter();
    } catch (const lux::LinkAborted&) {
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("  %s: CPU %.3f s over %.2f s = %.2f%%, %ld bytes written, caption \"%s\"\n", what,
                cpu, wall, 100.0 * cpu / wall, written - written0, qPrintable(link.portCaption()));
  };

  QString reason;
  if (!port.open(name, &reason)) {
    std::printf("cannot open %s: %s\n", qPrintable(name), qPrintable(reason));
    return 2;
  }
  std::printf("reconnectMeter with no answer, %.1f s each\n", seconds);
  measure("silent meter");
  ::close(master);  // the device vanishes
  master = -1;
  measure("device gone ");
  std::printf("  port open afterwards: %s, error signals seen: %d\n", port.isOpen() ? "yes" : "no",
              port.errorSignals());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && std::string(argv[1]) == "reconnect") return reconnectCost(3.0);
  const int waits = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  const double seconds = argc > 2 ? std::atof(argv[2]) : 0.02;

  lux::QtSerialPort port;  // never opened: the wait does not touch the line
  lux::SystemClock clock;
  lux::LinkState state;
  lux::MeterLink link(port, clock, state);

  // The program's own periodic work keeps running inside every wait.
  int ticks = 0;
  QTimer poll, recording;
  QObject::connect(&poll, &QTimer::timeout, [&] { ++ticks; });
  QObject::connect(&recording, &QTimer::timeout, [&] { ++ticks; });
  poll.start(250);
  recording.start(1000);

  std::vector<double> ms;
  ms.reserve(waits);
  const double cpu0 = cpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  for (int i = 0; i < waits; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    link.waitSeconds(seconds);
    const auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = cpuSeconds() - cpu0;

  std::sort(ms.begin(), ms.end());
  const double median =
      ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
  std::printf("waitSeconds(%.3f) x %d with SystemClock\n", seconds, waits);
  std::printf("  median %.2f ms, min %.2f ms, max %.2f ms, p90 %.2f ms\n", median, ms.front(),
              ms.back(), ms[static_cast<std::size_t>(ms.size() * 0.9)]);
  std::printf("  CPU %.3f s over %.3f s of waiting = %.2f%%\n", cpu, wall, 100.0 * cpu / wall);
  std::printf("  timer ticks served inside the waits: %d\n", ticks);
  const bool ok = median >= seconds * 1000 && median <= seconds * 1000 + 2.0;
  std::printf("  goal %.0f-%.0f ms: %s\n", seconds * 1000, seconds * 1000 + 2,
              ok ? "met" : "MISSED");
  return ok ? 0 : 1;
}
