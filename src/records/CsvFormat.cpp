#include "records/CsvFormat.h"

#include <cstdio>
#include <cstdlib>

namespace lux {

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string csvLine(const std::vector<std::string>& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += csvField(fields[i]);
  }
  out += "\r\n";
  return out;
}

std::string csvHeaderLine(bool withTimestamp) {
  std::vector<std::string> names{"number", "time", "value", "unit"};
  if (withTimestamp) names.emplace_back("timestamp");
  return csvLine(names);
}

std::string isoTimestamp(int year, int month, int day, int hour, int minute, int second,
                         int utcOffsetSeconds) {
  // Offsets in use run from -12:00 to +14:00; whole minutes only in ISO 8601's basic form.
  if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
      utcOffsetSeconds < -18 * 3600 || utcOffsetSeconds > 18 * 3600)
    return {};
  const int offsetMinutes = std::abs(utcOffsetSeconds) / 60;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year, month, day, hour,
                minute, second, utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60,
                offsetMinutes % 60);
  return buf;
}

}  // namespace lux
