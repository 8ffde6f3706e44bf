#include "link/FrameDecoder.h"

#include <limits>
#include <string>

namespace lux {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Memory and main digits: the nibble 0xA is an unlit digit.
char litDigit(std::uint8_t nibble) {
  return nibble == 0xA ? ' ' : kHexDigits[nibble & 0xF];
}

// Secondary digits show every nibble as its hexadecimal character.
char hexDigit(std::uint8_t nibble) {
  return kHexDigits[nibble & 0xF];
}

}  // namespace

std::array<bool, 8> bitFlags(std::uint8_t b) {
  std::array<bool, 8> flags{};
  for (auto& flag : flags) {
    flag = (b % 2) != 0;
    b /= 2;
  }
  return flags;
}

void decodeModeByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annRel = f[0];
  s.annComp = f[1];
  s.annCal = f[2];
  s.annZero = f[3];
  s.annUpperAvg = f[4];
  s.annHold = f[5];
  s.annRef = f[6];
  s.annUpperPercent = f[7];
}

void decodeUnitByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annFcHour = f[0];
  s.annLxHour = f[1];
  s.annCd = f[2];
  s.annFc = f[3];
  s.annLx = f[4];
  s.annLight = f[5];
  s.annSmallPlus = f[6];
  s.annStray = f[7];
  // With both unit marks lit the reading is taken as foot-candles.
  if (s.annFc)
    s.unitText = "Fc";
  else if (s.annLx)
    s.unitText = "Lx";
  else
    s.unitText.clear();
}

void decodeSignByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annComma = f[0];
  s.annBattery = f[1];
  s.annBigPlus = f[2];
  s.annNegative = f[3];
  s.annAuto = f[4];
  s.annCycle = f[5];
  s.annRead = f[6];
  s.annLowerAvg = f[7];
}

void decodeLoggerByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annNo = f[0];
  s.annStart = f[1];
  s.annIntv = f[2];
  s.annStop = f[3];
  s.annDH = f[4];
  s.annMs = f[5];
  s.annTimeHold = f[6];
  s.annLowerPercent = f[7];
}

void decodePointByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annFt = f[0];
  s.annM = f[1];
  s.annMainPoint1 = f[2];
  s.annMainPoint2 = f[3];
  s.annMainPoint3 = f[4];
  s.annSubPoint1 = f[5];
  s.annSubPoint2 = f[6];
  s.annSubPoint3 = f[7];
  // The thousands comma comes from the sign byte, decoded just before this one. A reading shown
  // with it is a whole number even when the meter also lights a point.
  if (s.annComma) {
    s.mainScale = 1.0f;
    s.mainDecimals = 0;
  } else if (s.annMainPoint1) {
    s.mainScale = 0.001f;
    s.mainDecimals = 3;
  } else if (s.annMainPoint2) {
    s.mainScale = 0.01f;
    s.mainDecimals = 2;
  } else if (s.annMainPoint3) {
    s.mainScale = 0.1f;
    s.mainDecimals = 1;
  } else {
    s.mainScale = 1.0f;
    s.mainDecimals = 0;
  }
}

void decodeIndicatorByte(DisplayState& s, std::uint8_t b) {
  const auto f = bitFlags(b);
  s.annDateDot = f[0];
  s.annTimeDot = f[1];
  s.annMem = f[2];
  s.annSetUp = f[3];
  s.annClear = f[5];
  s.annRs232 = f[6];
}

std::uint32_t leadingDigitsValue(std::string_view text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value >= kMax) return static_cast<std::uint32_t>(kMax);
  }
  return static_cast<std::uint32_t>(value);
}

DecodeResult decodeFrame(DisplayState& s, std::string_view frame) {
  if (frame.size() < 14) return DecodeResult::TooShort;
  // Positions as the meter numbers them, from 1.
  auto at = [&](std::size_t pos) { return static_cast<std::uint8_t>(frame[pos - 1]); };

  // Every flag first: the unit and the comma decide how the digits are read.
  decodeModeByte(s, at(8));
  decodeUnitByte(s, at(9));
  decodeSignByte(s, at(10));
  decodeLoggerByte(s, at(11));
  decodePointByte(s, at(12));
  decodeIndicatorByte(s, at(13));

  // While a banner is up the digits do not hold a reading; keep the last one.
  if (s.bannerShown()) return DecodeResult::Banner;

  s.memoryDigits.assign(2, ' ');
  s.memoryDigits[0] = litDigit(at(2) >> 4);
  s.memoryDigits[1] = litDigit(at(2) & 0xF);

  const bool overload = at(4) == 0xFF;
  s.mainDigits.assign(6, ' ');
  s.mainDigits[0] = litDigit(at(3) >> 4);
  s.mainDigits[1] = litDigit(at(3) & 0xF);
  if (overload) {
    s.mainDigits[2] = 'O';
    s.mainDigits[3] = 'L';
  } else {
    s.mainDigits[2] = litDigit(at(4) >> 4);
    s.mainDigits[3] = litDigit(at(4) & 0xF);
  }
  s.mainDigits[4] = litDigit(at(5) >> 4);
  s.mainDigits[5] = litDigit(at(5) & 0xF);

  s.mainDigitsText.clear();
  for (char c : s.mainDigits)
    if (c != ' ') s.mainDigitsText.push_back(c);

  if (overload) {
    // Stands above anything either range can show, so limits and graphs treat it as off-scale.
    s.mainValue = s.unitText == "Lx" ? 1000000.0f : 100000.0f;
    s.mainValueText = "OL";
  } else {
    static constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0};
    const int decimals = s.mainDecimals >= 0 && s.mainDecimals <= 3 ? s.mainDecimals : 0;
    // Divide rather than multiply by the float scale, so 123 with two decimals is the float
    // nearest 1.23 and not one that prints as 1.2299999.
    s.mainValue = static_cast<float>(leadingDigitsValue(s.mainDigitsText) / kPowersOfTen[decimals]);
    if (decimals > 0) {
      const auto n = static_cast<std::size_t>(decimals);
      if (s.mainDigitsText.size() < n) return DecodeResult::StoppedEarly;
      s.mainValueText = s.mainDigitsText;
      s.mainValueText.insert(s.mainValueText.size() - n, 1, '.');
    } else {
      s.mainValueText = s.mainDigitsText;
    }
  }

  s.secondaryDigits.assign(4, ' ');
  s.secondaryDigits[0] = hexDigit(at(6) >> 4);
  s.secondaryDigits[1] = hexDigit(at(6) & 0xF);
  s.secondaryDigits[2] = hexDigit(at(7) >> 4);
  s.secondaryDigits[3] = hexDigit(at(7) & 0xF);
  return DecodeResult::Complete;
}

}  // namespace lux
