#include "settings/MeterExchange.h"

#include <string_view>

#include "core/Context.h"
#include "link/FrameDecoder.h"
#include "link/Protocol.h"

namespace lux {

namespace {
std::string_view view(const QByteArray& b) {
  return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}
}  // namespace

bool sendToMeter(MeterLink& link, Command letter, const QByteArray& payload) {
  return link.command(letter, payload);
}

bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload) {
  return sendToMeter(ctx.link, letter, payload);
}

bool backToNormalDisplay(MeterLink& link) {
  if (!sendToMeter(link, Command::Enter)) return false;
  link.waitSeconds(0.2);
  return true;
}

bool backToNormalDisplay(Context& ctx) {
  return backToNormalDisplay(ctx.link);
}

std::optional<SettingsBlock> requestSettingsBlock(MeterLink& link) {
  const auto reply = link.exchange(Command::ReadSettings, 0.05, [](const QByteArray& r) {
    return parseSettingsBlock(view(r)).has_value();
  });
  if (!reply) return std::nullopt;
  return parseSettingsBlock(view(*reply));
}

std::optional<SettingsBlock> requestSettingsBlock(Context& ctx) {
  return requestSettingsBlock(ctx.link);
}

std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted) {
  return ctx.link.exchange(
      Command::ReadClock, 0.02, [](const QByteArray& r) { return isClockReply(view(r)); },
      MeterLink::kAnswerBound, wanted);
}

bool sendComparatorLimits(MeterLink& link, const QByteArray& payload) {
  if (!backToNormalDisplay(link) || !sendToMeter(link, Command::SetComparator, payload))
    return false;
  link.waitSeconds(0.2);
  return sendToMeter(link, Command::KeyComp);
}

bool resendMeterDistance(MeterLink& link) {
  std::optional<SettingsBlock> block;
  if (backToNormalDisplay(link)) block = requestSettingsBlock(link);
  return block && sendToMeter(link, Command::SetDistance,
                              QByteArray(block->distanceBytes.data(),
                                         static_cast<qsizetype>(block->distanceBytes.size())));
}

std::optional<bool> loggingShownIn(const QByteArray& bytes, const DisplayState& shown) {
  const std::string_view b = view(bytes);
  std::optional<bool> logging;
  for (std::size_t at = 0; at + kFrameLength <= b.size(); ++at) {
    const std::string_view frame = b.substr(at, kFrameLength);
    if (checkDisplayFrame(frame) != FrameCheck::Framed) continue;
    // Only the logger marks (frame byte 11) are wanted here; the readings are the session's.
    DisplayState s = shown;
    decodeLoggerByte(s, static_cast<std::uint8_t>(frame[10]));
    logging = s.annIntv;
    at += kFrameLength - 1;
  }
  return logging;
}

bool meterShowsLogging(Context& ctx, double collect) {
  QByteArray bytes = ctx.link.readAll();
  std::optional<bool> logging = loggingShownIn(bytes, ctx.display);
  if (logging) return *logging;
  ctx.link.send(Command::Stream);
  const ElapsedTimer timer(ctx.link.clock());
  bytes.clear();
  while (!timer.hasExpired(collect)) {
    ctx.link.waitSeconds(MeterLink::kStep);
    bytes += ctx.link.readAll();
    logging = loggingShownIn(bytes, ctx.display);
    if (logging) return *logging;
  }
  return false;
}

}  // namespace lux
