#pragma once
// The simulated meter's own picture of its LCD and the 14-byte display frame it streams for it.
// Written from the meter's documented frame layout on its own, without the program's decoder or
// display state, so that a decoder tested against it is tested against something else.
#include <array>
#include <bitset>
#include <cstddef>
#include <string>

namespace lux::sim {

// Every mark of the LCD the frame carries, in the order the meter's flag bytes send them (byte A
// bit 0 first); Count is the number of marks.
enum class Mark : unsigned {
  Rel,
  Comp,
  Cal,
  Zero,
  UpperAvg,
  Hold,
  Ref,
  UpperPercent,
  FcHour,
  LxHour,
  Cd,
  Fc,
  Lx,
  Light,
  SmallPlus,
  Stray,
  Comma,
  Battery,
  BigPlus,
  Minus,
  Auto,
  Cycle,
  Read,
  LowerAvg,
  No,
  Start,
  Intv,
  Stop,
  DayHour,
  MinSec,
  TimeHold,
  LowerPercent,
  Feet,
  Metres,
  MainPoint1,
  MainPoint2,
  MainPoint3,
  SubPoint1,
  SubPoint2,
  SubPoint3,
  DateDot,
  TimeDot,
  Mem,
  SetUp,
  Clear,
  Rs232,
  Count
};
constexpr std::size_t kMarkCount = static_cast<std::size_t>(Mark::Count);

struct LcdPicture {
  std::bitset<kMarkCount> marks;
  // Each digit is '0'-'9', 'A'-'F' (the letters the digit cells can show) or ' ' for an unlit
  // cell. An unlit memory or main digit and the letter 'A' are the same nibble on the wire.
  std::array<char, 2> memoryDigits{' ', ' '};
  std::array<char, 6> mainDigits{' ', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 4> secondaryDigits{'0', '0', '0', '0'};
  // "OL" in main digits 3 and 4 (their own characters are then not sent).
  bool overload = false;

  void light(Mark m, bool on = true) { marks.set(static_cast<std::size_t>(m), on); }
  bool lit(Mark m) const { return marks.test(static_cast<std::size_t>(m)); }
};

// The frame for a picture: 0x02, the digit bytes, six flag bytes, 0x03.
std::string encodeLcdFrame(const LcdPicture& picture);

// A reading laid out as the meter shows it: right-aligned in the six main digits with
// `decimals` places (clamped to 0..3), at least one digit before the point, the point mark that
// goes with the decimals, the unit (lux or foot-candles), the minus sign when the shown value is
// below zero, and AUTO. What does not fit six digits, a value that is not finite, or `overload`
// shows "OL". The magnitude is rounded to `decimals` places, halves away from zero.
LcdPicture readingPicture(double value, int decimals, bool lux, bool overload = false);

// The reading text the picture's main digits show ("523.4", "OL", "0.05"), as the meter's user
// reads it off the LCD.
std::string shownReading(const LcdPicture& picture);

}  // namespace lux::sim
