#pragma once
// One meter's readings on their way to the broker, on disk: an append-only file of spool lines
// in sequence order, and beside it the highest sequence number the broker has acknowledged.
// A reading is written before it is sent and forgotten only once the broker has it, so neither a
// broker away for a day nor a kill -9 loses it; the file is cut back only when all it holds is
// acknowledged. QtCore only; the file work is plain POSIX so that each line is one write().
#include <QString>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>

#include "publish/engine/PublishFormat.h"

namespace lux::publish {

class Spool {
 public:
  // `dir` must exist; the files are <dir>/<meterId>.spool and <meterId>.acked.
  Spool(QString dir, QString meterId, std::uint64_t limitBytes);
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // Reads what an earlier run left: lines the broker did not acknowledge are kept in order, a
  // torn last line (a kill in the middle of a write, a full disk) is cut off. False with a
  // reason when the files cannot be opened or written.
  bool open(QString* error);

  // The sequence number the next reading gets: one more than any this meter ever used.
  std::uint64_t nextSeq() const { return nextSeq_; }
  // Appends the record (its seq must be nextSeq()). False when the disk refused the line: the
  // reading then is not counted as kept.
  bool append(const SpoolRecord& record);
  // Flushes appended lines to the disk (at least once a second).
  void sync();

  // The next record not yet handed out since the last rewind, in order.
  std::optional<SpoolRecord> takeNext();
  // Everything not acknowledged is to be handed out again (a new connection).
  void rewind() { cursor_ = 0; }
  // The broker has `seq`. Acknowledgements may come in any order; the file is cut once
  // everything it holds is acknowledged.
  void acknowledge(std::uint64_t seq);

  std::uint64_t waiting() const { return entries_.size(); }
  std::uint64_t inFlight() const { return cursor_; }
  // Readings dropped because the spool was full (oldest first), since open().
  std::uint64_t dropped() const { return dropped_; }
  // Lines of an earlier run that were not readable (torn or garbled) and were cut off.
  std::uint64_t repaired() const { return repaired_; }
  std::uint64_t fileSize() const { return size_; }
  const QString& path() const { return path_; }

 private:
  struct Entry {
    std::uint64_t seq;
    std::uint64_t offset;
    std::uint32_t length;  // with '\n'
  };
  bool rewrite(std::size_t firstKept);  // the file anew from entries_[firstKept..]
  void storeAcked();
  std::optional<SpoolRecord> readEntry(const Entry& e) const;

  QString dir_, id_, path_, ackPath_;
  std::uint64_t limit_;
  int fd_ = -1, ackFd_ = -1;
  std::uint64_t size_ = 0;
  std::deque<Entry> entries_;           // not yet acknowledged, in order
  std::size_t cursor_ = 0;              // entries_[0..cursor_) are handed out
  std::set<std::uint64_t> ackedAhead_;  // acknowledged out of order
  std::uint64_t acked_ = 0;             // every seq up to this is acknowledged
  std::uint64_t nextSeq_ = 1;
  std::uint64_t dropped_ = 0, repaired_ = 0;
  bool dirty_ = false;
};

}  // namespace lux::publish
