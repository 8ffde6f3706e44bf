#pragma once
// `download`: the logger memory at the line rate, one file per logger set.
#include <QByteArray>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace lux::cli {

class MeterSession;

enum class DumpOutcome {
  Complete,    // every byte of the dump arrived
  Empty,       // the memory holds no data
  Refused,     // INTV or HOLD on the meter's display
  NoAnswer,    // the meter did not answer the handshake or "Q"
  BadAddress,  // a fill address outside the memory
  Incomplete,  // the dump stopped before its end
};

struct Dump {
  DumpOutcome outcome = DumpOutcome::NoAnswer;
  QByteArray bytes;  // as far as it arrived, cut to the expected length
  std::size_t expected = 0;
  std::uint32_t address = 0;
  QString why;  // for Refused, NoAnswer, BadAddress, Incomplete
};

// Seconds without a byte after which a dump is given up (the meter sends it without a pause).
inline constexpr double kDumpSilence = 3.0;

// Handshake, "H", "Q" and the read of the whole dump; `progress(received, expected)` after
// every read.
Dump receiveDump(MeterSession& session,
                 const std::function<void(std::size_t, std::size_t)>& progress);

enum class SetFileFormat { Tsv, Csv };

struct SetFile {
  std::string name;     // set-01_15-14-30-00.tsv
  std::string content;  // the whole file
  int records = 0;
  bool damaged = false;
  std::string timeText;
};

struct SetFiles {
  std::vector<SetFile> files;
  std::size_t damagedSets = 0;
  std::size_t skippedBytes = 0;
};

// Splits a complete dump into logger sets and lays each out as a file: tsv as the Data List's
// Save writes its lux (or foot-candle) grid, csv with one column per unit. `pcYear`/`pcMonth`
// supply what the meter's set header lacks.
SetFiles setFilesOf(const QByteArray& dump, SetFileFormat format, bool footCandles, int pcYear,
                    int pcMonth);

}  // namespace lux::cli
