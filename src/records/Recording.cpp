#include "records/Recording.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QToolBar>

#include "app/Context.h"
#include "records/DataFileWriter.h"
#include "records/DataFormat.h"
#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"

namespace lux {

namespace {

constexpr float kMaxRecords = 100000;

QLabel* panelLabel(Context& ctx, const char* name) {
  return ctx.panel ? ctx.panel->findChild<QLabel*>(QLatin1String(name)) : nullptr;
}

void setLabel(Context& ctx, const char* name, const QString& text) {
  if (QLabel* l = panelLabel(ctx, name)) l->setText(text);
}

// True when a destination that started with `startUnit` and holds `count` records must stop.
bool stopCondition(const Context& ctx, float count, const QString& startUnit) {
  const DisplayState& d = ctx.state.display;
  return count == kMaxRecords || d.stopMode() || QString::fromStdString(d.unitText) != startUnit;
}

void closeDataFile(RecordingState& r) {
  if (r.dataFile) r.dataFile->close();
  r.dataFile.reset();
  r.dataFileNumber = 0;
}

}  // namespace

void setSaveButtonLook(Context& ctx, bool recording) {
  if (!ctx.panel) return;
  auto* bar = ctx.panel->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
  if (!bar) return;
  for (QAction* a : bar->actions()) {
    if (a->data().toString() != QLatin1String("Save")) continue;
    a->setIcon(QIcon(recording ? QStringLiteral(":/icons/stop-recording.svg")
                               : QStringLiteral(":/icons/save.svg")));
    a->setToolTip(QLatin1String(recording ? kStopRecordingToolTip : kSaveToolTip));
    a->setText(a->toolTip());
  }
}

bool beginFileRecording(Context& ctx, const QString& path) {
  RecordingState& r = ctx.state.recording;
  const QString unit = QString::fromStdString(ctx.state.display.unitText);
  auto writer = std::make_shared<DataFileWriter>();
  QString reason;
  if (!writer->open(path, &reason) ||
      !writer->writeLine(dataFileHeaderLine(unit.toLatin1().toStdString()), &reason)) {
    writer->close();
    r.fileNameChosen = false;
    ctx.dialogs.message(QStringLiteral("Cannot record to %1\r\n%2").arg(path, reason));
    return false;
  }
  r.fileRecordingUnit = unit;
  r.dataFileTitle = QFileInfo(path).fileName();
  setLabel(ctx, "LblFileName", r.dataFileTitle);
  setSaveButtonLook(ctx, true);
  r.dataFile = std::move(writer);
  r.dataFileNumber = 1;
  r.fileRecording = true;
  if (QLabel* rec = panelLabel(ctx, "LblRec")) rec->setVisible(true);
  return true;
}

void stopFileRecording(Context& ctx) {
  RecordingState& r = ctx.state.recording;
  r.fileRecording = false;
  setSaveButtonLook(ctx, false);
  if (QLabel* rec = panelLabel(ctx, "LblRec")) rec->setVisible(false);
  setLabel(ctx, "LblCount", {});
  setLabel(ctx, "LblFileName", {});
  r.fileRecordCount = 0;
  closeDataFile(r);
  r.fileNameChosen = false;
}

void saveButtonClick(Context& ctx) {
  if (!ctx.state.display.plainMode()) return;
  RecordingState& r = ctx.state.recording;
  if (r.fileRecording) {
    stopFileRecording(ctx);
    return;
  }
  if (!chooseSaveFile(ctx)) return;
  beginFileRecording(ctx, r.dataFileName);
}

void recordingTick(Context& ctx) {
  RecordingState& r = ctx.state.recording;
  if (!(r.samplingTickCount == 0 || r.samplingTickCount >= r.samplingTicks)) {
    ++r.samplingTickCount;
    return;
  }

  const QDateTime now = ctx.clock.localDateTime();
  const QTime t = now.time();
  const std::string stamp = sampleTimeStamp(now.date().day(), t.hour(), t.minute(), t.second());
  r.sampleTimeText = QString::fromLatin1(stamp.c_str());
  const std::string& value = ctx.state.display.mainValueText;
  QString failure;

  if (r.fileRecording) {
    if (stopCondition(ctx, r.fileRecordCount, r.fileRecordingUnit)) {
      r.fileRecording = false;
      setSaveButtonLook(ctx, false);
      setLabel(ctx, "LblRec", {});
      setLabel(ctx, "LblCount", {});
      r.fileRecordCount = 0;
      closeDataFile(r);
    } else {
      const long number = static_cast<long>(r.fileRecordCount) + 1;
      QString reason;
      // A record counts only once the system has taken its whole line.
      if (r.dataFile && r.dataFile->writeLine(dataFileRecordLine(number, stamp, value), &reason)) {
        r.fileRecordCount = static_cast<float>(number);
        setLabel(ctx, "LblCount", QString::number(number));
        setLabel(ctx, "LblRec", QStringLiteral("Rec"));
      } else {
        const QString path = r.dataFile ? r.dataFile->path() : r.dataFileName;
        const long kept = number - 1;
        stopFileRecording(ctx);
        failure = QStringLiteral(
                      "Recording stopped: the data file could not be written (%1).\r\n"
                      "The %2 record(s) written before are kept in %3")
                      .arg(reason)
                      .arg(kept)
                      .arg(path);
      }
    }
  }

  if (!r.fileRecording) {
    setLabel(ctx, "LblFileName", {});
    setLabel(ctx, "LblCount", {});
    setLabel(ctx, "LblRec", {});
    r.fileRecordCount = 0;
  }

  if (r.listRecording) {
    if (ListWindow* w = realTimeList(ctx)) {
      r.listRecordCount += 1;
      w->appendRecord(QString::number(static_cast<long>(r.listRecordCount)), r.sampleTimeText,
                      QString::fromStdString(value));
      if (stopCondition(ctx, r.listRecordCount, r.listRecordingUnit)) {
        r.listRecordCount = 0;
        r.listRecording = false;
        w->close();
      }
    } else {
      // The window went away without its close handler (the program is closing).
      r.listRecording = false;
      r.listRecordCount = 0;
    }
  }

  r.samplingTickCount = 1;
  if (failure.isEmpty()) return;
  // Told once this tick is over: a modal box inside the tick would hold the tick open, and the
  // live list would miss its samples for as long as the user takes to read it.
  if (ctx.panel) {
    Context* c = &ctx;
    QTimer::singleShot(0, ctx.panel, [c, failure] { c->dialogs.message(failure); });
  } else {
    ctx.dialogs.message(failure);
  }
}

}  // namespace lux
