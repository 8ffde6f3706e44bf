#pragma once
// Builds the 14-byte display frames the meter streams, from a description of what its LCD
// shows. The simulated meter speaks through this, and the decoder tests use it to round-trip
// random displays.
#include <array>
#include <cstdint>
#include <string>

#include "link/DisplayState.h"

namespace lux {

// What the LCD shows. Only the ann* flags of `flags` are sent; its digits and reading fields
// are ignored (the digits below are what goes on the wire).
struct FrameSpec {
  DisplayState flags;
  // Each digit is '0'-'9', ' ' for an unlit digit, or 'B'-'F' for the letters the LCD can show.
  // ' ' and 'A' both travel as the nibble 0xA (which the decoder reads back as blank for the
  // memory and main digits, and as 'A' for the secondary digits).
  std::array<char, 2> memoryDigits{' ', ' '};
  std::array<char, 6> mainDigits{' ', ' ', ' ', ' ', ' ', ' '};
  // Overload: main digits 3 and 4 travel as 0xFF ("O" "L"); mainDigits[2] and [3] are ignored.
  // Digits 3 and 4 both 'F' make the same byte, so they read back as overload too.
  bool overload = false;
  std::array<char, 4> secondaryDigits{'0', '0', '0', '0'};
};

// The six flag bytes (frame bytes 8 to 13) for the annunciators of `s`; the inverse of the
// decode*Byte functions. Bits 4 and 7 of the last byte are always 0.
std::array<std::uint8_t, 6> encodeFlagBytes(const DisplayState& s);

// One nibble for a digit character ('0'-'9' -> 0-9, ' ' or 'A' -> 0xA, 'B'-'F' -> 0xB-0xF;
// anything else -> 0xA, an unlit digit).
std::uint8_t digitNibble(char c);

// The 14 bytes 0x02 ... 0x03 of one display frame.
std::string encodeFrame(const FrameSpec& spec);

// A reading laid out as the meter shows it: right-aligned in the six main digits with
// `decimals` places (0..3, clamped), at least one digit before the point, the matching point
// flag (3 -> annMainPoint1, 2 -> annMainPoint2, 1 -> annMainPoint3), the unit flag (lux -> annLx,
// else annFc), annNegative for a negative value, and AUTO on. A reading that does not fit in
// six digits, or `overload` = true, is sent as overload ("OL"). The magnitude is rounded to
// `decimals` places, ties away from zero.
FrameSpec frameForReading(double value, int decimals, bool lux, bool overload = false);

}  // namespace lux
