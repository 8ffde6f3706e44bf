// The list windows at their largest: a 100000-record data file opened into the file list, that
// grid saved again, the recording tick with 100000 rows already in the live list against the
// tick with 10, and 100000 rows printed to PDF.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>

#include "app/AppContext.h"
#include "app/AppState.h"
#include "bench/support/BenchDoubles.h"
#include "link/MeterLink.h"
#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/engine/RecordingEngine.h"
#include "sim/SimMeter.h"
#include "support/SimSerialPort.h"
#include "ui/GridModel.h"

namespace {

// The program around the records subsystem: a panel with its toolbar and labels, the simulated
// meter behind the link.
struct Rig {
  Rig() {
    state.link.portName = QStringLiteral("sim");
    meterLink = std::make_unique<lux::MeterLink>(port, clock, state.link);
    meterLink->openLink(nullptr);
    panel.setObjectName(QStringLiteral("Panel"));
    auto* layout = new QVBoxLayout(&panel);
    auto* bar = new QToolBar(&panel);
    bar->setObjectName(QStringLiteral("Toolbar1"));
    layout->addWidget(bar);
    for (const char* name : {"LblFileName", "LblRec", "LblCount"}) {
      auto* l = new QLabel(&panel);
      l->setObjectName(QLatin1String(name));
      layout->addWidget(l);
    }
    panel.setGeometry(0, 0, 480, 360);
    panel.show();
    ctx = std::make_unique<lux::AppContext>(
        lux::Context{*meterLink, state.display, dialogs, clock, poll, &panel, hooks}, state);
    engine = lux::makeRecordingEngine(*ctx);
    state.display.unitText = "Lx";
    state.display.mainValueText = "523.4";
  }
  lux::bench::StepClock clock;
  lux::sim::SimMeter meter;
  lux::test::SimSerialPort port{meter, [this] { return clock.t_; }};
  lux::AppState state;  // the link's state too
  std::unique_ptr<lux::MeterLink> meterLink;
  lux::bench::BenchDialogs dialogs;
  lux::bench::BenchPoll poll;
  QWidget panel;
  lux::Hooks hooks;
  std::unique_ptr<lux::AppContext> ctx;
  std::unique_ptr<lux::RecordingEngine> engine;
  QTemporaryDir dir;
};

QString writeRecordingFile(const QString& path, int records) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << "Lx\tTime\tValue\r\n";
  for (int i = 1; i <= records; ++i)
    out << i << "\t09-10:" << (i / 60) % 60 / 10 << (i / 60) % 10 << ':' << (i % 60) / 10 << i % 10
        << '\t' << 500 + i % 100 << '.' << i % 10 << "\r\n";
  return path;
}

// CPU time of this thread in ms: on a shared machine a turn's wall time carries the load.
double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_OpenIntoFileList(benchmark::State& state) {
  Rig rig;
  const QString file = writeRecordingFile(rig.dir.filePath("big.txt"), state.range(0));
  int rows = 0;
  double longestTurnMs = 0, longestTurnCpuMs = 0;
  for (auto _ : state) {
    // The whole reading: the first step inside the call, the others in turns of the event loop
    // (the poll and the recording tick run between them). The longest turn is what a poll or a
    // sampling moment may have to wait.
    QElapsedTimer turn;
    turn.start();
    double cpu = threadCpuMs();
    lux::ListWindow* w = lux::readFileIntoFileList(*rig.ctx, file);
    longestTurnMs = std::max(longestTurnMs, turn.nsecsElapsed() / 1e6);
    longestTurnCpuMs = std::max(longestTurnCpuMs, threadCpuMs() - cpu);
    while (w && w->loading()) {
      turn.restart();
      cpu = threadCpuMs();
      QCoreApplication::processEvents();
      longestTurnMs = std::max(longestTurnMs, turn.nsecsElapsed() / 1e6);
      longestTurnCpuMs = std::max(longestTurnCpuMs, threadCpuMs() - cpu);
    }
    rows = w ? w->grid().rows() : 0;
    state.PauseTiming();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
  state.counters["longest_turn_ms"] = longestTurnMs;
  state.counters["longest_turn_cpu_ms"] = longestTurnCpuMs;
}
BENCHMARK(BM_OpenIntoFileList)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// A file whose second record is one line of range(0) MiB: the reading crosses it in steps.
void BM_OpenAHugeLine(benchmark::State& state) {
  Rig rig;
  const QString file = rig.dir.filePath("huge.txt");
  {
    std::ofstream out(file.toStdString(), std::ios::binary);
    out << "Lx\tTime\tValue\r\n1\t09-10:00:00\t5.0\r\n2\t09-10:00:01\t";
    const std::string chunk(1 << 20, 'Z');
    for (int i = 0; i < state.range(0); ++i) out << chunk;
    out << "\r\n";
  }
  double longestTurnMs = 0, longestTurnCpuMs = 0;
  for (auto _ : state) {
    QElapsedTimer turn;
    turn.start();
    double cpu = threadCpuMs();
    lux::ListWindow* w = lux::readFileIntoFileList(*rig.ctx, file);
    longestTurnMs = std::max(longestTurnMs, turn.nsecsElapsed() / 1e6);
    longestTurnCpuMs = std::max(longestTurnCpuMs, threadCpuMs() - cpu);
    while (w && w->loading()) {
      turn.restart();
      cpu = threadCpuMs();
      QCoreApplication::processEvents();
      longestTurnMs = std::max(longestTurnMs, turn.nsecsElapsed() / 1e6);
      longestTurnCpuMs = std::max(longestTurnCpuMs, threadCpuMs() - cpu);
    }
  }
  state.counters["longest_turn_ms"] = longestTurnMs;
  state.counters["longest_turn_cpu_ms"] = longestTurnCpuMs;
}
BENCHMARK(BM_OpenAHugeLine)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SaveGrid(benchmark::State& state) {
  Rig rig;
  const QString file = writeRecordingFile(rig.dir.filePath("big.txt"), state.range(0));
  lux::ListWindow* w = lux::readFileIntoFileList(*rig.ctx, file);
  while (w->loading()) QCoreApplication::processEvents();
  rig.state.recording.dataFileName = rig.dir.filePath("saved.txt");
  for (auto _ : state) {
    lux::saveGridToFile(*rig.ctx, *w, w->grid());
  }
  state.counters["bytes"] = static_cast<double>(QFile(rig.state.recording.dataFileName).size());
}
BENCHMARK(BM_SaveGrid)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// One sampling tick writing to the data file and appending to a live list that already holds
// range(0) rows, followed by the window's repaint as the event loop would run it.
void BM_RecordingTick(benchmark::State& state) {
  Rig rig;
  rig.state.recording.samplingTicks = 1;
  rig.state.recording.samplingTickCount = 0;
  lux::listCommand(*rig.ctx);
  lux::ListWindow* w = lux::realTimeList(*rig.ctx);
  std::vector<QStringList> rows;
  for (int i = 1; i <= state.range(0); ++i)
    rows.push_back({QString::number(i), QStringLiteral("09-10:00:00"), QStringLiteral("1.0")});
  w->grid().appendRows(rows);
  QCoreApplication::processEvents();
  lux::beginFileRecording(*rig.ctx, rig.dir.filePath("tick.txt"));
  for (auto _ : state) {
    rig.clock.t_ += 1;
    ++rig.state.display.framesDecoded;  // the poll brought a frame in this second
    lux::recordingTick(*rig.ctx);
    QCoreApplication::processEvents();
    if (!rig.state.recording.listRecording) state.SkipWithError("live list closed");
    rig.state.recording.listRecordCount = 1;  // keep far from the row limit
  }
  state.counters["rows"] = w->grid().rows();
}
BENCHMARK(BM_RecordingTick)->Arg(10)->Arg(100000)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_PrintToPdf(benchmark::State& state) {
  Rig rig;
  const QString file = writeRecordingFile(rig.dir.filePath("big.txt"), state.range(0));
  lux::ListWindow* w = lux::readFileIntoFileList(*rig.ctx, file);
  while (w->loading()) QCoreApplication::processEvents();
  rig.dialogs.pdfPath = rig.dir.filePath("print.pdf");
  for (auto _ : state) lux::printGrid(*rig.ctx, *w, w->grid());
  QFile pdf(rig.dialogs.pdfPath);
  pdf.open(QIODevice::ReadOnly);
  const QByteArray bytes = pdf.readAll();
  int pages = 0;
  for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0;
       at = bytes.indexOf("/Type /Page", at + 1)) {
    if (bytes.mid(at + 11, 1) != "s") ++pages;
  }
  state.counters["pages"] = pages;
  state.counters["pdf_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_PrintToPdf)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
