#pragma once
// A serial port whose far end is scripted by the test: bytes become readable at chosen moments
// of the fake clock, and a callback plays the meter's reaction to each write. Everything the
// program does on the line is logged with its time.
#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "support/FakeClock.h"

namespace lux::test {

class ScriptedPort : public SerialPort {
 public:
  struct Event {
    enum Kind { Write, Read, Discard, Open, OpenFailed, Close } kind;
    double at;
    QByteArray bytes;
  };

  explicit ScriptedPort(FakeClock& clock) : clock_(clock) {}

  // The meter's reaction to a write (called after it is logged).
  std::function<void(const QByteArray& written, double now)> onWrite;
  // Bytes the far end has sent by `now` since the last call (a stream, noise on the line).
  std::function<QByteArray(double now)> source;
  // While false, opening fails as a vanished adapter does.
  bool deviceThere = true;

  double now() const { return clock_.elapsed(); }

  void deliverAt(double at, const QByteArray& bytes) { pending_.push_back({at, bytes}); }
  void deliverIn(double delay, const QByteArray& bytes) { deliverAt(now() + delay, bytes); }

  // The device vanishes under the open port: it closes itself, and reopening fails until
  // deviceThere is set again.
  void vanish() {
    open_ = false;
    deviceThere = false;
    pending_.clear();
    input_.clear();
    log_.push_back({Event::Close, now(), {}});
  }

  bool open(const QString& name, QString* reason) override {
    if (!deviceThere) {
      log_.push_back({Event::OpenFailed, now(), {}});
      if (reason) *reason = QStringLiteral("no such device");
      return false;
    }
    openedName = name;
    open_ = true;
    log_.push_back({Event::Open, now(), {}});
    return true;
  }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void write(const QByteArray& bytes) override {
    if (!open_) return;
    log_.push_back({Event::Write, now(), bytes});
    if (onWrite) onWrite(bytes, now());
  }
  QByteArray readAll() override {
    if (!open_) return {};
    pull();
    QByteArray out;
    out.swap(input_);
    if (!out.isEmpty()) log_.push_back({Event::Read, now(), out});
    return out;
  }
  qint64 bytesWaiting() override {
    if (!open_) return 0;
    pull();
    return input_.size();
  }
  void discardInput() override {
    pull();
    input_.clear();
    log_.push_back({Event::Discard, now(), {}});
  }

  const std::vector<Event>& log() const { return log_; }
  // The letters and bytes written, in order, as one string.
  std::string writtenText() const {
    std::string s;
    for (const auto& e : log_)
      if (e.kind == Event::Write) s += e.bytes.toStdString();
    return s;
  }
  std::vector<double> timesOf(Event::Kind kind, char letter = 0) const {
    std::vector<double> t;
    for (const auto& e : log_)
      if (e.kind == kind && (letter == 0 || (e.bytes.size() == 1 && e.bytes[0] == letter)))
        t.push_back(e.at);
    return t;
  }
  void clearLog() { log_.clear(); }

  QString openedName;

 private:
  struct Pending {
    double at;
    QByteArray bytes;
  };
  void pull() {
    // Bytes are due in time order; the line never reorders them.
    while (!pending_.empty() && pending_.front().at <= now()) {
      input_ += pending_.front().bytes;
      pending_.pop_front();
    }
    if (source) input_ += source(now());
  }

  FakeClock& clock_;
  std::deque<Pending> pending_;
  QByteArray input_;
  std::vector<Event> log_;
  bool open_ = false;
};

}  // namespace lux::test
