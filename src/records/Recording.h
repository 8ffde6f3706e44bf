#pragma once
// The PC-timed recording: the tick that samples the current reading into the data file and the
// live list, and the start and stop of a file recording from the panel's first toolbar button.
#include <QString>

namespace lux {

struct Context;

// Timer2's tick, once a second.
void recordingTick(Context& ctx);

// The toolbar's "Save": nothing while the meter is not in plain measuring mode; otherwise stops
// a running file recording or starts one (the Save As dialog asks where).
void saveButtonClick(Context& ctx);

// Starts a file recording into `path` without a dialog: creates or truncates the file and
// writes its header line. On failure the user is told why and nothing starts.
bool beginFileRecording(Context& ctx, const QString& path);
// Manual stop: closes the file, idle look of the button and labels, fileNameChosen cleared.
void stopFileRecording(Context& ctx);

// Texts of the panel's first toolbar button.
inline constexpr char kSaveToolTip[] = "Save As";
inline constexpr char kStopRecordingToolTip[] = "Stop Recording";

// Sets the panel's first toolbar button to its idle or its recording look.
void setSaveButtonLook(Context& ctx, bool recording);

}  // namespace lux
