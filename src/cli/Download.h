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
};

// Each downloaded set as a file: tsv as the Data List's Save writes its lux (or foot-candle)
// grid, csv with one column per unit. `today` supplies the year and month the meter's set
// header lacks.
std::vector<SetFile> setFilesOf(const std::vector<DownloadedSet>& sets, SetFileFormat format,
                                bool footCandles, const QDate& today);

}  // namespace lux::cli
