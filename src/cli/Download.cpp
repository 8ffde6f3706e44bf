#include "cli/Download.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "cli/CliFormat.h"
#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/OutputFile.h"
#include "cli/SignalWatch.h"
#include "cli/Subcommands.h"
#include "link/MeterLink.h"
#include "logger/ListingTime.h"
#include "logger/MemoryDump.h"
#include "logger/engine/LoggerListing.h"
#include "records/DataFormat.h"

namespace lux::cli {

MemoryDownload downloadMemory(MeterSession& session,
                              const std::function<void(std::size_t, std::size_t)>& progress,
                              double watchdogSeconds) {
  MemoryDownload out;
  // The meter ignores the dump request while its logger records or it holds its reading.
  if (!session.readDisplay()) {
    out.why = noAnswerText(session);
    return out;
  }
  const DisplayState& d = session.display();
  if (d.annIntv || d.annHold) {
    out.outcome = DumpOutcome::Refused;
    out.why = d.annIntv ? QStringLiteral("the meter's logger is recording (INTV): stop it first")
                        : QStringLiteral("the meter holds its reading (HOLD): release it first");
    return out;
  }

  LoggerDownload download(session.link());
  // The engine's handshakes give up after a few seconds; the dump itself has its silence bound.
  // The watchdog is the last guard against any other wait: each signal is a sign of life.
  double quiet = 0;
  bool gaveUp = false;
  // Only reported, never waited on: how close the download comes to the line's own rate.
  QElapsedTimer sinceRequest;
  QObject::connect(&download, &LoggerDownload::memoryFound, [&] {
    quiet = 0;
    sinceRequest.start();
  });
  QObject::connect(&download, &LoggerDownload::progress, [&](qint64 received, qint64 expected) {
    quiet = 0;
    if (progress) progress(static_cast<std::size_t>(received), static_cast<std::size_t>(expected));
  });
  QTimer watchdog;
  watchdog.setInterval(250);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if ((quiet += 0.25) < watchdogSeconds) return;
    gaveUp = true;
    session.link().abort();
  });
  watchdog.start();
  DownloadResult result;
  try {
    result = download.run();
  } catch (const LinkAborted&) {
    if (!gaveUp) throw;  // a signal ends the program
    out.why = QStringLiteral("the meter stopped answering during the download (nothing for %1 s)")
                  .arg(watchdogSeconds);
    return out;
  }
  watchdog.stop();
  switch (result) {
    case DownloadResult::Listed:
      out.outcome = DumpOutcome::Complete;
      out.sets = download.sets();
      out.damage = download.damageText();
      out.parse = download.parse();
      out.bytes = download.expected();
      out.dumpSeconds = static_cast<double>(sinceRequest.nsecsElapsed()) / 1e9;
      break;
    case DownloadResult::EmptyMemory:
      out.outcome = DumpOutcome::Empty;
      break;
    case DownloadResult::BadAddress:
      out.outcome = DumpOutcome::BadAddress;
      out.why = QStringLiteral("the meter reports a memory fill address of %1, outside its memory")
                    .arg(download.address());
      break;
    case DownloadResult::TimedOut:
      out.outcome = DumpOutcome::Incomplete;
      out.why = QStringLiteral(
                    "the meter stopped sending: %1 of %2 bytes (%3%) arrived, then "
                    "nothing for %4 s")
                    .arg(download.received())
                    .arg(download.expected())
                    .arg(download.percentText())
                    .arg(kDumpSilenceSeconds);
      break;
    case DownloadResult::MeterSilent:
      out.why = QCoreApplication::translate(
                    "luxpanel-cli", "the meter stopped answering the handshake (nothing for %1 s)")
                    .arg(MeterLink::kAnswerBound);
      break;
    case DownloadResult::NoAnswer:
      out.why = QStringLiteral("the meter answers but did not send its memory (asked %1 times)")
                    .arg(kDumpRequestAttempts);
      break;
    case DownloadResult::Refused:
    case DownloadResult::Cancelled:
      out.outcome = DumpOutcome::Refused;
      out.why = QStringLiteral("the download did not start");
      break;
  }
  return out;
}

std::vector<SetFile> setFilesOf(const std::vector<DownloadedSet>& sets, SetFileFormat format,
                                bool footCandles, const QDate& today) {
  std::vector<SetFile> files;
  files.reserve(sets.size());
  int k = 0;
  for (const DownloadedSet& set : sets) {
    ++k;
    SetFile file;
    file.damaged = set.info.damaged || set.info.mayHoldNextSet;
    file.records = static_cast<int>(set.info.records);
    file.name = setFileName(k, set.info.timeText, format == SetFileFormat::Tsv ? "tsv" : "csv");
    const QString timeText = QString::fromStdString(set.info.timeText);
    const std::vector<ListedRecord> rows =
        listSetRecords(set.bytes, timeText, set.info.intervalSeconds, today);
    if (format == SetFileFormat::Tsv) {
      file.content = gridExportLine({footCandles ? "Fc" : "Lx", "Time", "Value"});
      for (const ListedRecord& r : rows)
        file.content += gridExportLine({r.number.toStdString(), r.time.toStdString(),
                                        (footCandles ? r.fc : r.lux).toStdString()});
    } else {
      // The full date of each record, from the same start and interval as its label.
      const ListingStart start = listingStart(set.info.timeText, today.year(), today.month());
      const std::int64_t step = set.info.intervalSeconds > 0 ? set.info.intervalSeconds : 0;
      file.content = csvLine({"number", "time", "Lx", "Fc"});
      std::int64_t offset = 0;
      for (const ListedRecord& r : rows) {
        file.content += csvLine({r.number.toStdString(), isoFromStamp(recordStamp(start, offset)),
                                 r.lux.toStdString(), r.fc.toStdString()});
        offset += step;
      }
    }
    files.push_back(std::move(file));
  }
  return files;
}

namespace {

// 19200 baud, a start bit, 8 data bits and a stop bit to a byte.
constexpr double kLineBytesPerSecond = 19200.0 / 10.0;

// A bar on a terminal, whole tens of percent on a log.
class Progress {
 public:
  Progress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  void show(std::size_t received, std::size_t expected) {
    if (expected == 0 || quiet()) return;
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
  MemoryDownload dump;
  try {
    dump = downloadMemory(live.session,
                          [&progress](std::size_t r, std::size_t e) { progress.show(r, e); });
  } catch (const LinkAborted&) {
    progress.end();
    complain(QStringLiteral("download stopped; nothing was written"));
    return kExitFailure;
  }
  progress.end();
  switch (dump.outcome) {
    case DumpOutcome::Complete:
      break;
    case DumpOutcome::Empty:
      note(QStringLiteral("No Data in Memory\n"));
      return kExitOk;
    case DumpOutcome::Incomplete:
      complain(dump.why + QStringLiteral("; nothing was written, try again"));
      return kExitFailure;
    default:
      complain(dump.why);
      return kExitFailure;
  }

  const std::vector<SetFile> sets =
      setFilesOf(dump.sets, f == QLatin1String("csv") ? SetFileFormat::Csv : SetFileFormat::Tsv,
                 u == QLatin1String("fc"), live.clock.localDateTime().date());
  if (!QDir().mkpath(dirPath)) {
    complain(QStringLiteral("cannot create the folder %1").arg(dirPath));
    return kExitFailure;
  }
  const QDir dir(dirPath);
  const bool overwrite = parser.isSet(force);
  // Every name is checked before the first is written, so a refusal leaves the folder as it was.
  for (const SetFile& file : sets) {
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
  for (const SetFile& file : sets) {
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
  if (!dump.damage.isEmpty()) complain(dump.damage);
  note(QStringLiteral("%1 logger set(s) written to %2; the dump of %3 bytes took %4 s (%5 s on "
                      "the line at 19200 baud)\n")
           .arg(sets.size())
           .arg(dirPath)
           .arg(dump.bytes)
           .arg(dump.dumpSeconds, 0, 'f', 2)
           .arg(static_cast<double>(dump.bytes) / kLineBytesPerSecond, 0, 'f', 2));
  return kExitOk;
}

}  // namespace lux::cli
