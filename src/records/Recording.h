#pragma once
// The PC-timed recording as the program drives it: the toolbar's "Save", and the engine that
// does the work (records/engine/RecordingEngine.h, whose Timer2 runs with the meter's poll)
// made for this context.
#include <QString>
#include <memory>

namespace lux {

struct RecordsContext;
class RecordingEngine;

// Makes the recording engine over the context's recording state and the meter's session (or the
// display state and clock, where a test has no session), with the live list as its second
// destination, and points the context at it (installRecords).
std::unique_ptr<RecordingEngine> makeRecordingEngine(RecordsContext& ctx);
// The recording engine of this context, once installed.
RecordingEngine& recordingEngine(RecordsContext& ctx);

// One tick of Timer2, as the timer runs it (what it has to tell comes after the tick).
void recordingTick(RecordsContext& ctx);

// The toolbar's "Save": nothing while the meter is not in plain measuring mode; otherwise stops
// a running file recording or starts one (the Save As dialog asks where).
void saveCommand(RecordsContext& ctx);

// Starts a file recording into `path` without a dialog: creates or truncates the file and
// writes its header line. On failure the user is told why and nothing starts.
bool beginFileRecording(RecordsContext& ctx, const QString& path);
// Manual stop: closes the file, fileNameChosen cleared; the panel follows the engine's status.
void stopFileRecording(RecordsContext& ctx);

}  // namespace lux
