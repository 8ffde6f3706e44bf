#include "panel/RecordingLook.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>

#include "core/RecordingStatus.h"
#include "ui/Icons.h"

namespace lux {

namespace {
void setText(QLabel* label, const QString& text) {
  if (label) label->setText(text);
}
}  // namespace

void setSaveButtonLook(QAction* saveButton, bool recording) {
  if (!saveButton) return;
  // The status comes with every record; a new icon each time would be drawn anew and filed in
  // the pixmap cache each second of a recording.
  const QIcon icon = resourceIcon(recording ? QStringLiteral(":/icons/stop-recording.svg")
                                            : QStringLiteral(":/icons/save.svg"));
  if (saveButton->icon().cacheKey() != icon.cacheKey()) saveButton->setIcon(icon);
  saveButton->setToolTip(
      QCoreApplication::translate("Toolbar", recording ? kStopRecordingToolTip : kSaveToolTip));
  // The button's words; the menu item's own words follow when the menu opens.
  saveButton->setIconText(saveButton->toolTip());
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
