#pragma once
// Turns one three-byte record of the meter's logger memory into its lux and foot-candle texts.
#include <array>
#include <cstdint>
#include <string>

namespace lux {

// Sets loggerValueText[0] (lux) and loggerValueText[1] (foot-candles) from the record's high
// and low value bytes and its range byte. The highest set bit among bits 6..1 of `range`
// chooses the scale; when none is set both texts keep their previous values and false is
// returned. Texts always use "." as the decimal point whatever the system locale.
bool formatLoggerValue(std::uint8_t high, std::uint8_t low, std::uint8_t range,
                       std::array<std::string, 2>& loggerValueText);

}  // namespace lux
