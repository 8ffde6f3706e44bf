#pragma once
// The command channel to the meter: opening the port, the timed wait, the handshake that
// precedes every command, reconnection after silence, and the poll that collects display frames.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "link/Clock.h"
#include "link/Commands.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"

namespace lux {

// Link state shared with the windows that talk to the meter.
struct LinkState {
  int comPortNumber = 0;    // 1..16 once chosen; 0 = none
  QString portName;         // the device actually opened (/dev/ttyS0, /dev/ttyUSB0, a pty...)
  int pollCount = 0;        // poll ticks modulo 15; 0 = next tick handshakes and sends "M"
  float loggerAddress = 0;  // fill address from the last handshake; 1279 = empty memory
  bool linkUp = false;      // false while reconnectMeter waits ("No COM")
  // The poll has listened for MeterLink::kSilenceNotice seconds without a single frame. Commands
  // then make one handshake attempt instead of asking for seconds; the next frame clears it.
  bool meterSilent = false;
};

// Thrown out of any wait when the program is closing, so that a loop that waits for the meter
// without limit (the handshake, the reconnection) lets the program end. Caught at tick and
// command boundaries.
struct LinkAborted {};

// Runs while an exchange is still wanted; false ends it early (its window was closed).
using StillWanted = std::function<bool()>;
// True when what was read so far is the whole answer.
using ReplyComplete = std::function<bool(const QByteArray& reply)>;

// Who has the line: nobody, the running poll tick, or a command (a toolbar or window exchange, a
// logger download). One conversation at a time: the meter's answers go to whoever asked.
enum class LineUser { None, Poll, Command };

class MeterLink;

// Takes the line for a command for its own lifetime, when nobody has it; `owns()` says whether
// it did. While a command has the line a poll tick does nothing; when it lets go after writing
// to the meter, the poll restarts the display stream at once (handshake and "M").
class LineHold {
 public:
  explicit LineHold(MeterLink& link);
  ~LineHold();
  LineHold(const LineHold&) = delete;
  LineHold& operator=(const LineHold&) = delete;
  bool owns() const { return owns_; }
  explicit operator bool() const { return owns_; }

 private:
  MeterLink& link_;
  bool owns_;
};

// Inside a command, lets go of the line while the user answers a box (the poll keeps the panel
// live meanwhile) and takes it back when the box is closed.
class LineYield {
 public:
  explicit LineYield(MeterLink& link);
  ~LineYield();
  LineYield(const LineYield&) = delete;
  LineYield& operator=(const LineYield&) = delete;

 private:
  MeterLink& link_;
  bool released_;
};

class MeterLink : public QObject {
  Q_OBJECT
 public:
  MeterLink(SerialPort& port, Clock& clock, LinkState& state, QObject* parent = nullptr);

  // Opens state.portName at 19200,n,8,1. On failure returns false with the system's reason.
  bool openLink(QString* reason);
  // Returns after `seconds` while window events keep running; midnight or a PC clock set back
  // or forward makes no difference.
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

  // Handshake attempts ("A", 0.02 s, read) until a valid answer, for at most `bound` seconds
  // (or until `wanted` says stop). Stores loggerAddress. False when the meter did not answer.
  // While the poll finds the meter silent, one attempt is all it makes.
  bool handshakeWithin(double bound, const StillWanted& wanted = {});
  // The bounded request every read of an answer goes through: repeat { handshake; the letter;
  // `replyWait`; read, and up to `gatherSteps` more 0.02 s reads while the answer is not
  // complete } until `complete` accepts what came. Nothing when the meter gave no such answer
  // within `bound` seconds or `wanted` said stop.
  std::optional<QByteArray> exchange(Command letter, double replyWait,
                                     const ReplyComplete& complete, double bound = kAnswerBound,
                                     const StillWanted& wanted = {}, int gatherSteps = 0);
  // Bounded handshake, the letter and, for a payload, 0.05 s and the payload in one write.
  // False (nothing sent) when the meter did not answer the handshake within `bound`.
  bool command(Command letter, const QByteArray& payload = {}, double bound = kAnswerBound);

  // The line lock.
  LineUser lineUser() const { return lineUser_; }
  bool lineHeld() const { return lineUser_ != LineUser::None; }
  // The command boundary. Runs `handler` holding the line and returns true; the program
  // closing or a failure inside ends the handler quietly. Clicked inside a poll tick's wait,
  // the handler runs right after that tick, from the event loop the tick came from (so a box
  // it opens never holds a poll tick up), and the tick is cut short at its next wait. Clicked
  // while another command has the line, it waits for that command to let go rather than
  // mixing two conversations: it runs then, unless kClickWait seconds passed first, in which
  // case `refused` (which tells the user) is called instead, from the other command's next
  // handshake or read. Without `refused` the click waits for the line however long it takes.
  // False only when the program is closing.
  bool runCommand(const std::function<void()>& handler, const std::function<void()>& refused = {});
  // The same wait for a click that opens a window of its own that takes the line itself later
  // (the clock window, the logger download): runs `handler` without the line, once no command
  // has it.
  void runWhenLineFree(const std::function<void()>& handler,
                       const std::function<void()>& refused = {});
  // The same boundary for a click that may open a box or a window but does not need the line
  // itself (it may start commands of its own).
  void runOutsidePoll(const std::function<void()>& handler);
  // A box was answered. A command lends the line to the poll while its box is open, so a poll
  // tick may be running inside the box's event loop, waiting for a meter that fell silent; the
  // box cannot return to its command before that tick does. While the poll finds the meter
  // silent or the link down, the tick ends at its next wait, so the command applies its
  // setting, or says the meter is silent, at once instead of when the meter speaks again. A
  // tick on a meter that answers finishes with its frame first.
  void boxAnswered();
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
  static constexpr double kReplyStep = 0.02;        // between reads of a partial answer
  // How long a command keeps asking a meter that does not answer before it tells the user. The
  // meter answers within a few hundredths of a second and no poll shares the line with a
  // command, so three seconds never cut off a meter that is there.
  static constexpr double kAnswerBound = 3.0;
  // Misframed frames dropped in one tick before the line counts as dead (a line of noise
  // must not hold the tick for ever).
  static constexpr int kMisframedPerTick = 600;
  // Poll listening without a frame after which the meter counts as silent: two collection
  // windows, so a meter that sends within the 2 s it is allowed never trips it.
  static constexpr double kSilenceNotice = 2 * kCollectionWindow;
  // How long a click waits for the command that has the line before it is refused: as long as
  // a command waits for the meter's answer, which covers every exchange but a memory dump.
  static constexpr double kClickWait = kAnswerBound;

 signals:
  void portCaptionChanged(const QString& caption);
  // A command let go of the line after talking to the meter: the poll should take up the
  // display stream now rather than at its next period.
  void lineFreed();
  // The poll found the meter silent (true) or took a frame from it again (false).
  void meterSilenceChanged(bool silent);

 private:
  SerialPort& port_;
  Clock& clock_;
  LinkState& state_;
  // One handshake attempt: discard, "A", 0.02 s, read what came.
  QByteArray handshakeAttempt();
  // Reopens the port by its name when the device vanished under it; true when open.
  bool ensurePortOpen();
  void setLinkUp(bool up);
  // Time the poll spent waiting, towards the silence notice.
  void countPollWait(double seconds);
  // The running tick waits for a meter the poll has found silent, or for the link to return.
  bool pollHearsNothing() const;
  void setMeterSilent(bool silent);
  // Misframed collections dropped by the poll, logged as counts.
  void noteMisframed(qsizetype bytes);
  void reportMisframed();

  friend class LineHold;
  friend class LineYield;
  void takeLine();
  void releaseLine();
  // Runs `handler` with LinkAborted and failures stopped here.
  static bool boundary(const std::function<void()>& handler);
  void pollOnce(const std::function<bool(const QByteArray& frame)>& onFrame);
  // One 2 s collection window of the poll: what came after the input was discarded, and in
  // `check` what it holds. A frame ends the window the moment it is whole; anything else ends
  // it on its 20 ms step.
  QByteArray collectWindow(FrameCheck& check);
  // A wait of the line holder must end now: the program closes, or a click wants the line
  // from the poll.
  bool waitMustEnd() const;
  // Throws what ends a wait when waitMustEnd().
  void endWaitIfAsked();
  // Up to `seconds`, over sooner once `woken()` or waitMustEnd() holds; throws nothing itself
  // (but LinkAborted when the program is already closing). `onGrid`: over at the next 20 ms
  // moment of the clock's grid at the latest.
  void sleepUntil(double seconds, const std::function<bool()>& woken, bool onGrid = false);
  // Handlers clicked inside the running poll tick, run once it has returned.
  void deferUntilPollReturns(const std::function<void()>& handler, bool needsLine,
                             const std::function<void()>& refused);
  void runDeferred();
  // Clicks that came while a command had the line.
  void waitForLine(const std::function<void()>& handler, const std::function<void()>& refused,
                   bool needsLine);
  void runWaiting();
  void refuseOverdueClicks();

  bool aborted_ = false;
  LineUser lineUser_ = LineUser::None;
  bool commandWrote_ = false;
  bool resumeReconnect_ = false;  // a tick was cut short inside reconnectMeter  // the command
                                  // holding the line has written to the meter
  struct Deferred {
    std::function<void()> handler;
    bool needsLine;
    std::function<void()> refused;
  };
  std::vector<Deferred> deferred_;
  struct Waiting {
    std::function<void()> handler;
    std::function<void()> refused;
    bool needsLine;
    double since;  // monotonic seconds of the click
  };
  std::vector<Waiting> waiting_;
  bool refusing_ = false;
  bool endPollTick_ = false;  // a box was answered under the running tick
  // Nesting of waits: a box opened by a click inside the holder's wait sits deeper than the
  // holder, and must not give the holder's line away.
  int waitDepth_ = 0;
  int holderDepth_ = 0;
  double pollQuiet_ = 0;  // seconds the poll has waited since its last frame
  qint64 misframedCount_ = 0;
  qint64 misframedBytes_ = 0;
  double misframedReportedAt_ = -1;
  bool reconnecting_ = false;  // the link was lost and has not come back yet
};

}  // namespace lux
