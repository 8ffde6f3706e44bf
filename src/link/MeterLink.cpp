#include "link/MeterLink.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>
#include <string_view>

#include "link/Fiber.h"
#include "link/Logging.h"
#include "link/PortChoice.h"
#include "link/Protocol.h"

namespace lux {

namespace {

std::string_view view(const QByteArray& bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// One direction of the line for the wire trace: "  12.345 > 41" (hex, seconds on the
// monotonic clock).
void traceWire(Clock& clock, char direction, const QByteArray& bytes) {
  if (bytes.isEmpty() || !lcWire().isDebugEnabled()) return;
  qCDebug(lcWire, "%10.3f %c %s", clock.monotonicSeconds(), direction,
          bytes.toHex(' ').constData());
}

bool wantedNow(const StillWanted& wanted) {
  return !wanted || wanted();
}

// Thrown out of a poll tick's wait when a click asked for the line: the tick ends there and the
// click's handler runs right after it.
struct PollYield {};

}  // namespace

MeterLink::MeterLink(SerialPort& port, Clock& clock, LinkState& state, QObject* parent)
    : QObject(parent), port_(port), clock_(clock), state_(state) {}

bool MeterLink::openLink(QString* reason) {
  if (state_.portName.isEmpty() && state_.comPortNumber > 0) {
    state_.portName = QString::fromStdString(deviceForComNumber(state_.comPortNumber));
  }
  if (state_.portName.isEmpty()) {
    if (reason) *reason = tr("no port was chosen");
    return false;
  }
  QString why;
  if (!port_.isOpen() && !port_.open(state_.portName, &why)) {
    qCWarning(lcLink, "cannot open port %s: %s", qUtf8Printable(state_.portName),
              qUtf8Printable(why));
    if (reason) *reason = why;
    return false;
  }
  qCInfo(lcLink, "port %s open at 19200,n,8,1", qUtf8Printable(state_.portName));
  setLinkUp(true);
  return true;
}

namespace {
// How deep the link's waits are nested, for as long as one runs.
struct WaitDepth {
  int& d;
  explicit WaitDepth(int& depth) : d(depth) { ++d; }
  ~WaitDepth() { --d; }
  WaitDepth(const WaitDepth&) = delete;
  WaitDepth& operator=(const WaitDepth&) = delete;
};
}  // namespace

void MeterLink::waitSeconds(double seconds) {
  if (aborted_) throw LinkAborted{};
  if (!(seconds > 0)) seconds = 0;  // negative or NaN: just let events run once
  // Measured on the monotonic clock: a wait that returned early at midnight let the reconnect
  // loop write thousands of "M" in its last fraction of a second.
  const ElapsedTimer timer(clock_);
  do {
    const double before = timer.elapsed();
    double remaining = seconds - before;
    if (remaining < 0) remaining = 0;
    {
      const WaitDepth depth(waitDepth_);
      // Only the poll's own waits give the thread back when the tick runs on a stack of its
      // own; anything else that waits there (a box opened from a reading) waits in place.
      const Fiber::Hidden inPlace(lineUser_ != LineUser::Poll);
      clock_.idle(remaining);
    }
    if (lineUser_ == LineUser::Poll) countPollWait(timer.elapsed() - before);
    endWaitIfAsked();
  } while (!timer.hasExpired(seconds));
}

bool MeterLink::waitMustEnd() const {
  return aborted_ || (lineUser_ == LineUser::Poll &&
                      (!deferred_.empty() || (endPollTick_ && pollHearsNothing())));
}

void MeterLink::endWaitIfAsked() {
  if (aborted_) throw LinkAborted{};
  if (waitMustEnd()) throw PollYield{};
}

void MeterLink::sleepUntil(double seconds, const std::function<bool()>& woken, bool onGrid) {
  if (aborted_) throw LinkAborted{};
  const ElapsedTimer timer(clock_);
  {
    const WaitDepth depth(waitDepth_);
    const Fiber::Hidden inPlace(lineUser_ != LineUser::Poll);
    const auto over = [&] { return woken() || waitMustEnd(); };
    if (onGrid)
      clock_.idleOnGrid(seconds, kStep, over);
    else
      clock_.idleUntil(seconds, kStep, over);
  }
  if (lineUser_ == LineUser::Poll) countPollWait(timer.elapsed());
}

QByteArray MeterLink::handshakeAttempt() {
  // Between two steps of an exchange: a click kept waiting too long hears why now.
  if (lineUser_ == LineUser::Command) refuseOverdueClicks();
  discardInput();
  send(Command::Handshake);
  waitSeconds(kStep);
  return readAll();
}

void MeterLink::meterHandshake() {
  discardInput();
  // Wrong answers in a row. They restart the attempts without counting against the silent
  // limit; a meter (or a line) that answers nothing but garbage still ends up showing "No COM".
  int wrongAnswers = 0;
  for (;;) {
    if (!port_.isOpen()) {
      reconnectMeter();
      continue;
    }
    int attempts = 0;
    QByteArray answer;
    do {
      answer = handshakeAttempt();
      ++attempts;
    } while (answer.size() < static_cast<qsizetype>(kHandshakeAnswerLength) &&
             attempts < kHandshakeAttempts && port_.isOpen());
    if (answer.size() < static_cast<qsizetype>(kHandshakeAnswerLength)) {
      qCWarning(lcLink, "no answer to %d handshakes; waiting for the meter", attempts);
      reconnectMeter();
      wrongAnswers = 0;
      continue;
    }
    if (const auto address = parseHandshakeAnswer(view(answer))) {
      state_.loggerAddress = static_cast<float>(*address);
      if (attempts > 1 || wrongAnswers > 0)
        qCDebug(lcLink, "handshake answered after %d silent and %d wrong attempt(s)", attempts - 1,
                wrongAnswers);
      return;
    }
    if (++wrongAnswers >= kHandshakeAttempts) {
      reconnectMeter();
      wrongAnswers = 0;
    }
  }
}

bool MeterLink::ensurePortOpen() {
  if (port_.isOpen()) return true;
  if (state_.portName.isEmpty()) return false;
  QString reason;
  if (!port_.open(state_.portName, &reason)) return false;
  qCInfo(lcLink, "port %s open again", qUtf8Printable(state_.portName));
  return true;
}

void MeterLink::reconnectMeter() {
  setLinkUp(false);
  for (;;) {
    // A valid handshake answer first, however long it takes; a vanished adapter is reopened by
    // name every 0.2 s meanwhile.
    for (;;) {
      if (!ensurePortOpen()) {
        waitSeconds(kReopenPeriod);
        continue;
      }
      const QByteArray answer = handshakeAttempt();
      if (const auto address = parseHandshakeAnswer(view(answer))) {
        state_.loggerAddress = static_cast<float>(*address);
        break;
      }
    }
    // Then restart the display stream until the meter sends anything at all.
    while (port_.isOpen()) {
      send(Command::Stream);
      waitSeconds(kStreamPeriod);
      if (port_.bytesWaiting() != 0) {
        setLinkUp(true);
        return;
      }
    }
  }
}

void MeterLink::send(Command letter) {
  if (!port_.isOpen()) return;
  if (lineUser_ == LineUser::Command) commandWrote_ = true;
  const QByteArray byte(1, letterOf(letter));
  traceWire(clock_, '>', byte);
  port_.write(byte);
}

void MeterLink::sendBytes(const QByteArray& data) {
  if (!port_.isOpen() || data.isEmpty()) return;
  if (lineUser_ == LineUser::Command) commandWrote_ = true;
  traceWire(clock_, '>', data);
  port_.write(data);
}

void MeterLink::transact(Command letter, const QByteArray& data) {
  meterHandshake();
  send(letter);
  if (!data.isEmpty()) {
    waitSeconds(kDataDelay);
    sendBytes(data);
  }
}

bool MeterLink::handshakeWithin(double bound, const StillWanted& wanted) {
  // The poll has heard nothing for seconds: asking for seconds more would only keep the user
  // waiting for the same silence. One attempt still finds a meter that has just come back.
  if (state_.meterSilent) bound = 0;
  const ElapsedTimer timer(clock_);
  discardInput();
  do {
    if (!wantedNow(wanted)) return false;
    const QByteArray answer = handshakeAttempt();
    if (const auto address = parseHandshakeAnswer(view(answer))) {
      state_.loggerAddress = static_cast<float>(*address);
      return true;
    }
  } while (!timer.hasExpired(bound));
  qCInfo(lcLink, "no handshake answer within %.1f s", bound);
  return false;
}

std::optional<QByteArray> MeterLink::exchange(Command letter, double replyWait,
                                              const ReplyComplete& complete, double bound,
                                              const StillWanted& wanted, int gatherSteps) {
  const ElapsedTimer timer(clock_);
  do {
    const double left = bound - timer.elapsed();
    if (!handshakeWithin(left > 0 ? left : 0, wanted)) return std::nullopt;
    send(letter);
    waitSeconds(replyWait);
    if (!wantedNow(wanted)) return std::nullopt;
    QByteArray reply = readAll();
    // A slow line may deliver the answer in pieces: gather a little longer before asking again.
    for (int more = 0; more < gatherSteps && !complete(reply); ++more) {
      waitSeconds(kReplyStep);
      reply += readAll();
    }
    if (complete(reply)) return reply;
  } while (!timer.hasExpired(bound));
  return std::nullopt;
}

bool MeterLink::command(Command letter, const QByteArray& payload, double bound) {
  if (!handshakeWithin(bound)) return false;
  send(letter);
  if (!payload.isEmpty()) {
    waitSeconds(kDataDelay);
    sendBytes(payload);
  }
  return true;
}

void MeterLink::boxAnswered() {
  if (lineUser_ == LineUser::Poll) endPollTick_ = true;
}

bool MeterLink::pollHearsNothing() const {
  // A meter that answers brings its frame within a tenth of a second: the tick takes it and the
  // command runs right after, as it always did. Only a tick waiting out a silence (which may
  // last six collection windows) or a reconnection is cut short.
  return state_.meterSilent || !state_.linkUp;
}

QByteArray MeterLink::readAll() {
  if (lineUser_ == LineUser::Command) refuseOverdueClicks();
  if (!port_.isOpen()) return {};
  QByteArray bytes = port_.readAll();
  traceWire(clock_, '<', bytes);
  return bytes;
}

void MeterLink::discardInput() {
  if (!port_.isOpen()) return;
  port_.discardInput();
  // What the system had already handed over is dropped unread: the trace marks it so.
  traceWire(clock_, 'x', port_.readAll());
}

void MeterLink::pollTick(const std::function<bool(const QByteArray& frame)>& onFrame) {
  if (aborted_) throw LinkAborted{};
  // A command has the line (this tick fell due inside one of its waits): its answers are not
  // ours to take. The command's end brings the next tick at once.
  if (lineUser_ != LineUser::None) return;
  lineUser_ = LineUser::Poll;
  struct Release {
    MeterLink& link;
    ~Release() {
      link.lineUser_ = LineUser::None;
      link.endPollTick_ = false;
      link.runDeferred();
    }
  } release{*this};
  try {
    pollOnce(onFrame);
  } catch (const PollYield&) {
    // A click wants the line: this tick ends here. Cut short while waiting for a silent meter,
    // the next tick goes on waiting for it rather than starting with six collection windows.
    if (!state_.linkUp) resumeReconnect_ = true;
  }
}

void MeterLink::pollOnce(const std::function<bool(const QByteArray& frame)>& onFrame) {
  if (resumeReconnect_) {
    resumeReconnect_ = false;
    reconnectMeter();
    readAll();
    return;
  }
  if (!port_.isOpen()) {
    // The adapter vanished: no use listening to a closed port for twelve seconds.
    reconnectMeter();
    readAll();
    return;
  }
  if (state_.pollCount == 0) {
    meterHandshake();
    send(Command::Stream);
  }
  int retries = 0;
  int misframed = 0;
  for (;;) {
    FrameCheck check = FrameCheck::Short;
    const QByteArray received = collectWindow(check);
    switch (check) {
      case FrameCheck::Short:
        if (retries < kCollectionRetries && port_.isOpen()) {
          ++retries;
          // A window without a single byte: the meter may have let its stream run out (it
          // missed our "M" during a silence or while it showed a banner). Asking again costs one
          // byte and brings the readings back within a window instead of after a reconnection.
          if (received.isEmpty()) send(Command::Stream);
          continue;
        }
        qCInfo(lcLink, "no whole frame in %d collection windows of 2 s", retries + 1);
        reconnectMeter();
        readAll();
        return;
      case FrameCheck::Misframed:
        retries = 0;
        noteMisframed(received.size());
        if (++misframed >= kMisframedPerTick) {
          qCWarning(lcLink, "%d misframed collections in one poll: the line counts as dead",
                    misframed);
          reconnectMeter();
          readAll();
          return;
        }
        continue;
      case FrameCheck::Framed:
        break;
    }
    pollQuiet_ = 0;
    reportMisframed();
    if (state_.meterSilent) setMeterSilent(false);
    const bool banner = onFrame && onFrame(received.left(static_cast<qsizetype>(kFrameLength)));
    if (banner) return;  // no count, so no "M" is re-sent while the meter shows a banner
    if (++state_.pollCount >= 15) state_.pollCount = 0;
    return;
  }
}

QByteArray MeterLink::collectWindow(FrameCheck& check) {
  // The window is read on a grid of 20 ms steps from its start, and what came by a step is
  // judged one step later: the last read is at 2 s. Rather than waking at every step to look,
  // the wait sleeps until the frame is whole (the port's bytes wake the thread anyway), the port
  // closes, a click or the program's end asks for the line, or the silence notice falls due,
  // and works out from the moment it woke which step it is at. A window that ends without a
  // whole frame ends on that grid, so a retry, a click or the reconnection sends its bytes at
  // the same moments as when every step was read. Fourteen bytes end the window at once
  // instead: nothing goes to the meter when a tick ends, and the reading is the fresher for it.
  // Should the fourteen bytes not be a frame, the step they were due on is still kept, so a line
  // of noise is read no faster than the grid reads it.
  //
  // Several meters' ticks on one thread read on a grid of 20 ms of the clock instead, all of them
  // at the same moments: each frame's bytes would otherwise wake the thread on their own (and
  // once or twice more on their way in, as the system hands them over in pieces), eight meters
  // several hundred times a second; on the grid one wake-up reads every meter whose frame has
  // come. A frame is taken at most 20 ms after it is whole. A window that has heard nothing new
  // for longer than a streaming meter leaves between two frames goes back to being woken by
  // the bytes, so a silent meter, or one that stopped inside a frame, does not keep the grid
  // busy for its whole window.
  constexpr auto kWhole = static_cast<qsizetype>(kFrameLength);
  constexpr double kStreamGap = 0.12;
  const bool sharedThread = lineUser_ == LineUser::Poll && Fiber::current() != nullptr;
  // The last step read: past it lies the end of the window (2 s, counted from its start).
  const int lastRead = static_cast<int>(std::floor((kCollectionWindow + 1e-6) / kStep));
  discardInput();
  const ElapsedTimer window(clock_);
  // The step at or after `seconds` into the window.
  const auto stepAt = [](double seconds) {
    return std::max(0, static_cast<int>(std::ceil(seconds / kStep - 1e-3)));
  };
  const auto waitForStep = [&](int k) {
    const double left = k * kStep - window.elapsed();
    if (left > 1e-6)
      waitSeconds(left);
    else
      endWaitIfAsked();
  };
  QByteArray received = readAll();
  double heardAt = 0;  // when the window last read a byte
  // The window is over, on the step `endStep` unless it holds a frame.
  const auto over = [&](int endStep) {
    check = checkDisplayFrame(view(received));
    if (check != FrameCheck::Framed) waitForStep(endStep);
    return received;
  };
  if (received.size() >= kWhole) return over(1);
  for (;;) {
    const int now = stepAt(window.elapsed());
    double until = lastRead * kStep;
    if (!state_.meterSilent) {
      // The notice comes at the step at which the poll's quiet time reaches it.
      const double noticeAt = window.elapsed() + (kSilenceNotice - 1e-6 - pollQuiet_);
      until = std::min(until, std::max(now + 1, stepAt(noticeAt)) * kStep);
    }
    const double left = until - window.elapsed();
    if (left > 1e-6 && sharedThread && window.elapsed() - heardAt < kStreamGap) {
      sleepUntil(
          left, [&] { return !port_.isOpen(); }, true);
    } else if (left > 1e-6) {
      // The system wakes the thread once the frame is whole, not at every few bytes of it.
      const struct WakeAt {
        SerialPort& port;
        WakeAt(SerialPort& p, qint64 bytes) : port(p) { port.wakeWhenWaiting(bytes); }
        ~WakeAt() { port.wakeWhenWaiting(0); }
      } wakeAt(port_, kWhole - received.size());
      sleepUntil(left,
                 [&] { return !port_.isOpen() || port_.hasWaiting(kWhole - received.size()); });
    }
    const int step = std::min(stepAt(window.elapsed()), lastRead);
    if (!port_.isOpen() || waitMustEnd()) return over(std::max(step, 1));
    const QByteArray bytes = readAll();
    if (!bytes.isEmpty()) {
      received += bytes;
      heardAt = window.elapsed();
    }
    if (received.size() >= kWhole) return over(step + 1);
    if (step >= lastRead) return over(lastRead + 1);
  }
}

void MeterLink::countPollWait(double seconds) {
  pollQuiet_ += seconds;
  if (!state_.meterSilent && pollQuiet_ >= kSilenceNotice - 1e-6) setMeterSilent(true);
}

void MeterLink::noteMisframed(qsizetype bytes) {
  ++misframedCount_;
  misframedBytes_ += bytes;
}

void MeterLink::reportMisframed() {
  if (misframedCount_ == 0) return;
  // Counts, at most one line every ten seconds, so a noisy line does not flood the log.
  const double now = clock_.monotonicSeconds();
  if (misframedReportedAt_ >= 0 && now - misframedReportedAt_ < 10) return;
  qCWarning(lcLink, "dropped %lld misframed collection(s), %lld byte(s)",
            static_cast<long long>(misframedCount_), static_cast<long long>(misframedBytes_));
  misframedReportedAt_ = now;
  misframedCount_ = 0;
  misframedBytes_ = 0;
}

void MeterLink::setMeterSilent(bool silent) {
  if (silent)
    qCInfo(lcLink, "the meter is silent: no frame for %.0f s", kSilenceNotice);
  else
    qCInfo(lcLink, "the meter sends frames again");
  state_.meterSilent = silent;
  emit meterSilenceChanged(silent);
}

void MeterLink::takeLine() {
  lineUser_ = LineUser::Command;
  commandWrote_ = false;
  holderDepth_ = waitDepth_;
}

void MeterLink::releaseLine() {
  lineUser_ = LineUser::None;
  runWaiting();
  if (!commandWrote_) return;
  commandWrote_ = false;
  // The command's handshake stopped the meter's display stream: the next tick asks for it
  // again, and comes now instead of up to a period later.
  state_.pollCount = 0;
  emit lineFreed();
}

bool MeterLink::boundary(const std::function<void()>& handler) {
  // A failure ends this command; the windows stay usable for the next click.
  return runGuarded(lcLink(), "a command", handler);
}

bool MeterLink::runCommand(const std::function<void()>& handler,
                           const std::function<void()>& refused) {
  if (aborted_) return false;
  if (lineUser_ == LineUser::Command) {
    waitForLine(handler, refused, true);
    return true;
  }
  if (lineUser_ == LineUser::Poll) {
    deferUntilPollReturns(handler, true, refused);
    return true;
  }
  LineHold hold(*this);
  boundary(handler);
  return true;
}

void MeterLink::runOutsidePoll(const std::function<void()>& handler) {
  if (lineUser_ == LineUser::Poll) {
    deferUntilPollReturns(handler, false, {});
    return;
  }
  if (aborted_) return;
  boundary(handler);
}

void MeterLink::runWhenLineFree(const std::function<void()>& handler,
                                const std::function<void()>& refused) {
  if (lineUser_ == LineUser::Command) {
    waitForLine(handler, refused, false);
    return;
  }
  runOutsidePoll(handler);
}

void MeterLink::waitForLine(const std::function<void()>& handler,
                            const std::function<void()>& refused, bool needsLine) {
  waiting_.push_back({handler, refused, needsLine, clock_.monotonicSeconds()});
}

void MeterLink::refuseOverdueClicks() {
  if (waiting_.empty() || refusing_) return;
  const double now = clock_.monotonicSeconds();
  std::vector<Waiting> overdue;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (it->refused && now - it->since >= kClickWait - 1e-9) {
      overdue.push_back(std::move(*it));
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  refusing_ = true;
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{refusing_};
  for (Waiting& w : overdue) boundary(w.refused);
}

void MeterLink::runWaiting() {
  if (waiting_.empty()) return;
  std::vector<Waiting> pending;
  pending.swap(waiting_);
  // Posted, so that each runs from the event loop once the command's frames are off the stack;
  // in the order they were clicked, each waiting again if another took the line meanwhile.
  for (Waiting& w : pending) {
    QTimer::singleShot(0, this, [this, w = std::move(w)] {
      if (lineUser_ == LineUser::Command) {
        waiting_.push_back(w);
      } else if (w.needsLine) {
        runCommand(w.handler, w.refused);
      } else {
        runOutsidePoll(w.handler);
      }
    });
  }
}

void MeterLink::deferUntilPollReturns(const std::function<void()>& handler, bool needsLine,
                                      const std::function<void()>& refused) {
  deferred_.push_back({handler, needsLine, refused});
}

void MeterLink::runDeferred() {
  if (deferred_.empty()) return;
  std::vector<Deferred> pending;
  pending.swap(deferred_);
  // Posted, so that each runs from the event loop the tick was called from, with the tick's
  // frames off the stack.
  for (Deferred& d : pending) {
    QTimer::singleShot(0, this, [this, d = std::move(d)] {
      if (d.needsLine)
        runCommand(d.handler, d.refused);
      else
        runOutsidePoll(d.handler);
    });
  }
}

LineHold::LineHold(MeterLink& link) : link_(link), owns_(link.lineUser_ == LineUser::None) {
  if (owns_) link_.takeLine();
}

LineHold::~LineHold() {
  if (owns_) link_.releaseLine();
}

LineYield::LineYield(MeterLink& link)
    : link_(link),
      // A box opened by a click inside the holder's waits (a refusal) keeps the line: the
      // holder is in the middle of its exchange.
      released_(link.lineUser_ == LineUser::Command && link.waitDepth_ == link.holderDepth_) {
  if (released_) link_.releaseLine();
}

LineYield::~LineYield() {
  // The box's own event loop has returned, so no poll tick is left on the stack above us.
  if (released_ && link_.lineUser_ == LineUser::None) link_.takeLine();
}

void MeterLink::abort() {
  aborted_ = true;
}

QString MeterLink::portCaption() const {
  if (!state_.linkUp) return tr("No COM");
  if (state_.comPortNumber > 0)
    return QStringLiteral("COM") + QString::number(state_.comPortNumber);
  return state_.portName;
}

void MeterLink::setLinkUp(bool up) {
  if (up && !state_.linkUp && reconnecting_) {
    qCInfo(lcLink, "the meter on %s answers again", qUtf8Printable(state_.portName));
    reconnecting_ = false;
  } else if (!up && state_.linkUp) {
    reportMisframed();
    qCWarning(lcLink, "lost the meter on %s; reconnecting", qUtf8Printable(state_.portName));
    reconnecting_ = true;
  }
  state_.linkUp = up;
  emit portCaptionChanged(portCaption());
}

}  // namespace lux
