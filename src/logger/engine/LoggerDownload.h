#pragma once
// The download of the meter's logger memory, without any window: the request ("H", handshake,
// "Q"), the reception of the dump with its progress, and its split into logger sets. Windows
// and the command-line program observe it through its signals; it needs QtCore only.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "logger/MemoryDump.h"

namespace lux {

class MeterLink;

enum class DownloadResult {
  Refused,      // INTV or HOLD shown, the Memory window open, or a dump still coming in
  EmptyMemory,  // "No Data in Memory"
  BadAddress,   // the meter reported a fill address outside its memory
  NoAnswer,     // "Q" was repeated and never answered
  MeterSilent,  // the meter did not answer the handshake
  TimedOut,     // the dump stopped before its end: nothing listed
  Cancelled,    // given up by the user; what the meter still sent was received and dropped
  Listed,       // the sets are there
};

// Seconds without a new byte after which a dump is given up. The meter sends a dump without a
// pause, so a silence this long means it has stopped.
inline constexpr double kDumpSilenceSeconds = 3.0;
// Times "H" and "Q" are sent before a meter that answers the handshake but not "Q" is given up.
inline constexpr int kDumpRequestAttempts = 5;

// One logger set of a download: the meter's bytes (header included) and what the set table
// shows of it.
struct DownloadedSet {
  QByteArray bytes;
  LoggerSetInfo info;
};

class LoggerDownload : public QObject {
  Q_OBJECT
 public:
  explicit LoggerDownload(MeterLink& link, QObject* parent = nullptr);

  // Runs one download to its end inside the link's waits (window events keep running). The
  // caller keeps the poll off meanwhile; the meter's display stream is interrupted by it and
  // must be restarted afterwards (pollCount 0). Not re-entrant: while running() it returns
  // Refused at once.
  DownloadResult run();

  // The user no longer wants this dump. Before "Q" the download simply stops; once "Q" is out
  // the meter cannot be stopped, so the rest of the dump is received and dropped (its length
  // is known, and the usual silence bound holds) and run() returns Cancelled at its end.
  void cancel();

  bool running() const { return phase_ != Phase::Idle; }
  // The dump is being received for nothing after cancel().
  bool draining() const { return phase_ == Phase::Draining; }

  // The fill address of the last handshake of the request, and what it means.
  std::uint32_t address() const { return address_; }
  std::size_t expected() const { return expected_; }
  // Bytes of the dump received so far (capped at expected()).
  std::size_t received() const { return received_; }
  // "53.2" for received() of expected().
  QString percentText() const;

  // Sets of the last download that ended Listed, in dump order (set 1 first).
  const std::vector<DownloadedSet>& sets() const { return sets_; }
  // What the split found wrong in the last listed dump, as the Memory window reports it;
  // empty for a sound dump.
  QString damageText() const { return damage_; }
  const MemoryDumpParse& parse() const { return parse_; }
  // The bytes of the last dump as they came from the meter, lead bytes included, also of one
  // that stopped short; empty after a cancelled one.
  const QByteArray& rawDump() const { return rawDump_; }

 signals:
  // The meter answered with a memory to download (before "Q"): total and free memory follow
  // from `address`. Sent again when "Q" has to be repeated.
  void memoryFound(quint32 address);
  // Bytes of the dump received, after every read while it is wanted.
  void progress(qint64 received, qint64 expected);
  // The same while the dump is received for nothing after cancel().
  void drainProgress(qint64 received, qint64 expected);
  // run() is about to return.
  void finished(lux::DownloadResult result);

 private:
  enum class Phase { Idle, Requesting, Receiving, Draining };
  enum class Request { Sent, Empty, BadAddress, Unanswered, Silent, Cancelled };

  // Handshakes, "H", the memory's size, then "Q" and the first read, repeated while the meter
  // stays silent.
  Request requestDump();
  // Reads until the dump is whole; false when the meter fell silent first.
  bool receiveDump();
  // After cancel(): reads and drops the rest of the dump.
  void drainDump();
  // Cuts and splits a whole dump into sets.
  void splitDump();
  // Reads what came; true when it brought bytes (the silence clock restarts).
  bool readMore();
  // No byte for kDumpSilenceSeconds: the meter has stopped.
  bool silentTooLong();
  DownloadResult finish(DownloadResult result);

  MeterLink& link_;
  Phase phase_ = Phase::Idle;
  bool cancelled_ = false;
  std::uint32_t address_ = 0;
  std::size_t expected_ = 0;
  std::size_t received_ = 0;
  QByteArray dump_;
  QByteArray rawDump_;
  double lastByteAt_ = 0;
  std::vector<DownloadedSet> sets_;
  MemoryDumpParse parse_;
  QString damage_;
};

// The Memory window's account of a damaged dump: which sets were cut short, which may hold the
// next set's records, and the bytes that belong to no set. Empty for a sound dump.
QString damageReport(const MemoryDumpParse& parse);

}  // namespace lux
