// The bytes of the setting commands and the rules for what the user types, without a meter.
#include <gtest/gtest.h>

#include "settings/SettingsPayloads.h"

namespace lux {
namespace {

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

TEST(HoldEntry, ValidEntriesGiveMinutesAndSecondsCappedAt59) {
  auto e = parseHoldEntry("5:7");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(e.minutes, 5);
  EXPECT_EQ(e.seconds, 7);
  EXPECT_EQ(encodeHoldPayload(e.minutes, e.seconds), bytes({0x05, 0x07}));

  e = parseHoldEntry("75:80");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(encodeHoldPayload(e.minutes, e.seconds), bytes({0x59, 0x59}));

  e = parseHoldEntry("00:00");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(encodeHoldPayload(e.minutes, e.seconds), bytes({0x00, 0x00}));

  // Leading-number reading: trailing words are ignored, no number is 0, fractions dropped.
  e = parseHoldEntry("12min:3s");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(e.minutes, 12);
  EXPECT_EQ(e.seconds, 3);
  e = parseHoldEntry("ab:4.9");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(e.minutes, 0);
  EXPECT_EQ(e.seconds, 4);
  // A huge number is capped, never wrapped into a wrong byte.
  e = parseHoldEntry("99999999999999999999:1e400");
  ASSERT_EQ(e.verdict, EntryVerdict::Valid);
  EXPECT_EQ(encodeHoldPayload(e.minutes, e.seconds), bytes({0x59, 0x59}));
}

TEST(HoldEntry, WrongShapesAreInvalidEmptyAndNegativeEndTheCommand) {
  for (const char* bad : {":30", "130", "1:2:3", "12:", ":", "1", " "}) {
    EXPECT_EQ(parseHoldEntry(bad).verdict, EntryVerdict::Invalid) << bad;
  }
  EXPECT_EQ(parseHoldEntry("").verdict, EntryVerdict::Empty);
  EXPECT_EQ(parseHoldEntry("-1:30").verdict, EntryVerdict::Negative);
  EXPECT_EQ(parseHoldEntry("1:-3").verdict, EntryVerdict::Negative);
}

TEST(DistanceEntry, HundredthsRuleAndWholePartCap) {
  struct Case {
    const char* text;
    int hundredths;
    std::string payload;
  };
  const Case cases[] = {
      {"0.5", 50, bytes({0x00, 0x32})},    {"12.34", 934, bytes({0x03, 0xA6})},
      {"0.00", 0, bytes({0x00, 0x00})},    {"1.257", 125, bytes({0x00, 0x7D})},
      {"9.99", 999, bytes({0x03, 0xE7})},  {"3.05", 305, bytes({0x01, 0x31})},
      {"03.00", 300, bytes({0x01, 0x2C})}, {"2.x", 200, bytes({0x00, 0xC8})},
  };
  for (const Case& c : cases) {
    auto e = parseDistanceEntry(c.text);
    ASSERT_EQ(e.verdict, EntryVerdict::Valid) << c.text;
    EXPECT_EQ(e.hundredths, c.hundredths) << c.text;
    EXPECT_EQ(encodeDistancePayload(e.hundredths), c.payload) << c.text;
  }
}

TEST(DistanceEntry, WrongShapesAreInvalidEmptyAndNegativeEndTheCommand) {
  for (const char* bad : {".5", "1.", "1.2.3", "15", ".", "ab"}) {
    EXPECT_EQ(parseDistanceEntry(bad).verdict, EntryVerdict::Invalid) << bad;
  }
  EXPECT_EQ(parseDistanceEntry("").verdict, EntryVerdict::Empty);
  EXPECT_EQ(parseDistanceEntry("-1.50").verdict, EntryVerdict::Negative);
  EXPECT_EQ(parseDistanceEntry("1.-5").verdict, EntryVerdict::Negative);
}

TEST(DistanceEntry, DefaultTextFromTheMetersDistance) {
  EXPECT_EQ(distanceDefaultText(0x012C), "03.00");
  EXPECT_EQ(distanceDefaultText(150), "01.50");
  EXPECT_EQ(distanceDefaultText(7), "00.07");
  EXPECT_EQ(distanceDefaultText(999), "09.99");
  EXPECT_EQ(distanceDefaultText(65535), "655.35");
}

TEST(SettingsBlock, FramedBlockIsReadFieldByField) {
  const std::string raw = bytes({0x02, 0x01, 0xF4, 0x44, 0x30, 0x39, 0x00, 0x2A, 0x03});
  auto b = parseSettingsBlock(raw);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->distance, 500);
  EXPECT_EQ(b->distanceBytes, bytes({0x01, 0xF4}));
  EXPECT_EQ(b->high, 12345);
  EXPECT_EQ(b->low, 42);
  EXPECT_TRUE(b->lux());
  EXPECT_TRUE(b->decimalFlag(3));
  EXPECT_FALSE(b->decimalFlag(1));
  EXPECT_FALSE(b->decimalFlag(6));  // bit 5 is not a decimal-point flag
  EXPECT_EQ(limitDigitsText(b->high), "2345");
  EXPECT_EQ(limitDigitsText(b->low), "0042");
  EXPECT_EQ(limitDigitsText(0), "0000");
  EXPECT_EQ(limitDigitsText(9999), "9999");

  // Extra bytes after a well-framed block do not matter.
  EXPECT_TRUE(parseSettingsBlock(raw + bytes({0x02, 0x10})));
}

TEST(SettingsBlock, AnythingElseIsRefused) {
  const std::string raw = bytes({0x02, 0x01, 0xF4, 0x44, 0x30, 0x39, 0x00, 0x2A, 0x03});
  EXPECT_FALSE(parseSettingsBlock(""));
  EXPECT_FALSE(parseSettingsBlock(raw.substr(0, 8)));
  std::string badStart = raw;
  badStart[0] = 0x05;
  EXPECT_FALSE(parseSettingsBlock(badStart));
  std::string badEnd = raw;
  badEnd[8] = 0x00;
  EXPECT_FALSE(parseSettingsBlock(badEnd));
  // A handshake answer followed by stray bytes is not a settings block.
  EXPECT_FALSE(parseSettingsBlock(bytes({0x02, 0xAA, 0x00, 0x04, 0xFF, 0x03, 0x11, 0x22, 0x33})));
}

TEST(ComparatorPayload, UnitBitsRangeCodesAndLimits) {
  // Lux, ddd.d, HIGH 1234, LOW 0050.
  EXPECT_EQ(encodeComparatorPayload(true, 3, limitFromDigitTexts({"1", "2", "3", "4"}),
                                    limitFromDigitTexts({"0", "0", "5", "0"})),
            bytes({0x42, 0x04, 0xD2, 0x00, 0x32}));
  // Foot-candles, dddd0.
  EXPECT_EQ(static_cast<unsigned char>(encodeComparatorPayload(false, 5, 0, 0)[0]), 0x30);

  const int luxCodes[] = {16, 1, 2, 4, 8, 16};  // options 1..6
  const int fcCodes[] = {1, 2, 4, 8, 16, 16};
  for (int option = 1; option <= 6; ++option) {
    EXPECT_EQ(comparatorRangeCode(true, option), luxCodes[option - 1]) << option;
    EXPECT_EQ(comparatorRangeCode(false, option), fcCodes[option - 1]) << option;
  }
  EXPECT_EQ(comparatorRangeCode(true, 0), 16);
  EXPECT_EQ(comparatorRangeCode(false, 0), 16);

  EXPECT_EQ(encodeComparatorPayload(false, 1, 9999, 1), bytes({0x21, 0x27, 0x0F, 0x00, 0x01}));
}

TEST(ComparatorPayload, DigitBoxesJoined) {
  EXPECT_EQ(limitFromDigitTexts({"0", "0", "4", "2"}), 42);
  EXPECT_EQ(limitFromDigitTexts({"9", "9", "9", "9"}), 9999);
  EXPECT_EQ(limitFromDigitTexts({"1", "", "3", "4"}), 134);
  EXPECT_EQ(limitFromDigitTexts({"", "", "", ""}), 0);
}

TEST(ComparatorPayload, LimitAsTheMeterShowsItInEachRange) {
  EXPECT_EQ(comparatorLimitText("1234", 1), "1.234");
  EXPECT_EQ(comparatorLimitText("1234", 2), "12.34");
  EXPECT_EQ(comparatorLimitText("1234", 3), "123.4");
  EXPECT_EQ(comparatorLimitText("1234", 4), "1234");
  EXPECT_EQ(comparatorLimitText("1234", 5), "12340");
  EXPECT_EQ(comparatorLimitText("1234", 6), "123400");
  EXPECT_EQ(comparatorLimitText("0050", 3), "5.0");
  EXPECT_EQ(comparatorLimitText("0005", 1), "0.005");
  EXPECT_EQ(comparatorLimitText("0000", 5), "0");
  EXPECT_EQ(comparatorLimitText("0042", 6), "4200");
  EXPECT_EQ(comparatorLimitText("1234", 0), "");
  EXPECT_EQ(comparatorLimitText("12 4", 2), "");
  EXPECT_EQ(comparatorLimitText("123", 2), "");
}

TEST(MeterClock, PayloadIsPackedBcdOfTheLocalTime) {
  EXPECT_EQ(encodeClockPayload(9, 8, 5, 7), bytes({0x09, 0x08, 0x05, 0x07}));
  EXPECT_EQ(encodeClockPayload(31, 23, 59, 59), bytes({0x31, 0x23, 0x59, 0x59}));
}

TEST(MeterClock, ReplyShownAsDayAndTime) {
  const std::string reply = bytes({0x02, 0x31, 0x23, 0x59, 0x59, 0x02, 0x30, 0x03});
  EXPECT_EQ(meterClockCaption(reply), std::optional<std::string>("31 23:59:59"));
  EXPECT_EQ(meterClockCaption(bytes({0x02, 0x07, 0x14, 0x55, 0x57, 0x00, 0x00, 0x03})),
            std::optional<std::string>("07 14:55:57"));
  EXPECT_FALSE(meterClockCaption(reply.substr(0, 7)));
  // Display-frame bytes caught in the read are not shown as a clock.
  EXPECT_FALSE(meterClockCaption(bytes({0x02, 0x31, 0x23, 0x59, 0x59, 0x02, 0x30, 0x45, 0x03})));
}

}  // namespace
}  // namespace lux
