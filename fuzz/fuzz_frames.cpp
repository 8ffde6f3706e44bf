// Random line bytes through frame framing and the display decoder, random records through the
// logger value texts, and random readings through the simulated meter's encoder. Besides
// surviving ASan/UBSan, each decoded frame must encode back to its own bytes.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "link/FrameDecoder.h"
#include "link/LoggerValue.h"
#include "link/Protocol.h"
#include "tests/support/Frames.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// The state carries over from window to window, as it does between polls.
lux::DisplayState state;

void decodeWindow(std::string_view window) {
  const bool framed = lux::isFramed(window, 14);
  const auto r = lux::decodeFrame(state, window);
  if (window.size() < 14) {
    check(r == lux::DecodeResult::TooShort);
    return;
  }
  check(r != lux::DecodeResult::TooShort);
  check(state.memoryDigits.size() == 2 && state.mainDigits.size() == 6 &&
        state.secondaryDigits.size() == 4);
  if (!framed || r == lux::DecodeResult::Banner) return;

  lux::test::FrameSpec spec;
  spec.flags = state;
  spec.overload = static_cast<std::uint8_t>(window[3]) == 0xFF;
  for (std::size_t i = 0; i < 2; ++i) spec.memoryDigits[i] = state.memoryDigits[i];
  for (std::size_t i = 0; i < 6; ++i) spec.mainDigits[i] = state.mainDigits[i];
  for (std::size_t i = 0; i < 4; ++i) spec.secondaryDigits[i] = state.secondaryDigits[i];
  const std::string back = lux::test::encodeFrame(spec);
  check(back.substr(0, 5) == window.substr(0, 5));
  if (r == lux::DecodeResult::Complete) check(back.substr(5, 2) == window.substr(5, 2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (std::size_t at = 0; at < size; at += 14) decodeWindow(bytes.substr(at, 14));
  // Frames found at any offset, as a poll that lost sync would meet them.
  for (std::size_t at = 0; at + 14 <= size && at < 256; ++at)
    if (lux::isFramed(bytes.substr(at), 14)) decodeWindow(bytes.substr(at, 14));

  std::array<std::string, 2> texts{"", ""};
  for (std::size_t at = 0; at + 3 <= size; at += 3) {
    const bool set = lux::formatLoggerValue(data[at], data[at + 1], data[at + 2], texts);
    check(set == (((data[at + 2] >> 1) & 0x3F) != 0));
    if (set) check(!texts[0].empty() && !texts[1].empty());
  }

  if (size >= 10) {
    double value;
    std::memcpy(&value, data, sizeof value);
    const int decimals = static_cast<std::int8_t>(data[8]);
    const auto spec =
        lux::test::frameForReading(value, decimals, (data[9] & 1) != 0, (data[9] & 2) != 0);
    lux::DisplayState s;
    check(lux::decodeFrame(s, lux::test::encodeFrame(spec)) == lux::DecodeResult::Complete);
  }
  return 0;
}
