#include "settings/MeterExchange.h"

#include <string_view>

#include "core/Context.h"
#include "link/Protocol.h"

namespace lux {

namespace {
std::string_view view(const QByteArray& b) {
  return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}
}  // namespace

bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload) {
  return ctx.link.command(letter, payload);
}

bool backToNormalDisplay(Context& ctx) {
  if (!sendToMeter(ctx, Command::Enter)) return false;
  ctx.link.waitSeconds(0.2);
  return true;
}

std::optional<SettingsBlock> requestSettingsBlock(Context& ctx) {
  const auto reply = ctx.link.exchange(Command::ReadSettings, 0.05, [](const QByteArray& r) {
    return parseSettingsBlock(view(r)).has_value();
  });
  if (!reply) return std::nullopt;
  return parseSettingsBlock(view(*reply));
}

std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted) {
  return ctx.link.exchange(
      Command::ReadClock, 0.02, [](const QByteArray& r) { return isClockReply(view(r)); },
      MeterLink::kAnswerBound, wanted);
}

}  // namespace lux
