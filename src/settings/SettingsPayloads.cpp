#include "settings/SettingsPayloads.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/NumberText.h"
#include "link/Commands.h"
#include "link/Protocol.h"

namespace lux {

namespace {

// A whole number from a typed value known to be in 0 .. cap (fractions are dropped, as the
// meter's two-digit fields have none).
int wholeCapped(double v, int cap) {
  if (v > cap) return cap;
  return static_cast<int>(v);
}

// The shape both input boxes require: one separator, with text on both sides of it.
bool separatedOnce(std::string_view text, char sep) {
  const std::size_t p = text.find(sep);
  if (p == std::string_view::npos || p == 0) return false;
  if (text.size() < 3) return false;
  if (p + 1 >= text.size()) return false;
  return text.find(sep, p + 1) == std::string_view::npos;
}

char byteOf(int v) {
  return static_cast<char>(static_cast<std::uint8_t>(v & 0xFF));
}

}  // namespace

HoldEntry parseHoldEntry(std::string_view text) {
  HoldEntry e;
  if (text.empty()) return e;
  if (!separatedOnce(text, ':')) {
    e.verdict = EntryVerdict::Invalid;
    return e;
  }
  const std::size_t p = text.find(':');
  const double m = leadingNumber(text.substr(0, p));
  const double s = leadingNumber(text.substr(p + 1));
  if (m < 0 || s < 0) {
    e.verdict = EntryVerdict::Negative;
    return e;
  }
  e.verdict = EntryVerdict::Valid;
  e.minutes = wholeCapped(m, 59);
  e.seconds = wholeCapped(s, 59);
  return e;
}

std::string encodeHoldPayload(int minutes, int seconds) {
  return {static_cast<char>(toPackedBcd(minutes)), static_cast<char>(toPackedBcd(seconds))};
}

DistanceEntry parseDistanceEntry(std::string_view text) {
  DistanceEntry e;
  if (text.empty()) return e;
  if (!separatedOnce(text, '.')) {
    e.verdict = EntryVerdict::Invalid;
    return e;
  }
  const std::size_t p = text.find('.');
  const double whole = leadingNumber(text.substr(0, p));
  // "1.5" means 1.50: pad the fraction before taking its first two characters.
  std::string fraction(text.substr(p + 1));
  fraction += '0';
  const double hundredths = leadingNumber(std::string_view(fraction).substr(0, 2));
  if (whole < 0 || hundredths < 0) {
    e.verdict = EntryVerdict::Negative;
    return e;
  }
  e.verdict = EntryVerdict::Valid;
  e.hundredths = 100 * wholeCapped(whole, 9) + wholeCapped(hundredths, 99);
  return e;
}

std::string encodeDistancePayload(int hundredths) {
  return {byteOf(hundredths >> 8), byteOf(hundredths)};
}

std::string distanceDefaultText(std::uint16_t hundredths) {
  auto twoDigits = [](unsigned v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
  };
  return twoDigits(hundredths / 100u) + "." + twoDigits(hundredths % 100u);
}

std::optional<SettingsBlock> parseSettingsBlock(std::string_view bytes) {
  if (!isFramed(bytes, kSettingsBlockLength)) return std::nullopt;
  auto u = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  SettingsBlock b;
  b.distance = static_cast<std::uint16_t>(u(1) << 8 | u(2));
  b.comparatorFlags = u(3);
  b.high = static_cast<std::uint16_t>(u(4) << 8 | u(5));
  b.low = static_cast<std::uint16_t>(u(6) << 8 | u(7));
  b.distanceBytes = std::string(bytes.substr(1, 2));
  return b;
}

std::string limitDigitsText(std::uint16_t limit) {
  const std::string s = "000" + std::to_string(limit);
  return s.substr(s.size() - 4);
}

int comparatorOptionOf(const SettingsBlock& block) {
  const int first = block.lux() ? 2 : 1;
  int chosen = 0;
  for (int i = 1; i <= 5; ++i)
    if (block.decimalFlag(i)) chosen = i + first - 1;
  return chosen;
}

std::uint8_t comparatorRangeCode(bool lux, int option) {
  const int first = lux ? 2 : 1;  // the option of the unit's first range
  const int index = option - first;
  if (index >= 0 && index < 4) return static_cast<std::uint8_t>(1u << index);
  return 16;
}

int limitFromDigitTexts(const std::array<std::string, 4>& digits) {
  std::string joined;
  for (const std::string& d : digits) joined += d;
  const double v = leadingNumber(joined);
  if (v < 0) return 0;
  return wholeCapped(v, 9999);
}

std::string encodeComparatorPayload(bool lux, int option, int high, int low) {
  const int mode = (lux ? 64 : 32) + comparatorRangeCode(lux, option);
  return {byteOf(mode), byteOf(high >> 8), byteOf(high), byteOf(low >> 8), byteOf(low)};
}

std::string comparatorLimitText(std::string_view digits, int option) {
  if (option < 1 || option > 6 || digits.size() != 4) return {};
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
  std::string whole(digits);
  std::string fraction;
  if (option <= 3) {
    whole = std::string(digits.substr(0, static_cast<std::size_t>(option)));
    fraction = std::string(digits.substr(static_cast<std::size_t>(option)));
  } else {
    whole += std::string(static_cast<std::size_t>(option - 4), '0');
  }
  const std::size_t firstDigit = whole.find_first_not_of('0');
  whole = firstDigit == std::string::npos ? "0" : whole.substr(firstDigit);
  return fraction.empty() ? whole : whole + "." + fraction;
}

std::string encodeClockPayload(int day, int hour, int minute, int second) {
  return {static_cast<char>(toPackedBcd(day)), static_cast<char>(toPackedBcd(hour)),
          static_cast<char>(toPackedBcd(minute)), static_cast<char>(toPackedBcd(second))};
}

bool isClockReply(std::string_view bytes) {
  return isFramed(bytes, kClockAnswerLength);
}

std::optional<std::string> meterClockCaption(std::string_view bytes) {
  if (!isClockReply(bytes)) return std::nullopt;
  auto h = [&](std::size_t i) { return hexPair(static_cast<std::uint8_t>(bytes[i])); };
  return h(1) + " " + h(2) + ":" + h(3) + ":" + h(4);
}

}  // namespace lux
