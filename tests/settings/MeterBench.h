#pragma once
// A program context around the in-process simulated meter on a fake clock, with scripted
// dialogs and a poll switch that records how it was flipped.
#include <QByteArray>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/Context.h"
#include "sim/SimMeter.h"
#include "sim/SimSerialPort.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"

namespace lux::test {

class RecordingPoll : public PollControl {
 public:
  void setPollEnabled(bool enabled) override {
    enabled_ = enabled;
    history.push_back(enabled);
  }
  bool pollEnabled() const override { return enabled_; }
  std::vector<bool> history;

 private:
  bool enabled_ = true;
};

// The simulated port, except that chosen command letters never reach the meter (a meter that
// answers the handshake but never a particular request), and that stray bytes can be put on the
// line just ahead of the answer to a letter (a display frame caught in the middle).
class DeafPort : public SerialPort {
 public:
  explicit DeafPort(sim::SimSerialPort& inner) : inner_(inner) {}
  std::set<char> unheard;
  // Bytes that arrive ahead of the answer to `noiseLetter`, for the next `noiseTimes` requests.
  char noiseLetter = 0;
  int noiseTimes = 0;
  QByteArray noise;
  // Sees every write after the meter got it.
  std::function<void(const QByteArray&)> onWrite;

  bool open(const QString& name, QString* reason) override { return inner_.open(name, reason); }
  bool isOpen() const override { return inner_.isOpen(); }
  void close() override { inner_.close(); }
  void write(const QByteArray& bytes) override {
    if (bytes.size() == 1 && unheard.count(bytes[0])) return;
    if (bytes.size() == 1 && bytes[0] == noiseLetter && noiseTimes > 0) {
      --noiseTimes;
      pending_ = noise;
    }
    inner_.write(bytes);
    if (onWrite) onWrite(bytes);
  }
  QByteArray readAll() override {
    QByteArray out = pending_ + inner_.readAll();
    pending_.clear();
    return out;
  }
  qint64 bytesWaiting() override { return inner_.bytesWaiting(); }
  void discardInput() override {
    pending_.clear();
    inner_.discardInput();
  }

 private:
  sim::SimSerialPort& inner_;
  QByteArray pending_;
};

inline sim::SimMeter::Options steadyMeter() {
  sim::SimMeter::Options o;
  o.drift = false;
  o.randomOverloads = false;
  return o;
}

struct MeterBench {
  FakeClock clock;
  sim::SimMeter meter{steadyMeter()};
  sim::SimSerialPort simPort{meter, [this] { return clock.elapsed(); }};
  DeafPort port{simPort};
  AppState state;
  MeterLink link{port, clock, state.link};
  ScriptedDialogs dialogs;
  RecordingPoll poll;
  Context ctx{state, link, dialogs, clock, poll, nullptr, {}};

  MeterBench() {
    state.link.portName = QStringLiteral("sim");
    QString reason;
    port.open(state.link.portName, &reason);
    state.link.linkUp = true;
  }

  // Commands the meter took (letters, with their payloads), from this point on.
  void forget() { meter.clearReceived(); }
  std::string letters() const { return meter.receivedLetters(); }
  // The payload that came with the last `letter`, or nothing when the letter never came.
  std::optional<std::string> payloadOf(char letter) const {
    std::optional<std::string> found;
    for (const auto& r : meter.received())
      if (r.letter == letter) found = r.payload;
    return found;
  }
};

inline std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

// Letters without the handshakes between them: "AHAZAI" -> "HZI".
inline std::string withoutHandshakes(const std::string& letters) {
  std::string out;
  for (char c : letters)
    if (c != 'A') out.push_back(c);
  return out;
}

}  // namespace lux::test
