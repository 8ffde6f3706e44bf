#pragma once
// One meter's readings on their way to the broker, on disk: an append-only file of records in
// sequence order, and beside it the highest sequence number the broker has acknowledged (noted
// with each flush, at least once a second).
// A reading is written before it is sent and forgotten only once the broker has it, so neither a
// broker away for a day nor a kill -9 loses it; the file is cut back only when all it holds is
// acknowledged. QtCore only; the file work is plain POSIX so that each record is one write().
//
// The file, <meter>.spool (about 10 bytes a reading, so that the default 64 MB holds more than
// a week of 8 meters at 1 s):
//   "LUXSPL2\n"                       8 bytes, then records one after the other:
//   length   1 byte   the whole record, this byte and the check included (7..64)
//   flags    1 byte   bits 0-2 unit (0 none, 1 lx, 2 fc, 3 cd, 4 lx-h, 5 fc-h), 3 overload,
//                     4 modes follow, 5 key record, 6 UTC offset in seconds; bit 7 is 0
//   seq      varint   key records only; any other record is one more than the record before
//   time     varint   zigzag of the ms since 1970 UTC minus the time of the record before
//                     (key records: minus 0)
//   offset   1 byte   UTC offset in quarter hours, signed; with flag 6 a zigzag varint of seconds
//   modes    varint   with flag 4: the mode bits of PublishFormat.h's ModeBit
//   text     nibbles  the reading as shown, high nibble first: 0-9 digits, 10 '.', 11 '-',
//                     12 'O', 13 'L', 14 then a nibble 0-5 for 'A'-'F', 15 ends (and pads)
//   check    2 bytes  CRC-16/CCITT-FALSE of everything before it, low byte first
// (varint: 7 bits a byte, lowest first, high bit set on all bytes but the last.)
// The first record of a file, every 64th, and one whose number does not follow the one before
// are key records, so a damaged record costs at most the records up to the next key record:
// reading goes on there, and a torn tail (a kill in a write, a full disk) is cut off.
// A file that starts with a digit is one of text lines as earlier versions wrote
// ("seq epochMs offset modes unit shown\n"); it is read as such and written anew in this format.
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

  // Reads what an earlier run left: records the broker did not acknowledge are kept in order, a
  // torn or garbled record (a kill in the middle of a write, a full disk) is cut off. False with a
  // reason when the files cannot be opened or written.
  bool open(QString* error);

  // The sequence number the next reading gets: one more than any this meter ever used.
  std::uint64_t nextSeq() const { return nextSeq_; }
  // Appends the record (its seq must be nextSeq()). False when the disk refused the record: the
  // reading then is not counted as kept.
  bool append(const SpoolRecord& record);
  // Flushes appended records to the disk (at least once a second).
  void sync();

  // The next record not yet handed out since the last rewind, in order.
  std::optional<SpoolRecord> takeNext();
  // Everything not acknowledged is to be handed out again (a new connection).
  void rewind() { cursor_ = 0; }
  // The broker has `seq`. Acknowledgements may come in any order; the file is cut once
  // everything it holds is acknowledged. The acknowledgement file follows with sync().
  void acknowledge(std::uint64_t seq);

  std::uint64_t waiting() const { return entries_.size(); }
  std::uint64_t inFlight() const { return cursor_; }
  // Readings dropped because the spool was full (oldest first), since open().
  std::uint64_t dropped() const { return dropped_; }
  // Damaged stretches of an earlier run's file (torn or garbled records, unreadable lines of the
  // earlier text format) that were cut off.
  std::uint64_t repaired() const { return repaired_; }
  std::uint64_t fileSize() const { return size_; }
  const QString& path() const { return path_; }

 private:
  struct Entry {
    std::uint64_t seq;
    std::int64_t prevMs;  // the time the record's own is counted from
    std::uint64_t offset;
  };
  bool rewrite(std::size_t firstKept);  // the file anew from entries_[firstKept..]
  bool convertLines(const std::string& bytes, QString* error);
  // Writes the file anew from `count` records that `next()` gives in order (nothing: a record
  // that could not be read back) and takes it as the spool.
  template <typename Next>
  bool replaceFile(Next&& next, std::size_t count);
  bool appendBytes(const std::string& bytes);
  void startFile();  // after the file was cut to its header
  void storeAcked();
  std::optional<SpoolRecord> readEntry(std::size_t i) const;

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
  // The last record written, which the next one is counted from.
  bool anyWritten_ = false;
  std::uint64_t lastSeq_ = 0;
  std::int64_t lastMs_ = 0;
  unsigned sinceKey_ = 0;
  bool dirty_ = false;
  bool ackDirty_ = false;  // acked_ moved since it was last noted on disk
  // The last records appended, as they were (consecutive numbers), so that sending them needs
  // no read of the file.
  static constexpr std::size_t kRecent = 256;
  std::deque<SpoolRecord> recent_;
};

}  // namespace lux::publish
