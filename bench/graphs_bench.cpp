// The graph windows at full size: a viewer filled with a whole history (864001 points), its
// redraw after a zoom or a pan, the live graph's tick at any history size, and the process's
// peak resident size with a full history and an open viewer. Offscreen; Google Benchmark
// reports the median of the repetitions with --benchmark_repetitions.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <cmath>
#include <memory>
#include <random>

#include "app/AppState.h"
#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/LiveGraph.h"
#include "support/ScriptedDialogs.h"
#include "ui/GraphWidget.h"

namespace {

using namespace lux;

// A weekend under a luminaire: a slow daylight swing, flicker and noise.
void fillHistory(AppState& state, int count) {
  std::mt19937 rng(7);
  std::normal_distribution<float> noise(0.0f, 4.0f);
  for (int i = 0; i < count; ++i) {
    const double t = i / 2.0;
    state.graphs.liveHistory[static_cast<std::size_t>(i)] =
        static_cast<float>(500 + 300 * std::sin(t / 13750.0) + 20 * std::sin(t * 0.9)) + noise(rng);
  }
}

struct Harness {
  AppState state;
  test::ScriptedDialogs dialogs;
  GraphWindows windows{state.graphs, state.display, dialogs, nullptr};
  Harness() {
    state.display.unitText = "Lx";
    state.display.mainValue = 500;
  }
  ~Harness() {
    windows.closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // A live run whose history holds `count` values.
  LiveGraph* liveRun(int count) {
    windows.graphCommand();
    LiveGraph* g = windows.liveGraph();
    g->tick();
    // Ticks come from the benchmark only: a timer tick at a full history would wrap it to 0.
    g->timer().stop();
    fillHistory(state, count);
    state.graphs.liveSampleCount = static_cast<float>(count);
    state.graphs.liveMin = 100;
    state.graphs.liveMax = 900;
    return g;
  }
};

void sizeForBench(GraphViewer& v) {
  v.resize(1230, 900);  // graph about 1200 x 700 pixels
  QCoreApplication::processEvents();
}

// The whole click on the live graph: rebuild the viewer, copy 864001 values, fill, first draw.
void BM_ClickFillAndFirstDraw(benchmark::State& st) {
  Harness h;
  LiveGraph* live = h.liveRun(kLiveHistorySlots - 1);
  live->graphClicked();
  sizeForBench(*h.windows.realTimeGraphWindow());
  for (auto _ : st) {
    live->graphClicked();
    GraphViewer* v = h.windows.realTimeGraphWindow();
    v->graph()->redraw();
    benchmark::DoNotOptimize(v->graph()->pointCount());
    st.PauseTiming();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    st.ResumeTiming();
  }
  st.counters["points"] = h.windows.realTimeGraphWindow()->graph()->pointCount();
}
BENCHMARK(BM_ClickFillAndFirstDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fill of an already open viewer (the Plot path) and its first draw.
void BM_ViewerFillAndFirstDraw(benchmark::State& st) {
  Harness h;
  fillHistory(h.state, kLiveHistorySlots);
  GraphViewer v(GraphViewer::Kind::Plot, h.dialogs);
  sizeForBench(v);
  ViewerFill f;
  f.unit = "Lx";
  f.y = h.state.graphs.liveHistory.data();
  f.count = kLiveHistorySlots;
  f.xMax = f.resetX = kLiveHistorySlots;
  f.yMin = f.resetYMin = 100;
  f.yMax = f.resetYMax = 900;
  for (auto _ : st) {
    v.fill(f);
    v.graph()->redraw();
  }
  st.counters["points"] = v.graph()->pointCount();
}
BENCHMARK(BM_ViewerFillAndFirstDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// Redraws of a full viewer: the whole run, zoomed to 1 % at moving places, panned by 2 %.
void BM_ViewerRedraw(benchmark::State& st) {
  Harness h;
  LiveGraph* live = h.liveRun(kLiveHistorySlots - 1);
  live->graphClicked();
  GraphViewer* v = h.windows.realTimeGraphWindow();
  sizeForBench(*v);
  CWGraph* g = v->graph();
  const int kind = static_cast<int>(st.range(0));
  const double n = kLiveHistorySlots;
  double at = 1000;
  if (kind == 1) v->trackModeChanged(6);  // ZoomX
  if (kind == 2) {
    v->trackModeChanged(3);  // PanX
    g->setAxisRange(1, 1, n / 10);
  }
  for (auto _ : st) {
    if (kind == 1) {
      at = std::fmod(at + n * 0.037, n * 0.98);
      g->setAxisRange(1, at, at + n / 100);
    } else if (kind == 2) {
      g->xAxis->moveRange(n / 50);
      if (g->axisMaximum(1) > n) g->setAxisRange(1, 1, n / 10);
    }
    g->redraw();
  }
}
BENCHMARK(BM_ViewerRedraw)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({"full0_zoom1_pan2"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One live tick (append, history, strip redraw) with `range(0)` values already in the history.
void BM_LiveTick(benchmark::State& st) {
  Harness h;
  LiveGraph* live = h.liveRun(static_cast<int>(st.range(0)));
  live->resize(1000, 600);
  QCoreApplication::processEvents();
  for (int i = 0; i < 1000; ++i) live->tick();  // the strip chart at its bounded size
  float v = 500;
  for (auto _ : st) {
    v = v > 900 ? 100 : v + 1.5f;
    h.state.display.mainValue = v;
    live->tick();
    live->graph()->redraw();
  }
  st.counters["strip_points"] = live->graph()->stripPointCount();
}
BENCHMARK(BM_LiveTick)
    ->Arg(0)
    ->Arg(432000)
    ->Arg(864000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

long statusKb(const char* key) {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(static_cast<int>(qstrlen(key))).trimmed().split(' ')[0].toLong();
  return -1;
}

// Peak resident size with a full history and an open viewer of 864001 points.
void BM_PeakResident(benchmark::State& st) {
  Harness h;
  LiveGraph* live = h.liveRun(kLiveHistorySlots - 1);
  for (auto _ : st) {
    live->graphClicked();
    h.windows.realTimeGraphWindow()->graph()->redraw();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  st.counters["points"] = h.windows.realTimeGraphWindow()->graph()->pointCount();
  st.counters["VmHWM_MiB"] = statusKb("VmHWM:") / 1024.0;
  st.counters["VmRSS_MiB"] = statusKb("VmRSS:") / 1024.0;
}
BENCHMARK(BM_PeakResident)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
