#pragma once
// The lines of a recording that carries on across units and modes (csv, JSON lines): the
// times, the lit modes and the reading with its sign. Plain text rules, no Qt.
#include <string>
#include <vector>

#include "link/DisplayState.h"

namespace lux {

inline constexpr char kRecordCsvHeader[] = "number,time,value,unit,modes\r\n";

// ISO 8601 local time with milliseconds and the UTC offset: 2026-03-09T08:05:07.250+01:00.
std::string isoLocalTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond, int offsetSeconds);

// The annunciators lit beside the reading, by the names on the meter's LCD (unit, decimal
// points, comma and signs are part of the reading, not modes).
std::vector<std::string> litModes(const DisplayState& d);
std::string joinModes(const std::vector<std::string>& modes);  // blank-separated
// The reading as a person reads it off the LCD: the minus sign in front when it is lit.
std::string signedValueText(const DisplayState& d);

// A JSON string literal of `text` (quotes, backslashes and control characters escaped).
std::string jsonString(const std::string& text);

}  // namespace lux
