#include "app/TestHooks.h"

#include <QString>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/Context.h"
#include "panel/Toolbar.h"
#include "records/Recording.h"

namespace lux {

namespace {

struct SoakRestarts {
  QString basePath;
  int segments = 0;  // recordings this hook started
};

void announce(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

void keepEverythingRunning(Context& ctx, SoakRestarts& soak) {
  const DisplayState& d = ctx.state.display;
  // No reading yet (start-up, or the meter never answered): nothing to record or draw.
  if (!d.plainMode() || d.mainValueText.empty()) return;
  RecordingState& r = ctx.state.recording;
  // The unit has just changed under a running file: this very tick ends the file, and all three
  // start again together at the next one, in the new unit.
  if (r.fileRecording && QString::fromStdString(d.unitText) != r.fileRecordingUnit) return;
  // The start-up recording is still pending: it opens the first file itself.
  if (!r.fileRecording && r.autoRecordPath.isEmpty()) {
    const QString path = soak.basePath + QStringLiteral(".%1").arg(soak.segments + 1);
    std::printf("segment %s\n", qPrintable(path));
    std::fflush(stdout);
    // A file that cannot be created is told by the recording itself; the next tick tries the
    // next name rather than hammering the same one with a message every second.
    ++soak.segments;
    beginFileRecording(ctx, path);
  }
  // Both buttons refuse while their window is open, so a click on an open one changes nothing.
  // Each window that opens is announced, so the soak can tell they ran beside every file.
  if (!r.listRecording) {
    toolbarButtonClick(ctx, QStringLiteral("List"));
    if (r.listRecording) announce("list opened");
  }
  if (!ctx.state.graphs.liveGraphOpen) {
    toolbarButtonClick(ctx, QStringLiteral("Graph"));
    if (ctx.state.graphs.liveGraphOpen) announce("graph opened");
  }
}

}  // namespace

void installTestHooks(Context& ctx) {
  if (qEnvironmentVariable("LUXPANEL_SOAK") != QLatin1String("1")) return;
  const QString base = qEnvironmentVariable("LUXPANEL_RECORD_TO");
  if (base.isEmpty()) return;
  auto soak = std::make_shared<SoakRestarts>();
  soak->basePath = base;
  std::function<void()> tick = ctx.hooks.recordingTick;
  // Restart first, so that a recording started here takes this tick's sample like any other.
  ctx.hooks.recordingTick = [&ctx, soak, tick] {
    keepEverythingRunning(ctx, *soak);
    if (tick) tick();
  };
}

}  // namespace lux
