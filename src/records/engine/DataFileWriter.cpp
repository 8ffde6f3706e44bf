#include "records/engine/DataFileWriter.h"

#include "records/engine/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace lux {

namespace {
struct WriterTexts {
  Q_DECLARE_TR_FUNCTIONS(DataFileWriter)
};

QString systemReason(int err) {
  return QString::fromLocal8Bit(std::strerror(err));
}
}  // namespace

DataFileWriter::~DataFileWriter() {
  close();
}

bool DataFileWriter::open(const QString& path, QString* reason) {
  close();
  // Read access too: if the file is removed while recording, its content can be put back.
  const int fd = openRegularFile(path, FileAccess::WriteTruncate, reason);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    if (reason) *reason = systemReason(errno);
    ::close(fd);
    return false;
  }
  // Appending: a line goes to the file's end as it is now, never beyond it, so a file emptied
  // under us gets no hole of zero bytes ahead of our next line.
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl < 0 || ::fcntl(fd, F_SETFL, fl | O_APPEND) != 0) {
    if (reason) *reason = systemReason(errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  lastLine_.clear();
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  size_ = 0;
  restoredDev_ = 0;
  restoredIno_ = 0;
  return true;
}

bool DataFileWriter::linesKept() const {
  if (path_.isEmpty()) return false;
  struct stat st {};
  if (::stat(QFile::encodeName(path_).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const bool original = st.st_dev == dev_ && st.st_ino == ino_;
  const bool ours =
      original || (restoredIno_ != 0 && st.st_dev == restoredDev_ && st.st_ino == restoredIno_);
  if (!ours || st.st_size != size_) return false;
  // The same size is not enough: another program may have written over our lines in place.
  return !original || fd_ < 0 || unchangedSinceLastLine(nullptr);
}

QString DataFileWriter::currentName() const {
  if (fd_ < 0) return {};
  char buf[4096];
  const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd_);
  const ssize_t n = ::readlink(link.constData(), buf, sizeof buf);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
  return QFile::decodeName(QByteArray(buf, static_cast<qsizetype>(n)));
}

QString DataFileWriter::keptIn() const {
  if (linesKept()) return path_;
  if (fd_ < 0) return {};
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || st.st_nlink == 0 || st.st_size != size_) return {};
  if (!unchangedSinceLastLine(nullptr)) return {};
  return currentName();
}

void DataFileWriter::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// The file is ours as long as it ends with the line written last, at the size we left it:
// another program that emptied, cut, extended or overwrote it in place (same file, so the
// name check cannot see it) would get our next line mixed into its own content.
bool DataFileWriter::unchangedSinceLastLine(QString* reason) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    if (reason) *reason = systemReason(errno);
    return false;
  }
  if (st.st_size < size_) {
    if (reason)
      *reason = st.st_size == 0
                    ? WriterTexts::tr("another program emptied the file")
                    : WriterTexts::tr("another program overwrote the file or cut it short");
    return false;
  }
  if (st.st_size > size_) {
    if (reason) *reason = WriterTexts::tr("another program wrote to the file");
    return false;
  }
  if (lastLine_.empty()) return true;
  std::string there(lastLine_.size(), '\0');
  const off_t at = size_ - static_cast<off_t>(lastLine_.size());
  ssize_t n = -1;
  do {
    n = ::pread(fd_, there.data(), there.size(), at);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    if (reason) *reason = systemReason(errno);
    return false;
  }
  if (static_cast<std::size_t>(n) != there.size() || there != lastLine_) {
    if (reason) *reason = WriterTexts::tr("another program overwrote the file");
    return false;
  }
  return true;
}

bool DataFileWriter::stillOurFile(QString* reason) {
  struct stat st {};
  const QByteArray native = QFile::encodeName(path_);
  if (::stat(native.constData(), &st) != 0) {
    struct stat own {};
    if (errno == ENOENT && ::fstat(fd_, &own) == 0 && own.st_nlink > 0) {
      // Still linked somewhere: renamed or moved, with every line written so far in it.
      const QString now = currentName();
      if (reason) {
        *reason = now.isEmpty() ? WriterTexts::tr("the file was renamed or moved")
                                : WriterTexts::tr("the file was renamed or moved to %1").arg(now);
      }
    } else if (errno == ENOENT) {
      const bool restored = restoreRemovedFile();
      if (reason) {
        *reason = restored ? WriterTexts::tr(
                                 "the file was removed; the records written before "
                                 "were put back under the same name")
                           : WriterTexts::tr("the file was removed");
      }
    } else if (reason) {
      *reason = systemReason(errno);
    }
    return false;
  }
  if (st.st_dev != dev_ || st.st_ino != ino_) {
    if (reason) *reason = WriterTexts::tr("the file was replaced by another one");
    return false;
  }
  return unchangedSinceLastLine(reason);
}

bool DataFileWriter::restoreRemovedFile() {
  const QByteArray native = QFile::encodeName(path_);
  const int out = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return false;
  struct stat st {};
  if (::fstat(out, &st) == 0) {
    restoredDev_ = st.st_dev;
    restoredIno_ = st.st_ino;
  }
  char buf[64 * 1024];
  off_t at = 0;
  bool ok = true;
  while (ok && at < size_) {
    const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    at += n;
  }
  ::close(out);
  return ok;
}

bool DataFileWriter::writeLine(const std::string& bytes, QString* reason) {
  if (fd_ < 0) {
    if (reason) *reason = WriterTexts::tr("the file is not open");

    return false;
  }
  if (!stillOurFile(reason)) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      const int err = w < 0 ? errno : ENOSPC;
      // Half a line would read back as a wrong record: cut the file back to the last whole line.
      if (done > 0) {
        const int cut = ::ftruncate(fd_, size_);
        static_cast<void>(cut);  // the reason below is what the user learns either way
      }
      if (reason) *reason = systemReason(err);
      return false;
    }
    done += static_cast<std::size_t>(w);
  }
  size_ += static_cast<off_t>(bytes.size());
  // Records are short; a longer line is checked by its end.
  constexpr std::size_t kCheckedBytes = 4096;
  lastLine_ = bytes.size() <= kCheckedBytes ? bytes : bytes.substr(bytes.size() - kCheckedBytes);
  return true;
}

}  // namespace lux
