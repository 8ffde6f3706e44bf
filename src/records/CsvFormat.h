#pragma once
// Comma-separated export of the lists for spreadsheets and scripts: RFC 4180 fields and lines,
// and ISO 8601 stamps carrying the date and the UTC offset that the list's own "DD-hh:nn:ss"
// text leaves out. Plain C++ so that it can be tested and fuzzed without Qt.
#include <string>
#include <string_view>
#include <vector>

namespace lux {

// One field: quoted when it holds a comma, a double quote, CR or LF (quotes doubled inside),
// as is otherwise.
std::string csvField(std::string_view text);
// Fields joined by commas and ended by CR LF.
std::string csvLine(const std::vector<std::string>& fields);

// The header of an export: number, time, value, unit, and a timestamp column when the list
// knows the dates of its records.
std::string csvHeaderLine(bool withTimestamp);

// "2026-03-09T08:05:07+01:00" from a local date and time and its offset from UTC in seconds
// ("Z" for offset 0 is not used: the offset is always written out). Empty when a part is out
// of range, so a bad stamp never yields a plausible-looking date.
std::string isoTimestamp(int year, int month, int day, int hour, int minute, int second,
                         int utcOffsetSeconds);

}  // namespace lux
