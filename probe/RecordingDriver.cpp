#include "probe/RecordingDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/AppContext.h"
#include "panel/Toolbar.h"
#include "records/Recording.h"
#include "records/engine/RecordingEngine.h"

namespace lux::probe {

namespace {

struct Driver {
  RecordingPlan plan;
  QString pendingPath;  // the start-up recording, until the first reading is in
  int pendingSampling = 0;
  int segments = 0;    // recordings the soak started after the start-up one
  long announced = 0;  // the last record number told on standard output
};

void announce(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

void keepEverythingRunning(AppContext& ctx, Driver& d) {
  const DisplayState& display = ctx.state.display;
  // No reading yet (start-up, or the meter never answered): nothing to record or draw.
  if (!display.plainMode() || display.mainValueText.empty()) return;
  RecordingState& r = ctx.state.recording;
  // The unit has just changed under a running file: this very tick ends the file, and all three
  // start again together at the next one, in the new unit.
  if (r.fileRecording && QString::fromStdString(display.unitText) != r.fileRecordingUnit) return;
  // The start-up recording is still pending: it opens the first file itself.
  if (!r.fileRecording && d.pendingPath.isEmpty()) {
    const QString path = d.plan.recordTo + QStringLiteral(".%1").arg(d.segments + 1);
    std::printf("segment %s\n", qPrintable(path));
    std::fflush(stdout);
    // A file that cannot be created is told by the recording itself; the next tick tries the
    // next name rather than hammering the same one with a message every second.
    ++d.segments;
    beginFileRecording(ctx, path);
  }
  // Both buttons refuse while their window is open, so a click on an open one changes nothing.
  if (!r.listRecording) {
    toolbarActionTriggered(ctx, ToolbarCommand::List);
    if (r.listRecording) announce("list opened");
  }
  if (!ctx.state.graphs.liveGraphOpen) {
    toolbarActionTriggered(ctx, ToolbarCommand::Graph);
    if (ctx.state.graphs.liveGraphOpen) announce("graph opened");
  }
}

// Nobody sits at a soak's desk. The driver starts recordings again under an open box, which a
// user could not, so without someone to close them the end-of-run messages would pile up, each
// in the event loop of the one before (where closed windows wait to be deleted until the boxes
// above them close). The boxes are read and closed with their default button, as a user would.
void closeBoxes() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box || !box->isVisible()) continue;
    QAbstractButton* button = box->defaultButton();
    if (!button) button = box->button(QMessageBox::Ok);
    if (!button) continue;
    std::printf("box %s\n", qPrintable(box->text().simplified()));
    std::fflush(stdout);
    button->click();
  }
}

void beforeTick(AppContext& ctx, Driver& d) {
  RecordingState& r = ctx.state.recording;
  if (d.pendingSampling > 0) {
    r.samplingTicks = static_cast<float>(d.pendingSampling);
    r.samplingTickCount = 0;
    d.pendingSampling = 0;
  }
  // Restart first, so that a recording started here takes this tick's sample like any other.
  if (d.plan.keepRunning) keepEverythingRunning(ctx, d);
  // The start-up recording waits for the first reading, so that its unit is the meter's.
  if (!d.pendingPath.isEmpty() && !ctx.state.display.mainValueText.empty()) {
    const QString path = d.pendingPath;
    d.pendingPath.clear();
    if (!r.fileRecording) beginFileRecording(ctx, path);
  }
}

void afterTick(AppContext& ctx, Driver& d) {
  const RecordingState& r = ctx.state.recording;
  const long count = r.fileRecording ? static_cast<long>(r.fileRecordCount) : 0;
  // A new file counts from 1 again.
  if (count < d.announced) d.announced = 0;
  for (long n = d.announced + 1; n <= count; ++n) std::printf("recorded %ld\n", n);
  if (count > d.announced) std::fflush(stdout);
  d.announced = count;
}

}  // namespace

void installRecordingDriver(AppContext& ctx, const RecordingPlan& plan) {
  if (plan.recordTo.isEmpty() && plan.samplingSeconds <= 0) return;
  auto d = std::make_shared<Driver>();
  d->plan = plan;
  d->plan.keepRunning = plan.keepRunning && !plan.recordTo.isEmpty();
  d->pendingPath = plan.recordTo;
  d->pendingSampling =
      plan.samplingSeconds >= 1 && plan.samplingSeconds <= 86400 ? plan.samplingSeconds : 0;
  if (d->plan.keepRunning && ctx.panel) {
    auto* boxes = new QTimer(ctx.panel);
    boxes->setInterval(500);
    QObject::connect(boxes, &QTimer::timeout, boxes, closeBoxes);
    boxes->start();
  }
  // Around every tick of the recording's Timer2, whoever runs it (the timer, or a test by hand).
  RecordingEngine& engine = recordingEngine(ctx.records);
  QObject::connect(&engine, &RecordingEngine::tickDue, &engine, [&ctx, d] { beforeTick(ctx, *d); });
  QObject::connect(&engine, &RecordingEngine::tickDone, &engine, [&ctx, d] {
    if (!d->plan.recordTo.isEmpty()) afterTick(ctx, *d);
  });
}

}  // namespace lux::probe
