#include "settings/MeterExchange.h"

#include <exception>
#include <string_view>

#include "app/Context.h"
#include "link/Protocol.h"

namespace lux {

namespace {
std::string_view view(const QByteArray& b) {
  return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}
bool wantedNow(const StillWanted& wanted) {
  return !wanted || wanted();
}
}  // namespace

QString meterSilentMessage() {
  return QStringLiteral(
      "The meter did not answer.\r\nCheck that it is switched on and connected, then try "
      "again.");
}

ExchangeTimer::ExchangeTimer(Clock& clock, double limitSeconds)
    : clock_(clock), start_(clock.secondsSinceMidnight()), limit_(limitSeconds) {}

double ExchangeTimer::elapsed() const {
  double d = clock_.secondsSinceMidnight() - start_;
  if (d < 0) d += 86400.0;  // the clock wrapped at midnight
  return d;
}

bool handshakeWithin(Context& ctx, const ExchangeTimer& timer, const StillWanted& wanted) {
  MeterLink& link = ctx.link;
  link.discardInput();
  do {
    if (!wantedNow(wanted)) return false;
    link.discardInput();
    link.send(Command::Handshake);
    link.waitSeconds(0.02);
    const QByteArray answer = link.readAll();
    if (auto address = parseHandshakeAnswer(view(answer))) {
      ctx.state.link.loggerAddress = static_cast<float>(*address);
      return true;
    }
  } while (!timer.expired());
  return false;
}

bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload) {
  std::optional<PollPause> pause;
  if (!payload.isEmpty()) pause.emplace(ctx.poll);
  ExchangeTimer timer(ctx.clock);
  if (!handshakeWithin(ctx, timer)) return false;
  ctx.link.send(letter);
  if (!payload.isEmpty()) {
    ctx.link.waitSeconds(0.05);
    ctx.link.sendBytes(payload);
  }
  return true;
}

bool backToNormalDisplay(Context& ctx) {
  if (!sendToMeter(ctx, Command::Enter)) return false;
  ctx.link.waitSeconds(0.2);
  return true;
}

std::optional<SettingsBlock> requestSettingsBlock(Context& ctx) {
  ExchangeTimer timer(ctx.clock);
  do {
    if (!handshakeWithin(ctx, timer)) return std::nullopt;
    ctx.link.send(Command::ReadSettings);
    ctx.link.waitSeconds(0.05);
    const QByteArray reply = ctx.link.readAll();
    if (auto block = parseSettingsBlock(view(reply))) return block;
  } while (!timer.expired());
  return std::nullopt;
}

std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted) {
  ExchangeTimer timer(ctx.clock);
  do {
    ctx.link.discardInput();
    if (!handshakeWithin(ctx, timer, wanted)) return std::nullopt;
    ctx.link.send(Command::ReadClock);
    ctx.link.waitSeconds(0.02);
    if (!wantedNow(wanted)) return std::nullopt;
    const QByteArray reply = ctx.link.readAll();
    if (isClockReply(view(reply))) return reply;
  } while (!timer.expired());
  return std::nullopt;
}

PollPause::PollPause(PollControl& poll) : poll_(poll), wasEnabled_(poll.pollEnabled()) {
  poll_.setPollEnabled(false);
}

PollPause::~PollPause() {
  if (wasEnabled_) poll_.setPollEnabled(true);
}

namespace {
// Kept on the link object: the one line to the meter is what the exchanges share.
constexpr const char* kExchangeRunning = "luxSettingExchangeRunning";
}  // namespace

bool settingExchangeRunning(Context& ctx) {
  return ctx.link.property(kExchangeRunning).toBool();
}

bool ExchangeGuard::run(Context& ctx, const std::function<void()>& handler) {
  if (busy_ || settingExchangeRunning(ctx)) return false;
  // A logger download reads the dump inside its waits: a handshake now would discard the bytes
  // it is collecting.
  if (ctx.state.logger.downloadRunning) return false;
  busy_ = true;
  ctx.link.setProperty(kExchangeRunning, true);
  struct Release {
    bool& flag;
    MeterLink& link;
    ~Release() {
      flag = false;
      link.setProperty(kExchangeRunning, false);
    }
  } release{busy_, ctx.link};
  try {
    handler();
  } catch (const LinkAborted&) {
    // The program is closing: the exchange just stops.
  } catch (const std::exception&) {
    // A failure ends this exchange; the window stays usable for the next click.
  }
  return true;
}

}  // namespace lux
