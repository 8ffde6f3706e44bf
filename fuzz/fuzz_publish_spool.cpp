// A spool file left on disk by an earlier run, whatever happened to it: no crash, no read past
// the bytes given, sequence numbers rising, and every record kept decodes where the scan found it
// and writes back to a record that decodes the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "publish/engine/PublishFormat.h"

using namespace lux::publish;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Half the inputs behind a valid header, so that the records themselves get the attention.
  std::string file(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1)) file = std::string(kSpoolMagic) + file.substr(1);
  const std::string_view bytes(file);
  std::uint64_t last = 0;
  std::uint64_t end = 0;
  scanSpool(bytes, 0, [&](const SpoolScanEntry& e) {
    if (e.seq <= last || e.offset < end || e.offset + e.length > bytes.size()) std::abort();
    last = e.seq;
    end = e.offset + e.length;
    std::size_t length = 0;
    bool key = false;
    const auto r = decodeSpoolRecord(bytes.substr(e.offset), e.seq - 1, e.prevMs, &length, &key);
    if (!r || r->seq != e.seq || length != e.length) std::abort();
    const std::string again = encodeSpoolRecord(*r, key, e.prevMs);
    std::size_t againLength = 0;
    bool againKey = false;
    const auto back = decodeSpoolRecord(again, e.seq - 1, e.prevMs, &againLength, &againKey);
    if (!back || againLength != again.size() || readingJson(*back) != readingJson(*r)) std::abort();
  });
  return 0;
}
