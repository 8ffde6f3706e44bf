#pragma once
// The meter as a command-line program meets it: the meter's session on a port opened by name
// (or on the simulated meter on a pseudo-terminal of our own), and exchanges that each give up
// after a bound a person at a terminal or a script can live with, instead of waiting for the
// meter for ever. Readings come from the session's own poll, as in the panel.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "link/Clock.h"
#include "link/Commands.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/SerialPort.h"

namespace lux::sim {
class PtyServer;
}

namespace lux::cli {

// Seconds a command waits for the meter to answer before it says so and ends.
inline constexpr double kAnswerBound = 3.0;

// The banner the meter shows instead of its reading ("SET UP", "CLEAR", "RS232"), or empty.
QString bannerName(const DisplayState& d);

// The clock every wait of the session goes through, with a bound on top: once the bound is
// reached, the next wait calls `onExpiry` (which ends the run or throws out of the wait). The
// bound is counted on the clock's monotonic time, which a PC clock set back (or midnight)
// cannot stretch.
class BoundedClock : public Clock {
 public:
  explicit BoundedClock(Clock& inner) : inner_(inner) {}
  double secondsSinceMidnight() override { return inner_.secondsSinceMidnight(); }
  double monotonicSeconds() override { return inner_.monotonicSeconds(); }
  QDateTime localDateTime() override { return inner_.localDateTime(); }
  QDateTime preciseLocalDateTime() override { return inner_.preciseLocalDateTime(); }
  void idle(double seconds) override;
  // The inner clock's wait, ended at the bound so that it is kept as closely as with idle().
  void idleUntil(double seconds, double step, const std::function<bool()>& woken) override;

  // From now, `seconds` until `onExpiry`.
  void arm(double seconds, std::function<void()> onExpiry);
  // Moves the bound `seconds` on from now (a sign of the meter came).
  void extend(double seconds);
  void disarm() { onExpiry_ = nullptr; }

 private:
  Clock& inner_;
  double deadline_ = 0;
  std::function<void()> onExpiry_;
};

class CliMeter {
 public:
  CliMeter(SerialPort& port, Clock& clock);
  ~CliMeter();

  // Opens `device` at 19200,n,8,1; false with the system's reason when it cannot be opened.
  bool open(const QString& device, int comPortNumber, QString* reason);
  // Starts the simulated meter on a pseudo-terminal in this process and opens it.
  bool openSimulated(QString* reason);

  MeterSession& session() { return session_; }
  MeterLink& link() { return session_.link(); }
  LinkState& linkState() { return session_.linkState(); }
  const DisplayState& display() const { return session_.display(); }
  Clock& clock() { return clock_; }
  BoundedClock& bound() { return bounded_; }

  // The handshake, given up after `bound` seconds of silence or wrong answers. Stores and
  // returns the logger fill address.
  std::optional<std::uint32_t> handshake(double bound = kAnswerBound);
  // Runs the session's poll until it decodes a whole reading (a banner frame does not count:
  // it carries no reading). False when none came within `bound` seconds.
  bool readDisplay(double bound = kAnswerBound);
  // What the meter showed instead of a reading when readDisplay() found none but banner frames
  // ("SET UP", "CLEAR", "RS232"); empty when it sent a reading or nothing at all.
  const QString& bannerInstead() const { return bannerInstead_; }
  // Handshake, `letter`, then reads until `length` bytes framed 02 .. 03 arrived; the request is
  // repeated while the bound lasts, as the meter may drop a letter.
  std::optional<QByteArray> request(Command letter, std::size_t length,
                                    double bound = kAnswerBound);

 private:
  SerialPort& port_;
  Clock& clock_;
  BoundedClock bounded_;
  MeterSession session_;
  std::unique_ptr<sim::PtyServer> simulator_;
  QString bannerInstead_;
};

}  // namespace lux::cli
