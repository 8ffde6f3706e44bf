#pragma once
// The meter's serial line on a real port (an RS-232 port, a USB adapter, a pseudo-terminal).
#include <QObject>
#include <QSerialPort>

#include "link/SerialPort.h"

namespace lux {

class QtSerialPort : public QObject, public SerialPort {
  Q_OBJECT
 public:
  explicit QtSerialPort(QObject* parent = nullptr);
  ~QtSerialPort() override;

  bool open(const QString& name, QString* reason) override;
  bool isOpen() const override;
  void close() override;
  void write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  qint64 bytesWaiting() override;
  void discardInput() override;

  // True once the device vanished under an open port (adapter unplugged, pty master closed);
  // the port was closed at that moment. Cleared by the next successful open.
  bool lost() const { return lost_; }
  QString lostReason() const { return lostReason_; }
  // Read and resource errors seen since construction (tells a spinning error loop from a
  // quiet one).
  int errorSignals() const { return errorSignals_; }

 signals:
  // The device vanished and the port was closed.
  void portLost(const QString& reason);

 private:
  void onError(QSerialPort::SerialPortError error);

  QSerialPort port_;
  QString openedName_;
  bool lost_ = false;
  QString lostReason_;
  int errorSignals_ = 0;
};

}  // namespace lux
