#include "link/MeterSession.h"

#include <string_view>

#include "link/FrameDecoder.h"

namespace lux {

namespace {
// Sessions alive on this thread.
thread_local int t_sessions = 0;
}  // namespace

MeterSession::MeterSession(SerialPort& port, Clock& clock, QObject* parent)
    : MeterSession(port, clock, ownLinkState_, ownDisplay_, parent) {}

MeterSession::MeterSession(SerialPort& port, Clock& clock, LinkState& linkState,
                           DisplayState& display, QObject* parent)
    : QObject(parent),
      linkState_(linkState),
      display_(display),
      clock_(clock),
      link_(port, clock, linkState) {
  ++t_sessions;
  wire();
}

MeterSession::~MeterSession() {
  --t_sessions;
  if (fiber_ && fiber_->suspended()) {
    // A tick waiting on its own stack: every wait now throws, so taking it up once unwinds it.
    link_.abort();
    fiber_->resume();
  }
}

void MeterSession::wire() {
  pollTimer_ = new QTimer(this);
  pollTimer_->setObjectName(QStringLiteral("Timer1"));
  pollTimer_->setInterval(250);
  connect(pollTimer_, &QTimer::timeout, this, &MeterSession::timerTick);
  // A command gave the line back: its handshake stopped the meter's stream, so the poll asks
  // for it again now instead of leaving the readings still for up to a period.
  connect(&link_, &MeterLink::lineFreed, this, &MeterSession::pollSoon);
  connect(&link_, &MeterLink::meterSilenceChanged, this, &MeterSession::silenceChanged);
  connect(&link_, &MeterLink::portCaptionChanged, this,
          [this] { emit linkChanged(linkState_.linkUp); });
}

bool MeterSession::open(const QString& device, int comPortNumber, QString* reason) {
  linkState_.portName = device;
  linkState_.comPortNumber = comPortNumber;
  return link_.openLink(reason);
}

bool MeterSession::openLink(QString* reason) {
  return link_.openLink(reason);
}

void MeterSession::start() {
  stopped_ = false;
  emit starting();
  pollTimer_->start();
}

void MeterSession::stop() {
  stopped_ = true;
  pollTimer_->stop();
  emit stopped();
}

bool MeterSession::takeFrame(const QByteArray& frame) {
  ++framesReceived_;
  const auto result =
      decodeFrame(display_, std::string_view(frame.constData(), static_cast<size_t>(frame.size())));
  // A frame whose decoding stopped early leaves the picture and the reading as they were.
  if (result == DecodeResult::StoppedEarly || result == DecodeResult::TooShort) return false;
  if (result == DecodeResult::Banner) {
    // A banner (SET UP, CLEAR, RS232) hides the reading: it is no fresh reading to record.
    emit bannerShown();
    return true;
  }
  ++display_.framesDecoded;
  latest_ = Reading::fromDisplay(display_, clock_.preciseLocalDateTime());
  emit readingDecoded(*latest_);
  return false;
}

void MeterSession::pollTick() {
  if (stopped_) return;
  pollGuard_.run([this] { link_.pollTick([this](const QByteArray& f) { return takeFrame(f); }); });
}

void MeterSession::timerTick() {
  if (stopped_) return;
  const bool aside = t_sessions > 1 || (fiber_ && !fiber_->idle());
  if (!aside) {
    pollTick();
    return;
  }
  if (!fiber_) fiber_ = std::make_unique<Fiber>();
  // A tick still waiting on the stack: pollTick counts this one as skipped.
  if (!fiber_->idle()) {
    pollTick();
    return;
  }
  fiber_->start([this] { pollTick(); });
}

void MeterSession::setPollEnabled(bool enabled) {
  if (stopped_) return;
  if (enabled) {
    const bool wasOff = !pollTimer_->isActive();
    pollTimer_->start();
    if (wasOff) pollSoon();
  } else {
    pollTimer_->stop();
  }
}

bool MeterSession::pollEnabled() const {
  return pollTimer_->isActive();
}

void MeterSession::pollSoon() {
  if (stopped_ || !pollTimer_->isActive()) return;
  QTimer::singleShot(0, this, [this] {
    if (!pollTimer_->isActive()) return;
    pollTimer_->start();  // the next periodic tick a full period after this one
    timerTick();
  });
}

}  // namespace lux
