#include "publish/engine/Spool.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

  std::uint64_t lastSeq = acked_;
  bool cleanFile = true;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t nl = bytes.find('\n', at);
    if (nl == std::string::npos) {  // torn last line
      ++repaired_;
      cleanFile = false;
      break;
    }
    const auto r = decodeSpoolLine(std::string_view(bytes).substr(at, nl - at));
    if (!r || r->seq <= lastSeq) {
      if (!r || r->seq > acked_) ++repaired_;
      cleanFile = false;
    } else {
      entries_.push_back({r->seq, at, std::uint32_t(nl + 1 - at)});
      lastSeq = r->seq;
    }
    at = nl + 1;
  }
  size_ = bytes.size();
  nextSeq_ = lastSeq + 1;
  if (repaired_ > 0)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("spool %1: %2 unreadable line(s) cut off").arg(path_).arg(repaired_);
  if (!cleanFile && !rewrite(0)) {
    *error = QStringLiteral("cannot repair %1: %2").arg(path_, systemError());
    return false;
  }
  return true;
}

std::optional<SpoolRecord> Spool::readEntry(const Entry& e) const {
  std::string line(e.length, '\0');
  const ssize_t got = ::pread(fd_, line.data(), e.length, off_t(e.offset));
  if (got != ssize_t(e.length) || line.back() != '\n') return std::nullopt;
  line.pop_back();
  return decodeSpoolLine(line);
}

bool Spool::rewrite(std::size_t firstKept) {
  const QString tmpPath = path_ + QStringLiteral(".new");
  const QByteArray tmpName = QFile::encodeName(tmpPath);
  const int out = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) return false;
  std::deque<Entry> kept;
  std::uint64_t offset = 0;
  std::string chunk;
  bool ok = true;
  for (std::size_t i = firstKept; i < entries_.size() && ok; ++i) {
    const Entry& e = entries_[i];
    chunk.resize(e.length);
    ok = ::pread(fd_, chunk.data(), e.length, off_t(e.offset)) == ssize_t(e.length) &&
         writeAll(out, chunk.data(), chunk.size());
    kept.push_back({e.seq, offset, e.length});
    offset += e.length;
  }
  ok = ok && ::fdatasync(out) == 0;
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
  return true;
}

void Spool::storeAcked() {
  if (ackFd_ < 0) return;
  char buf[32];
  const int n =
      std::snprintf(buf, sizeof buf, "%020llu\n", static_cast<unsigned long long>(acked_));
  if (::pwrite(ackFd_, buf, std::size_t(n), 0) != n)
    qCWarning(lcPublish) << "spool: cannot note acknowledged readings in" << ackPath_;
}

bool Spool::append(const SpoolRecord& record) {
  const std::string line = encodeSpoolLine(record);
  if (size_ + line.size() > limit_) {
    if (entries_.empty()) {
      storeAcked();
      if (::ftruncate(fd_, 0) == 0) size_ = 0;
    } else {
      // Full: the oldest readings make room, a tenth of the bound at once so that the file is
      // not rewritten for every new reading.
      const std::uint64_t target = limit_ - limit_ / 10;
      std::size_t drop = 0;
      while (drop < entries_.size() && size_ - entries_[drop].offset + line.size() > target) ++drop;
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
  }
  if (!writeAll(fd_, line.data(), line.size())) {
    qCWarning(lcPublish) << "spool: cannot write to" << path_ << systemError();
    if (::ftruncate(fd_, off_t(size_)) != 0)  // no half line may stay behind
      qCWarning(lcPublish) << "spool: cannot cut a half line off" << path_;
    return false;
  }
  entries_.push_back({record.seq, size_, std::uint32_t(line.size())});
  size_ += line.size();
  nextSeq_ = record.seq + 1;
  dirty_ = true;
  return true;
}

void Spool::sync() {
  if (!dirty_ || fd_ < 0) return;
  ::fdatasync(fd_);
  dirty_ = false;
}

std::optional<SpoolRecord> Spool::takeNext() {
  while (cursor_ < entries_.size()) {
    const Entry& e = entries_[cursor_++];
    if (auto r = readEntry(e)) return r;
    qCWarning(lcPublish) << "spool: cannot read back reading" << e.seq << "from" << path_;
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
  storeAcked();
  if (entries_.empty() && size_ >= kCutWhenAcked) {
    ::fdatasync(ackFd_);
    if (::ftruncate(fd_, 0) == 0) size_ = 0;
  } else if (!entries_.empty() && entries_.front().offset >= kCompactHead &&
             entries_.front().offset * 2 > size_) {
    if (!rewrite(0)) qCWarning(lcPublish) << "spool: cannot compact" << path_;
  }
}

}  // namespace lux::publish
