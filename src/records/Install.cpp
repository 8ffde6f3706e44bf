#include "records/Install.h"

#include <QWidget>
#include <exception>

#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/RecordsContext.h"
#include "records/SamplingChoice.h"
#include "records/engine/DataFileWriter.h"
#include "records/engine/RecordingEngine.h"

namespace lux {

std::unique_ptr<RecordingEngine> installRecords(RecordsContext& ctx) {
  ctx.recording.fileRecording = false;
  ctx.recording.samplingTicks = 2;
  // The engine exists from the start, so that the first sampling moment after a frame counts it
  // as fresh (an engine made at that moment would take the frame for one it had already seen).
  std::unique_ptr<RecordingEngine> engine = makeRecordingEngine(ctx);
  ctx.hooks.recordingTick = [&ctx] { recordingTick(ctx); };
  ctx.hooks.commands.add(ToolbarCommand::Save, [&ctx] { saveCommand(ctx); });
  ctx.hooks.commands.add(ToolbarCommand::Open, [&ctx] { openCommand(ctx); });
  ctx.hooks.commands.add(ToolbarCommand::PC, [&ctx] { pcCommand(ctx); });
  ctx.hooks.commands.add(ToolbarCommand::List, [&ctx] { listCommand(ctx); });

  // Every list window (the logger's too) saves, prints and plots its grid through these.
  ctx.hooks.grid.save = [&ctx](QWidget* window, GridModel& grid) {
    if (window) saveGridCommand(ctx, *window, grid);
  };
  ctx.hooks.grid.print = [&ctx](QWidget* window, GridModel& grid) {
    if (window) printGrid(ctx, *window, grid);
  };
  ctx.hooks.grid.plot = [&ctx](GridModel& grid, int column, const PlotRequest& seed) {
    RecordingState& r = ctx.recording;
    r.plotUnitText = seed.unitText;
    r.plotMaxValue = seed.yMax;
    r.plotMinValue = seed.yMin;
    plotGridColumn(ctx, grid, column, seed.source);
  };

  ctx.hooks.onShutdown.push_back([&ctx] {
    if (ctx.engine) ctx.engine->releaseFile();
    if (ctx.realTimeList) ctx.realTimeList->close();
    if (ctx.fileList) ctx.fileList->close();
  });
  return engine;
}

}  // namespace lux
