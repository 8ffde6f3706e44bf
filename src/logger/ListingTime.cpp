#include "logger/ListingTime.h"

#include <cstdio>

namespace lux {

namespace {

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm); no time zones and no
// daylight saving: the meter's clock knows neither.
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy =
      (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// Two decimal digits, or -1 when either is not a digit.
int twoDigits(std::string_view s, std::size_t at) {
  if (s.size() < at + 2) return -1;
  const char a = s[at], b = s[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

std::int64_t startSeconds(const ListingStart& s) {
  return daysFromCivil(s.year, s.month, s.day) * 86400 + s.hour * 3600 + s.minute * 60 + s.second;
}

void appendTwo(std::string& out, std::int64_t v) {
  if (v < 10) out += '0';
  out += std::to_string(v);
}

void appendClock(std::string& out, std::int64_t secondOfDay) {
  appendTwo(out, secondOfDay / 3600);
  out += ':';
  appendTwo(out, secondOfDay / 60 % 60);
  out += ':';
  appendTwo(out, secondOfDay % 60);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return days[month - 1];
}

ListingStart listingStart(std::string_view timeText, int pcYear, int pcMonth) {
  ListingStart s;
  s.year = pcYear;
  s.month = pcMonth >= 1 && pcMonth <= 12 ? pcMonth : 1;
  const int day = twoDigits(timeText, 0);
  const int hour = twoDigits(timeText, 3);
  const int minute = twoDigits(timeText, 6);
  const int second = twoDigits(timeText, 9);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    s.mode = ListingStart::Mode::Elapsed;
    s.day = 1;
    return s;
  }
  s.hour = hour;
  s.minute = minute;
  s.second = second;
  if (day < 1 || day > 31) {
    // "00" is the meter's own mark for a set without a day; any other non-day reads the same
    // way rather than as a made-up date. The start date stands on the PC's month with the
    // month number as its day, a day every month has.
    s.mode = ListingStart::Mode::DayCount;
    s.day = s.month;
    return s;
  }
  s.day = day;
  if (day > daysInMonth(s.year, s.month)) {
    // The meter's day is a real day, so the set began in a month that has it: the latest such
    // month before the PC's (the month just before always has 31 days when the PC's month
    // is short).
    do {
      if (--s.month == 0) {
        s.month = 12;
        --s.year;
      }
    } while (day > daysInMonth(s.year, s.month));
    s.earlierMonth = true;
  }
  return s;
}

bool validStartTime(std::string_view timeText) {
  return listingStart(timeText, 2000, 1).mode != ListingStart::Mode::Elapsed;
}

std::string recordStamp(const ListingStart& start, std::int64_t secondsFromStart) {
  const std::int64_t t = startSeconds(start) + secondsFromStart;
  const std::int64_t days = floorDiv(t, 86400);
  int y, m, d;
  civilFromDays(days, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d ", y, m, d);
  std::string out(buf);
  appendClock(out, t - days * 86400);
  return out;
}

std::string recordTimeLabel(const ListingStart& start, std::int64_t secondsFromStart) {
  std::string out;
  out.reserve(12);
  if (start.mode == ListingStart::Mode::Elapsed) return out;
  const std::int64_t startDay = daysFromCivil(start.year, start.month, start.day);
  const std::int64_t t =
      startDay * 86400 + start.hour * 3600 + start.minute * 60 + start.second + secondsFromStart;
  const std::int64_t days = floorDiv(t, 86400);
  if (start.mode == ListingStart::Mode::DayCount) {
    appendTwo(out, days - startDay);
  } else {
    int y, m, d;
    civilFromDays(days, y, m, d);
    appendTwo(out, d);
  }
  out += '-';
  appendClock(out, t - days * 86400);
  return out;
}

}  // namespace lux
