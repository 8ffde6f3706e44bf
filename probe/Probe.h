#pragma once
// luxpanel-probe is luxpanel with handles for the scripts and the end-to-end tests: the same
// program, wired the same way, plus what they use to steer and watch it. Nothing of it is in
// the program users run.
//
// Environment:
//   LUXPANEL_STATE_FILE=PATH   the panel's state as key=value lines (probe/StateFile.h)
//   LUXPANEL_RECORD_TO=PATH    record into PATH from the first reading, "recorded N" on stdout
//   LUXPANEL_SAMPLING=N        PC sampling period in seconds (1..86400) instead of 2
//   LUXPANEL_SOAK=1            keep recording, live list and live graph running (with RECORD_TO)
//   LUXPANEL_SCREENSHOTS=DIR   the picture gallery of every window into DIR, then the end
//   LUXPANEL_LATENCY=K1,K2     click each toolbar key and time its box and the next reading
//                              (probe/LatencyDriver.h), then the end
//   LUXPANEL_LATENCY_CLICKS=N  clicks per key (default 20)
// Options (besides the program's own):
//   --screenshot PATH          a picture of the panel into PATH, then the end
//   --screenshot-delay SECONDS seconds after start-up before that picture (default 3)
#include <QString>
#include <QStringList>

#include "app/Program.h"
#include "probe/LatencyDriver.h"
#include "probe/RecordingDriver.h"

namespace lux::probe {

struct ProbeOptions {
  QString stateFile;
  RecordingPlan recording;
  QString galleryFolder;
  QString screenshotPath;
  double screenshotDelay = 3.0;
  LatencyPlan latency;
};

// Reads the environment variables above into `options`.
void readEnvironment(ProbeOptions& options);

// Takes the probe's own options out of `arguments` (leaving the program's for its own parser).
// False with a reason on a malformed one.
bool takeProbeArguments(QStringList& arguments, ProbeOptions& options, QString* reason);

// The steps that install the probe into the running program.
ProgramExtension probeExtension(const ProbeOptions& options);

}  // namespace lux::probe
