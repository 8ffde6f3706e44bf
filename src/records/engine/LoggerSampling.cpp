#include "records/engine/LoggerSampling.h"

#include <QByteArray>
#include <string_view>

#include "link/MeterLink.h"
#include "records/DataFormat.h"

namespace lux {

std::optional<std::pair<std::uint8_t, std::uint8_t>> requestLoggerSampling(MeterLink& link,
                                                                           double bound) {
  const auto reply = link.exchange(
      Command::ReadClock, 0.02, [](const QByteArray& r) { return r.size() >= 8; }, bound, {}, 5);
  if (!reply) return std::nullopt;
  return samplingTimeFromReply(
      std::string_view(reply->constData(), static_cast<std::size_t>(reply->size())));
}

bool sendLoggerSampling(MeterLink& link, std::uint8_t minutes, std::uint8_t seconds) {
  if (!link.command(Command::Enter)) return false;
  link.waitSeconds(0.2);
  QByteArray payload;
  payload.append(static_cast<char>(minutes));
  payload.append(static_cast<char>(seconds));
  return link.command(Command::SetLoggerSampling, payload);
}

}  // namespace lux
