// The publisher's speed on a Mosquitto broker of its own on loopback: how long a decoded reading
// takes to be acknowledged by the broker (8 meters, 4 readings a second each), and how fast a
// spool left by a 10-minute outage of 8 meters goes out when the broker is back, and what a
// reading costs on disk, and what a full spool costs in memory.
//   build/bench/bench_publish [SECONDS]
#include <sys/resource.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include "Broker.h"
#include "publish/engine/Publisher.h"
#include "publish/engine/Spool.h"

using namespace lux::publish;
using lux::test::Broker;
using lux::test::waitFor;

namespace {

constexpr int kMeters = 8;

std::unique_ptr<Publisher> publisherFor(const Broker& broker, const QString& state) {
  std::string why;
  BrokerSettings b;
  b.url = *parseBrokerUrl(broker.url().toStdString(), &why);
  b.clientId = QStringLiteral("lux-bench");
  Topics t;
  t.clientId = b.clientId;
  t.discovery = false;
  auto p = std::make_unique<Publisher>(b, t, state, 64ull << 20);
  for (int i = 0; i < kMeters; ++i)
    p->addMeter({"meter" + std::to_string(i), "/dev/null", "", "", 0.0});
  return p;
}

// Runs the event loop for `seconds` (the tests' waitFor polls every 10 ms, which would show in
// both the latency and the CPU figures).
void runFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until `check` holds or `seconds` have passed, looking every 5 ms: unlike
// the tests' waitFor, it never sleeps with events waiting, so a client that does its network
// work on this thread is not held up between the looks.
bool runUntil(double seconds, const std::function<bool()>& check) {
  QEventLoop loop;
  QTimer look;
  look.setInterval(5);
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (check()) loop.quit();
  });
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  if (check()) return true;
  look.start();
  loop.exec();
  return check();
}

// Resident memory of this process, in KiB.
long residentKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
  std::fclose(f);
  return kib;
}

// CPU time of this process so far (all threads), in seconds.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

void latency(double seconds) {
  QTemporaryDir dir;
  Broker broker(dir.path());
  if (!broker.start()) return void(std::puts("no broker"));
  auto p = publisherFor(broker, dir.filePath("state"));
  QString why;
  p->start(&why);
  waitFor(10, [&] { return p->brokerConnected(); });
  // Connected with nothing to send, then publishing: the difference is what publishing costs.
  const double idleWindow = std::max(5.0, seconds / 3);
  waitFor(1, [] { return false; });
  const double idle0 = cpuSeconds();
  runFor(idleWindow);
  const double idleCpu = (cpuSeconds() - idle0) / idleWindow * 100.0;
  QElapsedTimer clock;
  clock.start();
  std::map<std::pair<int, std::uint64_t>, qint64> offeredAt;
  std::vector<double> ms;
  QObject::connect(p.get(), &Publisher::acknowledged, [&](int meter, std::uint64_t seq) {
    const auto it = offeredAt.find({meter, seq});
    if (it == offeredAt.end()) return;
    ms.push_back(double(clock.nsecsElapsed() - it->second) / 1e6);
    offeredAt.erase(it);
  });
  std::uint64_t frame = 0;
  std::vector<std::uint64_t> seq(kMeters, 0);
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  // Each meter decodes a frame every 250 ms; the eight are spread over the period.
  tick.setInterval(250 / kMeters);
  int next = 0;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    lux::Reading r;
    r.frameNumber = ++frame;
    r.text = QString::number(100 + frame % 50) + ".5";
    r.unit = QStringLiteral("Lx");
    r.pcTime = QDateTime::currentDateTime();
    offeredAt[{next, ++seq[std::size_t(next)]}] = clock.nsecsElapsed();
    p->offer(next, r, clock.elapsed());
    next = (next + 1) % kMeters;
  });
  tick.start();
  const double busy0 = cpuSeconds();
  runFor(seconds);
  const double busyCpu = (cpuSeconds() - busy0) / seconds * 100.0;
  tick.stop();
  waitFor(5, [&] { return offeredAt.empty(); });
  std::printf(
      "decoded -> acknowledged, %d meters at 4 readings/s, %.0f s: %zu readings, "
      "median %.2f ms, p99 %.2f ms, max %.2f ms, unacknowledged %zu\n",
      kMeters, seconds, ms.size(), percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 1.0),
      offeredAt.size());
  std::printf(
      "publisher CPU (this process, all threads): %.2f %% of a core publishing %d "
      "readings/s, %.2f %% connected with nothing to send: publishing costs %.2f %%\n",
      busyCpu, kMeters * 4, idleCpu, busyCpu - idleCpu);
  p->stop(1.0);
}

void replay() {
  QTemporaryDir dir;
  Broker broker(dir.path());
  if (!broker.start()) return void(std::puts("no broker"));
  // A 10-minute outage of 8 meters at 4 readings a second, as the spools hold it.
  const qint64 start = QDateTime::currentMSecsSinceEpoch() - 600000;
  constexpr int kPerMeter = 600 * 4;
  {
    QDir().mkpath(dir.filePath("state"));
    for (int m = 0; m < kMeters; ++m) {
      Spool s(dir.filePath("state"), QStringLiteral("meter%1").arg(m), 64ull << 20);
      QString why;
      s.open(&why);
      for (int i = 0; i < kPerMeter; ++i) {
        SpoolRecord r;
        r.seq = std::uint64_t(i + 1);
        r.epochMs = start + i * 250;
        r.offsetSeconds = 3600;
        r.shown = std::to_string(200 + i % 300) + ".4";
        r.unit = "lx";
        s.append(r);
      }
    }
  }
  QElapsedTimer clock;
  clock.start();
  auto p = publisherFor(broker, dir.filePath("state"));
  QString why;
  p->start(&why);
  const std::uint64_t total = p->waiting();
  runUntil(10, [&] { return p->brokerConnected(); });
  const qint64 connected = clock.elapsed();
  // A live reading offered as soon as the broker is there: acknowledged after the whole spool.
  lux::Reading live;
  live.frameNumber = 1;
  live.text = QStringLiteral("321.0");
  live.unit = QStringLiteral("Lx");
  live.pcTime = QDateTime::currentDateTime();
  qint64 liveAt = -1;
  QObject::connect(p.get(), &Publisher::acknowledged, [&](int meter, std::uint64_t seq) {
    if (meter == 0 && seq == kPerMeter + 1) liveAt = clock.elapsed();
  });
  p->offer(0, live, 0);
  runUntil(120, [&] { return p->waiting() == 0; });
  const qint64 done = clock.elapsed();
  std::printf(
      "replay of %llu spooled readings (%d meters x 10 min at 4/s): %.0f ms after the "
      "connection, %.0f readings/s; the live reading acknowledged %lld ms after the "
      "connection\n",
      static_cast<unsigned long long>(total), kMeters, double(done - connected),
      double(total) * 1000.0 / double(std::max<qint64>(1, done - connected)),
      static_cast<long long>(liveAt - connected));
  p->stop(1.0);
}

// A week of one meter at 1 s, as a lit room gives it, in the spool and in the line format
// earlier versions wrote; and what the default 64 MiB then hold for 8 meters.
void spoolSize() {
  QTemporaryDir dir;
  constexpr std::uint64_t kWeek = 7 * 24 * 3600;
  const std::uint64_t share = (64ull << 20) / kMeters;
  Spool s(dir.path(), QStringLiteral("meter0"), share);
  QString why;
  if (!s.open(&why)) return void(std::puts("no spool"));
  std::mt19937 random(7);
  SpoolRecord r;
  r.unit = "lx";
  r.offsetSeconds = 3600;
  r.epochMs = QDateTime::currentMSecsSinceEpoch();
  double lux = 350, lineBytes = 0;
  const long rss0 = residentKiB();
  QElapsedTimer clock;
  clock.start();
  for (std::uint64_t seq = 1; seq <= kWeek; ++seq) {
    r.seq = seq;
    r.epochMs += 1000 + std::int64_t(random() % 7) - 3;
    lux = std::clamp(lux + double(int(random() % 41) - 20) / 10.0, 0.0, 1999.9);
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", lux);
    r.shown = text;
    lineBytes += double(encodeSpoolLine(r).size());
    s.append(r);
  }
  const double ns = double(clock.nsecsElapsed()) / double(kWeek);
  const double perReading = double(s.fileSize()) / double(kWeek);
  const double ramPerReading = double(residentKiB() - rss0) * 1024.0 / double(kWeek);
  std::printf(
      "spool: a week of one meter at 1 s: %.2f bytes a reading (line format %.2f); "
      "64 MiB hold %.1f days of %d meters at 1 s (line format %.1f); %.0f ns an append "
      "(line format sized alongside)\n",
      perReading, lineBytes / double(kWeek), double(share) / perReading / 86400.0, kMeters,
      double(share) / (lineBytes / double(kWeek)) / 86400.0, ns);
  std::printf("spool: memory while a week waits: %.1f bytes a reading, %.0f MiB for %d meters\n",
              ramPerReading, ramPerReading * double(kWeek) * kMeters / 1048576.0, kMeters);
}

// The default 64 MiB bound full (8 meters, 8 MiB each) when the publisher starts: what it holds
// in memory while it opens the spools and while it sends them, and how fast they go out.
void fullSpool(double seconds) {
  QTemporaryDir dir;
  Broker broker(dir.path());
  if (!broker.start()) return void(std::puts("no broker"));
  const QString state = dir.filePath("state");
  QDir().mkpath(state);
  const std::uint64_t share = (64ull << 20) / kMeters;
  std::uint64_t perMeter = 0;
  {
    Spool s(state, QStringLiteral("meter0"), share);
    QString why;
    if (!s.open(&why)) return void(std::puts("no spool"));
    SpoolRecord r;
    r.unit = "lx";
    r.offsetSeconds = 3600;
    r.epochMs = QDateTime::currentMSecsSinceEpoch() - 30ll * 86400 * 1000;
    while (s.fileSize() + 64 < share) {
      r.seq = ++perMeter;
      r.epochMs += 1000 + std::int64_t(perMeter % 7) - 3;
      r.shown = std::to_string(300 + perMeter % 200) + "." + std::to_string(perMeter % 10);
      s.append(r);
    }
  }
  for (int m = 1; m < kMeters; ++m)
    for (const char* ext : {".spool", ".acked"})
      QFile::copy(state + "/meter0" + ext, state + QStringLiteral("/meter%1").arg(m) + ext);
  const long rss0 = residentKiB();
  auto p = publisherFor(broker, state);
  QString why;
  QElapsedTimer clock;
  clock.start();
  p->start(&why);
  const qint64 openMs = clock.elapsed();
  const long rssOpen = residentKiB();
  const std::uint64_t total = p->waiting();
  runUntil(10, [&] { return p->brokerConnected(); });
  const std::uint64_t before = p->waiting();
  long rssMost = rssOpen;
  QElapsedTimer replay;
  replay.start();
  while (replay.elapsed() < qint64(seconds * 1000) && p->waiting() > 0) {
    runFor(0.5);
    rssMost = std::max(rssMost, residentKiB());
  }
  const double sent = double(before - p->waiting());
  std::printf(
      "full spool (%d meters x %.0f MiB, %llu readings waiting): opened in %lld ms; resident "
      "+%.1f MiB after opening, at most +%.1f MiB while sending; %.0f readings/s over %.0f s\n",
      kMeters, double(share) / 1048576.0, static_cast<unsigned long long>(total),
      static_cast<long long>(openMs), double(rssOpen - rss0) / 1024.0,
      double(rssMost - rss0) / 1024.0,
      sent * 1000.0 / double(std::max<qint64>(1, replay.elapsed())),
      double(replay.elapsed()) / 1000.0);
  p->stop(1.0);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
  spoolSize();
  latency(seconds);
  replay();
  fullSpool(std::min(seconds, 20.0));
  return 0;
}
