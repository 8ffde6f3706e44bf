// Logger records into lux and foot-candle texts: one row per range bit, the exact decimals of
// each format, ties, and records whose range leaves the texts alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "link/LoggerValue.h"

namespace lux {
namespace {

using Texts = std::array<std::string, 2>;

Texts format(std::uint8_t high, std::uint8_t low, std::uint8_t range) {
  Texts t{"before-lx", "before-fc"};
  EXPECT_TRUE(formatLoggerValue(high, low, range, t));
  return t;
}

TEST(LoggerValue, RecordOfTheMeterManual) {
  EXPECT_EQ(format(0x01, 0x00, 0x10), (Texts{"256", "23.8"}));
}

TEST(LoggerValue, OneRowPerRangeBit) {
  // raw 0x04D2 = 1234; 1234 lx = 114.6386 fc
  EXPECT_EQ(format(0x04, 0xD2, 0x40), (Texts{"123400", "11463.86"}));
  EXPECT_EQ(format(0x04, 0xD2, 0x20), (Texts{"12340", "1146"}));  // cut, not rounded
  EXPECT_EQ(format(0x04, 0xD2, 0x10), (Texts{"1234", "114.6"}));
  EXPECT_EQ(format(0x04, 0xD2, 0x08), (Texts{"123.4", "11.46"}));
  EXPECT_EQ(format(0x04, 0xD2, 0x04), (Texts{"12.34", "1.146"}));
  EXPECT_EQ(format(0x04, 0xD2, 0x02), (Texts{"1.234", "0.1146"}));
}

TEST(LoggerValue, HighestRangeBitChoosesTheRow) {
  EXPECT_EQ(format(0x04, 0xD2, 0x7E), format(0x04, 0xD2, 0x40));
  EXPECT_EQ(format(0x04, 0xD2, 0x0D), format(0x04, 0xD2, 0x08));
  EXPECT_EQ(format(0x04, 0xD2, 0x83), format(0x04, 0xD2, 0x02));  // bits 0 and 7 ignored
}

TEST(LoggerValue, GeneralFormatHasNoTrailingZerosAndFixedFormatsKeepThem) {
  EXPECT_EQ(format(0x00, 100, 0x40), (Texts{"10000", "929"}));
  EXPECT_EQ(format(0x00, 10, 0x40), (Texts{"1000", "92.9"}));
  EXPECT_EQ(format(0x00, 0, 0x40), (Texts{"0", "0"}));
  EXPECT_EQ(format(0x00, 0, 0x02), (Texts{"0.000", "0.0000"}));
  EXPECT_EQ(format(0x00, 10, 0x08), (Texts{"1.0", "0.09"}));
  EXPECT_EQ(format(0x00, 5, 0x02), (Texts{"0.005", "0.0005"}));
  EXPECT_EQ(format(0xFF, 0xFF, 0x40), (Texts{"6553500", "608820.15"}));
  EXPECT_EQ(format(0xFF, 0xFF, 0x02), (Texts{"65.535", "6.0882"}));
}

TEST(LoggerValue, TiesRoundUp) {
  // 500 lx x 0.0929 = 46.45 fc exactly: binary floating point would see 46.4499...
  EXPECT_EQ(format(0x01, 0xF4, 0x10), (Texts{"500", "46.5"}));
  EXPECT_EQ(format(0x01, 0xF4, 0x08), (Texts{"50.0", "4.65"}));
}

TEST(LoggerValue, RangeWithoutScaleBitsKeepsBothTexts) {
  for (std::uint8_t range : {0x00, 0x01, 0x80, 0x81}) {
    Texts t{"12.3", "1.1"};
    EXPECT_FALSE(formatLoggerValue(0x12, 0x34, range, t)) << int(range);
    EXPECT_EQ(t, (Texts{"12.3", "1.1"}));
  }
}

// Every record of every row against the value it stands for: the text has the row's decimals,
// never a comma, and is within half a last digit of raw x factor (the fc text of the
// whole-number row is cut, so it may be up to one below).
TEST(LoggerValue, EveryRecordIsWithinHalfALastDigit) {
  struct Row {
    int bit;
    double lux, fc;
    int luxDecimals, fcDecimals;  // -1: as many as needed
    bool fcCut;
  };
  const Row rows[] = {{6, 100, 9.29, 0, -1, false},     {5, 10, 0.929, 0, 0, true},
                      {4, 1, 0.0929, 0, 1, false},      {3, 0.1, 0.00929, 1, 2, false},
                      {2, 0.01, 0.000929, 2, 3, false}, {1, 0.001, 0.0000929, 3, 4, false}};
  for (const Row& row : rows) {
    for (unsigned raw = 0; raw <= 0xFFFF; ++raw) {
      Texts t;
      ASSERT_TRUE(formatLoggerValue(static_cast<std::uint8_t>(raw >> 8),
                                    static_cast<std::uint8_t>(raw & 0xFF),
                                    static_cast<std::uint8_t>(1u << row.bit), t));
      const double factor[2] = {row.lux, row.fc};
      const int decimals[2] = {row.luxDecimals, row.fcDecimals};
      for (int i = 0; i < 2; ++i) {
        const std::string& text = t[static_cast<std::size_t>(i)];
        ASSERT_EQ(text.find(','), std::string::npos) << text;
        const auto dot = text.find('.');
        if (decimals[i] == 0) {
          ASSERT_EQ(dot, std::string::npos) << text;
        }
        if (decimals[i] > 0) {
          ASSERT_NE(dot, std::string::npos) << text;
          ASSERT_EQ(text.size() - dot - 1, static_cast<std::size_t>(decimals[i])) << text;
        }
        if (decimals[i] < 0 && dot != std::string::npos) {
          ASSERT_NE(text.back(), '0') << text;
        }
        char* end = nullptr;
        const double shown = std::strtod(text.c_str(), &end);
        ASSERT_EQ(*end, '\0') << text;
        const double exact = raw * factor[i];
        const double unit = decimals[i] < 0 ? 0.01 : std::pow(10.0, -decimals[i]);
        if (i == 1 && row.fcCut) {
          ASSERT_LE(shown, exact + 1e-9) << raw << " " << text;
          ASSERT_GT(shown, exact - unit - 1e-9) << raw << " " << text;
        } else {
          ASSERT_LE(std::fabs(shown - exact), unit / 2 + 1e-9)
              << "row " << row.bit << " raw " << raw << " text " << text;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lux
