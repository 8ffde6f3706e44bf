// What the publisher reads from outside: Home Assistant's status messages from the broker and
// the spool lines an earlier run left on disk. No crash, only the two words count as a status,
// and every spool line accepted writes back byte for byte and yields valid JSON-safe fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "publish/engine/PublishFormat.h"

using namespace lux::publish;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const HomeAssistantStatus s = classifyStatus(bytes);
  if (s != HomeAssistantStatus::Ignored && (size < 6 || size > 32)) std::abort();

  std::size_t at = 0;
  while (at <= bytes.size()) {
    const std::size_t nl = bytes.find('\n', at);
    const std::string_view line = bytes.substr(at, nl == std::string_view::npos ? nl : nl - at);
    if (const auto r = decodeSpoolLine(line)) {
      const std::string again = encodeSpoolLine(*r);
      const auto back = decodeSpoolLine(std::string_view(again).substr(0, again.size() - 1));
      if (!back || encodeSpoolLine(*back) != again) std::abort();
      const std::string json = readingJson(*r);
      if (json.find('\n') != std::string::npos || json.front() != '{' || json.back() != '}')
        std::abort();
    }
    if (nl == std::string_view::npos) break;
    at = nl + 1;
  }
  const std::string quoted = jsonString(bytes);
  for (unsigned char c : quoted)
    if (c < 0x20) std::abort();
  return 0;
}
