#pragma once
// The meter as a command-line program meets it: a port opened by name (or the simulated meter
// on a pseudo-terminal of our own), and exchanges that each give up after a bound a person at a
// terminal or a script can live with, instead of waiting for the meter for ever.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/Clock.h"
#include "link/Commands.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"

namespace lux::sim {
class PtyServer;
}

namespace lux::cli {

// Seconds a command waits for the meter to answer before it says so and ends.
inline constexpr double kAnswerBound = 3.0;

// The banner the meter shows instead of its reading ("SET UP", "CLEAR", "RS232"), or empty.
QString bannerName(const DisplayState& d);

class MeterSession {
 public:
  MeterSession(SerialPort& port, Clock& clock);
  ~MeterSession();

  // Opens `device` at 19200,n,8,1; false with the system's reason when it cannot be opened.
  bool open(const QString& device, int comPortNumber, QString* reason);
  // Starts the simulated meter on a pseudo-terminal in this process and opens it.
  bool openSimulated(QString* reason);

  MeterLink& link() { return link_; }
  LinkState& linkState() { return linkState_; }
  DisplayState& display() { return display_; }
  Clock& clock() { return clock_; }

  // The handshake, given up after `bound` seconds of silence or wrong answers. Stores and
  // returns the logger fill address.
  std::optional<std::uint32_t> handshake(double bound = kAnswerBound);
  // Asks for the display stream and decodes the first whole reading (a banner frame does not
  // count: it carries no reading). False when none came within `bound` seconds.
  bool readDisplay(double bound = kAnswerBound);
  // What the meter showed instead of a reading when readDisplay() found none but banner frames
  // ("SET UP", "CLEAR", "RS232"); empty when it sent a reading or nothing at all.
  const QString& bannerInstead() const { return bannerInstead_; }
  // Handshake, `letter`, then reads until `length` bytes framed 02 .. 03 arrived; the request is
  // repeated while the bound lasts, as the meter may drop a letter.
  std::optional<QByteArray> request(Command letter, std::size_t length,
                                    double bound = kAnswerBound);

  // The meter's answer wait: the bound is counted in time asked of the clock, which a PC clock
  // set back (or midnight) cannot stretch.
  class Budget {
   public:
    explicit Budget(double seconds) : left_(seconds) {}
    bool spent() const { return left_ <= 0; }
    void take(double seconds) { left_ -= seconds; }

   private:
    double left_;
  };

 private:
  // Waits `seconds` and charges them to `budget`.
  void wait(Budget& budget, double seconds);

  SerialPort& port_;
  Clock& clock_;
  LinkState linkState_;
  DisplayState display_;
  MeterLink link_;
  std::unique_ptr<sim::PtyServer> simulator_;
  QString bannerInstead_;
};

}  // namespace lux::cli
