#pragma once
// Time labels of a listed logger set. The meter stamps a set with its own day of month and
// time only; the listing supplies the PC's year and month and stamps each record at
// start + (n - 1) x interval, shown as "DD-hh:nn:ss".
#include <cstdint>
#include <string>
#include <string_view>

namespace lux {

struct ListingStart {
  enum class Mode {
    // The label's day is the calendar day of each record.
    Calendar,
    // The meter's start day is 00 (or no day of any month): the label's day counts the
    // calendar days elapsed since the start day, "00" on the start day itself.
    DayCount,
    // The start time is no valid clock reading (hour 25, minute 61): no record has a time the
    // meter's clock could have shown, so the labels stay empty rather than made up.
    Elapsed,
  };
  Mode mode = Mode::Calendar;
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  // The start day does not exist in the PC's month (31 in a 30-day month, 29 February in a
  // common year): the set is taken to have started in the month before, the most recent one
  // that has that day.
  bool earlierMonth = false;
};

// Reads a set table time text "DD-hh:nn:ss" against the PC's current year and month.
ListingStart listingStart(std::string_view timeText, int pcYear, int pcMonth);

// False for a set table time text whose time of day no clock shows.
bool validStartTime(std::string_view timeText);

// "DD-hh:nn:ss" of the record `secondsFromStart` after the set's start; empty when the start
// time is invalid.
std::string recordTimeLabel(const ListingStart& start, std::int64_t secondsFromStart);

// "YYYY-MM-DD hh:nn:ss" of that record (calendar stamp, whatever the label mode).
std::string recordStamp(const ListingStart& start, std::int64_t secondsFromStart);

// Days in a month of the proleptic Gregorian calendar.
int daysInMonth(int year, int month);

}  // namespace lux
