#include "link/FrameEncoder.h"

#include <cmath>
#include <string>

namespace lux {

namespace {

using Flag = bool DisplayState::*;

// Which annunciator sits on which bit of each flag byte, bit 0 first; empty slots are unused
// bits that always travel as 0.
constexpr Flag kFlagLayout[6][8] = {
    {&DisplayState::annRel, &DisplayState::annComp, &DisplayState::annCal, &DisplayState::annZero,
     &DisplayState::annUpperAvg, &DisplayState::annHold, &DisplayState::annRef,
     &DisplayState::annUpperPercent},
    {&DisplayState::annFcHour, &DisplayState::annLxHour, &DisplayState::annCd, &DisplayState::annFc,
     &DisplayState::annLx, &DisplayState::annLight, &DisplayState::annSmallPlus,
     &DisplayState::annStray},
    {&DisplayState::annComma, &DisplayState::annBattery, &DisplayState::annBigPlus,
     &DisplayState::annNegative, &DisplayState::annAuto, &DisplayState::annCycle,
     &DisplayState::annRead, &DisplayState::annLowerAvg},
    {&DisplayState::annNo, &DisplayState::annStart, &DisplayState::annIntv, &DisplayState::annStop,
     &DisplayState::annDH, &DisplayState::annMs, &DisplayState::annTimeHold,
     &DisplayState::annLowerPercent},
    {&DisplayState::annFt, &DisplayState::annM, &DisplayState::annMainPoint1,
     &DisplayState::annMainPoint2, &DisplayState::annMainPoint3, &DisplayState::annSubPoint1,
     &DisplayState::annSubPoint2, &DisplayState::annSubPoint3},
    {&DisplayState::annDateDot, &DisplayState::annTimeDot, &DisplayState::annMem,
     &DisplayState::annSetUp, nullptr, &DisplayState::annClear, &DisplayState::annRs232, nullptr},
};

std::uint8_t pair(char high, char low) {
  return static_cast<std::uint8_t>((digitNibble(high) << 4) | digitNibble(low));
}

}  // namespace

std::array<std::uint8_t, 6> encodeFlagBytes(const DisplayState& s) {
  std::array<std::uint8_t, 6> bytes{};
  for (std::size_t i = 0; i < 6; ++i)
    for (unsigned bit = 0; bit < 8; ++bit)
      if (kFlagLayout[i][bit] && s.*kFlagLayout[i][bit])
        bytes[i] = static_cast<std::uint8_t>(bytes[i] | (1u << bit));
  return bytes;
}

std::uint8_t digitNibble(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return 0xA;
}

std::string encodeFrame(const FrameSpec& spec) {
  std::string frame(14, '\0');
  auto put = [&](std::size_t pos, std::uint8_t b) { frame[pos - 1] = static_cast<char>(b); };
  put(1, 0x02);
  put(2, pair(spec.memoryDigits[0], spec.memoryDigits[1]));
  put(3, pair(spec.mainDigits[0], spec.mainDigits[1]));
  put(4, spec.overload ? 0xFF : pair(spec.mainDigits[2], spec.mainDigits[3]));
  put(5, pair(spec.mainDigits[4], spec.mainDigits[5]));
  put(6, pair(spec.secondaryDigits[0], spec.secondaryDigits[1]));
  put(7, pair(spec.secondaryDigits[2], spec.secondaryDigits[3]));
  const auto flags = encodeFlagBytes(spec.flags);
  for (std::size_t i = 0; i < flags.size(); ++i) put(8 + i, flags[i]);
  put(14, 0x03);
  return frame;
}

FrameSpec frameForReading(double value, int decimals, bool lux, bool overload) {
  FrameSpec spec;
  decimals = decimals < 0 ? 0 : decimals > 3 ? 3 : decimals;
  spec.flags.annAuto = true;
  (lux ? spec.flags.annLx : spec.flags.annFc) = true;

  long long shown = 0;
  if (!overload && std::isfinite(value)) {
    static constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0};
    const double scaled = std::fabs(value) * kPowersOfTen[decimals];
    if (scaled < 999999.5)
      shown = std::llround(scaled);
    else
      overload = true;
  } else {
    overload = true;
  }
  if (overload) {
    spec.overload = true;
    return spec;
  }

  // At least one digit before the point: 0.5 shows as "0.5", not ".5".
  std::string digits = std::to_string(shown);
  const std::size_t minDigits = static_cast<std::size_t>(decimals) + 1;
  if (digits.size() < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  const std::size_t first = spec.mainDigits.size() - digits.size();
  for (std::size_t i = 0; i < digits.size(); ++i) spec.mainDigits[first + i] = digits[i];

  spec.flags.annNegative = value < 0 && shown != 0;
  spec.flags.annMainPoint1 = decimals == 3;
  spec.flags.annMainPoint2 = decimals == 2;
  spec.flags.annMainPoint3 = decimals == 1;
  return spec;
}

}  // namespace lux
