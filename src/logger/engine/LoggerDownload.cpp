#include "logger/engine/LoggerDownload.h"

#include <QStringList>
#include <algorithm>
#include <string_view>
#include <utility>

#include "link/Commands.h"
#include "link/MeterLink.h"

namespace lux {

namespace {

constexpr double kEnterSettle = 0.2;    // after "H": the meter back on its normal display
constexpr double kDumpFirstWait = 0.2;  // after "Q", before the first read
constexpr double kReadStep = 0.02;      // between reads of the dump

std::string_view view(const QByteArray& b) {
  return {b.constData(), static_cast<std::size_t>(b.size())};
}

std::uint32_t addressOf(const LinkState& link) {
  const float a = link.loggerAddress;
  return a > 0 && a < 16777216.0f ? static_cast<std::uint32_t>(a) : 0;
}

}  // namespace

LoggerDownload::LoggerDownload(MeterLink& link, QObject* parent) : QObject(parent), link_(link) {}

QString LoggerDownload::percentText() const {
  const double percent =
      expected_ > 0 ? static_cast<double>(received_) / static_cast<double>(expected_) * 100.0 : 0;
  return QString::number(percent, 'f', 1);
}

void LoggerDownload::cancel() {
  if (running()) cancelled_ = true;
}

DownloadResult LoggerDownload::run() {
  if (running()) return DownloadResult::Refused;
  cancelled_ = false;
  received_ = 0;
  expected_ = 0;
  dump_.clear();
  rawDump_.clear();
  phase_ = Phase::Requesting;
  // The program closing inside a wait unwinds through here: the next run starts afresh.
  struct Idle {
    LoggerDownload& d;
    ~Idle() {
      d.phase_ = Phase::Idle;
      d.rawDump_ = std::exchange(d.dump_, QByteArray());
    }
  } idle{*this};

  switch (requestDump()) {
    case Request::Empty:
      return finish(DownloadResult::EmptyMemory);
    case Request::BadAddress:
      return finish(DownloadResult::BadAddress);
    case Request::Unanswered:
      return finish(DownloadResult::NoAnswer);
    case Request::Silent:
      return finish(DownloadResult::MeterSilent);
    case Request::Cancelled:
      return finish(DownloadResult::Cancelled);
    case Request::Sent:
      break;
  }
  phase_ = Phase::Receiving;
  if (!receiveDump()) {
    // A dump that stopped short cannot be split safely (its sets and record counts would be
    // guesses): nothing is listed.
    link_.discardInput();
    return finish(DownloadResult::TimedOut);
  }
  if (cancelled_) {
    drainDump();
    return finish(DownloadResult::Cancelled);
  }
  splitDump();
  return finish(DownloadResult::Listed);
}

LoggerDownload::Request LoggerDownload::requestDump() {
  // Each handshake is bounded: a meter that is off or unplugged ends the download with a
  // message within seconds, instead of a wait that lasts until it is back.
  auto answered = [this] { return link_.handshakeWithin(MeterLink::kAnswerBound); };
  if (!answered()) return Request::Silent;
  if (addressOf(link_.state()) == kEmptyLoggerAddress) return Request::Empty;
  for (int attempt = 1;; ++attempt) {
    if (!answered()) return Request::Silent;
    link_.send(Command::Enter);
    link_.waitSeconds(kEnterSettle);
    if (!answered()) return Request::Silent;
    // A "Q" already out may still be answered late: that answer is taken in and dropped.
    if (cancelled_) return attempt > 1 ? Request::Sent : Request::Cancelled;

    address_ = addressOf(link_.state());
    expected_ = expectedDumpLength(address_);
    if (expected_ == 0) return Request::BadAddress;
    emit memoryFound(address_);
    if (cancelled_) return attempt > 1 ? Request::Sent : Request::Cancelled;

    // Whatever came before "Q" (the display stream, a late answer, the tail of an earlier
    // dump) is not part of this dump.
    dump_.clear();
    link_.discardInput();
    link_.send(Command::DownloadMemory);
    lastByteAt_ = link_.clock().secondsSinceMidnight();
    link_.waitSeconds(kDumpFirstWait);
    readMore();
    if (!dump_.isEmpty() || cancelled_) return Request::Sent;
    if (attempt >= kDumpRequestAttempts) return Request::Unanswered;
  }
}

bool LoggerDownload::readMore() {
  const QByteArray more = link_.readAll();
  if (more.isEmpty()) return false;
  if (phase_ != Phase::Draining) dump_ += more;
  received_ = std::min(received_ + static_cast<std::size_t>(more.size()), expected_);
  lastByteAt_ = link_.clock().secondsSinceMidnight();
  return true;
}

bool LoggerDownload::silentTooLong() {
  double quiet = link_.clock().secondsSinceMidnight() - lastByteAt_;
  if (quiet < 0) quiet += 86400;  // midnight passed
  return quiet >= kDumpSilenceSeconds;
}

bool LoggerDownload::receiveDump() {
  for (;;) {
    if (cancelled_) return true;
    emit progress(static_cast<qint64>(received_), static_cast<qint64>(expected_));
    if (received_ >= expected_) return true;
    link_.waitSeconds(kReadStep);
    if (cancelled_) return true;
    if (!readMore() && silentTooLong()) return false;
  }
}

void LoggerDownload::drainDump() {
  phase_ = Phase::Draining;
  // Nothing of it is kept.
  dump_ = QByteArray();
  for (;;) {
    emit drainProgress(static_cast<qint64>(received_), static_cast<qint64>(expected_));
    if (received_ >= expected_) break;
    link_.waitSeconds(kReadStep);
    if (!readMore() && silentTooLong()) break;
  }
  link_.discardInput();
}

void LoggerDownload::splitDump() {
  dump_.truncate(static_cast<qsizetype>(expected_));  // bytes beyond the dump are not ours
  const std::string content = cutMemoryDump(view(dump_));
  link_.discardInput();
  parse_ = parseMemoryDump(content);
  sets_.clear();
  sets_.reserve(parse_.sets.size());
  for (const LoggerSetInfo& set : parse_.sets) {
    sets_.push_back(
        {QByteArray(content.data() + set.offset, static_cast<qsizetype>(set.length)), set});
  }
  damage_ = damageReport(parse_);
}

DownloadResult LoggerDownload::finish(DownloadResult result) {
  phase_ = Phase::Idle;
  cancelled_ = false;
  emit finished(result);
  return result;
}

QString damageReport(const MemoryDumpParse& parse) {
  QStringList parts;
  for (std::size_t k = 0; k < parse.sets.size(); ++k) {
    const LoggerSetInfo& set = parse.sets[k];
    const qulonglong number = k + 1;
    if (set.mayHoldNextSet) {
      // Its end is no loss: the set grew by the bytes of the set behind a damaged marker.
      parts << LoggerDownload::tr(
                   "set %1 ran into the next set (damaged set marker after record "
                   "%2): it may hold the next set's records")
                   .arg(number)
                   .arg(static_cast<qulonglong>(set.joinedAfterRecord));
    } else if (set.damaged) {
      parts << LoggerDownload::tr("set %1 cut short").arg(number);
    }
  }
  if (parse.skippedBytes > 0) {
    parts << LoggerDownload::tr("%n byte(s) skipped", nullptr,
                                static_cast<int>(parse.skippedBytes));
  }
  if (parts.isEmpty()) return {};
  return LoggerDownload::tr("damaged: %1").arg(parts.join(QStringLiteral(", ")));
}

}  // namespace lux
