// The publisher's configuration file and --meter/--broker texts on arbitrary bytes: no crash, no
// read out of bounds, and what is accepted holds what the rules promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "publish/engine/PublishConfig.h"

using namespace lux::publish;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<ConfigError> errors;
  const PublishConfig c = parseConfig(bytes, &errors);
  if (errors.empty()) {
    if (!validTopicPrefix(c.broker.prefix) || !validTopicPrefix(c.broker.discoveryPrefix))
      std::abort();
    std::string why;
    if (!parseBrokerUrl(c.broker.url, &why)) std::abort();
    if (c.broker.keepalive < 5 || c.broker.keepalive > 3600) std::abort();
    if (c.meters.size() > 64) std::abort();
    for (const auto& m : c.meters)
      if (!validMeterId(m.id) || m.port.empty() || !(m.every >= 0 && m.every <= 86400))
        std::abort();
  }
  for (const auto& e : errors)
    if (e.message.empty() || e.line < 0) std::abort();

  std::string why;
  if (const auto url = parseBrokerUrl(bytes, &why)) {
    if (url->host.empty() || url->port < 1 || url->port > 65535) std::abort();
  } else if (why.empty()) {
    std::abort();
  }
  if (const auto m = parseMeterOption(bytes, &why))
    if (!validMeterId(m->id) || m->port.empty()) std::abort();
  (void)parsePeriod(bytes);
  return 0;
}
