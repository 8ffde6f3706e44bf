#pragma once
// The PC-timed recording as the panel drives it: Timer2's tick, the toolbar's "Save", and the
// engine that does the work (records/engine/RecordingEngine.h) made for this context.
#include <QString>
#include <memory>

namespace lux {

struct RecordsContext;
class RecordingEngine;

// Makes the recording engine over the context's recording and display state and its clock, with
// the live list as its second destination, and points the context at it (installRecords).
std::unique_ptr<RecordingEngine> makeRecordingEngine(RecordsContext& ctx);
// The recording engine of this context, once installed.
RecordingEngine& recordingEngine(RecordsContext& ctx);

// Timer2's tick, once a second.
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
