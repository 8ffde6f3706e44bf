#pragma once
// Turns one 14-byte display frame into the display state the panel mirrors and recording,
// lists and graphs sample. Pure byte rules, no Qt.
#include <array>
#include <cstdint>
#include <string_view>

#include "link/DisplayState.h"

namespace lux {

// The eight flags of one flag byte, bit 0 first.
std::array<bool, 8> bitFlags(std::uint8_t b);

// One decoder per flag byte, frame bytes 8 to 13 in this order. decodeUnitByte also sets
// unitText ("Fc" wins over "Lx"); decodePointByte also sets mainScale and mainDecimals (the
// thousands comma first: a comma reading is a whole number); decodeIndicatorByte looks at bits
// 0 to 6 only.
void decodeModeByte(DisplayState& s, std::uint8_t b);
void decodeUnitByte(DisplayState& s, std::uint8_t b);
void decodeSignByte(DisplayState& s, std::uint8_t b);
void decodeLoggerByte(DisplayState& s, std::uint8_t b);
void decodePointByte(DisplayState& s, std::uint8_t b);
void decodeIndicatorByte(DisplayState& s, std::uint8_t b);

enum class DecodeResult {
  // Every field of the display state reflects this frame.
  Complete,
  // SET UP, CLEAR or RS232 is up: only the annunciator flags changed; digits and the reading
  // keep their previous values.
  Banner,
  // More decimals than lit main digits: flags, memory and main digits, mainDigitsText and
  // mainValue were set; mainValueText and the secondary digits keep their previous values. The
  // caller does not refresh the panel for this frame.
  StoppedEarly,
  // Fewer than 14 bytes: nothing was touched.
  TooShort,
};

// Decodes a frame given as its bytes from position 1 (0x02) to 14 (0x03). The start and end
// bytes are not checked here (the poll accepts only framed data); any content is accepted.
DecodeResult decodeFrame(DisplayState& s, std::string_view frame);

// Leading-number value of a digits text: the decimal digits at its start, 0 if none.
std::uint32_t leadingDigitsValue(std::string_view text);

}  // namespace lux
