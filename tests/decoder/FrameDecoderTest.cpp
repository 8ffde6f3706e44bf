// The display-frame decoder on hand-built frames: digit rules, scale, overload, banners and the
// early stop for frames with more decimals than lit digits.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "link/FrameDecoder.h"

namespace lux {
namespace {

using Flag = bool DisplayState::*;

// Every annunciator of the display state, in no particular order: used to count how many flags
// a byte lights, never to say which bit they sit on.
const std::vector<Flag>& allFlags() {
  static const std::vector<Flag> flags = {
      &DisplayState::annRel,        &DisplayState::annComp,         &DisplayState::annCal,
      &DisplayState::annZero,       &DisplayState::annUpperAvg,     &DisplayState::annHold,
      &DisplayState::annRef,        &DisplayState::annUpperPercent, &DisplayState::annFcHour,
      &DisplayState::annLxHour,     &DisplayState::annCd,           &DisplayState::annFc,
      &DisplayState::annLx,         &DisplayState::annLight,        &DisplayState::annSmallPlus,
      &DisplayState::annStray,      &DisplayState::annComma,        &DisplayState::annBattery,
      &DisplayState::annBigPlus,    &DisplayState::annNegative,     &DisplayState::annAuto,
      &DisplayState::annCycle,      &DisplayState::annRead,         &DisplayState::annLowerAvg,
      &DisplayState::annNo,         &DisplayState::annStart,        &DisplayState::annIntv,
      &DisplayState::annStop,       &DisplayState::annDH,           &DisplayState::annMs,
      &DisplayState::annTimeHold,   &DisplayState::annLowerPercent, &DisplayState::annFt,
      &DisplayState::annM,          &DisplayState::annMainPoint1,   &DisplayState::annMainPoint2,
      &DisplayState::annMainPoint3, &DisplayState::annSubPoint1,    &DisplayState::annSubPoint2,
      &DisplayState::annSubPoint3,  &DisplayState::annDateDot,      &DisplayState::annTimeDot,
      &DisplayState::annMem,        &DisplayState::annSetUp,        &DisplayState::annClear,
      &DisplayState::annRs232,
  };
  return flags;
}

// A frame with the given bytes at positions 2..13 (from the meter's numbering, 1-based).
struct Frame {
  std::uint8_t b[15] = {0, 0x02, 0xAA, 0xAA, 0xAA, 0xAA, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0x03};
  Frame& set(int pos, std::uint8_t v) {
    b[pos] = v;
    return *this;
  }
  std::string bytes() const { return std::string(reinterpret_cast<const char*>(b + 1), 14); }
};

constexpr std::uint8_t kLx = 0x10, kFc = 0x08;                          // byte 9
constexpr std::uint8_t kComma = 0x01, kNegative = 0x08;                 // byte 10
constexpr std::uint8_t kPoint1 = 0x04, kPoint2 = 0x08, kPoint3 = 0x10;  // byte 12
constexpr std::uint8_t kSetUp = 0x08, kClear = 0x20, kRs232 = 0x40;     // byte 13

TEST(BitFlags, TakesBitZeroFirst) {
  const auto f = bitFlags(0xA6);  // 1010 0110
  const std::array<bool, 8> expected{false, true, true, false, false, true, false, true};
  EXPECT_EQ(f, expected);
  for (bool flag : bitFlags(0x00)) EXPECT_FALSE(flag);
  for (bool flag : bitFlags(0xFF)) EXPECT_TRUE(flag);
}

TEST(FlagBytes, EveryUsedBitLightsExactlyOneDistinctFlag) {
  std::set<std::size_t> seen;
  for (int pos = 8; pos <= 13; ++pos) {
    for (int bit = 0; bit < 8; ++bit) {
      DisplayState s;
      const auto r = decodeFrame(s, Frame{}.set(pos, static_cast<std::uint8_t>(1u << bit)).bytes());
      EXPECT_NE(r, DecodeResult::TooShort);
      int lit = 0;
      for (std::size_t i = 0; i < allFlags().size(); ++i)
        if (s.*allFlags()[i]) {
          ++lit;
          seen.insert(i);
        }
      const bool unused = pos == 13 && (bit == 4 || bit == 7);
      EXPECT_EQ(lit, unused ? 0 : 1) << "byte " << pos << " bit " << bit;
    }
  }
  EXPECT_EQ(seen.size(), allFlags().size());
}

TEST(FlagBytes, MeaningfulBitsSitWhereTheMeterPutsThem) {
  DisplayState s;
  decodeModeByte(s, 0x20);
  EXPECT_TRUE(s.annHold);
  decodeLoggerByte(s, 0x04);
  EXPECT_TRUE(s.annIntv);
  decodeSignByte(s, kNegative);
  EXPECT_TRUE(s.annNegative);
  decodeIndicatorByte(s, kSetUp);
  EXPECT_TRUE(s.annSetUp);
  EXPECT_TRUE(s.bannerShown());
  decodeIndicatorByte(s, 0x90);  // only the two unused bits
  EXPECT_FALSE(s.bannerShown());
  EXPECT_FALSE(s.annMem);
}

TEST(UnitByte, FootCandlesWinOverLuxAndNoUnitIsEmpty) {
  DisplayState s;
  decodeUnitByte(s, kLx);
  EXPECT_EQ(s.unitText, "Lx");
  decodeUnitByte(s, kFc | kLx);
  EXPECT_EQ(s.unitText, "Fc");
  EXPECT_TRUE(s.annFc);
  EXPECT_TRUE(s.annLx);
  decodeUnitByte(s, kFc);
  EXPECT_EQ(s.unitText, "Fc");
  decodeUnitByte(s, 0x04);  // cd only
  EXPECT_EQ(s.unitText, "");
}

TEST(PointByte, CommaMakesAWholeNumberWhateverPointIsLit) {
  DisplayState s;
  const struct {
    std::uint8_t sign, point;
    float scale;
    int decimals;
  } rows[] = {
      {0, 0, 1.0f, 0},
      {0, kPoint1, 0.001f, 3},
      {0, kPoint2, 0.01f, 2},
      {0, kPoint3, 0.1f, 1},
      {0, kPoint1 | kPoint3, 0.001f, 3},  // the leftmost point wins
      {kComma, kPoint1, 1.0f, 0},
      {kComma, kPoint2 | kPoint3, 1.0f, 0},
  };
  for (const auto& row : rows) {
    decodeSignByte(s, row.sign);
    decodePointByte(s, row.point);
    EXPECT_EQ(s.mainScale, row.scale);
    EXPECT_EQ(s.mainDecimals, row.decimals);
  }
}

TEST(DecodeFrame, BlankLeadingDigitsAndPointTwo) {
  DisplayState s;
  const auto r =
      decodeFrame(s, Frame{}.set(3, 0xAA).set(4, 0xA1).set(5, 0x23).set(12, kPoint2).bytes());
  EXPECT_EQ(r, DecodeResult::Complete);
  EXPECT_EQ(s.mainDigits, "   123");
  EXPECT_EQ(s.mainDigitsText, "123");
  EXPECT_EQ(s.mainValue, 1.23f);
  EXPECT_EQ(s.mainValueText, "1.23");
}

TEST(DecodeFrame, CommaAndPointOneGiveAWholeNumber) {
  DisplayState s;
  const auto r = decodeFrame(
      s, Frame{}.set(3, 0xA1).set(4, 0x23).set(5, 0x45).set(10, kComma).set(12, kPoint1).bytes());
  EXPECT_EQ(r, DecodeResult::Complete);
  EXPECT_EQ(s.mainScale, 1.0f);
  EXPECT_EQ(s.mainValue, 12345.0f);
  EXPECT_EQ(s.mainValueText, "12345");
}

TEST(DecodeFrame, OverloadValueDependsOnTheUnit) {
  const struct {
    std::uint8_t unit;
    float value;
  } rows[] = {{kLx, 1000000.0f}, {kFc, 100000.0f}, {0, 100000.0f}, {kFc | kLx, 100000.0f}};
  for (const auto& row : rows) {
    DisplayState s;
    s.mainValueText = "12.3";
    const auto r = decodeFrame(
        s,
        Frame{}.set(3, 0xAA).set(4, 0xFF).set(5, 0xAA).set(9, row.unit).set(12, kPoint1).bytes());
    EXPECT_EQ(r, DecodeResult::Complete);
    EXPECT_EQ(s.mainDigits, "  OL  ");
    EXPECT_EQ(s.mainDigitsText, "OL");
    EXPECT_EQ(s.mainValueText, "OL");
    EXPECT_EQ(s.mainValue, row.value) << "unit byte " << int(row.unit);
  }
}

TEST(DecodeFrame, BannersKeepThePreviousReading) {
  for (std::uint8_t banner : {kSetUp, kClear, kRs232}) {
    DisplayState s;
    ASSERT_EQ(decodeFrame(s, Frame{}
                                 .set(2, 0x07)
                                 .set(3, 0xA9)
                                 .set(4, 0x87)
                                 .set(5, 0x65)
                                 .set(6, 0x12)
                                 .set(7, 0x34)
                                 .set(9, kLx)
                                 .set(12, kPoint3)
                                 .bytes()),
              DecodeResult::Complete);
    const DisplayState before = s;
    const auto r = decodeFrame(s, Frame{}
                                      .set(2, 0x11)
                                      .set(3, 0x11)
                                      .set(4, 0x11)
                                      .set(5, 0x11)
                                      .set(6, 0x99)
                                      .set(7, 0x99)
                                      .set(9, kLx)
                                      .set(13, banner)
                                      .bytes());
    EXPECT_EQ(r, DecodeResult::Banner);
    EXPECT_TRUE(s.bannerShown());
    EXPECT_EQ(s.mainValue, before.mainValue);
    EXPECT_EQ(s.mainValue, 9876.5f);
    EXPECT_EQ(s.mainValueText, "9876.5");
    EXPECT_EQ(s.mainDigits, before.mainDigits);
    EXPECT_EQ(s.mainDigitsText, before.mainDigitsText);
    EXPECT_EQ(s.memoryDigits, "07");
    EXPECT_EQ(s.secondaryDigits, "1234");
  }
}

TEST(DecodeFrame, HexLettersShowButStopTheNumber) {
  DisplayState s;
  const auto r =
      decodeFrame(s, Frame{}.set(3, 0xA1).set(4, 0x2B).set(5, 0x3F).set(12, kPoint3).bytes());
  EXPECT_EQ(r, DecodeResult::Complete);
  EXPECT_EQ(s.mainDigits, " 12B3F");
  EXPECT_EQ(s.mainDigitsText, "12B3F");
  EXPECT_EQ(s.mainValue, 1.2f);  // "12" up to the first letter, one decimal
  EXPECT_EQ(s.mainValueText, "12B3.F");

  decodeFrame(s, Frame{}.set(3, 0xCA).set(4, 0xAA).set(5, 0xA1).bytes());
  EXPECT_EQ(s.mainValue, 0.0f);
  EXPECT_EQ(s.mainValueText, "C1");
}

TEST(DecodeFrame, MemoryDigitsBlankButSecondaryDigitsDoNot) {
  DisplayState s;
  decodeFrame(s, Frame{}.set(2, 0xA5).set(6, 0xAB).set(7, 0x0A).bytes());
  EXPECT_EQ(s.memoryDigits, " 5");
  EXPECT_EQ(s.secondaryDigits, "AB0A");
  decodeFrame(s, Frame{}.set(2, 0xEA).bytes());
  EXPECT_EQ(s.memoryDigits, "E ");
}

TEST(DecodeFrame, AllBlankDigitsReadZero) {
  DisplayState s;
  s.mainValue = 5.0f;
  EXPECT_EQ(decodeFrame(s, Frame{}.bytes()), DecodeResult::Complete);
  EXPECT_EQ(s.mainDigitsText, "");
  EXPECT_EQ(s.mainValue, 0.0f);
  EXPECT_EQ(s.mainValueText, "");
}

TEST(DecodeFrame, MoreDecimalsThanDigitsStopsAfterTheValue) {
  DisplayState s;
  ASSERT_EQ(decodeFrame(s, Frame{}.set(4, 0xA4).set(5, 0x56).set(6, 0x12).set(7, 0x34).bytes()),
            DecodeResult::Complete);
  ASSERT_EQ(s.mainValueText, "456");
  const auto r = decodeFrame(
      s, Frame{}.set(4, 0xAA).set(5, 0xA7).set(6, 0x99).set(7, 0x99).set(12, kPoint1).bytes());
  EXPECT_EQ(r, DecodeResult::StoppedEarly);
  EXPECT_EQ(s.mainDigitsText, "7");
  EXPECT_FLOAT_EQ(s.mainValue, 0.007f);
  EXPECT_EQ(s.mainValueText, "456");     // kept
  EXPECT_EQ(s.secondaryDigits, "1234");  // kept

  // The next frame decodes normally again.
  EXPECT_EQ(decodeFrame(s, Frame{}.set(4, 0xA7).set(5, 0x89).set(6, 0x99).set(12, kPoint1).bytes()),
            DecodeResult::Complete);
  EXPECT_EQ(s.mainValueText, ".789");
  EXPECT_FLOAT_EQ(s.mainValue, 0.789f);
  EXPECT_EQ(s.secondaryDigits, "9900");
}

TEST(DecodeFrame, ShortInputTouchesNothing) {
  DisplayState s;
  s.mainValueText = "1.0";
  const std::string frame = Frame{}.set(3, 0x11).set(9, kLx).bytes();
  for (std::size_t n = 0; n < 14; ++n)
    EXPECT_EQ(decodeFrame(s, std::string_view(frame).substr(0, n)), DecodeResult::TooShort);
  EXPECT_EQ(s.mainValueText, "1.0");
  EXPECT_FALSE(s.annLx);
}

TEST(LeadingDigits, StopsAtFirstNonDigitAndSaturates) {
  EXPECT_EQ(leadingDigitsValue(""), 0u);
  EXPECT_EQ(leadingDigitsValue("OL"), 0u);
  EXPECT_EQ(leadingDigitsValue("0123"), 123u);
  EXPECT_EQ(leadingDigitsValue("99A9"), 99u);
  EXPECT_EQ(leadingDigitsValue("999999"), 999999u);
  EXPECT_EQ(leadingDigitsValue("99999999999999999999"), 4294967295u);
}

}  // namespace
}  // namespace lux
