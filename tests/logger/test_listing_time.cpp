// Time labels of listed records: calendar days, month and year ends, the day-00 count and
// start texts that are no date at all.
#include <gtest/gtest.h>

#include "logger/ListingTime.h"

using namespace lux;

TEST(ListingTime, CalendarLabelsCrossMidnight) {
  const ListingStart s = listingStart("07-23:59:50", 2026, 3);
  EXPECT_EQ(s.mode, ListingStart::Mode::Calendar);
  EXPECT_FALSE(s.earlierMonth);
  EXPECT_EQ(recordTimeLabel(s, 0), "07-23:59:50");
  EXPECT_EQ(recordTimeLabel(s, 9), "07-23:59:59");
  EXPECT_EQ(recordTimeLabel(s, 10), "08-00:00:00");
  EXPECT_EQ(recordTimeLabel(s, 10 + 86400 * 2 + 3661), "10-01:01:01");
  EXPECT_EQ(recordStamp(s, 10), "2026-03-08 00:00:00");
}

TEST(ListingTime, CalendarLabelsCrossMonthAndYearEnds) {
  const ListingStart nov = listingStart("30-23:00:00", 2026, 11);
  EXPECT_EQ(recordTimeLabel(nov, 3599), "30-23:59:59");
  EXPECT_EQ(recordTimeLabel(nov, 3600), "01-00:00:00");
  EXPECT_EQ(recordStamp(nov, 3600), "2026-12-01 00:00:00");

  const ListingStart dec = listingStart("31-23:59:59", 2026, 12);
  EXPECT_EQ(recordTimeLabel(dec, 1), "01-00:00:00");
  EXPECT_EQ(recordStamp(dec, 1), "2027-01-01 00:00:00");

  // February: the 29th exists in a leap year only.
  EXPECT_EQ(recordTimeLabel(listingStart("28-12:00:00", 2028, 2), 86400), "29-12:00:00");
  EXPECT_EQ(recordTimeLabel(listingStart("28-12:00:00", 2026, 2), 86400), "01-12:00:00");
}

TEST(ListingTime, DayZeroCountsDaysFromTheStartDay) {
  const ListingStart s = listingStart("00-22:00:00", 2026, 3);
  EXPECT_EQ(s.mode, ListingStart::Mode::DayCount);
  EXPECT_EQ(recordTimeLabel(s, 0), "00-22:00:00");
  EXPECT_EQ(recordTimeLabel(s, 7199), "00-23:59:59");
  // Counted in calendar days: two hours later is already the next day.
  EXPECT_EQ(recordTimeLabel(s, 7200), "01-00:00:00");
  EXPECT_EQ(recordTimeLabel(s, 7200 + 86399), "01-23:59:59");
  EXPECT_EQ(recordTimeLabel(s, 7200 + 86400), "02-00:00:00");
  EXPECT_EQ(recordTimeLabel(s, 7200 + 86400 * 9), "10-00:00:00");
  // Past 99 days the count keeps all its digits instead of wrapping.
  EXPECT_EQ(recordTimeLabel(s, 7200 + 86400 * 99LL), "100-00:00:00");
  // The count does not depend on the length of the PC's month.
  EXPECT_EQ(recordTimeLabel(listingStart("00-22:00:00", 2026, 2), 7200 + 86400 * 40),
            "41-00:00:00");
  // The start day stands on the PC's month with the month number as day.
  EXPECT_EQ(recordStamp(s, 0), "2026-03-03 22:00:00");
}

TEST(ListingTime, StartDayMissingFromThePcMonthMovesToTheMonthBefore) {
  // 31 in November: the set began on 31 October.
  const ListingStart s = listingStart("31-23:59:59", 2026, 11);
  EXPECT_EQ(s.mode, ListingStart::Mode::Calendar);
  EXPECT_TRUE(s.earlierMonth);
  EXPECT_EQ(recordStamp(s, 0), "2026-10-31 23:59:59");
  EXPECT_EQ(recordTimeLabel(s, 0), "31-23:59:59");
  EXPECT_EQ(recordTimeLabel(s, 1), "01-00:00:00");

  // 30 or 29 in a common-year February: January.
  EXPECT_EQ(recordStamp(listingStart("30-08:00:00", 2026, 2), 0), "2026-01-30 08:00:00");
  EXPECT_EQ(recordStamp(listingStart("29-08:00:00", 2026, 2), 0), "2026-01-29 08:00:00");
  EXPECT_FALSE(listingStart("29-08:00:00", 2028, 2).earlierMonth);
  // 31 in January stays; nothing crosses into the previous year unless needed.
  EXPECT_EQ(recordStamp(listingStart("31-08:00:00", 2026, 1), 0), "2026-01-31 08:00:00");
}

TEST(ListingTime, StartTextsThatAreNoDateStillLabelEveryRecord) {
  // A day beyond 31 or not decimal counts days like day 00.
  for (const char* text : {"45-10:00:00", "3A-10:00:00", "99-10:00:00"}) {
    const ListingStart s = listingStart(text, 2026, 6);
    EXPECT_EQ(s.mode, ListingStart::Mode::DayCount) << text;
    EXPECT_EQ(recordTimeLabel(s, 0), "00-10:00:00") << text;
    EXPECT_EQ(recordTimeLabel(s, 14 * 3600), "01-00:00:00") << text;
  }
  // A time of day that no clock shows: no record gets a made-up stamp.
  for (const char* text :
       {"05-25:61:00", "07-24:00:00", "07-12:60:00", "07-12:00:5F", "07-FF:FF:FF", ""}) {
    const ListingStart s = listingStart(text, 2026, 6);
    EXPECT_EQ(s.mode, ListingStart::Mode::Elapsed) << text;
    EXPECT_FALSE(validStartTime(text)) << text;
    EXPECT_EQ(recordTimeLabel(s, 0), "") << text;
    EXPECT_EQ(recordTimeLabel(s, 10), "") << text;
    EXPECT_EQ(recordTimeLabel(s, 86400 + 3600), "") << text;
  }
  // The last time of a day, and days that are no date, are valid times.
  for (const char* text : {"05-23:59:59", "00-00:00:00", "3A-10:00:00", "31-12:00:00"})
    EXPECT_TRUE(validStartTime(text)) << text;
}

TEST(ListingTime, DaysInMonth) {
  EXPECT_EQ(daysInMonth(2026, 2), 28);
  EXPECT_EQ(daysInMonth(2028, 2), 29);
  EXPECT_EQ(daysInMonth(2100, 2), 28);
  EXPECT_EQ(daysInMonth(2000, 2), 29);
  EXPECT_EQ(daysInMonth(2026, 4), 30);
  EXPECT_EQ(daysInMonth(2026, 12), 31);
  EXPECT_EQ(daysInMonth(2026, 13), 0);
}
