// CPU of meters' sessions without any window: N simulated meters (luxpanel-sim's PtyServer,
// paced at 19200 baud, each behind a link in its own folder) and N MeterSessions in this one
// process, each polling its meter and recording a data file every second with the panel's
// engine. The figure is the CPU time of the thread the sessions run on (the simulators' own
// threads are not counted) over a window after a warm-up, divided by the window's wall time.
//   bench_sessions [N] [SECONDS]        (defaults: 1 meter, 30 s)
#include <time.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "link/MeterSession.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"
#include "records/engine/RecordingEngine.h"
#include "sim/PtyServer.h"

namespace {

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double wallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Times the thread went to sleep and was woken (the kernel's count of its voluntary switches):
// on a virtual machine each costs far more than the work it wakes for, and unlike the CPU time
// the count hardly varies from run to run.
long threadWakeUps() {
  QFile status(QStringLiteral("/proc/thread-self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("voluntary_ctxt_switches:")) return line.mid(24).trimmed().toLong();
  }
  return -1;
}

void runFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

struct Meter {
  explicit Meter(int index) : server(options(index)) {}
  static lux::sim::SimMeter::Options options(int index) {
    lux::sim::SimMeter::Options o = lux::sim::PtyServer::liveOptions();
    o.paced = true;
    o.seed = static_cast<std::uint32_t>(index + 1);
    return o;
  }
  QTemporaryDir dir;
  lux::sim::PtyServer server;
  lux::SystemClock clock;
  lux::QtSerialPort port;
  lux::MeterSession session{port, clock};
  lux::RecordingState state;
  lux::RecordingEngine engine{session, state};
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int n = argc > 1 ? std::atoi(argv[1]) : 1;
  const double window = argc > 2 ? std::atof(argv[2]) : 30.0;
  if (n < 1 || n > 64 || !(window > 0)) {
    std::fprintf(stderr, "usage: bench_sessions [N 1..64] [SECONDS]\n");
    return 2;
  }
  std::vector<std::unique_ptr<Meter>> meters;
  for (int i = 0; i < n; ++i) {
    auto m = std::make_unique<Meter>(i);
    std::string error;
    if (!m->dir.isValid() ||
        !m->server.start(QDir(m->dir.path()).filePath("meter").toStdString(), &error)) {
      std::fprintf(stderr, "meter %d: %s\n", i + 1, error.c_str());
      return 1;
    }
    QString reason;
    if (!m->session.open(QString::fromStdString(m->server.portPath()), 0, &reason)) {
      std::fprintf(stderr, "meter %d: %s\n", i + 1, qPrintable(reason));
      return 1;
    }
    m->state.samplingTicks = 1;
    m->engine.start();
    m->session.start();
    meters.push_back(std::move(m));
  }

  runFor(3.0);  // the handshakes and the first frames
  // Each recording starts in the unit its meter shows, as the panel's Save does.
  for (std::size_t i = 0; i < meters.size(); ++i) {
    QString reason;
    if (!meters[i]->session.latest() ||
        !meters[i]->engine.startFile(meters[i]->dir.filePath("survey.txt"), &reason)) {
      std::fprintf(stderr, "meter %zu: no reading or no file (%s)\n", i + 1, qPrintable(reason));
      return 1;
    }
  }
  runFor(1.0);
  std::vector<std::uint64_t> framesBefore;
  std::vector<long> recordsBefore;
  for (const auto& m : meters) {
    framesBefore.push_back(m->session.display().framesDecoded);
    recordsBefore.push_back(m->engine.status().records);
  }
  const long wakes0 = threadWakeUps();
  const double cpu0 = threadCpuSeconds(), wall0 = wallSeconds();
  runFor(window);
  const double cpu = threadCpuSeconds() - cpu0, wall = wallSeconds() - wall0;
  const long wakes = threadWakeUps() - wakes0;

  double readings = 0, records = 0;
  long missed = 0;
  for (std::size_t i = 0; i < meters.size(); ++i) {
    readings += static_cast<double>(meters[i]->session.display().framesDecoded - framesBefore[i]);
    records += static_cast<double>(meters[i]->engine.status().records - recordsBefore[i]);
    missed += meters[i]->engine.status().missedMoments;
  }
  std::printf(
      "sessions %d  window %.1f s  CPU %.3f s = %.3f %% of a core  readings/s/session %.2f  "
      "records/s/session %.2f  missed moments %ld  wake-ups/s %.1f\n",
      n, wall, cpu, 100.0 * cpu / wall, readings / wall / n, records / wall / n, missed,
      static_cast<double>(wakes) / wall);
  for (auto& m : meters) {
    m->session.stop();
    m->engine.stop();
    m->engine.stopFile();
    m->port.close();
    m->server.stop();
  }
  return 0;
}
