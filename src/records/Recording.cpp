#include "records/Recording.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "link/Logging.h"
#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "records/RecordsContext.h"
#include "records/engine/RecordingEngine.h"

namespace lux {

namespace {

// Told once the tick or the click is over: a modal box inside the tick would hold the tick
// open, and the live list would miss its samples for as long as the user takes to read it.
// Posted, it may come due inside a poll tick's wait; then it waits for that tick to end, or the
// box would hold the poll (and the panel's picture) until the user closes it.
void tellLater(RecordsContext& ctx, const QString& text) {
  if (text.isEmpty()) return;
  qCInfo(lcRecords, "recording: %s", qUtf8Printable(QString(text).simplified()));
  if (ctx.panel) {
    RecordsContext* c = &ctx;
    QTimer::singleShot(0, ctx.panel, [c, text] {
      c->link.runOutsidePoll([c, text] { c->dialogs.message(text); });
    });
  } else {
    ctx.dialogs.message(text);
  }
}

void connectLiveList(RecordsContext& ctx, RecordingEngine& engine) {
  RecordingEngine::LiveList list;
  list.append = [&ctx](long number, const RecordSample& sample) {
    ListWindow* w = realTimeList(ctx);
    if (!w) return false;
    w->appendRecord(QString::number(number), QString::fromLatin1(sample.stamp.c_str()),
                    QString::fromStdString(sample.value));
    return true;
  };
  list.close = [&ctx] {
    if (ListWindow* w = realTimeList(ctx)) w->close();
  };
  engine.setLiveList(std::move(list));
}

}  // namespace

std::unique_ptr<RecordingEngine> makeRecordingEngine(RecordsContext& ctx) {
  RecordingState& r = ctx.recording;
  auto engine = ctx.session ? std::make_unique<RecordingEngine>(*ctx.session, r)
                            : std::make_unique<RecordingEngine>(r, ctx.display, ctx.clock);
  connectLiveList(ctx, *engine);
  RecordsContext* c = &ctx;
  RecordingEngine* e = engine.get();
  QObject::connect(e, &RecordingEngine::tickDone, e,
                   [c, e] { tellLater(*c, e->status().message); });
  if (ctx.session) {
    // The recording's clock runs with the meter's poll, and starts just before it.
    QObject::connect(ctx.session, &MeterSession::starting, e, &RecordingEngine::start);
    QObject::connect(ctx.session, &MeterSession::stopped, e, &RecordingEngine::stop);
  }
  ctx.engine = e;
  return engine;
}

RecordingEngine& recordingEngine(RecordsContext& ctx) {
  if (!ctx.engine) throw std::logic_error("the recording subsystem is not installed");
  return *ctx.engine;
}

bool beginFileRecording(RecordsContext& ctx, const QString& path) {
  QString reason;
  if (recordingEngine(ctx).startFile(path, &reason)) {
    qCInfo(lcRecords, "recording to %s", qUtf8Printable(path));
    return true;
  }
  qCWarning(lcRecords, "cannot record to %s: %s", qUtf8Printable(path), qUtf8Printable(reason));
  ctx.dialogs.message(
      QCoreApplication::translate("Recording", "Cannot record to %1\r\n%2").arg(path, reason));

  return false;
}

void stopFileRecording(RecordsContext& ctx) {
  RecordingEngine& engine = recordingEngine(ctx);
  engine.stopFile();
  tellLater(ctx, engine.status().message);
}

void saveCommand(RecordsContext& ctx) {
  if (!ctx.display.plainMode()) return;
  RecordingState& r = ctx.recording;
  if (r.fileRecording) {
    stopFileRecording(ctx);
    return;
  }
  if (!chooseSaveFile(ctx)) return;
  beginFileRecording(ctx, r.dataFileName);
}

void recordingTick(RecordsContext& ctx) {
  recordingEngine(ctx).runTick();
}

}  // namespace lux
