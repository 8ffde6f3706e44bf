#include "cli/Download.h"

#include <unistd.h>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/CliFormat.h"
#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/OutputFile.h"
#include "cli/SignalWatch.h"
#include "cli/Subcommands.h"
#include "link/LoggerValue.h"
#include "logger/ListingTime.h"
#include "logger/MemoryDump.h"
#include "records/DataFormat.h"

namespace lux::cli {

namespace {

constexpr double kEnterSettle = 0.2;
constexpr double kDumpFirstWait = 0.2;
constexpr double kReadStep = 0.02;
constexpr int kRequestAttempts = 5;

std::string_view view(const QByteArray& b) {
  return {b.constData(), static_cast<std::size_t>(b.size())};
}

}  // namespace

Dump receiveDump(MeterSession& session,
                 const std::function<void(std::size_t, std::size_t)>& progress) {
  Dump dump;
  MeterLink& link = session.link();
  // The meter ignores the dump request while its logger records or it holds its reading.
  if (!session.readDisplay()) {
    dump.why = noAnswerText(session);
    return dump;
  }
  const DisplayState& d = session.display();
  if (d.annIntv || d.annHold) {
    dump.outcome = DumpOutcome::Refused;
    dump.why = d.annIntv ? QStringLiteral("the meter's logger is recording (INTV): stop it first")
                         : QStringLiteral("the meter holds its reading (HOLD): release it first");
    return dump;
  }

  for (int attempt = 1;; ++attempt) {
    if (!session.handshake()) {
      dump.why = noAnswerText(session);
      return dump;
    }
    dump.address = static_cast<std::uint32_t>(session.linkState().loggerAddress);
    if (dump.address == kEmptyLoggerAddress) {
      dump.outcome = DumpOutcome::Empty;
      return dump;
    }
    dump.expected = expectedDumpLength(dump.address);
    if (dump.expected == 0) {
      dump.outcome = DumpOutcome::BadAddress;
      dump.why = QStringLiteral("the meter reports a memory fill address of %1, outside its memory")
                     .arg(dump.address);
      return dump;
    }
    // Back to the normal display first, then the request.
    link.send(Command::Enter);
    link.waitSeconds(kEnterSettle);
    if (!session.handshake()) {
      dump.why = noAnswerText(session);
      return dump;
    }
    link.send(Command::DownloadMemory);
    link.waitSeconds(kDumpFirstWait);
    dump.bytes = link.readAll();
    if (!dump.bytes.isEmpty()) break;
    if (attempt >= kRequestAttempts) {
      dump.why = QStringLiteral("the meter answers but did not send its memory (asked %1 times)")
                     .arg(kRequestAttempts);
      return dump;
    }
  }

  // Silence is counted in time asked of the clock, as every bound on the meter.
  double silent = 0;
  for (;;) {
    const std::size_t received =
        std::min<std::size_t>(static_cast<std::size_t>(dump.bytes.size()), dump.expected);
    if (progress) progress(received, dump.expected);
    if (received >= dump.expected) break;
    link.waitSeconds(kReadStep);
    const QByteArray more = link.readAll();
    if (!more.isEmpty()) {
      dump.bytes += more;
      silent = 0;
    } else if ((silent += kReadStep) >= kDumpSilence) {
      dump.outcome = DumpOutcome::Incomplete;
      dump.why = QStringLiteral(
                     "the meter stopped sending: %1 of %2 bytes (%3%) arrived, then "
                     "nothing for %4 s")
                     .arg(received)
                     .arg(dump.expected)
                     .arg(QString::number(
                         static_cast<double>(received) * 100.0 / static_cast<double>(dump.expected),
                         'f', 1))
                     .arg(kDumpSilence);
      link.discardInput();
      return dump;
    }
  }
  dump.bytes.truncate(static_cast<qsizetype>(dump.expected));  // what follows is not the dump's
  link.discardInput();
  dump.outcome = DumpOutcome::Complete;
  return dump;
}

SetFiles setFilesOf(const QByteArray& dump, SetFileFormat format, bool footCandles, int pcYear,
                    int pcMonth) {
  SetFiles out;
  const std::string content = cutMemoryDump(view(dump));
  const MemoryDumpParse parsed = parseMemoryDump(content);
  out.damagedSets = parsed.damagedSets;
  out.skippedBytes = parsed.skippedBytes;
  int k = 0;
  for (const LoggerSetInfo& set : parsed.sets) {
    ++k;
    SetFile file;
    file.timeText = set.timeText;
    file.damaged = set.damaged;
    file.records = static_cast<int>(set.records);
    file.name = setFileName(k, set.timeText, format == SetFileFormat::Tsv ? "tsv" : "csv");
    const ListingStart start = listingStart(set.timeText, pcYear, pcMonth);
    const std::int64_t step = set.intervalSeconds > 0 ? set.intervalSeconds : 0;
    // Each set starts afresh: a record without a range bit repeats the record before it in
    // this set, never a value of another set.
    std::array<std::string, 2> text;
    if (format == SetFileFormat::Tsv)
      file.content = gridExportLine({footCandles ? "Fc" : "Lx", "Time", "Value"});
    else
      file.content = csvLine({"number", "time", "Lx", "Fc"});
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data() + set.offset);
    for (std::size_t n = 1; n <= set.records; ++n) {
      const std::size_t at = kSetHeaderLength + 3 * (n - 1);
      formatLoggerValue(bytes[at], bytes[at + 1], bytes[at + 2], text);
      const std::int64_t offset = static_cast<std::int64_t>(n - 1) * step;
      if (format == SetFileFormat::Tsv) {
        file.content += gridExportLine(
            {std::to_string(n), recordTimeLabel(start, offset), text[footCandles ? 1 : 0]});
      } else {
        file.content += csvLine(
            {std::to_string(n), isoFromStamp(recordStamp(start, offset)), text[0], text[1]});
      }
    }
    out.files.push_back(std::move(file));
  }
  return out;
}

namespace {

// A bar on a terminal, whole tens of percent on a log.
class Progress {
 public:
  Progress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  void show(std::size_t received, std::size_t expected) {
    if (expected == 0) return;
    const double percent = static_cast<double>(received) * 100.0 / static_cast<double>(expected);
    if (terminal_) {
      const int tenths = static_cast<int>(percent * 10);
      if (tenths == lastTenths_) return;
      lastTenths_ = tenths;
      const int filled = static_cast<int>(percent / 100.0 * kWidth);
      std::string bar(static_cast<std::size_t>(filled), '#');
      bar.resize(kWidth, '.');
      std::fprintf(stderr, "\r[%s] %5.1f%% Completed", bar.c_str(), percent);
      if (received >= expected) std::fputc('\n', stderr);
      std::fflush(stderr);
    } else {
      const int tens = static_cast<int>(percent / 10);
      if (tens == lastTens_) return;
      lastTens_ = tens;
      std::fprintf(stderr, "%d%% Completed (%zu of %zu bytes)\n", tens * 10, received, expected);
      std::fflush(stderr);
    }
  }
  void end() {
    if (terminal_ && lastTenths_ >= 0 && lastTenths_ < 1000) std::fputc('\n', stderr);
  }

 private:
  static constexpr int kWidth = 40;
  bool terminal_;
  int lastTenths_ = -1;
  int lastTens_ = -1;
};

}  // namespace

int runDownload(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption format(
      QStringLiteral("format"),
      QStringLiteral("tsv (as the Data List's Save, the default) or csv (number,time,Lx,Fc)."),
      QStringLiteral("tsv|csv"), QStringLiteral("tsv"));
  const QCommandLineOption unit(QStringLiteral("unit"),
                                QStringLiteral("Values of a tsv file in lx (default) or fc."),
                                QStringLiteral("lx|fc"), QStringLiteral("lx"));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Overwrite set files that exist."));
  parser.addOptions({format, unit, force});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli download [--format tsv|csv] [--unit lx|fc] [--force] "
                     "(--port NAME | --simulate) DIR"),
      QStringLiteral("Downloads the meter's logger memory at the line rate (progress on stderr) "
                     "and writes one file per logger set into DIR, named by the set's start "
                     "(set-01_15-14-30-00.tsv). Damaged sets are reported; nothing is written "
                     "and the exit status is 1 when the dump stays incomplete."),
      1, 1);
  if (parsed >= 0) return parsed;
  const QString f = parser.value(format);
  if (f != QLatin1String("tsv") && f != QLatin1String("csv")) {
    complain(QStringLiteral("--format is tsv or csv, not '%1'").arg(f));
    return kExitUsage;
  }
  const QString u = parser.value(unit);
  if (u != QLatin1String("lx") && u != QLatin1String("fc")) {
    complain(QStringLiteral("--unit is lx or fc, not '%1'").arg(u));
    return kExitUsage;
  }
  const QString dirPath = parser.positionalArguments().at(0);
  const QFileInfo dirInfo(dirPath);
  if (dirInfo.exists() && !dirInfo.isDir()) {
    complain(QStringLiteral("%1 is not a folder").arg(dirPath));
    return kExitUsage;
  }

  LiveMeter live;
  const int opened = openMeter(live.session, parser, meter);
  if (opened >= 0) return opened;
  SignalWatch watch([&live](int) { live.session.link().abort(); });
  Progress progress;
  Dump dump;
  try {
    dump = receiveDump(live.session,
                       [&progress](std::size_t r, std::size_t e) { progress.show(r, e); });
  } catch (const LinkAborted&) {
    progress.end();
    complain(QStringLiteral("download stopped; nothing was written"));
    return kExitFailure;
  }
  switch (dump.outcome) {
    case DumpOutcome::Complete:
      break;
    case DumpOutcome::Empty:
      note(QStringLiteral("No Data in Memory\n"));
      return kExitOk;
    case DumpOutcome::Incomplete:
      progress.end();
      complain(dump.why + QStringLiteral("; nothing was written, try again"));
      return kExitFailure;
    default:
      complain(dump.why);
      return kExitFailure;
  }

  const QDate today = live.clock.localDateTime().date();
  const SetFiles sets =
      setFilesOf(dump.bytes, f == QLatin1String("csv") ? SetFileFormat::Csv : SetFileFormat::Tsv,
                 u == QLatin1String("fc"), today.year(), today.month());
  if (!QDir().mkpath(dirPath)) {
    complain(QStringLiteral("cannot create the folder %1").arg(dirPath));
    return kExitFailure;
  }
  const QDir dir(dirPath);
  const bool overwrite = parser.isSet(force);
  // Every name is checked before the first is written, so a refusal leaves the folder as it was.
  for (const SetFile& file : sets.files) {
    const QString path = dir.filePath(QString::fromStdString(file.name));
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
      complain(claimText(Claim::NotAFile, path, {}));
      return kExitFailure;
    }
    if (info.exists() && !overwrite) {
      complain(claimText(Claim::Exists, path, {}));
      return kExitUsage;
    }
  }
  for (const SetFile& file : sets.files) {
    const QString path = dir.filePath(QString::fromStdString(file.name));
    // Written aside and renamed into place: a set file is whole or absent.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(file.content.data(), static_cast<qint64>(file.content.size())) !=
            static_cast<qint64>(file.content.size()) ||
        !out.commit()) {
      complain(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
      return kExitFailure;
    }
    std::printf("%s\t%d record(s)%s\n", path.toLocal8Bit().constData(), file.records,
                file.damaged ? "\tdamaged" : "");
  }
  std::fflush(stdout);
  int k = 0;
  for (const SetFile& file : sets.files) {
    ++k;
    if (file.damaged)
      complain(QStringLiteral("set %1 (%2) is damaged: its end was not found on a record "
                              "boundary, so it may hold bytes of the set after it")
                   .arg(k)
                   .arg(QString::fromStdString(file.timeText)));
  }
  if (sets.skippedBytes > 0)
    complain(QStringLiteral("%1 byte(s) of the memory belong to no set and were skipped")
                 .arg(sets.skippedBytes));
  note(QStringLiteral("%1 logger set(s) written to %2\n").arg(sets.files.size()).arg(dirPath));
  return kExitOk;
}

}  // namespace lux::cli
