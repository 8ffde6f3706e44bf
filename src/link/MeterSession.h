#pragma once
// One meter, as every consumer of its readings shares it: the port, the command channel, the
// 250 ms poll, the decoder, the display state the decoder keeps, the rule that tells a fresh
// reading from an old one, and whether the meter is silent or the link is down. It has no window:
// the panel paints what it emits, the recording samples it, luxpanel-cli streams it, and a
// program may run several of them side by side, one per meter.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/Clock.h"
#include "link/DisplayState.h"
#include "link/Fiber.h"
#include "link/MeterLink.h"
#include "link/Reading.h"
#include "link/SerialPort.h"
#include "link/TickGuard.h"

namespace lux {

class MeterSession : public QObject {
  Q_OBJECT
 public:
  // The session keeps its own link and display state.
  MeterSession(SerialPort& port, Clock& clock, QObject* parent = nullptr);
  // The session works on link and display state that someone else holds (the program's state,
  // which its windows read).
  MeterSession(SerialPort& port, Clock& clock, LinkState& linkState, DisplayState& display,
               QObject* parent = nullptr);
  ~MeterSession() override;

  // Opens `device` (or the port of COM `comPortNumber` when `device` is empty) at 19200,n,8,1.
  // False with the system's reason when it cannot be opened.
  bool open(const QString& device, int comPortNumber, QString* reason);
  // Opens the port the link state already names.
  bool openLink(QString* reason);

  // Starts the 250 ms poll (the timer named "Timer1"). While more than one session lives on
  // this thread, each tick of the poll runs on a stack of the session's own and gives the
  // thread back at every wait, so that one meter's waits never hold up another's ticks.
  void start();
  // Ends the poll for good: no tick runs after this and a window's pause cannot restart it.
  void stop();

  // One poll tick: the handshake and "M" when due, one frame collected and decoded, the
  // reconnection when the meter stays away. A tick that falls due inside its own wait is
  // skipped; a failure ends that tick only.
  void pollTick();

  // Switches the poll timer off and on for the windows that talk to the meter themselves.
  void setPollEnabled(bool enabled);
  bool pollEnabled() const;
  // One tick as soon as the event loop is back, when the poll is on.
  void pollSoon();

  MeterLink& link() { return link_; }
  LinkState& linkState() { return linkState_; }
  const DisplayState& display() const { return display_; }
  QTimer* pollTimer() const { return pollTimer_; }

  // The poll has listened for four seconds of its own waits without a single frame.
  bool silent() const { return linkState_.meterSilent; }
  // False while the link waits for a meter that does not answer ("No COM").
  bool connected() const { return linkState_.linkUp; }
  // The last reading decoded, if any.
  std::optional<Reading> latest() const { return latest_; }
  // Well-framed frames handed to the decoder (banners and frames that stopped decoding early
  // included); the fresh readings among them are display().framesDecoded.
  std::uint64_t framesReceived() const { return framesReceived_; }

 signals:
  // A frame brought a whole reading (one signal per decoded frame).
  void readingDecoded(const lux::Reading& reading);
  // The meter went silent (true) or was heard again (false).
  void silenceChanged(bool silent);
  // The link went down ("No COM", false) or came up (true); said again when the link says so.
  void linkChanged(bool connected);
  // A frame showed SET UP, CLEAr or rs232: the flags changed, the reading stayed as it was.
  void bannerShown();
  // The poll is about to start (what samples the readings starts its own clock first), or has
  // stopped for good.
  void starting();
  void stopped();

 private:
  void wire();
  // A tick of the poll timer (or one asked for by pollSoon): aside on the session's own stack
  // while other sessions share the thread, in place otherwise.
  void timerTick();
  // Decodes one framed frame; true for a banner, which must not count as a poll period.
  bool takeFrame(const QByteArray& frame);

  LinkState ownLinkState_;
  DisplayState ownDisplay_;
  LinkState& linkState_;
  DisplayState& display_;
  Clock& clock_;
  MeterLink link_;
  QTimer* pollTimer_ = nullptr;
  TickGuard pollGuard_;
  std::unique_ptr<Fiber> fiber_;
  bool stopped_ = false;
  std::uint64_t framesReceived_ = 0;
  std::optional<Reading> latest_;
};

}  // namespace lux
