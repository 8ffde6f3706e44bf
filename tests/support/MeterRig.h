#pragma once
// The one test rig: the program's objects around the in-process simulated meter on a fake
// clock, wired as the program wires them. One AppState holds every state (the link's too), the
// MeterLink talks through `port` (the simulated port, or a scripted one a test puts behind it),
// dialogs are scripted, the poll switch logs every flip, and `ctx` binds them for the installers.
// A stand-in panel widget is there when a test asks for one (windows are placed by it).
#include <QByteArray>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/SerialPort.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"

namespace lux::test {

// The poll switch as the windows see it. Every flip is logged; with `forward` set (the
// session's own switch) the flips also reach it.
class RecordingPoll : public PollControl {
 public:
  void setPollEnabled(bool enabled) override {
    enabled_ = enabled;
    history.push_back(enabled);
    ++changes;
    if (!enabled) ++pauses;
    if (forward) forward->setPollEnabled(enabled);
  }
  bool pollEnabled() const override { return forward ? forward->pollEnabled() : enabled_; }

  std::vector<bool> history;
  int changes = 0;
  int pauses = 0;  // flips to off
  PollControl* forward = nullptr;

 private:
  bool enabled_ = true;
};

// The line between the link and the far end (the simulated port unless a test routes it
// elsewhere). It passes everything through, except that chosen command letters never arrive (a
// meter that answers the handshake but never a particular request), and that stray bytes can be
// put on the line just ahead of the answer to a letter (a display frame caught in the middle).
class LinePort : public SerialPort {
 public:
  explicit LinePort(SerialPort& far) : far_(&far) {}
  // Talk to another far end from now on (a ScriptedPort).
  void routeTo(SerialPort& far) { far_ = &far; }

  std::set<char> unheard;
  // Bytes that arrive ahead of the answer to `noiseLetter`, for the next `noiseTimes` requests.
  char noiseLetter = 0;
  int noiseTimes = 0;
  QByteArray noise;
  // Sees every write after the far end got it.
  std::function<void(const QByteArray&)> onWrite;

  bool open(const QString& name, QString* reason) override { return far_->open(name, reason); }
  bool isOpen() const override { return far_->isOpen(); }
  void close() override { far_->close(); }
  void write(const QByteArray& bytes) override {
    if (bytes.size() == 1 && unheard.count(bytes[0])) return;
    if (bytes.size() == 1 && bytes[0] == noiseLetter && noiseTimes > 0) {
      --noiseTimes;
      pending_ = noise;
    }
    far_->write(bytes);
    if (onWrite) onWrite(bytes);
  }
  QByteArray readAll() override {
    QByteArray out = pending_ + far_->readAll();
    pending_.clear();
    return out;
  }
  qint64 bytesWaiting() override { return far_->bytesWaiting(); }
  void discardInput() override {
    pending_.clear();
    far_->discardInput();
  }

 private:
  SerialPort* far_;
  QByteArray pending_;
};

// A meter that holds its reading (no drift, no random overloads), as most tests want it.
inline sim::SimMeter::Options steadyMeter() {
  sim::SimMeter::Options o;
  o.drift = false;
  o.randomOverloads = false;
  return o;
}

struct RigOptions {
  sim::SimMeter::Options meter = steadyMeter();
  // Open the link on "sim" at once (the state then says the link is up).
  bool openLink = true;
  // Geometry of a stand-in panel widget named "Panel"; none when empty.
  QRect panel;
};

struct MeterRig {
  explicit MeterRig(const RigOptions& options = {})
      : meter(options.meter),
        panel(options.panel.isEmpty() ? nullptr : std::make_unique<QWidget>()),
        ctx(Context{link, state.display, dialogs, clock, poll, panel.get(), hooks, &session},
            state) {
    if (panel) {
      panel->setObjectName(QStringLiteral("Panel"));
      panel->setGeometry(options.panel);
    }
    state.link.portName = QStringLiteral("sim");
    if (options.openLink) {
      QString reason;
      openedAtStart = link.openLink(&reason);
    }
  }
  ~MeterRig() {
    // Windows belong to the panel; the context they point at goes after them.
    panel.reset();
  }
  MeterRig(const MeterRig&) = delete;
  MeterRig& operator=(const MeterRig&) = delete;

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

  FakeClock clock;  // starts on 2026-03-09 08:05:07
  sim::SimMeter meter;
  SimSerialPort simPort{meter, [this] { return clock.elapsed(); }};
  LinePort port{simPort};
  AppState state;
  // The meter's session as the program makes it, on the rig's state; its poll runs only when a
  // test starts it or ticks it by hand.
  MeterSession session{port, clock, state.link, state.display};
  MeterLink& link = session.link();
  // The session's own poll switch, for a test that forwards the logged one to it.
  SessionPoll sessionPoll{session};
  ScriptedDialogs dialogs;
  RecordingPoll poll;
  std::unique_ptr<QWidget> panel;
  Hooks hooks;
  AppContext ctx;
  bool openedAtStart = false;
};

}  // namespace lux::test
