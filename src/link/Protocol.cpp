#include "link/Protocol.h"

namespace lux {

std::optional<std::uint32_t> parseHandshakeAnswer(std::string_view b) {
  if (b.size() < 6) return std::nullopt;
  auto u = [&](std::size_t i) { return static_cast<std::uint8_t>(b[i]); };
  if (u(0) != 0x02 || u(1) != 0xAA || u(5) != 0x03) return std::nullopt;
  return (static_cast<std::uint32_t>(u(2)) << 16) | (static_cast<std::uint32_t>(u(3)) << 8) | u(4);
}

bool isFramed(std::string_view b, std::size_t length) {
  return length >= 2 && b.size() >= length && static_cast<std::uint8_t>(b[0]) == 0x02 &&
         static_cast<std::uint8_t>(b[length - 1]) == 0x03;
}

std::uint8_t toPackedBcd(int value) {
  if (value < 0) value = -value;
  value %= 100;
  return static_cast<std::uint8_t>((value / 10) * 16 + value % 10);
}

std::string hexPair(std::uint8_t byte) {
  static const char digits[] = "0123456789ABCDEF";
  return {digits[byte >> 4], digits[byte & 0x0F]};
}

FrameCheck checkDisplayFrame(std::string_view b) {
  if (b.size() < 14) return FrameCheck::Short;
  return isFramed(b, 14) ? FrameCheck::Framed : FrameCheck::Misframed;
}

}  // namespace lux
