#pragma once
// Byte-level knowledge of the meter's line protocol: plain functions from bytes to results, so
// the sequences on top stay short and the rules can be tested and fuzzed on their own.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lux {

// A handshake answer is valid when it holds at least 6 bytes: 02 AA hh mm ll 03. Returns the
// 24-bit logger fill address it carries.
std::optional<std::uint32_t> parseHandshakeAnswer(std::string_view bytes);

// True when `bytes` has at least `length` bytes, starts with 0x02 and has 0x03 at `length`.
bool isFramed(std::string_view bytes, std::size_t length);

// Two-digit decimal value as one packed-BCD byte (45 -> 0x45). Values outside 0..99 keep only
// their last two decimal digits.
std::uint8_t toPackedBcd(int value);

// A byte as its two upper-case hexadecimal digits (0x05 -> "05"): shows BCD bytes as decimals.
std::string hexPair(std::uint8_t byte);

// What a poll's collection holds: too little yet, a 14-byte display frame that starts with 0x02
// and ends with 0x03 in its first 14 bytes, or 14 bytes or more that are not such a frame.
enum class FrameCheck { Short, Misframed, Framed };
FrameCheck checkDisplayFrame(std::string_view bytes);

}  // namespace lux
