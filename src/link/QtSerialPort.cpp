#include "link/QtSerialPort.h"

#include "link/Logging.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

namespace lux {

namespace {

struct PortTexts {
  Q_DECLARE_TR_FUNCTIONS(QtSerialPort)
};

// Qt reports a lock file held by another program, a device opened exclusively (EBUSY) and a
// device the user may not open (EACCES) all as a permission error. Only the last one is
// mended by joining the device's group, so the system is asked which of them it is.
QString refusalReason(const QString& name) {
  const QString path = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
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

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::open(const QString& name, QString* reason) {
  if (port_.isOpen()) {
    if (openedName_ == name) return true;
    port_.close();
  }
  port_.setPortName(name);
  if (!port_.open(QIODevice::ReadWrite)) {
    if (reason) {
      const QString detail = port_.errorString();
      QString why;
      switch (port_.error()) {
        case QSerialPort::DeviceNotFoundError:
          why = PortTexts::tr("no such device");

          break;
        case QSerialPort::PermissionError:
          // Said in full: Qt's own text ("Permission error while locking the device") would
          // send a user with a busy port off to change permissions.
          why = refusalReason(name);
          break;
        default:
          why = detail;
      }
      const bool ownText = port_.error() == QSerialPort::PermissionError;
      *reason = ownText || detail.isEmpty() || detail == why
                    ? why
                    : why + QStringLiteral(" (") + detail + ")";
    }
    port_.clearError();
    return false;
  }
  // 19200,n,8,1 without flow control. A pseudo-terminal or some adapters refuse parts of this
  // (parity, modem lines); the line still works, so none of it is fatal.
  port_.setBaudRate(QSerialPort::Baud19200);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setDataTerminalReady(true);
  port_.setRequestToSend(true);
  port_.clearError();
  openedName_ = name;
  lost_ = false;
  lostReason_.clear();
  return true;
}

bool QtSerialPort::isOpen() const {
  return port_.isOpen();
}

void QtSerialPort::close() {
  if (port_.isOpen()) port_.close();
}

void QtSerialPort::write(const QByteArray& bytes) {
  if (!port_.isOpen() || bytes.isEmpty()) return;
  port_.write(bytes);
  // Out now rather than at the next event-loop turn: the meter's answer is timed from here.
  if (port_.isOpen()) port_.flush();
}

QByteArray QtSerialPort::readAll() {
  if (!port_.isOpen()) return {};
  return port_.readAll();
}

qint64 QtSerialPort::bytesWaiting() {
  return port_.isOpen() ? port_.bytesAvailable() : 0;
}

void QtSerialPort::discardInput() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::Input);
  // Clearing can be what reveals a vanished device, which closes the port.
  if (port_.isOpen()) port_.readAll();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
  if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
  ++errorSignals_;
  // The device has gone. Left open, the port reports this error in a busy loop and takes a
  // whole core; closed now, the link reopens the same name from its reconnection loop.
  if (!port_.isOpen()) return;
  lostReason_ = port_.errorString();
  qCWarning(lcLink, "port %s lost: %s", qUtf8Printable(openedName_), qUtf8Printable(lostReason_));
  lost_ = true;
  port_.close();
  port_.clearError();
  emit portLost(lostReason_);
}

}  // namespace lux
