// Parsing a full 128 KB logger dump, and listing the largest set the memory holds into the
// Data List (both grids, with the "% completed" caption).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <memory>

#include "app/AppContext.h"
#include "app/AppState.h"
#include "bench/support/BenchDoubles.h"
#include "link/MeterLink.h"
#include "logger/Install.h"
#include "logger/Logger.h"
#include "logger/LoggerWindows.h"
#include "logger/MemoryDump.h"
#include "sim/SimMeter.h"
#include "support/SimSerialPort.h"
#include "ui/GridModel.h"

namespace {

// A meter memory filled to the top with `sets` sets of one-second records.
std::string fullContent(int sets) {
  lux::sim::SimMeter meter;
  meter.fillLoggerMemory(sets);
  return meter.memoryDump();
}

void BM_ParseFullDump(benchmark::State& state) {
  const std::string dump = fullContent(static_cast<int>(state.range(0)));
  std::size_t records = 0;
  for (auto _ : state) {
    const std::string content = lux::cutMemoryDump(dump);
    const lux::MemoryDumpParse parsed = lux::parseMemoryDump(content);
    records = 0;
    for (const auto& s : parsed.sets) records += s.records;
    benchmark::DoNotOptimize(records);
  }
  state.counters["bytes"] = static_cast<double>(dump.size());
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_ParseFullDump)->Arg(3)->Arg(999)->Unit(benchmark::kMillisecond);

void BM_ListLargestSet(benchmark::State& state) {
  lux::sim::SimMeter meter;
  // One set filling the whole memory: 43260 records, the most a set can hold.
  lux::sim::LoggerSet set;
  set.start = {27, 23, 59, 0};
  set.intervalSeconds = 1;
  for (int i = 0; i < 43260; ++i) {
    const int raw = 4000 + (i * 37) % 2000;
    set.records.push_back({static_cast<std::uint8_t>(raw >> 8),
                           static_cast<std::uint8_t>(raw & 0xFF),
                           static_cast<std::uint8_t>(0x02 << (i % 6))});
  }
  meter.addLoggerSet(std::move(set));
  lux::bench::StepClock clock;
  lux::test::SimSerialPort port(meter, [&] { return clock.t_; });
  lux::AppState app;
  app.link.portName = QStringLiteral("sim");
  lux::MeterLink link(port, clock, app.link);
  QString reason;
  link.openLink(&reason);
  lux::bench::BenchDialogs dialogs;
  lux::bench::BenchPoll poll;
  lux::Hooks hooks;
  lux::AppContext ctx(lux::Context{link, app.display, dialogs, clock, poll, nullptr, hooks}, app);
  const auto download = lux::installLogger(ctx);
  if (lux::downloadLoggerMemory(ctx) != lux::DownloadResult::Listed) {
    state.SkipWithError("download failed");
    return;
  }
  auto* memory = qobject_cast<lux::MemoryWindow*>(ctx.logger.memoryWindow.data());
  int rows = 0;
  for (auto _ : state) {
    lux::listLoggerSet(ctx, 1);
    auto* list = qobject_cast<lux::DataListWindow*>(ctx.logger.dataListWindow.data());
    rows = list->gridM().rows() + list->gridI().rows();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = rows;
  delete ctx.logger.dataListWindow.data();
  delete memory;
}
BENCHMARK(BM_ListLargestSet)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
