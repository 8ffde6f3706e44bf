#include "records/Install.h"

#include <QWidget>
#include <cstdio>
#include <exception>

#include "app/Context.h"
#include "records/Recording.h"
#include "records/engine/DataFileWriter.h"
#include "records/engine/RecordingEngine.h"

namespace lux {

void installRecords(Context& ctx) {
  ctx.hooks.recordingTick = [&ctx] { recordingTick(ctx); };

  // Hidden start-up options for end-to-end tests; without them nothing changes:
  //   LUXPANEL_RECORD_TO=PATH  start a file recording into PATH at the first recording tick
  //                            (no dialog), and announce each record on standard output as
  //                            "recorded N" once its line is in the file;
  //   LUXPANEL_SAMPLING=N      PC sampling period in seconds (1..86400) instead of 2.
  const QString recordTo = qEnvironmentVariable("LUXPANEL_RECORD_TO");
  if (!recordTo.isEmpty()) {
    ctx.state.recording.autoRecordPath = recordTo;
    ctx.state.recording.reportRecordCount = true;
    QObject::connect(&recordingEngine(ctx), &RecordingEngine::recordWritten,
                     [](long number, const RecordSample&) {
                       std::printf("recorded %ld\n", number);
                       std::fflush(stdout);
                     });
  }
  bool ok = false;
  const int period = qEnvironmentVariableIntValue("LUXPANEL_SAMPLING", &ok);
  if (ok && period >= 1 && period <= 86400) {
    ctx.state.recording.autoSamplingTicks = period;
  }

  ctx.hooks.onShutdown.push_back([&ctx] {
    RecordingState& r = ctx.state.recording;
    // Every line is already in the file; closing only lets go of it.
    if (r.dataFile) r.dataFile->close();
    if (r.realTimeList) r.realTimeList->close();
    if (r.fileList) r.fileList->close();
  });
}

}  // namespace lux
