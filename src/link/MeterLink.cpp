#include "link/MeterLink.h"

#include <string_view>

#include "link/PortChoice.h"
#include "link/Protocol.h"

namespace lux {

namespace {

std::string_view view(const QByteArray& bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

MeterLink::MeterLink(SerialPort& port, Clock& clock, LinkState& state, QObject* parent)
    : QObject(parent), port_(port), clock_(clock), state_(state) {}

bool MeterLink::openLink(QString* reason) {
  if (state_.portName.isEmpty() && state_.comPortNumber > 0) {
    state_.portName = QString::fromStdString(deviceForComNumber(state_.comPortNumber));
  }
  if (state_.portName.isEmpty()) {
    if (reason) *reason = QStringLiteral("no port was chosen");
    return false;
  }
  if (!port_.isOpen() && !port_.open(state_.portName, reason)) return false;
  setLinkUp(true);
  return true;
}

void MeterLink::waitSeconds(double seconds) {
  if (aborted_) throw LinkAborted{};
  if (!(seconds > 0)) seconds = 0;  // negative or NaN: just let events run once
  const double start = clock_.secondsSinceMidnight();
  const double end = waitTarget(start, seconds);
  // Time asked of the clock so far. A PC clock set back during the wait would otherwise hold
  // it until the clock catches up again, possibly hours; twice the duration is plenty.
  const double limit = 2 * seconds + 0.1;
  double idled = 0;
  double now = start;
  do {
    double remaining = end - now;
    if (remaining > seconds) remaining = seconds;
    if (remaining < 0) remaining = 0;
    clock_.idle(remaining);
    idled += remaining > 0.001 ? remaining : 0.001;
    if (aborted_) throw LinkAborted{};
    now = clock_.secondsSinceMidnight();
  } while (now < end && idled < limit);
}

QByteArray MeterLink::handshakeAttempt() {
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
      reconnectMeter();
      wrongAnswers = 0;
      continue;
    }
    if (const auto address = parseHandshakeAnswer(view(answer))) {
      state_.loggerAddress = static_cast<float>(*address);
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
  return port_.open(state_.portName, &reason);
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
  port_.write(QByteArray(1, letterOf(letter)));
}

void MeterLink::sendBytes(const QByteArray& data) {
  if (!port_.isOpen() || data.isEmpty()) return;
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

QByteArray MeterLink::readAll() {
  return port_.isOpen() ? port_.readAll() : QByteArray();
}

void MeterLink::discardInput() {
  if (!port_.isOpen()) return;
  port_.discardInput();
  port_.readAll();
}

void MeterLink::pollTick(const std::function<bool(const QByteArray& frame)>& onFrame) {
  if (aborted_) throw LinkAborted{};
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
    QByteArray received;
    discardInput();
    const double t0 = clock_.secondsSinceMidnight();
    do {
      received += readAll();
      waitSeconds(kStep);
    } while (received.size() < static_cast<qsizetype>(kFrameLength) && port_.isOpen() &&
             !collectionWindowOver(t0, clock_.secondsSinceMidnight(), kCollectionWindow));

    switch (checkDisplayFrame(view(received))) {
      case FrameCheck::Short:
        if (retries < kCollectionRetries && port_.isOpen()) {
          ++retries;
          // A window without a single byte: the meter may have let its stream run out (it
          // missed our "M" during a silence or while it showed a banner). Asking again costs one
          // byte and brings the readings back within a window instead of after a reconnection.
          if (received.isEmpty()) send(Command::Stream);
          continue;
        }
        reconnectMeter();
        readAll();
        return;
      case FrameCheck::Misframed:
        retries = 0;
        if (++misframed >= kMisframedPerTick) {
          reconnectMeter();
          readAll();
          return;
        }
        continue;
      case FrameCheck::Framed:
        break;
    }
    const bool banner = onFrame && onFrame(received.left(static_cast<qsizetype>(kFrameLength)));
    if (banner) return;  // no count, so no "M" is re-sent while the meter shows a banner
    if (++state_.pollCount >= 15) state_.pollCount = 0;
    return;
  }
}

void MeterLink::abort() {
  aborted_ = true;
}

QString MeterLink::portCaption() const {
  if (!state_.linkUp) return QStringLiteral("No COM");
  if (state_.comPortNumber > 0)
    return QStringLiteral("COM") + QString::number(state_.comPortNumber);
  return state_.portName;
}

void MeterLink::setLinkUp(bool up) {
  state_.linkUp = up;
  emit portCaptionChanged(portCaption());
}

}  // namespace lux
