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
  fd_ = fd;
  path_ = path;
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
  const bool ours = (st.st_dev == dev_ && st.st_ino == ino_) ||
                    (restoredIno_ != 0 && st.st_dev == restoredDev_ && st.st_ino == restoredIno_);
  return ours && st.st_size == size_;
}

void DataFileWriter::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool DataFileWriter::stillOurFile(QString* reason) {
  struct stat st {};
  const QByteArray native = QFile::encodeName(path_);
  if (::stat(native.constData(), &st) != 0) {
    if (errno == ENOENT) {
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
  return true;
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
      if (done > 0 && ::ftruncate(fd_, size_) == 0) ::lseek(fd_, size_, SEEK_SET);
      if (reason) *reason = systemReason(err);
      return false;
    }
    done += static_cast<std::size_t>(w);
  }
  size_ += static_cast<off_t>(bytes.size());
  return true;
}

}  // namespace lux
