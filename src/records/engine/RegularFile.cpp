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

struct FileTexts {
  Q_DECLARE_TR_FUNCTIONS(RegularFile)
};

QString kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return FileTexts::tr("a folder");
  if (S_ISFIFO(mode)) return FileTexts::tr("a named pipe");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileTexts::tr("a device");
  if (S_ISSOCK(mode)) return FileTexts::tr("a socket");
  return FileTexts::tr("not a plain file");
}

QString refusal(const QString& path, mode_t mode) {
  return FileTexts::tr("%1 is %2; only plain files can be read or written")

      .arg(path, kindOf(mode));
}

void setReason(QString* reason, const QString& text) {
  if (reason) *reason = text;
}

}  // namespace

int openRegularFile(const QString& path, FileAccess access, QString* reason) {
  const QByteArray native = QFile::encodeName(path);
  if (native.isEmpty()) {
    setReason(reason, QString::fromLocal8Bit(std::strerror(ENOENT)));
    return -1;
  }
  // The cheap refusal first, so that nothing is even opened for a pipe or a device.
  struct stat st {};
  if (::stat(native.constData(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      setReason(reason, refusal(path, st.st_mode));
      return -1;
    }
  } else if (errno != ENOENT || access == FileAccess::Read) {
    setReason(reason, QString::fromLocal8Bit(std::strerror(errno)));
    return -1;
  }
  // The name may have been replaced since: O_NONBLOCK keeps open() of a pipe or a device from
  // waiting, and the descriptor is checked for what it really is. Truncation waits until then,
  // so that nothing but a plain file is ever emptied.
  int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  flags |= access == FileAccess::Read ? O_RDONLY : (O_RDWR | O_CREAT);
  const int fd = ::open(native.constData(), flags, 0666);
  if (fd < 0) {
    setReason(reason, QString::fromLocal8Bit(std::strerror(errno)));
    return -1;
  }
  if (::fstat(fd, &st) != 0) {
    setReason(reason, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    setReason(reason, refusal(path, st.st_mode));
    ::close(fd);
    return -1;
  }
  if (access == FileAccess::WriteTruncate && ::ftruncate(fd, 0) != 0) {
    setReason(reason, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(fd);
    return -1;
  }
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

}  // namespace lux
