#include "cli/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace lux::cli {

Claim claimOutputFile(const QString& path, bool force, QString* reason, CreatedFile* created) {
  if (created) *created = {};
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
  if (created && ::fstat(fd, &st) == 0) {
    created->created = true;
    created->device = static_cast<std::uint64_t>(st.st_dev);
    created->inode = static_cast<std::uint64_t>(st.st_ino);
  }
  ::close(fd);
  return Claim::Ok;
}

bool removeUnusedFile(const QString& path, const CreatedFile& created, const QByteArray& header) {
  if (!created.created) return false;
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<std::uint64_t>(st.st_dev) != created.device ||
      static_cast<std::uint64_t>(st.st_ino) != created.inode)
    return false;
  if (st.st_size > static_cast<off_t>(header.size())) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray content = f.read(header.size() + 1);
  f.close();
  if (!content.isEmpty() && content != header) return false;
  return ::unlink(native.constData()) == 0;
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
