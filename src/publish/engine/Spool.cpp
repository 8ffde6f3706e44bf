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
  char buf[32] = {};
  const ssize_t got = ::pread(ackFd_, buf, sizeof buf - 1, 0);
  if (got > 0) {
    const std::string_view text(buf, std::size_t(got));
    unsigned long long seq = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seq);
    if (ec == std::errc() && end < text.data() + text.size() && *end == '\n')
      acked_ = seq;
    else
      qCWarning(lcPublish) << "spool" << ackPath_ << "holds no sequence number; starting from 0";
  }

  QFile file(path_);
  std::string bytes;
  if (file.exists()) {
    if (!file.open(QIODevice::ReadOnly)) {
      *error = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
      return false;
    }
    const QByteArray all = file.readAll();
    bytes.assign(all.constData(), std::size_t(all.size()));
  }
  const QByteArray name = QFile::encodeName(path_);
  fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    *error = QStringLiteral("cannot open %1: %2").arg(path_, systemError());
    return false;
  }
  if (!bytes.empty() && bytes[0] >= '0' && bytes[0] <= '9') return convertLines(bytes, error);

  nextSeq_ = acked_ + 1;
  if (bytes.empty()) {
    startFile();
    if (!appendBytes(std::string(kSpoolMagic))) {
      *error = QStringLiteral("cannot write %1: %2").arg(path_, systemError());
      return false;
    }
    dirty_ = true;
    return true;
  }
  const SpoolScan scan = scanSpool(bytes, acked_, [this](const SpoolScanEntry& e) {
    entries_.push_back({e.seq, e.prevMs, e.offset});
  });
  size_ = bytes.size();
  nextSeq_ = scan.lastSeq + 1;
  repaired_ = scan.repaired;
  if (repaired_ > 0)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("spool %1: %2 damaged stretch(es) cut off").arg(path_).arg(repaired_);
  if (!scan.clean) {
    // Whatever is between or after the kept records goes, and the records are contiguous again.
    if (!rewrite(0)) {
      *error = QStringLiteral("cannot repair %1: %2").arg(path_, systemError());
      return false;
    }
    return true;
  }
  anyWritten_ = !entries_.empty();
  lastSeq_ = scan.lastSeq;
  lastMs_ = scan.lastMs;
  sinceKey_ = 0;
  return true;
}

bool Spool::convertLines(const std::string& bytes, QString* error) {
  std::vector<SpoolRecord> records;
  std::uint64_t lastSeq = acked_;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t nl = bytes.find('\n', at);
    if (nl == std::string::npos) {  // torn last line
      ++repaired_;
      break;
    }
    const auto r = decodeSpoolLine(std::string_view(bytes).substr(at, nl - at));
    if (r && r->seq > lastSeq) {
      records.push_back(*r);
      lastSeq = r->seq;
    } else if (!r || r->seq > acked_) {
      ++repaired_;
    }
    at = nl + 1;
  }
  nextSeq_ = lastSeq + 1;
  if (repaired_ > 0)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("spool %1: %2 unreadable line(s) cut off").arg(path_).arg(repaired_);
  std::size_t i = 0;
  if (!replaceFile([&] { return std::optional<SpoolRecord>(records[i++]); }, records.size())) {
    *error = QStringLiteral("cannot convert %1: %2").arg(path_, systemError());
    return false;
  }
  qCInfo(lcPublish).noquote() << QStringLiteral(
                                     "spool %1: %2 reading(s) of the earlier line "
                                     "format taken over")
                                     .arg(path_)
                                     .arg(records.size());
  return true;
}

std::optional<SpoolRecord> Spool::readEntry(std::size_t i) const {
  const Entry& e = entries_[i];
  // Most readings go out right after they were written: those come from memory.
  if (!recent_.empty() && e.seq >= recent_.front().seq && e.seq <= recent_.back().seq) {
    const SpoolRecord& r = recent_[std::size_t(e.seq - recent_.front().seq)];
    if (r.seq == e.seq) return r;
  }
  if (e.offset >= size_) return std::nullopt;
  char buf[64];
  const std::size_t want = std::size_t(std::min<std::uint64_t>(sizeof buf, size_ - e.offset));
  const ssize_t got = ::pread(fd_, buf, want, off_t(e.offset));
  if (got <= 0) return std::nullopt;
  std::size_t used = 0;
  bool key = false;
  auto r =
      decodeSpoolRecord(std::string_view(buf, std::size_t(got)), e.seq - 1, e.prevMs, &used, &key);
  if (!r || r->seq != e.seq) return std::nullopt;
  return r;
}

template <typename Next>
bool Spool::replaceFile(Next&& next, std::size_t count) {
  const QString tmpPath = path_ + QStringLiteral(".new");
  const QByteArray tmpName = QFile::encodeName(tmpPath);
  const int out = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) return false;
  std::deque<Entry> kept;
  std::string chunk(kSpoolMagic);
  std::uint64_t offset = chunk.size();
  bool ok = true, any = false;
  std::uint64_t lastSeq = 0;
  std::int64_t lastMs = 0;
  unsigned sinceKey = 0;
  for (std::size_t i = 0; i < count && ok; ++i) {
    const std::optional<SpoolRecord> r = next();
    if (!r) {
      qCWarning(lcPublish) << "spool: a reading could not be read back from" << path_;
      continue;
    }
    const bool key = !any || r->seq != lastSeq + 1 || sinceKey >= 63;
    const std::string bytes = encodeSpoolRecord(*r, key, lastMs);
    kept.push_back({r->seq, lastMs, offset});
    offset += bytes.size();
    chunk += bytes;
    sinceKey = key ? 0 : sinceKey + 1;
    any = true;
    lastSeq = r->seq;
    lastMs = r->epochMs;
    if (chunk.size() >= (1u << 16)) {
      ok = writeAll(out, chunk.data(), chunk.size());
      chunk.clear();
    }
  }
  ok = ok && writeAll(out, chunk.data(), chunk.size()) && ::fdatasync(out) == 0;
  ::close(out);
  // What leaves the file must be known as done before it is gone, or a restart would hand out
  // its sequence numbers again.
  storeAcked();
  if (ackFd_ >= 0) ::fdatasync(ackFd_);
  if (!ok || ::rename(tmpName.constData(), QFile::encodeName(path_).constData()) != 0) {
    ::unlink(tmpName.constData());
    return false;
  }
  const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd_);
  fd_ = fd;
  entries_ = std::move(kept);
  size_ = offset;
  anyWritten_ = any;
  lastSeq_ = lastSeq;
  lastMs_ = lastMs;
  sinceKey_ = sinceKey;
  return true;
}

bool Spool::rewrite(std::size_t firstKept) {
  std::size_t i = firstKept;
  return replaceFile([&] { return readEntry(i++); }, entries_.size() - firstKept);
}

void Spool::startFile() {
  anyWritten_ = false;
  sinceKey_ = 0;
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
  char buf[32];
  const int n =
      std::snprintf(buf, sizeof buf, "%020llu\n", static_cast<unsigned long long>(acked_));
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
    if (entries_.empty()) {
      storeAcked();
      if (::ftruncate(fd_, off_t(kSpoolMagic.size())) == 0) {
        size_ = kSpoolMagic.size();
        startFile();
      }
    } else {
      // Full: the oldest readings make room, a tenth of the bound at once so that the file is
      // not rewritten for every new reading.
      const std::uint64_t target = limit_ - limit_ / 10;
      std::size_t drop = 0;
      while (drop < entries_.size() && size_ - entries_[drop].offset + bytes.size() > target)
        ++drop;
      acked_ = entries_[drop - 1].seq;
      for (std::size_t i = 0; i < drop; ++i) ackedAhead_.erase(entries_[i].seq);
      dropped_ += drop;
      cursor_ = cursor_ > drop ? cursor_ - drop : 0;
      qCWarning(lcPublish).noquote()
          << QStringLiteral(
                 "spool %1 full (%2 bytes): the %3 oldest readings were dropped, %4 "
                 "in all")
                 .arg(path_)
                 .arg(limit_)
                 .arg(drop)
                 .arg(dropped_);
      if (!rewrite(drop)) {
        qCWarning(lcPublish) << "spool: cannot rewrite" << path_ << systemError();
        return false;
      }
    }
    bytes = encode();  // counted from what the file holds now
  }
  const std::uint64_t at = size_;
  if (!appendBytes(bytes)) return false;
  entries_.push_back({record.seq, lastMs_, at});
  if (!recent_.empty() && record.seq != recent_.back().seq + 1) recent_.clear();
  if (recent_.size() >= kRecent) recent_.pop_front();
  recent_.push_back(record);
  anyWritten_ = true;
  sinceKey_ = key ? 0 : sinceKey_ + 1;
  lastSeq_ = record.seq;
  lastMs_ = record.epochMs;
  nextSeq_ = record.seq + 1;
  dirty_ = true;
  return true;
}

void Spool::sync() {
  if (ackDirty_) storeAcked();
  if (!dirty_ || fd_ < 0) return;
  ::fdatasync(fd_);
  dirty_ = false;
}

std::optional<SpoolRecord> Spool::takeNext() {
  while (cursor_ < entries_.size()) {
    const std::size_t i = cursor_++;
    if (auto r = readEntry(i)) return r;
    qCWarning(lcPublish) << "spool: cannot read back reading" << entries_[i].seq << "from" << path_;
  }
  return std::nullopt;
}

void Spool::acknowledge(std::uint64_t seq) {
  if (seq <= acked_ || entries_.empty() || seq < entries_.front().seq) return;
  if (seq != entries_.front().seq) {
    ackedAhead_.insert(seq);
    return;
  }
  entries_.pop_front();
  if (cursor_ > 0) --cursor_;
  acked_ = seq;
  while (!entries_.empty() && ackedAhead_.erase(entries_.front().seq)) {
    acked_ = entries_.front().seq;
    entries_.pop_front();
    if (cursor_ > 0) --cursor_;
  }
  // Noted on disk with the next flush: after a kill -9 at most the last second's readings go
  // out once more, with their numbers, which a consumer knows to drop.
  ackDirty_ = true;
  if (entries_.empty() && size_ >= kCutWhenAcked) {
    storeAcked();
    ::fdatasync(ackFd_);
    if (::ftruncate(fd_, off_t(kSpoolMagic.size())) == 0) {
      size_ = kSpoolMagic.size();
      startFile();
    }
  } else if (!entries_.empty() && entries_.front().offset >= kCompactHead &&
             entries_.front().offset * 2 > size_) {
    if (!rewrite(0)) qCWarning(lcPublish) << "spool: cannot compact" << path_;
  }
}

}  // namespace lux::publish
