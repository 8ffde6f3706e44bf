// The text rules of luxpanel-cli's output: CSV fields, ISO times, mode names, durations and set
// file names.
#include <gtest/gtest.h>

#include "cli/CliFormat.h"

namespace {

using namespace lux::cli;

TEST(CliCsv, IsoLocalTimeCarriesMillisecondsAndTheOffset) {
  EXPECT_EQ(isoLocalTime(2026, 3, 9, 8, 5, 7, 25, 3600), "2026-03-09T08:05:07.025+01:00");
  EXPECT_EQ(isoLocalTime(2026, 12, 31, 23, 59, 59, 999, 0), "2026-12-31T23:59:59.999+00:00");
  // Offsets west of Greenwich, and those with half hours.
  EXPECT_EQ(isoLocalTime(2026, 1, 1, 0, 0, 0, 0, -(3 * 3600 + 1800)),
            "2026-01-01T00:00:00.000-03:30");
  EXPECT_EQ(isoLocalTime(2026, 1, 1, 0, 0, 0, 0, 5 * 3600 + 2700), "2026-01-01T00:00:00.000+05:45");
  EXPECT_EQ(isoFromStamp("2026-03-09 08:05:07"), "2026-03-09T08:05:07");
}

TEST(CliDisplay, ModesSignAndSecondaryDisplay) {
  lux::DisplayState d;
  d.mainValueText = "12.3";
  EXPECT_TRUE(litModes(d).empty());
  d.annRel = d.annHold = d.annAuto = true;
  d.annLx = true;  // the unit is not a mode
  d.annMainPoint3 = true;
  EXPECT_EQ(joinModes(litModes(d)), "REL HOLD AUTO");
  EXPECT_EQ(signedValueText(d), "12.3");
  d.annNegative = true;
  EXPECT_EQ(signedValueText(d), "-12.3");
  d.mainValueText = "OL";
  EXPECT_EQ(signedValueText(d), "OL") << "an overload has no sign";

  d.secondaryDigits = "1500";
  EXPECT_EQ(secondaryText(d), "1500");
  d.annSubPoint1 = true;
  d.annM = true;
  EXPECT_EQ(secondaryText(d), "1.500 m");
  d.annSubPoint1 = false;
  d.annSubPoint3 = true;
  d.annM = false;
  d.annFt = true;
  EXPECT_EQ(secondaryText(d), "150.0 ft");
}

TEST(CliDurations, NumbersWithUnitsAndWhatIsRefused) {
  EXPECT_EQ(parseDuration("90"), 90);
  EXPECT_EQ(parseDuration("90s"), 90);
  EXPECT_EQ(parseDuration("15m"), 900);
  EXPECT_EQ(parseDuration("2h"), 7200);
  EXPECT_EQ(parseDuration("7d"), 604800);
  EXPECT_EQ(parseDuration("1h30m"), 5400);
  EXPECT_EQ(parseDuration("1d2h3m4s"), 93784);
  for (const char* bad : {"", "0", "0s", "-5", "5x", "m", "1h30", "1.5h", "h1", "9999999999s"})
    EXPECT_FALSE(parseDuration(bad).has_value()) << bad;
}

TEST(CliSetFiles, NamedBySetNumberAndStart) {
  EXPECT_EQ(setFileName(1, "15-14:30:00", "tsv"), "set-01_15-14-30-00.tsv");
  EXPECT_EQ(setFileName(123, "00-00:00:00", "csv"), "set-123_00-00-00-00.csv");
  // A damaged header's bytes never reach the file system as path characters.
  EXPECT_EQ(setFileName(2, "../:/x", "tsv"), "set-02_-----x.tsv");
}

}  // namespace
