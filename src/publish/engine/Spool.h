#pragma once
// One meter's readings on their way to the broker, on disk: an append-only file of records in
// sequence order, and beside it the highest sequence number the broker has acknowledged and the
// number of readings dropped because the spool was full (noted with each flush, at least once a
// second). The records themselves stay on disk: the spool reads forward from the oldest one
// waiting, so that a full spool costs a few kilobytes of memory, not an index of its records.
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
#include <string>
#include <vector>

#include "publish/engine/DiskFlusher.h"
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
  // Writes the appended records and flushes them to the disk (at least once a second: what was
  // appended since is what a kill -9 loses). With a flusher the records are written here and
  // the wait for the disk is left to the flusher's thread.
  void sync(DiskFlusher* flusher = nullptr);

  // The next record not yet handed out since the last rewind, in order. Each one handed out is
  // remembered (a few bytes) until it is acknowledged or rewound: the caller bounds how many.
  std::optional<SpoolRecord> takeNext();
  // Everything not acknowledged is to be handed out again (a new connection).
  void rewind();
  // The broker has `seq`. Acknowledgements may come in any order; the file is cut once
  // everything it holds is acknowledged. The acknowledgement file follows with sync().
  void acknowledge(std::uint64_t seq);

  std::uint64_t waiting() const { return waiting_; }
  std::uint64_t inFlight() const { return flight_.size(); }
  // What the spool holds in memory for its records: those handed out and not yet acknowledged,
  // and the last ones appended. However many wait in the file, this stays bounded by what the
  // caller keeps in flight plus kRecent.
  std::size_t heldRecords() const { return flight_.size() + recent_.size(); }
  // Readings dropped because the spool was full (oldest first), in all: the count is kept beside
  // the acknowledged number and survives a restart.
  std::uint64_t dropped() const { return dropped_; }
  // Damaged stretches of an earlier run's file (torn or garbled records, unreadable lines of the
  // earlier text format) that were cut off.
  std::uint64_t repaired() const { return repaired_; }
  std::uint64_t fileSize() const { return size_; }
  const QString& path() const { return path_; }

  // The last records appended that are sent from memory instead of read back from the file.
  static constexpr std::size_t kRecent = 256;

 private:
  // Where a record starts and what a record that is not a key record is counted from.
  struct Place {
    std::uint64_t offset = 0;
    std::uint64_t prevSeq = 0;
    std::int64_t prevMs = 0;
    bool context = false;  // false: only a key record can be read here (after damage)
  };
  struct Flight {
    std::uint64_t seq;
    Place at;
    bool acked = false;  // acknowledged ahead of a record before it
  };
  struct Recent {
    SpoolRecord record;
    std::uint64_t offset;
    std::uint32_t length;
  };
  class Rewrite;

  bool convertLines(QString* error);
  // The record at `*at` (or, after damage, at the next key record; its place in `*start`), and
  // `*at` moved behind it.
  std::optional<SpoolRecord> readAt(Place* at, Place* start = nullptr);
  // Up to kSpoolMaxRecord bytes of the file from `offset`, through a small read-ahead buffer.
  std::string_view view(std::uint64_t offset);
  // The file anew from the records at `from` on, numbers above acked_ only, and taken as the
  // spool; the records in flight and the cursor follow their records into the new file.
  bool rewriteFrom(Place from);
  bool appendBytes(const std::string& bytes);
  bool writePending();
  void cutToHeader();  // after everything was acknowledged
  Place head() const { return flight_.empty() ? cursor_ : flight_.front().at; }
  Place end() const { return {size_, lastSeq_, lastMs_, anyWritten_}; }
  void storeAcked();

  QString dir_, id_, path_, ackPath_;
  std::uint64_t limit_;
  int fd_ = -1, ackFd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t waiting_ = 0;  // records in the file above acked_
  Place cursor_;               // the next record to hand out
  std::deque<Flight> flight_;  // handed out, not yet acknowledged, in order
  std::uint64_t acked_ = 0;    // every seq up to this is acknowledged
  std::uint64_t nextSeq_ = 1;
  std::uint64_t dropped_ = 0, repaired_ = 0;
  // The last record written, which the next one is counted from.
  bool anyWritten_ = false;
  std::uint64_t lastSeq_ = 0;
  std::int64_t lastMs_ = 0;
  unsigned sinceKey_ = 0;
  bool dirty_ = false;
  bool ackDirty_ = false;      // acked_ moved since it was last noted on disk
  std::deque<Recent> recent_;  // consecutive numbers, in file order
  // The file's last records, appended and not yet written.
  static constexpr std::size_t kPendingMax = 1u << 16;
  std::string pending_;
  std::vector<char> readBuf_;
  std::uint64_t readAt_ = 0;  // the file offset of readBuf_'s first byte
};

}  // namespace lux::publish
