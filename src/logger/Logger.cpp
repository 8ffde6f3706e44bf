#include "logger/Logger.h"

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/Context.h"
#include "link/Commands.h"
#include "link/LoggerValue.h"
#include "logger/ListingTime.h"
#include "logger/LoggerWindows.h"
#include "logger/MemoryDump.h"
#include "records/DataFormat.h"
#include "ui/GridModel.h"

namespace lux {

namespace {

constexpr double kEnterSettle = 0.2;    // after "H": the meter back on its normal display
constexpr double kDumpFirstWait = 0.2;  // after "Q", before the first read
constexpr double kReadStep = 0.02;      // between reads of the dump
constexpr double kEraseDelay = 0.02;    // between the handshake and "E"

std::string_view view(const QByteArray& b) {
  return {b.constData(), static_cast<std::size_t>(b.size())};
}

std::uint32_t currentAddress(const Context& ctx) {
  const float a = ctx.state.link.loggerAddress;
  return a > 0 && a < 16777216.0f ? static_cast<std::uint32_t>(a) : 0;
}

double secondsSince(Context& ctx, double then) {
  double d = ctx.clock.secondsSinceMidnight() - then;
  if (d < 0) d += 86400;  // midnight passed
  return d;
}

MemoryWindow* memoryWindow(Context& ctx) {
  return qobject_cast<MemoryWindow*>(ctx.state.logger.memoryWindow.data());
}

MemoryWindow* showMemoryWindow(Context& ctx) {
  if (MemoryWindow* w = memoryWindow(ctx)) {
    if (!w->closedByUser()) return w;
  }
  auto* w = new MemoryWindow(ctx, ctx.panel);
  ctx.state.logger.memoryWindow = w;
  w->show();
  return w;
}

void closeMemoryWindow(Context& ctx) {
  if (MemoryWindow* w = memoryWindow(ctx)) w->close();
  ctx.state.logger.memoryFormOpen = false;
}

bool userClosed(const QPointer<MemoryWindow>& w) {
  return !w || w->closedByUser();
}

}  // namespace

DownloadResult downloadLoggerMemory(Context& ctx) {
  LoggerState& lg = ctx.state.logger;
  const DisplayState& d = ctx.state.display;
  // The logger recording (INTV) or HOLD would make the meter ignore the dump request; an open
  // Memory window already holds a download.
  if (d.annIntv || d.annHold || lg.memoryFormOpen || lg.downloadRunning) {
    return DownloadResult::Refused;
  }
  // The line is the download's from the first handshake to the last byte of the dump.
  LineHold line(ctx.link);
  if (!line) return DownloadResult::Refused;
  lg.memoryFormOpen = true;
  lg.downloadRunning = true;
  PollPause pause(ctx.poll);
  struct Finish {
    Context& ctx;
    ~Finish() {
      // The dump interrupted the meter's display stream: the next poll restarts it with "M".
      ctx.state.link.pollCount = 0;
      ctx.state.logger.loggerEraseBusy = false;
      ctx.state.logger.downloadRunning = false;
    }
  } finish{ctx};

  ctx.link.meterHandshake();
  if (currentAddress(ctx) == kEmptyLoggerAddress) {
    ctx.dialogs.message(QStringLiteral("No Data in Memory"));
    lg.memoryFormOpen = false;
    return DownloadResult::EmptyMemory;
  }

  QPointer<MemoryWindow> w;
  QByteArray dump;
  std::size_t expected = 0;
  for (int attempt = 1;; ++attempt) {
    ctx.link.meterHandshake();
    ctx.link.send(Command::Enter);
    ctx.link.waitSeconds(kEnterSettle);
    ctx.link.meterHandshake();

    const std::uint32_t address = currentAddress(ctx);
    expected = expectedDumpLength(address);
    if (expected == 0) {
      ctx.dialogs.message(
          QStringLiteral("The meter reports a memory fill address of %1, outside its memory. "
                         "Nothing was downloaded.")
              .arg(address));
      closeMemoryWindow(ctx);
      return DownloadResult::BadAddress;
    }
    if (!w) w = showMemoryWindow(ctx);
    lg.memoryFormOpen = true;
    w->lblSize().setText(QStringLiteral("128 K"));
    w->lblRemain().setText(QString::fromStdString(freeMemoryText(address)) + QStringLiteral(" K"));

    dump.clear();
    ctx.link.send(Command::DownloadMemory);
    ctx.link.waitSeconds(kDumpFirstWait);
    dump += ctx.link.readAll();
    if (userClosed(w)) {
      ctx.link.discardInput();
      lg.memoryFormOpen = false;
      return DownloadResult::Cancelled;
    }
    if (!dump.isEmpty()) break;
    if (attempt >= kDumpRequestAttempts) {
      ctx.dialogs.message(
          QStringLiteral("The meter did not send its memory. Nothing was downloaded, try again !"));
      closeMemoryWindow(ctx);
      return DownloadResult::NoAnswer;
    }
  }

  const double total = static_cast<double>(expected);
  double lastByteAt = ctx.clock.secondsSinceMidnight();
  for (;;) {
    const std::size_t received =
        std::min<std::size_t>(static_cast<std::size_t>(dump.size()), expected);
    w->showProgress(static_cast<double>(received), total);
    if (received >= expected) break;
    ctx.link.waitSeconds(kReadStep);
    if (userClosed(w)) {
      ctx.link.discardInput();
      lg.memoryFormOpen = false;
      return DownloadResult::Cancelled;
    }
    const QByteArray more = ctx.link.readAll();
    if (!more.isEmpty()) {
      dump += more;
      lastByteAt = ctx.clock.secondsSinceMidnight();
    } else if (secondsSince(ctx, lastByteAt) >= kDumpSilenceSeconds) {
      // A dump that stopped short cannot be split safely (its sets and record counts would
      // be guesses): say how far it got and list nothing.
      ctx.link.discardInput();
      ctx.dialogs.message(
          QStringLiteral("The meter stopped sending: %1 of %2 bytes (%3%) arrived, then nothing "
                         "for %4 s. Nothing was listed, try again !")
              .arg(received)
              .arg(expected)
              .arg(QString::number(received * 100.0 / total, 'f', 1))
              .arg(kDumpSilenceSeconds));
      closeMemoryWindow(ctx);
      return DownloadResult::TimedOut;
    }
  }

  dump.truncate(static_cast<qsizetype>(expected));  // bytes beyond the dump are not ours
  const std::string content = cutMemoryDump(view(dump));
  ctx.link.discardInput();

  const MemoryDumpParse parsed = parseMemoryDump(content);
  GridModel& table = w->gridSet();
  table.clearRecords();
  std::vector<QStringList> rows;
  rows.reserve(parsed.sets.size());
  if (lg.loggerSets.size() < parsed.sets.size() + 1) lg.loggerSets.resize(parsed.sets.size() + 1);
  int k = 0;
  for (const LoggerSetInfo& set : parsed.sets) {
    ++k;
    lg.loggerSets[static_cast<std::size_t>(k)] =
        QByteArray(content.data() + set.offset, static_cast<qsizetype>(set.length));
    rows.push_back({QString::number(k), QString::fromStdString(set.timeText),
                    QString::number(set.intervalSeconds), QString::number(set.records)});
  }
  lg.loggerSetCount = k;
  table.appendRows(rows);
  if (parsed.damagedSets > 0 || parsed.skippedBytes > 0) {
    w->lblMessage().setText(w->lblMessage().text() +
                            QStringLiteral(" - damaged: %1 set(s) cut short, %2 byte(s) skipped")
                                .arg(parsed.damagedSets)
                                .arg(parsed.skippedBytes));
  }
  return DownloadResult::Listed;
}

void listLoggerSet(Context& ctx, int row) {
  LoggerState& lg = ctx.state.logger;
  MemoryWindow* mw = memoryWindow(ctx);
  if (!mw || lg.downloadRunning) return;
  PollPause pause(ctx.poll);

  GridModel& table = mw->gridSet();
  const double setNumber = leadingNumber(table.cell(row, 0).toStdString());
  const std::string timeText = table.cell(row, 1).toStdString();
  const double interval = leadingNumber(table.cell(row, 2).toStdString());
  QByteArray bytes;
  if (setNumber >= 1 && setNumber <= lg.loggerSetCount &&
      setNumber < static_cast<double>(lg.loggerSets.size())) {
    bytes = lg.loggerSets[static_cast<std::size_t>(setNumber)];
  }
  const qsizetype count = bytes.size() >= static_cast<qsizetype>(kSetHeaderLength)
                              ? (bytes.size() - static_cast<qsizetype>(kSetHeaderLength)) / 3
                              : 0;
  const std::int64_t step = interval > 0 ? static_cast<std::int64_t>(interval) : 0;

  const QDate today = ctx.clock.localDateTime().date();
  const ListingStart start = listingStart(timeText, today.year(), today.month());

  if (QWidget* old = lg.dataListWindow.data()) {
    old->close();
    delete old;
  }
  auto* list = new DataListWindow(ctx, ctx.panel);
  lg.dataListWindow = list;
  list->show();

  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  std::vector<QStringList> lux, fc;
  lux.reserve(static_cast<std::size_t>(count));
  fc.reserve(static_cast<std::size_t>(count));
  QString caption;
  long long shownTenths = -1;
  for (qsizetype n = 1; n <= count; ++n) {
    const QString number = QString::number(n);
    const QString label = QString::fromStdString(recordTimeLabel(start, (n - 1) * step));
    const std::size_t at = kSetHeaderLength + 3 * static_cast<std::size_t>(n - 1);
    formatLoggerValue(data[at], data[at + 1], data[at + 2], lg.loggerValueText);
    lux.push_back({number, label, QString::fromStdString(lg.loggerValueText[0])});
    fc.push_back({number, label, QString::fromStdString(lg.loggerValueText[1])});
    // The caption moves in tenths of a percent: format it only when that count moves.
    const long long tenths =
        std::llround(static_cast<double>(n) * 1000.0 / static_cast<double>(count));
    if (tenths != shownTenths) {
      shownTenths = tenths;
      QString now =
          QString::number(static_cast<double>(n) / static_cast<double>(count) * 100.0, 'f', 1) +
          QStringLiteral(" % completed");
      if (now != caption) {
        caption = std::move(now);
        list->setWindowTitle(caption);
      }
    }
  }
  // One insert per grid: the views lay out once instead of once per batch.
  list->gridM().appendRows(lux);
  list->gridI().appendRows(fc);
  list->setWindowTitle(QStringLiteral("Data List"));
}

void eraseLoggerMemory(Context& ctx) {
  LoggerState& lg = ctx.state.logger;
  if (lg.loggerEraseBusy || lg.downloadRunning) return;
  LineHold line(ctx.link);
  if (!line) return;
  lg.loggerEraseBusy = true;
  PollPause pause(ctx.poll);
  struct Release {
    LoggerState& lg;
    ~Release() { lg.loggerEraseBusy = false; }
  } release{lg};
  if (!ctx.dialogs.confirm(QStringLiteral("All the data in memory will be deleted!"),
                           QStringLiteral("Warning"))) {
    return;
  }
  ctx.link.meterHandshake();
  ctx.link.waitSeconds(kEraseDelay);
  ctx.link.send(Command::EraseMemory);
  closeMemoryWindow(ctx);
}

}  // namespace lux
