#include "link/LoggerValue.h"

#include <string>

namespace lux {

namespace {

// All arithmetic is done on whole numbers of the last shown decimal, so a value such as 23.8
// can never come out as 23.799999 and a tie always rounds up, as a reader of the meter expects.
// The texts are built by hand, never through the locale, so they always carry a ".".

// `units` counted in 10^-decimals, shown with exactly `decimals` places ("0.0", "0.00"...).
std::string fixedText(std::uint64_t units, int decimals) {
  std::string digits = std::to_string(units);
  if (decimals <= 0) return digits;
  const auto n = static_cast<std::size_t>(decimals);
  if (digits.size() <= n) digits.insert(0, n + 1 - digits.size(), '0');
  digits.insert(digits.size() - n, 1, '.');
  return digits;
}

// The shortest plain decimal text of the same value: no trailing zeros, no bare point.
std::string generalText(std::uint64_t units, int decimals) {
  std::string text = fixedText(units, decimals);
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

// raw x 929 / 1000 (lux to foot-candles) rounded to a whole number, ties up.
std::uint64_t roundedThousandths(std::uint64_t v) {
  return (v + 500) / 1000;
}

}  // namespace

bool formatLoggerValue(std::uint8_t high, std::uint8_t low, std::uint8_t range,
                       std::array<std::string, 2>& loggerValueText) {
  const std::uint64_t raw = static_cast<std::uint64_t>(high) * 256 + low;
  // One foot-candle is 10.764 lux; the meter converts with 0.0929.
  const std::uint64_t fc = raw * 929;  // in thousandths of raw

  int row = 0;
  for (int bit = 6; bit >= 1; --bit) {
    if ((range >> bit) & 1) {
      row = bit;
      break;
    }
  }
  switch (row) {
    case 6:
      loggerValueText[0] = generalText(raw * 100, 0);
      loggerValueText[1] = generalText(fc, 2);  // raw x 9.29
      return true;
    case 5:
      loggerValueText[0] = generalText(raw * 10, 0);
      loggerValueText[1] = generalText(fc / 1000, 0);  // raw x 0.929, cut to a whole number
      return true;
    case 4:
      loggerValueText[0] = generalText(raw, 0);
      loggerValueText[1] = fixedText(roundedThousandths(fc), 1);
      return true;
    case 3:
      loggerValueText[0] = fixedText(raw, 1);
      loggerValueText[1] = fixedText(roundedThousandths(fc), 2);
      return true;
    case 2:
      loggerValueText[0] = fixedText(raw, 2);
      loggerValueText[1] = fixedText(roundedThousandths(fc), 3);
      return true;
    case 1:
      loggerValueText[0] = fixedText(raw, 3);
      loggerValueText[1] = fixedText(roundedThousandths(fc), 4);
      return true;
    default:
      return false;
  }
}

}  // namespace lux
