#pragma once
// The bytes behind the meter's setting commands, and the rules that turn what the user typed
// into them. Plain functions without Qt, so the rules can be tested and fuzzed on their own:
// a wrong byte here sets the wrong hold time, distance, limit or clock on the instrument.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lux {

// What the user typed into an "MM:SS" or "d.dd" input box, judged.
enum class EntryVerdict {
  Empty,     // empty text or Cancel: the command ends, nothing is sent
  Invalid,   // wrong shape: the invalid-format message, then the same box again
  Negative,  // a negative part: the command ends, nothing is sent
  Valid,
};

// Hold time "MM:SS". Minutes and seconds are each capped at 59.
struct HoldEntry {
  EntryVerdict verdict = EntryVerdict::Empty;
  int minutes = 0;
  int seconds = 0;
};
HoldEntry parseHoldEntry(std::string_view text);
// Minutes and seconds as the two packed-BCD bytes that follow "S".
std::string encodeHoldPayload(int minutes, int seconds);

// Light-source distance "d.dd" in hundredths (0 .. 999): the whole part is capped at 9, the
// hundredths are the first two characters after the point ("1.5" is 1.50, "1.257" is 1.25).
struct DistanceEntry {
  EntryVerdict verdict = EntryVerdict::Empty;
  int hundredths = 0;
};
DistanceEntry parseDistanceEntry(std::string_view text);
// A distance in hundredths as the two bytes that follow "I", high byte first.
std::string encodeDistancePayload(int hundredths);
// The distance the meter holds, as the input box proposes it: 300 -> "03.00".
std::string distanceDefaultText(std::uint16_t hundredths);

// The meter's 9-byte answer to "Z": 02, distance (2), comparator flags, HIGH (2), LOW (2), 03.
struct SettingsBlock {
  std::uint16_t distance = 0;  // hundredths
  std::uint8_t comparatorFlags = 0;
  std::uint16_t high = 0;
  std::uint16_t low = 0;
  std::string distanceBytes;  // bytes 2 and 3 as they came, for re-sending unchanged

  // Decimal-point flag 1..5 (bits 0..4 of the flags byte).
  bool decimalFlag(int i) const { return i >= 1 && i <= 5 && (comparatorFlags >> (i - 1)) & 1; }
  // Bit 6: the comparator works in lux (else in foot-candles).
  bool lux() const { return (comparatorFlags & 0x40) != 0; }
};
// A well-framed block: at least 9 bytes, 0x02 first and 0x03 ninth. Anything else (a display
// frame or a handshake answer that slipped in) is not a settings block.
std::optional<SettingsBlock> parseSettingsBlock(std::string_view bytes);

// A comparator limit as the comparator window's four digit boxes show it: the last four digits
// of the number with leading zeros (12345 -> "2345", 42 -> "0042").
std::string limitDigitsText(std::uint16_t limit);

// The range option the meter's settings block stands for: in lux the five decimal-point flags
// are options 2-6, in foot-candles options 1-5; where more than one flag is set the last one
// holds, as successive selections would. 0 when no flag is set.
int comparatorOptionOf(const SettingsBlock& block);

// Range option k of the comparator window (1 = d.ddd, 2 = dd.dd, 3 = ddd.d, 4 = dddd,
// 5 = dddd0, 6 = dddd00; 0 = none selected) as the meter's range code 1, 2, 4, 8 or 16 for the
// unit's first to fifth range; lux uses options 2-6, foot-candles 1-5, anything else is the
// fifth range.
std::uint8_t comparatorRangeCode(bool lux, int option);
// The number spelled by the texts of the four digit boxes joined (an empty box adds nothing).
int limitFromDigitTexts(const std::array<std::string, 4>& digits);
// The 5 bytes that follow "V": unit bits (64 lux, 32 foot-candles) + range code, HIGH and LOW
// high byte first.
std::string encodeComparatorPayload(bool lux, int option, int high, int low);

// A limit as the meter will show it in range option 1..6: the four digits with the decimal point
// or trailing zeros of the range, leading zeros dropped ("0050" in option 3 is "5.0", "1234" in
// option 6 is "123400"). Empty when no range is chosen or a digit is missing.
std::string comparatorLimitText(std::string_view fourDigits, int option);

// The 4 bytes that follow "T": day of month, hour, minute, second as packed BCD.
std::string encodeClockPayload(int day, int hour, int minute, int second);
// A reply to "Y": at least 8 bytes, 0x02 first and 0x03 eighth.
bool isClockReply(std::string_view bytes);
// The meter's clock from a reply to "Y" as "DD hh:mm:ss" (bytes 2-5 as hexadecimal pairs);
// nothing when the reply is not one.
std::optional<std::string> meterClockCaption(std::string_view bytes);

}  // namespace lux
