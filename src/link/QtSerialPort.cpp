#include "link/QtSerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <algorithm>

#include "link/Logging.h"

namespace lux {

namespace {

struct PortTexts {
  Q_DECLARE_TR_FUNCTIONS(QtSerialPort)
};

// What the device may pile up unread (nobody polls, no command runs) before the oldest goes:
// hours of a streaming meter, and far more than a whole logger memory.
constexpr qsizetype kMaxPending = 1 << 20;
// The terminal's minimum count is one byte wide.
constexpr int kMostBytesToWaitFor = 255;

QString systemText(int error) {
  return QString::fromLocal8Bit(strerror(error));
}

// Qt reports a lock file held by another program, a device opened exclusively (EBUSY) and a
// device the user may not open (EACCES) all as a permission error. Only the last one is
// mended by joining the device's group, so the system is asked which of them it is.
QString refusalReason(const QString& path) {
  const QByteArray file = path.toLocal8Bit();
  struct stat st {};
  if (::stat(file.constData(), &st) != 0) return PortTexts::tr("permission denied");
  if (::access(file.constData(), R_OK | W_OK) == 0)
    return PortTexts::tr("the port is busy: another program has it open");
  const group* owner = ::getgrgid(st.st_gid);
  const QString groupName =
      owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(st.st_gid);
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    return PortTexts::tr(
               "permission denied: %1 belongs to the group '%2'; add your user to "
               "that group and log in again")
        .arg(path, groupName);
  }
  return PortTexts::tr("permission denied: %1 (group '%2') may not be read and written by you")
      .arg(path, groupName);
}

QString devicePath(const QString& name) {
  if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./")) ||
      name.startsWith(QLatin1String("../")))
    return name;
  return QStringLiteral("/dev/") + name;
}

// The lock file other programs built on Qt (and earlier versions of this one) look for: the
// same directories in the same order, the same name.
QString lockFilePath(const QString& path) {
  QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  name.prepend(QLatin1String("/LCK.."));
  static const char* const kDirectories[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                             "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                             "/var/lock/lockdev", "/run/lock"};
  for (const char* d : kDirectories) {
    const QString dir = QString::fromLatin1(d);
    const QFileInfo info(dir);
    if (info.isReadable() && (QFileInfo::exists(dir + name) || info.isWritable()))
      return dir + name;
  }
  return {};
}

}  // namespace

struct QtSerialPort::Saved {
  termios before{};  // put back on close, as other programs expect to find the port
  termios now{};
};

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
  // Read every poll tick, the port needs no watch in between: a device that goes away is found
  // at the next read. Left alone for a second, it watches again, for the device going away
  // and for input piling up.
  idleWatch_.setSingleShot(true);
  idleWatch_.setInterval(1000);
  connect(&idleWatch_, &QTimer::timeout, this, [this] {
    idle_ = true;
    updateWatch();
  });
}

QtSerialPort::~QtSerialPort() {
  close();
}

bool QtSerialPort::open(const QString& name, QString* reason) {
  if (fd_ >= 0) {
    if (openedName_ == name) return true;
    close();
  }
  const QString path = devicePath(name);
  const auto refuse = [&](const QString& why) {
    if (reason) *reason = why;
    lock_.reset();
    deviceLock_.reset();
    return false;
  };
  const QString lockPath = lockFilePath(path);
  if (lockPath.isEmpty()) return refuse(PortTexts::tr("no folder for the port's lock file"));
  lock_ = std::make_unique<QLockFile>(lockPath);
  if (!lock_->tryLock(0)) return refuse(refusalReason(path));
  // A name that leads to a device by another name (a udev rule's stable name, a link under
  // /dev/serial/by-id) is one more way to the same device: its own lock alone would let a second
  // program in by the device's name (root is not kept out by the exclusive open), and terminal
  // programs look for the device's lock. The device's lock is taken as well.
  const QFileInfo named(path);
  const QString device = named.canonicalFilePath();
  if (!device.isEmpty() && device != named.absoluteFilePath()) {
    const QString deviceLockPath = lockFilePath(device);
    if (!deviceLockPath.isEmpty() && deviceLockPath != lockPath) {
      deviceLock_ = std::make_unique<QLockFile>(deviceLockPath);
      if (!deviceLock_->tryLock(0)) return refuse(refusalReason(path));
    }
  }

  const QByteArray file = path.toLocal8Bit();
  int fd = -1;
  do {
    fd = ::open(file.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int error = errno;
    switch (error) {
      case ENOENT:
      case ENODEV:
      case ENXIO:
        return refuse(PortTexts::tr("no such device") + QStringLiteral(" (") + systemText(error) +
                      QLatin1Char(')'));
      case EACCES:
      case EPERM:
      case EBUSY:
        // Said in full: the system's own text ("Permission denied") would send a user with a
        // busy port off to change permissions.
        return refuse(refusalReason(path));
      default:
        return refuse(systemText(error));
    }
  }
  auto saved = std::make_unique<Saved>();
  if (::tcgetattr(fd, &saved->before) != 0) {
    const int error = errno;  // not a terminal at all (a plain file, a socket)
    ::close(fd);
    return refuse(systemText(error));
  }
  // 19200,n,8,1 without flow control, raw bytes. The minimum count stays at its largest until
  // somebody waits for a frame: between polls the stream only piles up.
  termios& tio = saved->now;
  tio = saved->before;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK);
  tio.c_iflag |= IGNPAR;
  ::cfsetispeed(&tio, B19200);
  ::cfsetospeed(&tio, B19200);
  tio.c_cc[VTIME] = 0;
  tio.c_cc[VMIN] = kMostBytesToWaitFor;
  // A pseudo-terminal or some adapters refuse parts of this (speed, modem lines); the line
  // still works, so none of it is fatal.
  minimumTaken_ = ::tcsetattr(fd, TCSANOW, &tio) == 0;
  if (!minimumTaken_)
    qCDebug(lcLink, "port %s: line settings refused: %s", qUtf8Printable(path),
            qUtf8Printable(systemText(errno)));
  ::ioctl(fd, TIOCEXCL);
  const int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIS, &lines);

  fd_ = fd;
  saved_ = std::move(saved);
  restoreSettings_ = true;
  minimum_ = kMostBytesToWaitFor;
  wakeAt_ = 0;
  idle_ = true;
  resting_ = false;
  pending_.clear();
  outgoing_.clear();
  readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(readNotifier_, &QSocketNotifier::activated, this, &QtSerialPort::onReadable);
  writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, &QtSerialPort::onWritable);
  openedName_ = name;
  lost_ = false;
  lostReason_.clear();
  return true;
}

bool QtSerialPort::isOpen() const {
  return fd_ >= 0;
}

void QtSerialPort::close() {
  if (fd_ < 0) return;
  // Possibly called from the notifier's own handler: it goes once the handler has returned.
  for (QSocketNotifier* n : {readNotifier_, writeNotifier_}) {
    if (!n) continue;
    n->setEnabled(false);
    n->deleteLater();
  }
  readNotifier_ = writeNotifier_ = nullptr;
  idleWatch_.stop();
  if (restoreSettings_ && saved_) ::tcsetattr(fd_, TCSANOW, &saved_->before);
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  saved_.reset();
  lock_.reset();
  deviceLock_.reset();
  pending_.clear();
  outgoing_.clear();
  wakeAt_ = 0;
  minimum_ = -1;
}

void QtSerialPort::write(const QByteArray& bytes) {
  if (fd_ < 0 || bytes.isEmpty()) return;
  if (!outgoing_.isEmpty()) {
    outgoing_ += bytes;  // behind what is still waiting, in order
    return;
  }
  // Out now rather than at the next event-loop turn: the meter's answer is timed from here.
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) {
      done += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      outgoing_ = bytes.mid(done);
      writeNotifier_->setEnabled(true);
      return;
    } else {
      fail(n < 0 ? errno : EIO);
      return;
    }
  }
}

void QtSerialPort::onWritable() {
  while (fd_ >= 0 && !outgoing_.isEmpty()) {
    const ssize_t n = ::write(fd_, outgoing_.constData(), size_t(outgoing_.size()));
    if (n > 0) {
      outgoing_.remove(0, n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      return;
    } else {
      fail(n < 0 ? errno : EIO);
      return;
    }
  }
  if (writeNotifier_) writeNotifier_->setEnabled(false);
}

bool QtSerialPort::drain() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      pending_.append(buffer, n);
      if (pending_.size() > kMaxPending) {
        qCDebug(lcLink, "port %s: %lld unread byte(s) dropped", qUtf8Printable(openedName_),
                static_cast<long long>(pending_.size() - kMaxPending));
        pending_.remove(0, pending_.size() - kMaxPending);
      }
      // A short read does not say the device is empty: the system hands a terminal's input
      // over in pieces of 64 bytes.
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n == 0) {
      // Nothing to read: with a minimum count of 0 (a device that refused the setting) that is
      // all it means; on a hung-up device the system refuses to say how much is waiting.
      int waiting = 0;
      if (::ioctl(fd_, FIONREAD, &waiting) == 0) return true;
      fail(errno);
      return false;
    }
    fail(errno);
    return false;
  }
}

QByteArray QtSerialPort::readAll() {
  if (fd_ < 0) return {};
  if (!drain()) return {};
  QByteArray out;
  out.swap(pending_);
  used();
  return out;
}

qint64 QtSerialPort::bytesWaiting() {
  if (fd_ < 0) return 0;
  int waiting = 0;
  // A device that has gone says so to the notifier; here it merely has nothing more.
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) waiting = 0;
  return pending_.size() + waiting;
}

void QtSerialPort::discardInput() {
  if (fd_ < 0) return;
  pending_.clear();
  // Clearing can be what reveals a vanished device, which closes the port.
  if (::tcflush(fd_, TCIFLUSH) != 0 && errno != EINTR) {
    fail(errno);
    return;
  }
  used();
}

void QtSerialPort::wakeWhenWaiting(qint64 bytes) {
  wakeAt_ = std::max<qint64>(0, bytes);
  resting_ = false;
  updateWatch();
}

bool QtSerialPort::hasWaiting(qint64 bytes) {
  if (fd_ < 0) return false;
  if (pending_.size() >= bytes) return true;
  // Watched for this very count, the system wakes the thread once it is in, and the notifier's
  // handler notes it before the thread sleeps again: until then nothing need be asked. With
  // eight meters that is hundreds of questions a second saved.
  if (wakeAt_ == bytes && minimumTaken_ && watching()) return false;
  return bytesWaiting() >= bytes;
}

void QtSerialPort::used() {
  idle_ = false;
  resting_ = false;
  idleWatch_.start();
  updateWatch();
}

bool QtSerialPort::watching() const {
  return readNotifier_ && readNotifier_->isEnabled();
}

void QtSerialPort::updateWatch() {
  if (fd_ < 0 || !readNotifier_) return;
  const bool on = (wakeAt_ > 0 || idle_) && !resting_;
  if (on) {
    const qint64 want = wakeAt_ > 0
                            ? std::clamp<qint64>(wakeAt_ - pending_.size(), 1, kMostBytesToWaitFor)
                            : kMostBytesToWaitFor;
    setMinimum(static_cast<int>(want));
  }
  if (readNotifier_->isEnabled() != on) readNotifier_->setEnabled(on);
}

void QtSerialPort::setMinimum(int bytes) {
  if (fd_ < 0 || !saved_ || bytes == minimum_) return;
  minimum_ = bytes;
  saved_->now.c_cc[VMIN] = static_cast<cc_t>(bytes);
  // Refused, the port wakes the thread as bytes come, as ports always did.
  minimumTaken_ = ::tcsetattr(fd_, TCSANOW, &saved_->now) == 0;
}

void QtSerialPort::onReadable() {
  ++wakeUps_;
  if (fd_ < 0) return;
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
    fail(errno);  // unplugged: the system answers nothing about a hung-up device
    return;
  }
  if (wakeAt_ > 0 && pending_.size() + waiting >= wakeAt_) {
    // What the waiter was woken for: it reads it itself.
    resting_ = true;
    updateWatch();
    return;
  }
  const qsizetype before = pending_.size();
  if (!drain()) return;
  // Woken with nothing to read and the device still there: a level that stays would wake
  // the thread for ever, so the watch rests until the port is used next.
  if (waiting == 0 && pending_.size() == before) resting_ = true;
  updateWatch();
}

void QtSerialPort::fail(int error) {
  ++errorSignals_;
  if (fd_ < 0) return;
  // The device has gone. Closed now, the link reopens the same name from its reconnection
  // loop; left open, every turn of the event loop would report it again.
  lostReason_ = error != 0 ? systemText(error) : QStringLiteral("the device went away");
  qCWarning(lcLink, "port %s lost: %s", qUtf8Printable(openedName_), qUtf8Printable(lostReason_));
  lost_ = true;
  restoreSettings_ = false;
  close();
  emit portLost(lostReason_);
}

}  // namespace lux
