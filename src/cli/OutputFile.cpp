#include "cli/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace lux::cli {

Claim claimOutputFile(const QString& path, bool force, QString* reason) {
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::stat(native.constData(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return Claim::NotAFile;
    return force ? Claim::Ok : Claim::Exists;
  }
  if (errno != ENOENT) {
    if (reason) *reason = QString::fromLocal8Bit(std::strerror(errno));
    return Claim::Failed;
  }
  // Created here, exclusively: a file that appears meanwhile is not ours to truncate.
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return force ? Claim::Ok : Claim::Exists;
    if (reason) *reason = QString::fromLocal8Bit(std::strerror(errno));
    return Claim::Failed;
  }
  ::close(fd);
  return Claim::Ok;
}

QString claimText(Claim claim, const QString& path, const QString& reason) {
  switch (claim) {
    case Claim::Ok:
      return {};
    case Claim::Exists:
      return QStringLiteral("%1 exists; add --force to overwrite it").arg(path);
    case Claim::NotAFile:
      return QStringLiteral("%1 is not a regular file; nothing is written to it").arg(path);
    case Claim::Failed:
      break;
  }
  return QStringLiteral("cannot create %1: %2").arg(path, reason);
}

}  // namespace lux::cli
