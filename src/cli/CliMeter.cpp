#include "cli/CliMeter.h"

#include <string_view>

#include "link/Protocol.h"
#include "sim/PtyServer.h"

namespace lux::cli {

namespace {

// 0.02 s reads of one round of a request before the letter is asked again.
constexpr int kReplyReads = 10;

std::string_view view(const QByteArray& bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Thrown out of the poll's wait when the first reading did not come within its bound; the
// session's tick boundary stops it, and the link stays usable for what follows.
struct ReadingBoundReached {};

}  // namespace

void BoundedClock::idle(double seconds) {
  inner_.idle(seconds);
  if (onExpiry_ && inner_.monotonicSeconds() >= deadline_ - 1e-6) {
    const auto expired = std::move(onExpiry_);
    onExpiry_ = nullptr;
    expired();
  }
}

void BoundedClock::idleUntil(double seconds, double step, const std::function<bool()>& woken) {
  if (onExpiry_) {
    const double left = deadline_ - inner_.monotonicSeconds();
    if (left < seconds) seconds = left > step ? left : step;
  }
  inner_.idleUntil(seconds, step, woken);
  if (onExpiry_ && inner_.monotonicSeconds() >= deadline_ - 1e-6) {
    const auto expired = std::move(onExpiry_);
    onExpiry_ = nullptr;
    expired();
  }
}

void BoundedClock::arm(double seconds, std::function<void()> onExpiry) {
  deadline_ = inner_.monotonicSeconds() + seconds;
  onExpiry_ = std::move(onExpiry);
}

void BoundedClock::extend(double seconds) {
  deadline_ = inner_.monotonicSeconds() + seconds;
}

CliMeter::CliMeter(SerialPort& port, Clock& clock)
    : port_(port), clock_(clock), bounded_(clock), session_(port, bounded_) {}

CliMeter::~CliMeter() {
  // The port goes before the simulator that serves it.
  port_.close();
  simulator_.reset();
}

bool CliMeter::open(const QString& device, int comPortNumber, QString* reason) {
  return session_.open(device, comPortNumber, reason);
}

bool CliMeter::openSimulated(QString* reason) {
  simulator_ = std::make_unique<sim::PtyServer>();
  std::string error;
  if (!simulator_->start({}, &error)) {
    if (reason)
      *reason = QStringLiteral("the simulated meter could not be started: ") +
                QString::fromStdString(error);
    return false;
  }
  return open(QString::fromStdString(simulator_->portPath()), 0, reason);
}

std::optional<std::uint32_t> CliMeter::handshake(double bound) {
  if (!link().handshakeWithin(bound)) return std::nullopt;
  return static_cast<std::uint32_t>(linkState().loggerAddress);
}

QString bannerName(const DisplayState& d) {
  if (d.annSetUp) return QStringLiteral("SET UP");
  if (d.annClear) return QStringLiteral("CLEAR");
  if (d.annRs232) return QStringLiteral("RS232");
  return {};
}

bool CliMeter::readDisplay(double bound) {
  const unsigned long before = session_.display().framesDecoded;
  bannerInstead_.clear();
  // The meter answers, but with its banner: that is what it shows, not silence.
  const auto banner = QObject::connect(&session_, &MeterSession::bannerShown, &session_,
                                       [this] { bannerInstead_ = bannerName(session_.display()); });
  bool expired = false;
  // The handshake and the reconnection of the poll wait for the meter without limit; the bound
  // ends the tick from inside its wait.
  bounded_.arm(bound, [&expired] {
    expired = true;
    throw ReadingBoundReached{};
  });
  struct Disarm {
    BoundedClock& clock;
    ~Disarm() { clock.disarm(); }
  } disarm{bounded_};
  // A fresh poll: the handshake and "M" first, as after a command.
  linkState().pollCount = 0;
  struct Disconnect {
    QMetaObject::Connection c;
    ~Disconnect() { QObject::disconnect(c); }
  } disconnect{banner};
  while (!expired && session_.display().framesDecoded == before) {
    if (link().aborted()) throw LinkAborted{};
    session_.pollTick();
  }
  if (session_.display().framesDecoded == before) return false;
  bannerInstead_.clear();
  return true;
}

std::optional<QByteArray> CliMeter::request(Command letter, std::size_t length, double bound) {
  // The link's one bounded exchange: a round reads for up to 0.2 s before the letter is asked
  // again, as the meter may drop a letter.
  const auto answer = link().exchange(
      letter, MeterLink::kStep,
      [length](const QByteArray& reply) { return isFramed(view(reply), length); }, bound, {},
      kReplyReads - 1);
  if (!answer) return std::nullopt;
  return answer->left(static_cast<qsizetype>(length));
}

}  // namespace lux::cli
