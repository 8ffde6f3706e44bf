#include "support/SimSerialPort.h"

#include <string>

namespace lux::test {

SimSerialPort::SimSerialPort(sim::SimMeter& meter, std::function<double()> now)
    : meter_(meter), now_(std::move(now)) {}

bool SimSerialPort::open(const QString& name, QString* reason) {
  if (unplugged_) {
    ++openFailures_;
    if (reason) *reason = QStringLiteral("No such file or directory");
    return false;
  }
  if (open_) {
    if (reason) *reason = QStringLiteral("Device or resource busy");
    ++openFailures_;
    return false;
  }
  name_ = name;
  open_ = true;
  (void)meter_.output(now_());  // what the meter sent while nobody listened is gone
  ++openCount_;
  input_.clear();
  return true;
}

void SimSerialPort::close() {
  open_ = false;
  input_.clear();
}

void SimSerialPort::write(const QByteArray& bytes) {
  if (!open_ || unplugged_) return;
  written_.append(bytes);
  meter_.receive(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                 now_());
}

void SimSerialPort::pull() {
  if (!open_ || unplugged_) return;
  std::string got = meter_.output(now_());
  if (!got.empty()) input_.append(got.data(), static_cast<qsizetype>(got.size()));
}

QByteArray SimSerialPort::readAll() {
  pull();
  QByteArray all;
  all.swap(input_);
  return all;
}

qint64 SimSerialPort::bytesWaiting() {
  pull();
  return input_.size();
}

void SimSerialPort::discardInput() {
  pull();
  input_.clear();
}

void SimSerialPort::unplug() {
  unplugged_ = true;
  // What the meter sends meanwhile is lost on the floor, as with a pulled cable.
  close();
}

void SimSerialPort::replug() {
  unplugged_ = false;
  (void)meter_.output(now_());  // bytes sent into the void while the adapter was out
}

}  // namespace lux::test
