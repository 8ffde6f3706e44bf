// The program's decoder against the simulated meter's encoder, which knows the frame layout on
// its own, on thousands of random displays and random bytes: a decoded frame must encode back to
// the very same bytes, and a laid-out reading must read back as the number that was laid out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "link/FrameDecoder.h"
#include "link/Protocol.h"
#include "support/Frames.h"

namespace lux {
namespace {

using test::encodeFrame;
using test::frameForReading;
using test::FrameSpec;

constexpr int kCases = 20000;

// The frame the decoded state describes, built back through the encoder.
std::string reencode(const DisplayState& s, bool overload) {
  FrameSpec spec;
  spec.flags = s;
  spec.overload = overload;
  for (std::size_t i = 0; i < 2; ++i) spec.memoryDigits[i] = s.memoryDigits.at(i);
  for (std::size_t i = 0; i < 6; ++i) spec.mainDigits[i] = s.mainDigits.at(i);
  for (std::size_t i = 0; i < 4; ++i) spec.secondaryDigits[i] = s.secondaryDigits.at(i);
  return encodeFrame(spec);
}

// A state that no frame can produce, to see which fields a decode leaves alone.
DisplayState sentinelState() {
  DisplayState s;
  s.memoryDigits = "xx";
  s.mainDigits = "xxxxxx";
  s.secondaryDigits = "xxxx";
  s.mainDigitsText = "sentinel";
  s.mainValue = -1.0f;
  s.mainValueText = "sentinel";
  return s;
}

TEST(RoundTrip, RandomBytesDecodeAndEncodeBackUnchanged) {
  for (unsigned seed : {1u, 20261208u, 0xC0FFEEu}) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution banner(0.1);
    int complete = 0, stopped = 0, banners = 0;
    for (int n = 0; n < kCases; ++n) {
      std::string frame(14, '\0');
      frame[0] = 0x02;
      frame[13] = 0x03;
      for (int i = 1; i <= 12; ++i) frame[i] = static_cast<char>(byte(rng));
      // Banners would hide most frames: keep them to about one in ten.
      if (!banner(rng)) frame[12] = static_cast<char>(frame[12] & 0x97);
      ASSERT_TRUE(isFramed(frame, 14));
      const bool overload = static_cast<std::uint8_t>(frame[3]) == 0xFF;

      DisplayState s = sentinelState();
      const auto r = decodeFrame(s, frame);
      const std::string back = reencode(s, overload);
      for (int i = 7; i < 13; ++i)  // unused bits 4 and 7 of the last flag byte are dropped
        EXPECT_EQ(static_cast<std::uint8_t>(back[i]),
                  static_cast<std::uint8_t>(frame[i]) & (i == 12 ? 0x6F : 0xFF))
            << "seed " << seed << " case " << n << " flag byte " << i + 1;

      if (r == DecodeResult::Banner) {
        ++banners;
        EXPECT_EQ(s.mainValueText, "sentinel");
        EXPECT_EQ(s.mainDigits, "xxxxxx");
        continue;
      }
      // Memory and main digits always come back; blank reads back as the nibble 0xA.
      EXPECT_EQ(back.substr(0, 5), frame.substr(0, 5)) << "seed " << seed << " case " << n;
      if (r == DecodeResult::StoppedEarly) {
        ++stopped;
        EXPECT_LT(s.mainDigitsText.size(), static_cast<std::size_t>(s.mainDecimals));
        EXPECT_EQ(s.mainValueText, "sentinel");
        EXPECT_EQ(s.secondaryDigits, "xxxx");
        continue;
      }
      ASSERT_EQ(r, DecodeResult::Complete);
      ++complete;
      EXPECT_EQ(back.substr(5, 2), frame.substr(5, 2)) << "seed " << seed << " case " << n;

      // The shown text is the digits with the point placed before the last mainDecimals.
      std::string withoutPoint = s.mainValueText;
      const auto dot = withoutPoint.find('.');
      if (overload) {
        EXPECT_EQ(s.mainValueText, "OL");
        continue;
      }
      if (s.mainDecimals == 0) {
        EXPECT_EQ(dot, std::string::npos);
      } else {
        ASSERT_NE(dot, std::string::npos);
        EXPECT_EQ(withoutPoint.size() - dot - 1, static_cast<std::size_t>(s.mainDecimals));
        withoutPoint.erase(dot, 1);
      }
      EXPECT_EQ(withoutPoint, s.mainDigitsText);
      // Where the digits are all decimal the value is the shown text, to float precision.
      if (s.mainDigitsText.find_first_not_of("0123456789") == std::string::npos) {
        const double shown =
            s.mainValueText.empty() ? 0.0 : std::strtod(s.mainValueText.c_str(), nullptr);
        EXPECT_EQ(s.mainValue, static_cast<float>(shown)) << s.mainValueText;
      }
    }
    // The random frames really reached every outcome.
    EXPECT_GT(complete, kCases / 2);
    EXPECT_GT(stopped, 0);
    EXPECT_GT(banners, 0);
  }
}

TEST(RoundTrip, RandomDisplaysSurviveEncodeAndDecode) {
  static const char kMainChars[] = "0123456789 BCDEF";
  static const char kSecondaryChars[] = "0123456789ABCDEF";
  std::mt19937 rng(424242u);
  std::uniform_int_distribution<int> pick(0, 15);
  std::bernoulli_distribution coin(0.5), rare(0.1);
  for (int n = 0; n < kCases; ++n) {
    FrameSpec spec;
    bool DisplayState::*const some[] = {&DisplayState::annHold,      &DisplayState::annIntv,
                                        &DisplayState::annNegative,  &DisplayState::annLx,
                                        &DisplayState::annFc,        &DisplayState::annMainPoint2,
                                        &DisplayState::annSubPoint3, &DisplayState::annMem};
    for (auto f : some) spec.flags.*f = coin(rng);
    for (char& c : spec.memoryDigits) c = kMainChars[pick(rng)];
    for (char& c : spec.mainDigits) c = kMainChars[pick(rng)];
    for (char& c : spec.secondaryDigits) c = kSecondaryChars[pick(rng)];
    spec.overload = rare(rng);

    DisplayState s;
    const auto r = decodeFrame(s, encodeFrame(spec));
    ASSERT_NE(r, DecodeResult::Banner);
    for (auto f : some) EXPECT_EQ(s.*f, spec.flags.*f);
    EXPECT_EQ(s.memoryDigits, std::string(spec.memoryDigits.data(), 2));
    std::string main(spec.mainDigits.data(), 6);
    // Digits 3 and 4 both "F" travel as 0xFF, which is the overload code itself.
    if (spec.overload || main.substr(2, 2) == "FF") main.replace(2, 2, "OL");
    EXPECT_EQ(s.mainDigits, main);
    if (r == DecodeResult::Complete) {
      EXPECT_EQ(s.secondaryDigits, std::string(spec.secondaryDigits.data(), 4));
    }
    EXPECT_EQ(s.unitText, spec.flags.annFc ? "Fc" : spec.flags.annLx ? "Lx" : "");
  }
}

TEST(FrameForReading, ReadsBackAsTheRoundedReading) {
  std::mt19937 rng(7u);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-4, 7), decimals(0, 3);
  std::bernoulli_distribution coin(0.5);
  int overloads = 0;
  for (int n = 0; n < kCases; ++n) {
    const double value = mantissa(rng) * std::pow(10.0, exponent(rng));
    const int d = decimals(rng);
    const bool lux = coin(rng);
    const std::string frame = encodeFrame(frameForReading(value, d, lux));
    ASSERT_TRUE(isFramed(frame, 14));

    DisplayState s;
    ASSERT_EQ(decodeFrame(s, frame), DecodeResult::Complete);
    EXPECT_EQ(s.unitText, lux ? "Lx" : "Fc");
    const double scaled = std::round(std::fabs(value) * std::pow(10.0, d));
    if (scaled > 999999) {
      ++overloads;
      EXPECT_EQ(s.mainValueText, "OL") << value;
      EXPECT_EQ(s.mainValue, lux ? 1000000.0f : 100000.0f);
      continue;
    }
    const double expected = scaled / std::pow(10.0, d);
    EXPECT_EQ(s.mainDecimals, d);
    EXPECT_EQ(s.mainValue, static_cast<float>(expected)) << value << " at " << d;
    EXPECT_EQ(std::strtod(s.mainValueText.c_str(), nullptr), expected) << s.mainValueText;
    EXPECT_NE(s.mainValueText.front(), '.') << s.mainValueText;
    EXPECT_EQ(s.annNegative, value < 0 && scaled != 0) << value;
  }
  EXPECT_GT(overloads, 0);
  EXPECT_LT(overloads, kCases);
}

TEST(FrameForReading, LaysOutDigitsAndPoints) {
  DisplayState s;
  decodeFrame(s, encodeFrame(frameForReading(0.5, 1, true)));
  EXPECT_EQ(s.mainDigits, "    05");
  EXPECT_TRUE(s.annMainPoint3);
  EXPECT_EQ(s.mainValueText, "0.5");

  decodeFrame(s, encodeFrame(frameForReading(-12.3456, 3, false)));
  EXPECT_EQ(s.mainDigits, " 12346");
  EXPECT_TRUE(s.annMainPoint1);
  EXPECT_FALSE(s.annMainPoint3);
  EXPECT_TRUE(s.annNegative);
  EXPECT_EQ(s.mainValueText, "12.346");

  decodeFrame(s, encodeFrame(frameForReading(250.0, 1, true, true)));
  EXPECT_EQ(s.mainValueText, "OL");
  EXPECT_EQ(s.mainValue, 1000000.0f);

  decodeFrame(s, encodeFrame(frameForReading(std::nan(""), 2, false)));
  EXPECT_EQ(s.mainValueText, "OL");
}

}  // namespace
}  // namespace lux
