#include "cli/MeterSession.h"

#include <string_view>

#include "link/FrameDecoder.h"
#include "link/Protocol.h"
#include "sim/PtyServer.h"

namespace lux::cli {

namespace {

// 0.02 s reads of one round of a request before the letter is asked again.
constexpr int kReplyReads = 10;

std::string_view view(const QByteArray& bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

MeterSession::MeterSession(SerialPort& port, Clock& clock)
    : port_(port), clock_(clock), link_(port, clock, linkState_) {}

MeterSession::~MeterSession() {
  // The port goes before the simulator that serves it.
  port_.close();
  simulator_.reset();
}

bool MeterSession::open(const QString& device, int comPortNumber, QString* reason) {
  linkState_.portName = device;
  linkState_.comPortNumber = comPortNumber;
  return link_.openLink(reason);
}

bool MeterSession::openSimulated(QString* reason) {
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

void MeterSession::wait(Budget& budget, double seconds) {
  link_.waitSeconds(seconds);
  budget.take(seconds);
}

std::optional<std::uint32_t> MeterSession::handshake(double bound) {
  if (!link_.handshakeWithin(bound)) return std::nullopt;
  return static_cast<std::uint32_t>(linkState_.loggerAddress);
}

QString bannerName(const DisplayState& d) {
  if (d.annSetUp) return QStringLiteral("SET UP");
  if (d.annClear) return QStringLiteral("CLEAR");
  if (d.annRs232) return QStringLiteral("RS232");
  return {};
}

bool MeterSession::readDisplay(double bound) {
  Budget budget(bound);
  bannerInstead_.clear();
  while (!budget.spent()) {
    // The handshake's own time counts against the same bound.
    link_.discardInput();
    link_.send(Command::Handshake);
    wait(budget, MeterLink::kStep);
    if (!parseHandshakeAnswer(view(link_.readAll()))) continue;
    link_.send(Command::Stream);
    // Frames follow every 100 ms or so; a collection of up to a second is plenty before "M" is
    // asked again.
    QByteArray received;
    for (int steps = 0; steps < 50 && !budget.spent(); ++steps) {
      wait(budget, MeterLink::kStep);
      received += link_.readAll();
      // Drop whatever precedes a frame start, then take whole frames.
      while (!received.isEmpty()) {
        const qsizetype start = received.indexOf('\x02');
        if (start < 0) {
          received.clear();
          break;
        }
        received.remove(0, start);
        const FrameCheck check = checkDisplayFrame(view(received));
        if (check == FrameCheck::Short) break;
        if (check == FrameCheck::Misframed) {
          received.remove(0, 1);
          continue;
        }
        const QByteArray frame = received.left(static_cast<qsizetype>(kFrameLength));
        received.remove(0, static_cast<qsizetype>(kFrameLength));
        const DecodeResult r = decodeFrame(display_, view(frame));
        if (r == DecodeResult::Complete) {
          ++display_.framesDecoded;
          bannerInstead_.clear();
          return true;
        }
        // The meter answers, but with its banner: that is what it shows, not silence.
        if (r == DecodeResult::Banner) bannerInstead_ = bannerName(display_);
      }
    }
  }
  return false;
}

std::optional<QByteArray> MeterSession::request(Command letter, std::size_t length, double bound) {
  // The link's one bounded exchange: a round reads for up to 0.2 s before the letter is asked
  // again, as the meter may drop a letter.
  const auto answer = link_.exchange(
      letter, MeterLink::kStep,
      [length](const QByteArray& reply) { return isFramed(view(reply), length); }, bound, {},
      kReplyReads - 1);
  if (!answer) return std::nullopt;
  return answer->left(static_cast<qsizetype>(length));
}

}  // namespace lux::cli
