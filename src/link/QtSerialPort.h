#pragma once
// The meter's serial line on a real port (an RS-232 port, a USB adapter, a pseudo-terminal),
// driven from the thread's Qt event loop.
//
// The port reads the device only when asked to: a meter streams ten frames a second whether
// anybody listens or not, and taking each few bytes in as they came woke the thread dozens of
// times a second for nothing. While somebody waits for a frame, the terminal's own
// minimum-count setting makes the system wake the thread once the frame is whole
// (wakeWhenWaiting), or when the device goes away. A port nobody reads for a second is watched
// again, for the device going away and for input piling up.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "link/SerialPort.h"

class QLockFile;
class QSocketNotifier;

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
  void wakeWhenWaiting(qint64 bytes) override;
  bool hasWaiting(qint64 bytes) override;

  // True once the device vanished under an open port (adapter unplugged, pty master closed);
  // the port was closed at that moment. Cleared by the next successful open.
  bool lost() const { return lost_; }
  QString lostReason() const { return lostReason_; }
  // Read and resource errors seen since construction (tells a spinning error loop from a
  // quiet one).
  int errorSignals() const { return errorSignals_; }
  // Times the thread was woken by the device since construction: a support figure, and what
  // the benchmarks count.
  int wakeUps() const { return wakeUps_; }
  // Whether the device can wake the thread at all just now.
  bool watching() const;

 signals:
  // The device vanished and the port was closed.
  void portLost(const QString& reason);

 private:
  void onReadable();
  void onWritable();
  // Reads what the system holds into `pending_`; false once the device has gone.
  bool drain();
  void setMinimum(int bytes);
  // Whether the device wakes the thread: while somebody waits for bytes, or once the port has
  // been left alone for a while.
  void updateWatch();
  void used();
  void fail(int error);

  int fd_ = -1;
  QString openedName_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLockFile> deviceLock_;  // when the name is a link to the device
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
  QByteArray pending_;   // read from the device, not yet handed out
  QByteArray outgoing_;  // what the device did not take at once
  qint64 wakeAt_ = 0;
  bool idle_ = false;     // not read for a while: watched for the device going away
  bool resting_ = false;  // woken for what the waiter wanted, or for nothing: until next use
  QTimer idleWatch_;
  int minimum_ = -1;           // the terminal's minimum count as last set
  bool minimumTaken_ = false;  // whether the terminal took it
  bool restoreSettings_ = false;
  struct Saved;
  std::unique_ptr<Saved> saved_;
  bool lost_ = false;
  QString lostReason_;
  int errorSignals_ = 0;
  int wakeUps_ = 0;
};

}  // namespace lux
