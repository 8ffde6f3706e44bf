#pragma once
// The short exchanges the setting windows and the toolbar's parameter inputs run with the meter,
// each with a bound: a meter that is switched off or unplugged ends the command with a message
// after a few seconds instead of holding the user in a loop that never ends.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include "link/Commands.h"
#include "settings/SettingsPayloads.h"

namespace lux {

struct Context;
class Clock;
class PollControl;

// How long one exchange keeps asking a meter that does not answer before it gives up. The meter
// answers within a few hundredths of a second, and a poll tick that runs inside the exchange's
// waits (the parameter inputs leave the poll running) takes most of a second at worst while
// the meter streams, so three seconds never cut off a meter that is there.
constexpr double kMeterAnswerBoundSeconds = 3.0;

// Shown when the meter did not answer within the bound.
QString meterSilentMessage();

// Time since construction on the program's clock, across midnight.
class ExchangeTimer {
 public:
  explicit ExchangeTimer(Clock& clock, double limitSeconds = kMeterAnswerBoundSeconds);
  double elapsed() const;
  bool expired() const { return elapsed() >= limit_; }

 private:
  Clock& clock_;
  double start_;
  double limit_;
};

// Runs while the exchange is still wanted; false ends it early (its window was closed).
using StillWanted = std::function<bool()>;

// Handshake attempts ("A", 0.02 s, read) until a valid answer or the timer expires. Stores the
// answer's fill address in loggerAddress. False when the meter did not answer.
bool handshakeWithin(Context& ctx, const ExchangeTimer& timer, const StillWanted& wanted = {});

// Handshake, the letter, and, for a payload, a 0.05 s wait and the payload in one write.
// False (nothing sent) when the meter did not answer the handshake within the bound. For a
// letter with data the panel's poll is held off from the handshake to the data: a poll tick
// falling due in the wait would put its own "A" and "M" between the letter and its bytes, and
// the meter would store them as the hold time, distance or limits.
bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload = {});

// Handshake, "H" and 0.2 s: the meter leaves any setting mode and shows its normal display
// before a setting is read or changed. False when the meter did not answer.
bool backToNormalDisplay(Context& ctx);

// The settings block: repeat { handshake; "Z"; 0.05 s; read } until a well-framed 9-byte block
// arrives. Nothing when the meter gave none within the bound.
std::optional<SettingsBlock> requestSettingsBlock(Context& ctx);

// The meter clock reply: repeat { discard; handshake; "Y"; 0.02 s; read } until a well-framed
// 8-byte reply arrives. Nothing when none came within the bound or `wanted` said stop.
std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted = {});

// Switches the panel's poll off for the life of this object and then back to what it was, so
// that an exchange started while another one had the poll off does not switch it on under it.
class PollPause {
 public:
  explicit PollPause(PollControl& poll);
  ~PollPause();
  PollPause(const PollPause&) = delete;
  PollPause& operator=(const PollPause&) = delete;

 private:
  PollControl& poll_;
  bool wasEnabled_;
};

// Runs a click handler that talks to the meter: one such exchange at a time in the whole
// program (a click that lands inside another exchange's waits is ignored rather than mixing two
// conversations on the line, where one's letters would fall between the other's letter and its
// data), and the program closing or a failure ends the handler quietly instead of leaving the
// event loop by an exception.
class ExchangeGuard {
 public:
  bool run(Context& ctx, const std::function<void()>& handler);
  // This guard's handler is running.
  bool busy() const { return busy_; }

 private:
  bool busy_ = false;
};

// True while a setting exchange (toolbar input, comparator, clock, keypad) talks to the meter.
bool settingExchangeRunning(Context& ctx);

}  // namespace lux
