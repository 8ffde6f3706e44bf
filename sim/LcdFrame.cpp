#include "sim/LcdFrame.h"

#include <cmath>
#include <cstdint>

namespace lux::sim {

namespace {

// Frame byte 8 carries the first eight marks, byte 9 the next eight, and so on up to byte 13;
// byte 13 has two unused bits (4 and 7) that always go out as 0.
struct Place {
  Mark mark;
  int byte;  // frame position, from 1
  int bit;
};

constexpr Place kPlaces[] = {
    {Mark::Rel, 8, 0},         {Mark::Comp, 8, 1},
    {Mark::Cal, 8, 2},         {Mark::Zero, 8, 3},
    {Mark::UpperAvg, 8, 4},    {Mark::Hold, 8, 5},
    {Mark::Ref, 8, 6},         {Mark::UpperPercent, 8, 7},

    {Mark::FcHour, 9, 0},      {Mark::LxHour, 9, 1},
    {Mark::Cd, 9, 2},          {Mark::Fc, 9, 3},
    {Mark::Lx, 9, 4},          {Mark::Light, 9, 5},
    {Mark::SmallPlus, 9, 6},   {Mark::Stray, 9, 7},

    {Mark::Comma, 10, 0},      {Mark::Battery, 10, 1},
    {Mark::BigPlus, 10, 2},    {Mark::Minus, 10, 3},
    {Mark::Auto, 10, 4},       {Mark::Cycle, 10, 5},
    {Mark::Read, 10, 6},       {Mark::LowerAvg, 10, 7},

    {Mark::No, 11, 0},         {Mark::Start, 11, 1},
    {Mark::Intv, 11, 2},       {Mark::Stop, 11, 3},
    {Mark::DayHour, 11, 4},    {Mark::MinSec, 11, 5},
    {Mark::TimeHold, 11, 6},   {Mark::LowerPercent, 11, 7},

    {Mark::Feet, 12, 0},       {Mark::Metres, 12, 1},
    {Mark::MainPoint1, 12, 2}, {Mark::MainPoint2, 12, 3},
    {Mark::MainPoint3, 12, 4}, {Mark::SubPoint1, 12, 5},
    {Mark::SubPoint2, 12, 6},  {Mark::SubPoint3, 12, 7},

    {Mark::DateDot, 13, 0},    {Mark::TimeDot, 13, 1},
    {Mark::Mem, 13, 2},        {Mark::SetUp, 13, 3},
    {Mark::Clear, 13, 5},      {Mark::Rs232, 13, 6},
};
static_assert(sizeof kPlaces / sizeof kPlaces[0] == kMarkCount, "every mark has its place");

// A digit cell's nibble: digits and the hexadecimal letters as themselves; an unlit cell is 0xA.
unsigned nibble(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A') + 10;
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a') + 10;
  return 0xA;
}

char digitByte(char high, char low) {
  return static_cast<char>(static_cast<std::uint8_t>(nibble(high) * 16 + nibble(low)));
}

}  // namespace

std::string encodeLcdFrame(const LcdPicture& p) {
  std::string frame;
  frame.reserve(14);
  frame += '\x02';
  frame += digitByte(p.memoryDigits[0], p.memoryDigits[1]);
  frame += digitByte(p.mainDigits[0], p.mainDigits[1]);
  frame += p.overload ? '\xFF' : digitByte(p.mainDigits[2], p.mainDigits[3]);
  frame += digitByte(p.mainDigits[4], p.mainDigits[5]);
  frame += digitByte(p.secondaryDigits[0], p.secondaryDigits[1]);
  frame += digitByte(p.secondaryDigits[2], p.secondaryDigits[3]);
  std::uint8_t flags[6] = {};
  for (const Place& place : kPlaces)
    if (p.lit(place.mark)) flags[place.byte - 8] |= static_cast<std::uint8_t>(1u << place.bit);
  for (std::uint8_t b : flags) frame += static_cast<char>(b);
  frame += '\x03';
  return frame;
}

LcdPicture readingPicture(double value, int decimals, bool lux, bool overload) {
  LcdPicture p;
  if (decimals < 0) decimals = 0;
  if (decimals > 3) decimals = 3;
  p.light(Mark::Auto);
  p.light(lux ? Mark::Lx : Mark::Fc);

  const double scaled = std::fabs(value) * std::pow(10.0, decimals);
  if (overload || !std::isfinite(value) || scaled >= 999999.5) {
    p.overload = true;
    return p;
  }
  const long long counts = std::llround(scaled);
  std::string digits = std::to_string(counts);
  // A leading zero before the point: 0.5 is shown "0.5".
  const std::size_t least = static_cast<std::size_t>(decimals) + 1;
  if (digits.size() < least) digits = std::string(least - digits.size(), '0') + digits;
  for (std::size_t i = 0; i < digits.size(); ++i) p.mainDigits[6 - digits.size() + i] = digits[i];
  if (value < 0 && counts != 0) p.light(Mark::Minus);
  if (decimals == 1) p.light(Mark::MainPoint3);
  if (decimals == 2) p.light(Mark::MainPoint2);
  if (decimals == 3) p.light(Mark::MainPoint1);
  return p;
}

std::string shownReading(const LcdPicture& p) {
  if (p.overload) return "OL";
  std::string text;
  for (char c : p.mainDigits)
    if (c != ' ') text += c;
  const std::size_t decimals = p.lit(Mark::MainPoint1)   ? 3
                               : p.lit(Mark::MainPoint2) ? 2
                               : p.lit(Mark::MainPoint3) ? 1
                                                         : 0;
  if (decimals == 0 || text.size() <= decimals) return text;
  const std::size_t point = text.size() - decimals;
  return text.substr(0, point) + "." + text.substr(point);
}

}  // namespace lux::sim
