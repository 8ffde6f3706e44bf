#include "panel/RecordingLook.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>

#include "core/RecordingStatus.h"

namespace lux {

namespace {
void setText(QLabel* label, const QString& text) {
  if (label) label->setText(text);
}
}  // namespace

void setSaveButtonLook(QAction* saveButton, bool recording) {
  if (!saveButton) return;
  saveButton->setIcon(QIcon(recording ? QStringLiteral(":/icons/stop-recording.svg")
                                      : QStringLiteral(":/icons/save.svg")));
  saveButton->setToolTip(
      QCoreApplication::translate("Toolbar", recording ? kStopRecordingToolTip : kSaveToolTip));
  saveButton->setText(saveButton->toolTip());
}

void showRecordingStatus(const RecordingControls& c, const RecordingStatus& s) {
  setSaveButtonLook(c.saveButton, s.recording);
  if (s.recording) {
    setText(c.fileName, s.fileTitle);
    if (c.rec) c.rec->setVisible(true);
    // During an outage the count stays and says that nothing comes in.
    if (s.outage) {
      setText(c.count, QStringLiteral("%1 (%2)").arg(s.records).arg(
                           QCoreApplication::translate("Toolbar", kNoReading)));
    } else if (s.records > 0) {
      setText(c.count, QString::number(s.records));
      setText(c.rec, QCoreApplication::translate("Toolbar", "Rec"));
    }
    return;
  }
  setText(c.fileName, {});
  setText(c.count, {});
  if (s.stopped == RecordingStop::Manual && c.rec) {
    c.rec->setVisible(false);
  } else {
    setText(c.rec, {});
  }
}

}  // namespace lux
