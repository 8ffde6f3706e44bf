#include "records/Install.h"

#include <QWidget>
#include <exception>

#include "app/Context.h"
#include "records/Recording.h"
#include "records/engine/DataFileWriter.h"
#include "records/engine/RecordingEngine.h"

namespace lux {

void installRecords(Context& ctx) {
  ctx.hooks.recordingTick = [&ctx] { recordingTick(ctx); };

  ctx.hooks.onShutdown.push_back([&ctx] {
    RecordingState& r = ctx.state.recording;
    // Every line is already in the file; closing only lets go of it.
    if (r.dataFile) r.dataFile->close();
    if (r.realTimeList) r.realTimeList->close();
    if (r.fileList) r.fileList->close();
  });
}

}  // namespace lux
