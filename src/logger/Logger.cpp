#include "logger/Logger.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "core/MeterMessages.h"
#include "core/NumberText.h"
#include "link/Commands.h"
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "logger/ListingTime.h"
#include "logger/LoggerContext.h"
#include "logger/LoggerWindows.h"
#include "logger/MemoryDump.h"
#include "logger/engine/LoggerListing.h"
#include "ui/GridModel.h"

namespace lux {

namespace {

constexpr double kEraseDelay = 0.02;  // between the handshake and "E"

struct LoggerTexts {
  Q_DECLARE_TR_FUNCTIONS(Logger)
};

// Connections that last as long as one download.
class Connections {
 public:
  Connections() = default;
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;
  ~Connections() {
    for (const QMetaObject::Connection& c : list_) QObject::disconnect(c);
  }
  void add(QMetaObject::Connection c) { list_.push_back(std::move(c)); }

 private:
  std::vector<QMetaObject::Connection> list_;
};

MemoryWindow* memoryWindow(LoggerContext& ctx) {
  return qobject_cast<MemoryWindow*>(ctx.memoryWindow.data());
}

MemoryWindow* showMemoryWindow(LoggerContext& ctx) {
  if (MemoryWindow* w = memoryWindow(ctx)) {
    if (!w->closedByUser()) return w;
  }
  auto* w = new MemoryWindow(ctx, ctx.panel);
  ctx.memoryWindow = w;
  w->show();
  return w;
}

void closeMemoryWindow(LoggerContext& ctx) {
  if (MemoryWindow* w = memoryWindow(ctx)) w->close();
  ctx.logger.memoryFormOpen = false;
}

void showPortNote(LoggerContext& ctx, const QString& note) {
  if (ctx.hooks.showPortNote) ctx.hooks.showPortNote(note);
}

// The sets of a listed download into the program-wide loggerSets and the set table.
void listSets(LoggerContext& ctx, MemoryWindow& w, const LoggerDownload& dl) {
  LoggerState& lg = ctx.logger;
  const std::vector<DownloadedSet>& sets = dl.sets();
  if (lg.loggerSets.size() < sets.size() + 1) lg.loggerSets.resize(sets.size() + 1);
  std::vector<QStringList> rows;
  rows.reserve(sets.size());
  int k = 0;
  for (const DownloadedSet& set : sets) {
    ++k;
    lg.loggerSets[static_cast<std::size_t>(k)] = set.bytes;
    rows.push_back({QString::number(k), QString::fromStdString(set.info.timeText),
                    QString::number(set.info.intervalSeconds), QString::number(set.info.records)});
  }
  lg.loggerSetCount = k;
  GridModel& table = w.gridSet();
  table.clearRecords();
  table.appendRows(rows);
  if (!dl.damageText().isEmpty()) {
    w.lblMessage().setText(w.lblMessage().text() + QStringLiteral(" - ") + dl.damageText());
  }
  // A header time no clock shows (hour 25) is kept in the table as the meter wrote it; the
  // user is told here that it is no time, and its records get none when listed.
  QStringList invalid;
  k = 0;
  for (const DownloadedSet& set : sets) {
    ++k;
    if (!validStartTime(set.info.timeText)) {
      invalid << LoggerTexts::tr("set %1 has an invalid start time (%2)")
                     .arg(k)
                     .arg(QString::fromStdString(set.info.timeText));
    }
  }
  if (!invalid.isEmpty()) {
    w.lblMessage().setText(w.lblMessage().text() + QStringLiteral(" - ") +
                           invalid.join(QStringLiteral(", ")));
  }
}

// Tells the user why a download ended without a list; false when there is nothing to say.
void reportUnlisted(LoggerContext& ctx, DownloadResult result, const LoggerDownload& dl) {
  qCInfo(lcLogger, "download ended without a list (outcome %d): %llu of %llu bytes",
         static_cast<int>(result), static_cast<unsigned long long>(dl.received()),
         static_cast<unsigned long long>(dl.expected()));
  switch (result) {
    case DownloadResult::EmptyMemory:
      ctx.dialogs.message(LoggerTexts::tr("No Data in Memory"));
      ctx.logger.memoryFormOpen = false;
      break;
    case DownloadResult::BadAddress:
      ctx.dialogs.message(
          LoggerTexts::tr("The meter reports a memory fill address of %1, outside its memory. "
                          "Nothing was downloaded.")
              .arg(dl.address()));
      closeMemoryWindow(ctx);
      break;
    case DownloadResult::NoAnswer:
      ctx.dialogs.message(LoggerTexts::tr(
          "The meter did not send its memory. Nothing was downloaded, try again !"));
      closeMemoryWindow(ctx);
      break;
    case DownloadResult::MeterSilent:
      ctx.dialogs.message(meterSilentMessage());
      closeMemoryWindow(ctx);
      break;
    case DownloadResult::TimedOut:
      ctx.dialogs.message(
          LoggerTexts::tr("The meter stopped sending: %1 of %2 bytes (%3%) arrived, then nothing "
                          "for %4 s. Nothing was listed, try again !")
              .arg(static_cast<qulonglong>(dl.received()))
              .arg(static_cast<qulonglong>(dl.expected()))
              .arg(dl.percentText())
              .arg(kDumpSilenceSeconds));
      closeMemoryWindow(ctx);
      break;
    case DownloadResult::Cancelled:
      // The window is gone already; the rest of the dump was received and dropped.
      ctx.logger.memoryFormOpen = false;
      break;
    case DownloadResult::Refused:
    case DownloadResult::Listed:
      break;
  }
}

}  // namespace

QString drainNote(qint64 received, qint64 expected) {
  // Short enough for the port caption's place on the LCD, at 100% too.
  const qint64 percent = expected > 0 ? received * 100 / expected : 0;
  return LoggerTexts::tr("Memory dump %1%").arg(percent);
}

LoggerDownload& loggerDownload(LoggerContext& ctx) {
  if (!ctx.download) throw std::logic_error("the logger subsystem is not installed");
  return *ctx.download;
}

DownloadResult downloadLoggerMemory(LoggerContext& ctx) {
  LoggerState& lg = ctx.logger;
  LoggerDownload& dl = loggerDownload(ctx);
  if (dl.draining() || (dl.running() && !lg.memoryFormOpen)) {
    // The user gave that download up, but the meter cannot be stopped: a new "Q" now would
    // take the rest of the old dump.
    ctx.dialogs.message(
        LoggerTexts::tr("The meter is still sending its memory (%1% so far). Try again when it "
                        "has finished.")
            .arg(dl.percentText()));
    return DownloadResult::Refused;
  }
  const DisplayState& d = ctx.display;
  // The logger recording (INTV) or HOLD would make the meter ignore the dump request; an open
  // Memory window already holds a download.
  if (d.annIntv || d.annHold || lg.memoryFormOpen || dl.running()) {
    return DownloadResult::Refused;
  }
  // The line is the download's from the first handshake to the last byte of the dump.
  LineHold line(ctx.link);
  if (!line) return DownloadResult::Refused;
  lg.memoryFormOpen = true;
  PollPause pause(ctx.poll);
  struct Finish {
    LoggerContext& ctx;
    bool noted = false;
    ~Finish() {
      // The dump interrupted the meter's display stream: the next poll restarts it with "M".
      ctx.link.state().pollCount = 0;
      ctx.logger.loggerEraseBusy = false;
      if (noted) showPortNote(ctx, {});
    }
  } finish{ctx};

  QPointer<MemoryWindow> w;
  Connections connections;
  connections.add(QObject::connect(&dl, &LoggerDownload::memoryFound, [&](quint32 address) {
    if (!w) w = showMemoryWindow(ctx);
    lg.memoryFormOpen = true;
    w->showMemory(address);
  }));
  QString note;
  connections.add(
      QObject::connect(&dl, &LoggerDownload::drainProgress, [&](qint64 received, qint64 expected) {
        // After every read, but the caption changes only with the percentage.
        QString now = drainNote(received, expected);
        if (now == note) return;
        note = std::move(now);
        finish.noted = true;
        showPortNote(ctx, note);
      }));

  const DownloadResult result = dl.run();
  if (result == DownloadResult::Listed && w && !w->closedByUser()) {
    listSets(ctx, *w, dl);
  } else {
    reportUnlisted(ctx, result, dl);
  }
  return result;
}

void listLoggerSet(LoggerContext& ctx, int row) {
  LoggerState& lg = ctx.logger;
  MemoryWindow* mw = memoryWindow(ctx);
  // Not inside a download's (or another command's) waits: the line's holder owns the sets.
  if (!mw || ctx.link.lineUser() == LineUser::Command) return;
  PollPause pause(ctx.poll);

  GridModel& table = mw->gridSet();
  const double setNumber = leadingNumber(table.cell(row, 0).toStdString());
  const QString timeText = table.cell(row, 1);
  const double interval = leadingNumber(table.cell(row, 2).toStdString());
  QByteArray bytes;
  if (setNumber >= 1 && setNumber <= lg.loggerSetCount &&
      setNumber < static_cast<double>(lg.loggerSets.size())) {
    bytes = lg.loggerSets[static_cast<std::size_t>(setNumber)];
  }

  if (QWidget* old = ctx.dataListWindow.data()) {
    old->close();
    delete old;
  }
  const QDate today = ctx.clock.localDateTime().date();
  const ListingStart start = listingStart(timeText.toStdString(), today.year(), today.month());
  const qint64 step = interval > 0 ? static_cast<qint64>(interval) : 0;
  auto* list = new DataListWindow(ctx, ctx.panel);
  ctx.dataListWindow = list;
  if (start.mode == ListingStart::Mode::Calendar)
    list->setRecordTiming(QDateTime(QDate(start.year, start.month, start.day),
                                    QTime(start.hour, start.minute, start.second), Qt::UTC),
                          step);
  list->setPlotSource(
      LoggerTexts::tr("Logger set %1, started %2").arg(static_cast<int>(setNumber)).arg(timeText));
  list->show();

  QString caption;
  long long shownTenths = -1;
  const std::vector<ListedRecord> records =
      listSetRecords(bytes, timeText, interval, today, [&](qsizetype n, qsizetype count) {
        // The caption moves in tenths of a percent: format it only when that count moves.
        const long long tenths =
            std::llround(static_cast<double>(n) * 1000.0 / static_cast<double>(count));
        if (tenths == shownTenths) return;
        shownTenths = tenths;
        QString now = LoggerTexts::tr("%1 % completed")
                          .arg(QString::number(
                              static_cast<double>(n) / static_cast<double>(count) * 100.0, 'f', 1));

        if (now != caption) {
          caption = std::move(now);
          list->setWindowTitle(caption);
        }
      });
  list->showRecords(records);
  list->setWindowTitle(LoggerTexts::tr("Data List"));
  if (!bytes.isEmpty() && start.mode == ListingStart::Mode::Elapsed) {
    ctx.dialogs.message(LoggerTexts::tr("The start time of set %1, %2, is not a valid time of "
                                        "day. Its records are listed without times.")
                            .arg(static_cast<int>(setNumber))
                            .arg(timeText));
  }
}

namespace {

// The erase itself, holding the line.
void eraseHoldingTheLine(LoggerContext& ctx) {
  LoggerState& lg = ctx.logger;
  if (lg.loggerEraseBusy) return;
  lg.loggerEraseBusy = true;
  PollPause pause(ctx.poll);
  struct Release {
    LoggerState& lg;
    ~Release() { lg.loggerEraseBusy = false; }
  } release{lg};
  if (!ctx.dialogs.confirm(LoggerTexts::tr("All the data in memory will be deleted!"),
                           LoggerTexts::tr("Warning"))) {
    return;
  }
  if (!ctx.link.handshakeWithin(MeterLink::kAnswerBound)) {
    // Nothing was sent: the memory and its window stay as they are.
    ctx.dialogs.message(meterSilentMessage());
    return;
  }
  ctx.link.waitSeconds(kEraseDelay);
  ctx.link.send(Command::EraseMemory);
  closeMemoryWindow(ctx);
}

}  // namespace

void eraseLoggerMemory(LoggerContext& ctx) {
  // Its warning box is open already.
  if (ctx.logger.loggerEraseBusy) return;
  // Clicked inside a poll tick, the erase runs right after it; clicked while a download still
  // holds the line, it waits for the download's end, or is refused with a message when that
  // takes longer than a click may wait.
  ctx.link.runCommand([&ctx] { eraseHoldingTheLine(ctx); },
                      [&ctx] { ctx.dialogs.message(meterBusyMessage()); });
}

}  // namespace lux
