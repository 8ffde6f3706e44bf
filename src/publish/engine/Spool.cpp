#include "publish/engine/Spool.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <QDir>
#include <QFile>

#include "publish/engine/PublishLog.h"

namespace lux::publish {

namespace {

// A file that holds nothing but acknowledged lines is cut back once it is this long; below it
// the cut is not worth a flush of the acknowledgement on every reading.
constexpr std::uint64_t kCutWhenAcked = 1u << 20;
// An acknowledged head this long (and more than half the file) is cut off by a rewrite.
constexpr std::uint64_t kCompactHead = 8u << 20;

QString systemError() {
  return QString::fromLocal8Bit(strerror(errno));
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

}  // namespace

Spool::Spool(QString dir, QString meterId, std::uint64_t limitBytes)
    : dir_(std::move(dir)), id_(std::move(meterId)), limit_(limitBytes < 4096 ? 4096 : limitBytes) {
  path_ = QDir(dir_).filePath(id_ + QStringLiteral(".spool"));
  ackPath_ = QDir(dir_).filePath(id_ + QStringLiteral(".acked"));
}

Spool::~Spool() {
  sync();
  if (fd_ >= 0) ::close(fd_);
  if (ackFd_ >= 0) ::close(ackFd_);
}

// A new file in the compact format, written beside the spool and then put in its place.
class Spool::Rewrite {
 public:
  explicit Rewrite(Spool& s)
      : s_(s), tmpName_(QFile::encodeName(s.path_ + QStringLiteral(".new"))) {
    out_ = ::open(tmpName_.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    chunk_ = std::string(kSpoolMagic);
    offset_ = chunk_.size();
  }
  ~Rewrite() {
    if (out_ >= 0) {
      ::close(out_);
      ::unlink(tmpName_.constData());
    }
  }
  bool ok() const { return out_ >= 0 && ok_; }
  std::uint64_t lastSeq() const { return lastSeq_; }
  std::uint64_t count() const { return count_; }
  // Where `r` went in the new file.
  Place put(const SpoolRecord& r) {
    const bool key = !any_ || r.seq != lastSeq_ + 1 || sinceKey_ >= 63;
    const Place at{offset_, lastSeq_, lastMs_, any_};
    const std::string bytes = encodeSpoolRecord(r, key, lastMs_);
    offset_ += bytes.size();
    chunk_ += bytes;
    sinceKey_ = key ? 0 : sinceKey_ + 1;
    any_ = true;
    lastSeq_ = r.seq;
    lastMs_ = r.epochMs;
    ++count_;
    if (chunk_.size() >= (1u << 16)) flush();
    return at;
  }
  // Takes the new file as the spool.
  bool commit() {
    flush();
    ok_ = ok_ && out_ >= 0 && ::fdatasync(out_) == 0;
    if (out_ >= 0) ::close(out_);
    out_ = -1;
    // What leaves the file must be known as done before it is gone, or a restart would hand out
    // its sequence numbers again.
    s_.storeAcked();
    if (s_.ackFd_ >= 0) ::fdatasync(s_.ackFd_);
    const QByteArray name = QFile::encodeName(s_.path_);
    if (!ok_ || ::rename(tmpName_.constData(), name.constData()) != 0) {
      ::unlink(tmpName_.constData());
      return false;
    }
    const int fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (s_.fd_ >= 0) ::close(s_.fd_);
    s_.fd_ = fd;
    s_.size_ = offset_;
    s_.pending_.clear();  // read into the new file with the rest
    s_.readBuf_.clear();
    s_.recent_.clear();
    s_.anyWritten_ = any_;
    if (any_) {
      s_.lastSeq_ = lastSeq_;
      s_.lastMs_ = lastMs_;
    }
    s_.sinceKey_ = sinceKey_;
    s_.waiting_ = count_;
    return true;
  }

 private:
  void flush() {
    if (ok_ && out_ >= 0) ok_ = writeAll(out_, chunk_.data(), chunk_.size());
    chunk_.clear();
  }
  Spool& s_;
  QByteArray tmpName_;
  int out_ = -1;
  bool ok_ = true;
  std::string chunk_;
  std::uint64_t offset_ = 0;
  bool any_ = false;
  std::uint64_t lastSeq_ = 0, count_ = 0;
  std::int64_t lastMs_ = 0;
  unsigned sinceKey_ = 0;
};

std::string_view Spool::view(std::uint64_t offset) {
  if (offset >= size_) return {};
  // The records not yet written are the file's last bytes; none lies partly on the disk.
  const std::uint64_t written = size_ - pending_.size();
  if (offset >= written)
    return std::string_view(pending_).substr(std::size_t(offset - written), kSpoolMaxRecord);
  const std::uint64_t want = std::min<std::uint64_t>(kSpoolMaxRecord, written - offset);
  if (offset < readAt_ || offset + want > readAt_ + readBuf_.size()) {
    // Forward reading is the common case (a replay, the scan at start): a window ahead of it.
    constexpr std::size_t kReadAhead = 1u << 16;
    readBuf_.resize(std::size_t(std::min<std::uint64_t>(kReadAhead, written - offset)));
    std::size_t got = 0;
    while (got < readBuf_.size()) {
      const ssize_t n =
          ::pread(fd_, readBuf_.data() + got, readBuf_.size() - got, off_t(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += std::size_t(n);
    }
    readBuf_.resize(got);
    readAt_ = offset;
    if (got == 0) return {};
  }
  const std::size_t from = std::size_t(offset - readAt_);
  return std::string_view(readBuf_.data() + from,
                          std::min(readBuf_.size() - from, std::size_t(want)));
}

bool Spool::open(QString* error) {
  const QByteArray ackName = QFile::encodeName(ackPath_);
  ackFd_ = ::open(ackName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (ackFd_ < 0) {
    *error = QStringLiteral("cannot open %1: %2").arg(ackPath_, systemError());
    return false;
  }
  // Two publishers appending to one spool would interleave their readings and numbers. The lock
  // sits on the acknowledgement file, which is never replaced (the spool file is, when rewritten).
  if (::flock(ackFd_, LOCK_EX | LOCK_NB) != 0) {
    *error =
        QStringLiteral("%1 is in use by another publisher (same state directory and meter name)")
            .arg(path_);
    return false;
  }
  char buf[64] = {};
  const ssize_t got = ::pread(ackFd_, buf, sizeof buf - 1, 0);
  if (got > 0) {
    // "acked\n" as earlier versions wrote it, or "acked dropped\n".
    const char* const stop = buf + got;
    unsigned long long seq = 0, dropped = 0;
    auto [end, ec] = std::from_chars(buf, stop, seq);
    bool good = ec == std::errc() && end < stop;
    if (good && *end == ' ') {
      const auto [end2, ec2] = std::from_chars(end + 1, stop, dropped);
      good = ec2 == std::errc() && end2 < stop;
      end = end2;
    }
    if (good && *end == '\n') {
      acked_ = seq;
      dropped_ = dropped;
    } else {
      qCWarning(lcPublish) << "spool" << ackPath_ << "holds no sequence number; starting from 0";
    }
  }

  const QByteArray name = QFile::encodeName(path_);
  fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
    *error = QStringLiteral("cannot open %1: %2").arg(path_, systemError());
    return false;
  }
  size_ = std::uint64_t(st.st_size);
  nextSeq_ = acked_ + 1;
  if (size_ == 0) {
    if (!appendBytes(std::string(kSpoolMagic))) {
      *error = QStringLiteral("cannot write %1: %2").arg(path_, systemError());
      return false;
    }
    cursor_ = end();
    dirty_ = true;
    return true;
  }
  const std::string_view first = view(0);
  if (first.empty()) {
    *error = QStringLiteral("cannot read %1: %2").arg(path_, systemError());
    return false;
  }
  if (first[0] >= '0' && first[0] <= '9') return convertLines(error);

  // Only the place of the oldest waiting record is kept, and how many wait: however long the
  // file, its records stay on disk until they are sent.
  std::optional<Place> oldest;
  std::uint64_t count = 0;
  const SpoolScan scan = scanSpoolFile(
      size_, [this](std::uint64_t at) { return view(at); }, acked_,
      [&](const SpoolScanEntry& e) {
        if (!oldest) oldest = Place{e.offset, e.seq - 1, e.prevMs, true};
        ++count;
      });
  nextSeq_ = scan.lastSeq + 1;
  repaired_ = scan.repaired;
  if (repaired_ > 0)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("spool %1: %2 damaged stretch(es) cut off").arg(path_).arg(repaired_);
  if (!scan.clean) {
    // Whatever is between or after the kept records goes, and the records are contiguous again.
    if (!rewriteFrom(oldest ? *oldest : end())) {
      *error = QStringLiteral("cannot repair %1: %2").arg(path_, systemError());
      return false;
    }
    return true;
  }
  waiting_ = count;
  anyWritten_ = count > 0;
  lastSeq_ = scan.lastSeq;
  lastMs_ = scan.lastMs;
  sinceKey_ = 0;
  cursor_ = oldest ? *oldest : end();
  return true;
}

bool Spool::convertLines(QString* error) {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
    return false;
  }
  Rewrite out(*this);
  std::uint64_t lastSeq = acked_;
  // A line of ours is some 40 bytes; one much longer is garbage and read past in pieces.
  char line[512];
  while (!file.atEnd()) {
    const qint64 n = file.readLine(line, sizeof line);
    if (n <= 0) break;
    if (line[n - 1] != '\n') {
      if (file.atEnd()) {  // torn last line
        ++repaired_;
        break;
      }
      while (!file.atEnd()) {  // the rest of an overlong line
        const qint64 more = file.readLine(line, sizeof line);
        if (more <= 0 || line[more - 1] == '\n') break;
      }
      ++repaired_;
      continue;
    }
    const auto r = decodeSpoolLine(std::string_view(line, std::size_t(n - 1)));
    if (r && r->seq > lastSeq) {
      out.put(*r);
      lastSeq = r->seq;
    } else if (!r || r->seq > acked_) {
      ++repaired_;
    }
  }
  nextSeq_ = lastSeq + 1;
  if (repaired_ > 0)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("spool %1: %2 unreadable line(s) cut off").arg(path_).arg(repaired_);
  const std::uint64_t taken = out.count();
  if (!out.ok() || !out.commit()) {
    *error = QStringLiteral("cannot convert %1: %2").arg(path_, systemError());
    return false;
  }
  cursor_ = {kSpoolMagic.size(), 0, 0, false};
  if (taken == 0) cursor_ = end();
  qCInfo(lcPublish).noquote() << QStringLiteral(
                                     "spool %1: %2 reading(s) of the earlier line "
                                     "format taken over")
                                     .arg(path_)
                                     .arg(taken);
  return true;
}

std::optional<SpoolRecord> Spool::readAt(Place* at, Place* start) {
  while (at->offset < size_) {
    if (start) *start = *at;
    // Most readings go out right after they were written: those come from memory.
    if (!recent_.empty() && at->offset >= recent_.front().offset) {
      const auto it =
          std::lower_bound(recent_.begin(), recent_.end(), at->offset,
                           [](const Recent& r, std::uint64_t offset) { return r.offset < offset; });
      if (it != recent_.end() && it->offset == at->offset) {
        *at = {it->offset + it->length, it->record.seq, it->record.epochMs, true};
        return it->record;
      }
    }
    std::size_t length = 0;
    bool key = false;
    auto r =
        decodeSpoolRecord(view(at->offset), at->prevSeq, at->prevMs, &length, &key, !at->context);
    if (r) {
      *at = {at->offset + length, r->seq, r->epochMs, true};
      return r;
    }
    // Damaged since it was written (the disk, another program): on at the next key record.
    qCWarning(lcPublish) << "spool: cannot read back a reading at" << at->offset << "of" << path_;
    std::uint64_t next = at->offset + 1;
    for (; next < size_; ++next)
      if (decodeSpoolRecord(view(next), 0, 0, &length, &key, true)) break;
    *at = {next, 0, 0, false};
  }
  return std::nullopt;
}

bool Spool::rewriteFrom(Place from) {
  Rewrite out(*this);
  if (!out.ok()) return false;
  // The records in flight and the cursor get their places in the new file.
  std::deque<Flight> flight;
  std::optional<Place> cursor;
  std::size_t f = 0;
  Place at = from;
  while (auto r = readAt(&at)) {
    if (r->seq <= acked_ || (out.count() > 0 && r->seq <= out.lastSeq())) continue;
    const Place placed = out.put(*r);
    while (f < flight_.size() && flight_[f].seq < r->seq) ++f;
    if (f < flight_.size() && flight_[f].seq == r->seq) {
      flight.push_back({r->seq, placed, flight_[f].acked});
      ++f;
    } else if (!cursor && (flight_.empty() || r->seq > flight_.back().seq)) {
      cursor = placed;
    }
    if (!out.ok()) return false;
  }
  if (!out.commit()) return false;
  flight_ = std::move(flight);
  cursor_ = cursor ? *cursor : end();
  return true;
}

void Spool::cutToHeader() {
  storeAcked();
  ::fdatasync(ackFd_);
  if (::ftruncate(fd_, off_t(kSpoolMagic.size())) == 0) {
    pending_.clear();  // acknowledged, all of it
    size_ = kSpoolMagic.size();
    anyWritten_ = false;
    sinceKey_ = 0;
    readBuf_.clear();
    recent_.clear();
    flight_.clear();
    waiting_ = 0;
    cursor_ = end();
  }
}

bool Spool::writePending() {
  if (pending_.empty()) return true;
  const std::uint64_t written = size_ - pending_.size();
  if (writeAll(fd_, pending_.data(), pending_.size())) {
    pending_.clear();
    return true;
  }
  qCWarning(lcPublish) << "spool: cannot write to" << path_ << systemError();
  if (::ftruncate(fd_, off_t(written)) != 0)  // no half record may stay behind
    qCWarning(lcPublish) << "spool: cannot cut a half record off" << path_;
  return false;
}

bool Spool::appendBytes(const std::string& bytes) {
  if (writeAll(fd_, bytes.data(), bytes.size())) {
    size_ += bytes.size();
    return true;
  }
  qCWarning(lcPublish) << "spool: cannot write to" << path_ << systemError();
  if (::ftruncate(fd_, off_t(size_)) != 0)  // no half record may stay behind
    qCWarning(lcPublish) << "spool: cannot cut a half record off" << path_;
  return false;
}

void Spool::storeAcked() {
  ackDirty_ = false;
  if (ackFd_ < 0) return;
  char buf[48];
  const int n =
      std::snprintf(buf, sizeof buf, "%020llu %020llu\n", static_cast<unsigned long long>(acked_),
                    static_cast<unsigned long long>(dropped_));
  if (::pwrite(ackFd_, buf, std::size_t(n), 0) != n)
    qCWarning(lcPublish) << "spool: cannot note acknowledged readings in" << ackPath_;
}

bool Spool::append(const SpoolRecord& record) {
  bool key = false;
  const auto encode = [&] {
    key = !anyWritten_ || record.seq != lastSeq_ + 1 || sinceKey_ >= 63;
    return encodeSpoolRecord(record, key, lastMs_);
  };
  std::string bytes = encode();
  if (size_ + bytes.size() > limit_) {
    if (waiting_ == 0) {
      cutToHeader();
    } else {
      // Full: the oldest readings make room, a tenth of the bound at once so that the file is
      // not rewritten for every new reading.
      const std::uint64_t target = limit_ - limit_ / 10;
      Place keep = head();
      std::uint64_t drop = 0, last = 0;
      for (Place at = keep; at.offset < size_ && size_ - at.offset + bytes.size() > target;) {
        const auto r = readAt(&at);
        if (!r) break;
        keep = at;
        if (r->seq <= acked_) continue;
        last = r->seq;
        ++drop;
      }
      for (const Flight& fl : flight_)
        if (fl.acked && fl.seq <= last) --drop;  // the broker has those already
      if (last > acked_) acked_ = last;
      dropped_ += drop;
      qCWarning(lcPublish).noquote()
          << QStringLiteral(
                 "spool %1 full (%2 bytes): the %3 oldest readings were dropped, %4 "
                 "in all")
                 .arg(path_)
                 .arg(limit_)
                 .arg(drop)
                 .arg(dropped_);
      // The dropped ones in flight are left behind by the rewrite, the others move with it.
      if (!rewriteFrom(keep)) {
        qCWarning(lcPublish) << "spool: cannot rewrite" << path_ << systemError();
        return false;
      }
    }
    bytes = encode();  // counted from what the file holds now
  }
  // Written with the next flush (at least once a second), not one write() a reading; a disk
  // that refuses them keeps them here until this much waits, and then refuses the reading.
  if (pending_.size() >= kPendingMax && !writePending()) return false;
  const std::uint64_t at = size_;
  pending_ += bytes;
  size_ += bytes.size();
  if (!recent_.empty() && record.seq != recent_.back().record.seq + 1) recent_.clear();
  if (recent_.size() >= kRecent) recent_.pop_front();
  recent_.push_back({record, at, std::uint32_t(bytes.size())});
  anyWritten_ = true;
  sinceKey_ = key ? 0 : sinceKey_ + 1;
  lastSeq_ = record.seq;
  lastMs_ = record.epochMs;
  nextSeq_ = record.seq + 1;
  ++waiting_;
  dirty_ = true;
  return true;
}

void Spool::sync(DiskFlusher* flusher) {
  if (ackDirty_) storeAcked();
  if (!dirty_ || fd_ < 0) return;
  if (!writePending()) return;  // tried again with the next flush
  if (!flusher || !flusher->flush(fd_)) ::fdatasync(fd_);
  dirty_ = false;
}

std::optional<SpoolRecord> Spool::takeNext() {
  Place start;
  while (auto r = readAt(&cursor_, &start)) {
    if (r->seq <= acked_) continue;
    flight_.push_back({r->seq, start});
    return r;
  }
  return std::nullopt;
}

void Spool::rewind() {
  cursor_ = head();
  flight_.clear();
}

void Spool::acknowledge(std::uint64_t seq) {
  if (seq <= acked_ || flight_.empty() || seq < flight_.front().seq) return;
  if (seq != flight_.front().seq) {
    for (Flight& f : flight_)
      if (f.seq == seq) f.acked = true;
    return;
  }
  flight_.pop_front();
  acked_ = seq;
  if (waiting_ > 0) --waiting_;
  while (!flight_.empty() && flight_.front().acked) {
    acked_ = flight_.front().seq;
    flight_.pop_front();
    if (waiting_ > 0) --waiting_;
  }
  // Noted on disk with the next flush: after a kill -9 at most the last second's readings go
  // out once more, with their numbers, which a consumer knows to drop.
  ackDirty_ = true;
  const Place h = head();
  if (h.offset >= size_) {
    waiting_ = 0;
    if (size_ >= kCutWhenAcked) cutToHeader();
  } else if (h.offset >= kCompactHead && h.offset * 2 > size_) {
    if (!rewriteFrom(h)) qCWarning(lcPublish) << "spool: cannot compact" << path_;
  }
}

}  // namespace lux::publish
