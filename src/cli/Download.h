#pragma once
// `download`: the logger memory at the line rate, one file per logger set.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "logger/engine/LoggerDownload.h"

namespace lux::cli {

class CliMeter;

enum class DumpOutcome {
  Complete,    // every byte of the dump arrived and was split into sets
  Empty,       // the memory holds no data
  Refused,     // INTV or HOLD on the meter's display
  NoAnswer,    // the meter did not answer the handshake or "Q"
  BadAddress,  // a fill address outside the memory
  Incomplete,  // the dump stopped before its end
};

struct MemoryDownload {
  DumpOutcome outcome = DumpOutcome::NoAnswer;
  QString why;  // for every outcome but Complete and Empty
  std::vector<DownloadedSet> sets;
  QString damage;  // what the split found wrong; empty for a sound dump
  MemoryDumpParse parse;
  QByteArray raw;          // the dump as it came (also of one that stopped short)
  std::size_t bytes = 0;   // of the dump
  double dumpSeconds = 0;  // from "Q" to its last byte, on the PC's monotonic clock
};

// Seconds the download may go without any sign of the meter (no answer, no byte) before it is
// given up; the dump itself is given up after its own shorter silence.
inline constexpr double kDownloadWatchdog = 10.0;

// The logger download engine on this session, with the display checked first (the meter
// ignores "Q" while it records or holds) and a watchdog on the waits it cannot bound itself.
// `progress(received, expected)` after every read of the dump.
MemoryDownload downloadMemory(CliMeter& session,
                              const std::function<void(std::size_t, std::size_t)>& progress,
                              double watchdogSeconds = kDownloadWatchdog);

enum class SetFileFormat { Tsv, Csv };

struct SetFile {
  std::string name;     // set-01_15-14-30-00.tsv
  std::string content;  // the whole file
  int records = 0;
  bool damaged = false;
  bool dated = false;  // the year and month were inferred; false for a set without a date
};

// The month a logger set was recorded in. The meter stamps a set with its day of month and time
// only; the set is taken to be the latest one with that day whose last record (`spanSeconds`
// after its start) falls on a day not after `downloaded`. Invalid when the set carries no date
// (day 00, an impossible time) or no month in the last hundred years fits.
QDate setStartDate(const QString& timeText, std::int64_t spanSeconds, const QDate& downloaded);

// Each downloaded set as a file: tsv as the Data List's Save writes its lux (or foot-candle)
// grid, csv with one column per unit and a date column that says how the date was found
// ("inferred": year and month by setStartDate; "none": the set carries no date, and the time
// column holds the set's own "DD-hh:nn:ss" labels).
std::vector<SetFile> setFilesOf(const std::vector<DownloadedSet>& sets, SetFileFormat format,
                                bool footCandles, const QDate& downloaded);

// Whether the set files may be written into `dir`: every name is checked before the first is
// written, so a refusal leaves the folder as it was. -1 when they may, else the exit code (the
// reason was told).
int checkSetFiles(const QString& dir, const std::vector<SetFile>& files, bool force);

struct DownloadOptions {
  QString dir;
  SetFileFormat format = SetFileFormat::Tsv;
  bool footCandles = false;
  bool force = false;
  QString rawPath;  // where the dump goes as it came; empty: nowhere
  bool quiet = false;
};

// `download` on an open session: the dump, the --raw file, the set files and what is told
// about them. Returns the exit code.
int downloadInto(CliMeter& session, const DownloadOptions& options);

}  // namespace lux::cli
