#pragma once
// Display frames for the tests, described in the program's own terms (the display state's
// annunciator flags and digits) and built by the simulated meter's encoder, which knows the
// frame layout on its own: a decoder that misplaces a bit does not read these frames back.
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "link/DisplayState.h"
#include "sim/LcdFrame.h"

namespace lux::test {

struct FrameSpec {
  // Only the ann* flags are sent; the digits below are what goes on the wire.
  DisplayState flags;
  std::array<char, 2> memoryDigits{' ', ' '};
  std::array<char, 6> mainDigits{' ', ' ', ' ', ' ', ' ', ' '};
  // Main digits 3 and 4 go out as 0xFF ("O" "L"); their characters are then ignored.
  bool overload = false;
  std::array<char, 4> secondaryDigits{'0', '0', '0', '0'};
};

// Which LCD mark of the meter each annunciator flag of the display state stands for.
inline const std::pair<bool DisplayState::*, sim::Mark> kFlagMarks[] = {
    {&DisplayState::annRel, sim::Mark::Rel},
    {&DisplayState::annComp, sim::Mark::Comp},
    {&DisplayState::annCal, sim::Mark::Cal},
    {&DisplayState::annZero, sim::Mark::Zero},
    {&DisplayState::annUpperAvg, sim::Mark::UpperAvg},
    {&DisplayState::annHold, sim::Mark::Hold},
    {&DisplayState::annRef, sim::Mark::Ref},
    {&DisplayState::annUpperPercent, sim::Mark::UpperPercent},
    {&DisplayState::annFcHour, sim::Mark::FcHour},
    {&DisplayState::annLxHour, sim::Mark::LxHour},
    {&DisplayState::annCd, sim::Mark::Cd},
    {&DisplayState::annFc, sim::Mark::Fc},
    {&DisplayState::annLx, sim::Mark::Lx},
    {&DisplayState::annLight, sim::Mark::Light},
    {&DisplayState::annSmallPlus, sim::Mark::SmallPlus},
    {&DisplayState::annStray, sim::Mark::Stray},
    {&DisplayState::annComma, sim::Mark::Comma},
    {&DisplayState::annBattery, sim::Mark::Battery},
    {&DisplayState::annBigPlus, sim::Mark::BigPlus},
    {&DisplayState::annNegative, sim::Mark::Minus},
    {&DisplayState::annAuto, sim::Mark::Auto},
    {&DisplayState::annCycle, sim::Mark::Cycle},
    {&DisplayState::annRead, sim::Mark::Read},
    {&DisplayState::annLowerAvg, sim::Mark::LowerAvg},
    {&DisplayState::annNo, sim::Mark::No},
    {&DisplayState::annStart, sim::Mark::Start},
    {&DisplayState::annIntv, sim::Mark::Intv},
    {&DisplayState::annStop, sim::Mark::Stop},
    {&DisplayState::annDH, sim::Mark::DayHour},
    {&DisplayState::annMs, sim::Mark::MinSec},
    {&DisplayState::annTimeHold, sim::Mark::TimeHold},
    {&DisplayState::annLowerPercent, sim::Mark::LowerPercent},
    {&DisplayState::annFt, sim::Mark::Feet},
    {&DisplayState::annM, sim::Mark::Metres},
    {&DisplayState::annMainPoint1, sim::Mark::MainPoint1},
    {&DisplayState::annMainPoint2, sim::Mark::MainPoint2},
    {&DisplayState::annMainPoint3, sim::Mark::MainPoint3},
    {&DisplayState::annSubPoint1, sim::Mark::SubPoint1},
    {&DisplayState::annSubPoint2, sim::Mark::SubPoint2},
    {&DisplayState::annSubPoint3, sim::Mark::SubPoint3},
    {&DisplayState::annDateDot, sim::Mark::DateDot},
    {&DisplayState::annTimeDot, sim::Mark::TimeDot},
    {&DisplayState::annMem, sim::Mark::Mem},
    {&DisplayState::annSetUp, sim::Mark::SetUp},
    {&DisplayState::annClear, sim::Mark::Clear},
    {&DisplayState::annRs232, sim::Mark::Rs232},
};
static_assert(sizeof kFlagMarks / sizeof kFlagMarks[0] == sim::kMarkCount);

inline sim::LcdPicture pictureOf(const FrameSpec& spec) {
  sim::LcdPicture p;
  for (const auto& [flag, mark] : kFlagMarks) p.light(mark, spec.flags.*flag);
  p.memoryDigits = spec.memoryDigits;
  p.mainDigits = spec.mainDigits;
  p.secondaryDigits = spec.secondaryDigits;
  p.overload = spec.overload;
  return p;
}

inline FrameSpec specOf(const sim::LcdPicture& p) {
  FrameSpec spec;
  for (const auto& [flag, mark] : kFlagMarks) spec.flags.*flag = p.lit(mark);
  spec.memoryDigits = p.memoryDigits;
  spec.mainDigits = p.mainDigits;
  spec.secondaryDigits = p.secondaryDigits;
  spec.overload = p.overload;
  return spec;
}

// The 14 bytes of one display frame.
inline std::string encodeFrame(const FrameSpec& spec) {
  return sim::encodeLcdFrame(pictureOf(spec));
}

// A reading laid out as the meter shows it (sim::readingPicture).
inline FrameSpec frameForReading(double value, int decimals, bool lux, bool overload = false) {
  return specOf(sim::readingPicture(value, decimals, lux, overload));
}

}  // namespace lux::test
