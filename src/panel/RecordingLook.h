#pragma once
// The panel's part of a file recording: the first toolbar button (Save As / Stop Recording)
// and the file-name, "Rec" and count labels, as the recording's status says.
#include <QtGlobal>

class QAction;
class QLabel;

namespace lux {

struct RecordingStatus;

inline constexpr char kSaveToolTip[] = QT_TRANSLATE_NOOP("Toolbar", "Save As");
inline constexpr char kStopRecordingToolTip[] = QT_TRANSLATE_NOOP("Toolbar", "Stop Recording");
// Beside the count while sampling moments bring no reading from the meter.
inline constexpr char kNoReading[] = QT_TRANSLATE_NOOP("Toolbar", "no reading");

struct RecordingControls {
  QAction* saveButton = nullptr;
  QLabel* fileName = nullptr;  // LblFileName
  QLabel* rec = nullptr;       // LblRec
  QLabel* count = nullptr;     // LblCount
};

// Sets the first toolbar button to its idle or its recording look.
void setSaveButtonLook(QAction* saveButton, bool recording);
// Shows one status of the recording on the controls (any of them may be missing).
void showRecordingStatus(const RecordingControls& controls, const RecordingStatus& status);

}  // namespace lux
