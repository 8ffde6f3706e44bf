#pragma once
// Steers the recording of a running program from the outside, for the scripts and end-to-end
// tests that must record without a Save dialog and count what was written.
#include <QString>

namespace lux {
struct AppContext;
}

namespace lux::probe {

struct RecordingPlan {
  // Starts a file recording into this path once the first reading is in (no dialog); empty: none.
  QString recordTo;
  // PC sampling period in seconds (1..86400) applied at the first tick; 0 keeps the program's.
  int samplingSeconds = 0;
  // Keeps a file recording, the live list and the live graph running for the whole session,
  // although each of them ends by itself whenever the meter leaves plain measuring mode or
  // changes its unit. At every recording tick at which the meter shows plain mode:
  //  - with no file recording running, a new one starts into recordTo.1, recordTo.2, ... (the
  //    first recording, into recordTo itself, is the start-up one);
  //  - a closed live list or live graph is opened again as by its toolbar button.
  // Each new file is announced on standard output as "segment PATH" before its first record,
  // each reopened window as "list opened" or "graph opened". A message box the program opens
  // meanwhile is closed within half a second with its default button and announced as
  // "box TEXT". Needs recordTo.
  bool keepRunning = false;
};

// Wraps the program's recording tick (so it must be installed after the recording subsystem).
// While recordTo is set, every record that reaches a file is announced on standard output as
// "recorded N" once its line is in the file. An empty plan installs nothing.
void installRecordingDriver(AppContext& ctx, const RecordingPlan& plan);

}  // namespace lux::probe
