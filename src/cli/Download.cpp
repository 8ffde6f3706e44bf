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

MemoryDownload downloadMemory(CliMeter& session,
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
      out.raw = download.rawDump();
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
      out.raw = download.rawDump();
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

QDate setStartDate(const QString& timeText, std::int64_t spanSeconds, const QDate& downloaded) {
  if (!downloaded.isValid() || spanSeconds < 0) return {};
  const ListingStart parsed =
      listingStart(timeText.toStdString(), downloaded.year(), downloaded.month());
  if (parsed.mode != ListingStart::Mode::Calendar) return {};
  const std::int64_t startSecond = parsed.hour * 3600 + parsed.minute * 60 + parsed.second;
  const qint64 spanDays = static_cast<qint64>((startSecond + spanSeconds) / 86400);
  const QDate firstOfMonth(downloaded.year(), downloaded.month(), 1);
  for (int back = 0; back < 1200; ++back) {
    const QDate month = firstOfMonth.addMonths(-back);
    if (parsed.day > month.daysInMonth()) continue;
    const QDate start(month.year(), month.month(), parsed.day);
    if (start.addDays(spanDays) <= downloaded) return start;
  }
  return {};
}

std::vector<SetFile> setFilesOf(const std::vector<DownloadedSet>& sets, SetFileFormat format,
                                bool footCandles, const QDate& downloaded) {
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
    const std::int64_t step = set.info.intervalSeconds > 0 ? set.info.intervalSeconds : 0;
    const std::int64_t span = step * std::max<std::int64_t>(0, file.records - 1);
    const QDate start = setStartDate(timeText, span, downloaded);
    file.dated = start.isValid();
    // The labels count from the month found for the set, so that a day after the end of that
    // month rolls over as it did on the meter.
    const std::vector<ListedRecord> rows =
        listSetRecords(set.bytes, timeText, set.info.intervalSeconds,
                       file.dated ? QDate(start.year(), start.month(), 1) : downloaded);
    if (format == SetFileFormat::Tsv) {
      file.content = gridExportLine({footCandles ? "Fc" : "Lx", "Time", "Value"});
      for (const ListedRecord& r : rows)
        file.content += gridExportLine({r.number.toStdString(), r.time.toStdString(),
                                        (footCandles ? r.fc : r.lux).toStdString()});
    } else {
      const ListingStart from =
          listingStart(set.info.timeText, start.isValid() ? start.year() : downloaded.year(),
                       start.isValid() ? start.month() : downloaded.month());
      file.content = csvLine({"number", "time", "Lx", "Fc", "date"});
      std::int64_t offset = 0;
      for (const ListedRecord& r : rows) {
        // A set without a date keeps its own labels: a made-up date would pass for a real one.
        file.content +=
            csvLine({r.number.toStdString(),
                     file.dated ? isoFromStamp(recordStamp(from, offset)) : r.time.toStdString(),
                     r.lux.toStdString(), r.fc.toStdString(), file.dated ? "inferred" : "none"});
        offset += step;
      }
    }
    files.push_back(std::move(file));
  }
  return files;
}

int checkSetFiles(const QString& dirPath, const std::vector<SetFile>& files, bool force) {
  const QDir dir(dirPath);
  for (const SetFile& file : files) {
    const QString path = dir.filePath(QString::fromStdString(file.name));
    const QFileInfo info(path);
    // A dangling link counts as there: writing through it would create a file elsewhere.
    if (!info.exists() && !info.isSymLink()) continue;
    if (!info.isFile()) {
      complain(claimText(Claim::NotAFile, path, {}));
      return kExitFailure;
    }
    if (!force) {
      complain(claimText(Claim::Exists, path, {}));
      return kExitUsage;
    }
  }
  return -1;
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

int downloadInto(CliMeter& session, const DownloadOptions& o) {
  // The dump file is claimed before the meter is asked: a refusal costs no download.
  CreatedFile rawCreated;
  if (!o.rawPath.isEmpty()) {
    QString reason;
    const Claim claim = claimOutputFile(o.rawPath, o.force, &reason, &rawCreated);
    if (claim != Claim::Ok) {
      complain(claimText(claim, o.rawPath, reason));
      return claim == Claim::Exists ? kExitUsage : kExitFailure;
    }
  }
  const QFileInfo dirInfo(o.dir);
  if (dirInfo.exists() && !dirInfo.isDir()) {
    removeUnusedFile(o.rawPath, rawCreated, {});
    complain(QStringLiteral("%1 is not a folder").arg(o.dir));
    return kExitUsage;
  }
  Progress progress;
  MemoryDownload dump;
  try {
    dump = downloadMemory(session, [&](std::size_t r, std::size_t e) {
      if (!o.quiet) progress.show(r, e);
    });
  } catch (const LinkAborted&) {
    if (!o.quiet) progress.end();
    removeUnusedFile(o.rawPath, rawCreated, {});
    complain(QStringLiteral("download stopped; nothing was written"));
    return kExitFailure;
  }
  if (!o.quiet) progress.end();

  // The dump as it came, also when it stopped short or its sets are damaged: what the meter
  // sent is kept before anything is made of it.
  if (!o.rawPath.isEmpty()) {
    if (dump.raw.isEmpty()) {
      removeUnusedFile(o.rawPath, rawCreated, {});
    } else {
      QSaveFile out(o.rawPath);
      if (!out.open(QIODevice::WriteOnly) || out.write(dump.raw) != dump.raw.size() ||
          !out.commit()) {
        complain(QStringLiteral("cannot write %1: %2").arg(o.rawPath, out.errorString()));
        return kExitFailure;
      }
      if (!o.quiet)
        note(QStringLiteral("The dump as it came (%1 bytes) is in %2.\n")
                 .arg(dump.raw.size())
                 .arg(o.rawPath));
    }
  }
  switch (dump.outcome) {
    case DumpOutcome::Complete:
      break;
    case DumpOutcome::Empty:
      if (!o.quiet) note(QStringLiteral("No Data in Memory\n"));
      return kExitOk;
    case DumpOutcome::Incomplete:
      complain(dump.why + QStringLiteral("; no set file was written, try again"));
      return kExitFailure;
    default:
      complain(dump.why);
      return kExitFailure;
  }

  const QDate downloaded = session.clock().localDateTime().date();
  const std::vector<SetFile> sets = setFilesOf(dump.sets, o.format, o.footCandles, downloaded);
  if (!QDir().mkpath(o.dir)) {
    complain(QStringLiteral("cannot create the folder %1").arg(o.dir));
    return kExitFailure;
  }
  const int checked = checkSetFiles(o.dir, sets, o.force);
  if (checked >= 0) return checked;
  const QDir dir(o.dir);
  bool damaged = false, undated = false;
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
    damaged = damaged || file.damaged;
    undated = undated || !file.dated;
    if (!o.quiet)
      std::printf("%s\t%d record(s)%s\n", path.toLocal8Bit().constData(), file.records,
                  file.damaged ? "\tdamaged" : "");
  }
  std::fflush(stdout);
  if (!o.quiet) {
    note(QStringLiteral("The meter stamps a set with its day and time only: each set is dated in "
                        "the latest month that puts its last record on or before %1.\n")
             .arg(downloaded.toString(Qt::ISODate)));
    if (undated)
      note(
          QStringLiteral("A set with day 00 or an impossible start time carries no date: its "
                         "records keep the meter's DD-hh:nn:ss labels.\n"));
    note(QStringLiteral("%1 logger set(s) written to %2; the dump of %3 bytes took %4 s (%5 s "
                        "on the line at 19200 baud)\n")
             .arg(sets.size())
             .arg(o.dir)
             .arg(dump.bytes)
             .arg(dump.dumpSeconds, 0, 'f', 2)
             .arg(static_cast<double>(dump.bytes) / kLineBytesPerSecond, 0, 'f', 2));
  }
  if (!dump.damage.isEmpty() || damaged) {
    complain(dump.damage.isEmpty() ? QStringLiteral("the dump holds damaged logger sets")
                                   : dump.damage);
    complain(
        QStringLiteral("exit status 3: damaged sets; do not erase the meter's memory before "
                       "the files are checked"));
    return kExitDamaged;
  }
  return kExitOk;
}

int runDownload(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption format(
      QStringLiteral("format"),
      QStringLiteral("tsv (as the Data List's Save, the default) or csv (number,time,Lx,Fc,date)."),
      QStringLiteral("tsv|csv"), QStringLiteral("tsv"));
  const QCommandLineOption unit(QStringLiteral("unit"),
                                QStringLiteral("Values of a tsv file in lx (default) or fc."),
                                QStringLiteral("lx|fc"), QStringLiteral("lx"));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Overwrite set files (and the --raw FILE) that "
                                                "exist."));
  const QCommandLineOption raw(QStringLiteral("raw"),
                               QStringLiteral("Also keep the dump as it came from the meter in "
                                              "FILE (also one that stopped short)."),
                               QStringLiteral("FILE"));
  const QCommandLineOption quiet(
      QStringLiteral("quiet"),
      QStringLiteral("Say nothing unless something is wrong (no progress, file list or summary); "
                     "for cron."));
  parser.addOptions({format, unit, force, raw, quiet});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli download [--format tsv|csv] [--unit lx|fc] [--raw FILE] "
                     "[--quiet] [--force] (--port NAME | --simulate) DIR"),
      QStringLiteral("Downloads the meter's logger memory at the line rate (progress on stderr) "
                     "and writes one file per logger set into DIR, named by the set's start "
                     "(set-01_15-14-30-00.tsv). The meter stamps a set with its day and time "
                     "only: a set is dated in the latest month that puts it on or before the "
                     "download. Damaged sets are reported and written, and the exit status is "
                     "3; when the dump stays incomplete no set file is written and the exit "
                     "status is 1."),
      1, 1,
      "\nExit status: 0 done, 1 the meter did not answer, the dump stayed incomplete or the "
      "port or a file failed, 2 wrong usage, 3 the set files were written but the dump holds "
      "damaged sets (keep the meter's memory).\n");
  if (parsed >= 0) return parsed;
  DownloadOptions o;
  const QString f = parser.value(format);
  if (f != QLatin1String("tsv") && f != QLatin1String("csv")) {
    complain(QStringLiteral("--format is tsv or csv, not '%1'").arg(f));
    return kExitUsage;
  }
  o.format = f == QLatin1String("csv") ? SetFileFormat::Csv : SetFileFormat::Tsv;
  const QString u = parser.value(unit);
  if (u != QLatin1String("lx") && u != QLatin1String("fc")) {
    complain(QStringLiteral("--unit is lx or fc, not '%1'").arg(u));
    return kExitUsage;
  }
  o.footCandles = u == QLatin1String("fc");
  o.dir = parser.positionalArguments().at(0);
  o.force = parser.isSet(force);
  o.rawPath = parser.value(raw);
  // -q before or after the command says the same.
  o.quiet = parser.isSet(quiet) || cli::quiet();
  const QFileInfo dirInfo(o.dir);
  if (dirInfo.exists() && !dirInfo.isDir()) {
    complain(QStringLiteral("%1 is not a folder").arg(o.dir));
    return kExitUsage;
  }

  LiveMeter live;
  const int opened = openMeter(live.session, parser, meter);
  if (opened >= 0) return opened;
  SignalWatch watch([&live](int) { live.session.link().abort(); });
  return downloadInto(live.session, o);
}

}  // namespace lux::cli
