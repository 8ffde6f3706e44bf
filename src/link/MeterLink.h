#pragma once
// The command channel to the meter: opening the port, the timed wait, the handshake that
// precedes every command, reconnection after silence, and the poll that collects display frames.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "link/Clock.h"
#include "link/Commands.h"
#include "link/SerialPort.h"

namespace lux {

// Link state shared with the windows that talk to the meter.
struct LinkState {
  int comPortNumber = 0;    // 1..16 once chosen; 0 = none
  QString portName;         // the device actually opened (/dev/ttyS0, /dev/ttyUSB0, a pty...)
  int pollCount = 0;        // poll ticks modulo 15; 0 = next tick handshakes and sends "M"
  float loggerAddress = 0;  // fill address from the last handshake; 1279 = empty memory
  bool linkUp = false;      // false while reconnectMeter waits ("No COM")
};

// Thrown out of any wait when the program is closing, so that a loop that waits for the meter
// without limit (the handshake, the reconnection) lets the program end. Caught at tick and
// command boundaries.
struct LinkAborted {};

class MeterLink : public QObject {
  Q_OBJECT
 public:
  MeterLink(SerialPort& port, Clock& clock, LinkState& state, QObject* parent = nullptr);

  // Opens state.portName at 19200,n,8,1. On failure returns false with the system's reason.
  bool openLink(QString* reason);
  // Returns after `seconds` while window events keep running.
  void waitSeconds(double seconds);
  // Returns when the meter has answered "A" validly; stores loggerAddress.
  void meterHandshake();
  // Returns when the meter sends again; the caption shows "No COM" meanwhile.
  void reconnectMeter();

  // One command letter as a one-byte write.
  void send(Command letter);
  // A payload as one write of raw bytes.
  void sendBytes(const QByteArray& data);
  // Handshake, the letter, and, when `data` is not empty, a 0.05 s wait and the data.
  void transact(Command letter, const QByteArray& data = {});
  QByteArray readAll();
  void discardInput();

  // One poll tick: handshake and "M" when pollCount is 0, collect one well-framed 14-byte
  // frame, hand it to `onFrame` (which decodes and refreshes, and returns true for a banner
  // frame), count the tick. Falls into reconnectMeter after six silent collection windows.
  void pollTick(const std::function<bool(const QByteArray& frame)>& onFrame);

  // Makes every running and future wait throw LinkAborted (the program is closing).
  void abort();
  bool aborted() const { return aborted_; }

  SerialPort& port() { return port_; }
  Clock& clock() { return clock_; }
  LinkState& state() { return state_; }

  // "COM3" while the link is up, "No COM" while it waits for the meter. A port typed as a
  // device path (no COM number) shows that path while up.
  QString portCaption() const;

  // Bounds of the waits on the meter.
  static constexpr int kHandshakeAttempts = 1000;   // silent "A" attempts before reconnecting
  static constexpr int kCollectionRetries = 5;      // extra 2 s windows after the first
  static constexpr double kCollectionWindow = 2.0;  // seconds per collection window
  static constexpr double kStep = 0.02;             // one read step
  static constexpr double kDataDelay = 0.05;        // letter to data bytes
  static constexpr double kReopenPeriod = 0.2;      // reopening a vanished port
  static constexpr double kStreamPeriod = 0.2;      // "M" while waiting for the meter to send
  // Misframed frames dropped in one tick before the line counts as dead (a line of noise
  // must not hold the tick for ever).
  static constexpr int kMisframedPerTick = 600;

 signals:
  void portCaptionChanged(const QString& caption);

 private:
  SerialPort& port_;
  Clock& clock_;
  LinkState& state_;
  // One handshake attempt: discard, "A", 0.02 s, read what came.
  QByteArray handshakeAttempt();
  // Reopens the port by its name when the device vanished under it; true when open.
  bool ensurePortOpen();
  void setLinkUp(bool up);

  bool aborted_ = false;
};

}  // namespace lux
