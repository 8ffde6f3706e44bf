#pragma once
// The simulated meter behind the program's SerialPort interface, in the same process: what the
// program writes goes to the meter at the time `now()` says, reads take what the meter has sent
// by then. Tests pass the fake clock's elapsed time, so minutes of meter time run in
// milliseconds. unplug()/replug() play a USB adapter pulled out and plugged back in.
#include <QByteArray>
#include <QString>
#include <functional>

#include "link/SerialPort.h"
#include "sim/SimMeter.h"

namespace lux::test {

class SimSerialPort : public lux::SerialPort {
 public:
  SimSerialPort(sim::SimMeter& meter, std::function<double()> now);

  bool open(const QString& name, QString* reason) override;
  bool isOpen() const override { return open_; }
  void close() override;
  void write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  qint64 bytesWaiting() override;
  void discardInput() override;

  // The adapter vanishes: the open port closes itself (as the Qt port does on a read error),
  // opening fails with a reason, nothing is read or written until replug().
  void unplug();
  void replug();
  bool unplugged() const { return unplugged_; }

  sim::SimMeter& meter() { return meter_; }
  QString openedName() const { return name_; }
  int openCount() const { return openCount_; }
  int openFailures() const { return openFailures_; }
  // Every byte the program wrote while the port was open, in order.
  const QByteArray& written() const { return written_; }

 private:
  void pull();

  sim::SimMeter& meter_;
  std::function<double()> now_;
  QByteArray input_;
  QByteArray written_;
  QString name_;
  bool open_ = false;
  bool unplugged_ = false;
  int openCount_ = 0;
  int openFailures_ = 0;
};

}  // namespace lux::test
