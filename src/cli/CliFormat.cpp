#include "cli/CliFormat.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace lux::cli {

std::string isoLocalTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond, int offsetSeconds) {
  const char sign = offsetSeconds < 0 ? '-' : '+';
  const int off = std::abs(offsetSeconds) / 60;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", year, month, day,
                hour, minute, second, millisecond, sign, off / 60, off % 60);
  return buf;
}

std::vector<std::string> litModes(const DisplayState& d) {
  const std::pair<bool, const char*> table[] = {
      {d.annRel, "REL"},
      {d.annComp, "COMP"},
      {d.annCal, "CAL"},
      {d.annZero, "ZERO"},
      {d.annUpperAvg, "AVG"},
      {d.annHold, "HOLD"},
      {d.annRef, "REF"},
      {d.annUpperPercent, "%"},
      {d.annCd, "cd"},
      {d.annFcHour, "fc-h"},
      {d.annLxHour, "lx-h"},
      {d.annLight, "LIGHT"},
      {d.annStray, "STRAY"},
      {d.annBattery, "BAT"},
      {d.annAuto, "AUTO"},
      {d.annCycle, "CYCLE"},
      {d.annRead, "R"},
      {d.annLowerAvg, "AVG2"},
      {d.annNo, "NO."},
      {d.annStart, "START"},
      {d.annIntv, "INTV"},
      {d.annStop, "STOP"},
      {d.annDH, "D-H"},
      {d.annMs, "m-s"},
      {d.annTimeHold, "TIME-HOLD"},
      {d.annLowerPercent, "%2"},
      {d.annMem, "M"},
      {d.annSetUp, "SET-UP"},
      {d.annClear, "CLEAR"},
      {d.annRs232, "RS232"},
  };
  std::vector<std::string> lit;
  for (const auto& [on, name] : table)
    if (on) lit.emplace_back(name);
  return lit;
}

std::string joinModes(const std::vector<std::string>& modes) {
  std::string out;
  for (const std::string& m : modes) {
    if (!out.empty()) out += ' ';
    out += m;
  }
  return out;
}

std::string signedValueText(const DisplayState& d) {
  if (d.annNegative && d.mainValueText != "OL" && !d.mainValueText.empty())
    return "-" + d.mainValueText;
  return d.mainValueText;
}

std::string secondaryText(const DisplayState& d) {
  const std::string& s = d.secondaryDigits;
  std::string out;
  const bool points[3] = {d.annSubPoint1, d.annSubPoint2, d.annSubPoint3};
  for (std::size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (i < 3 && points[i]) out += '.';
  }
  if (d.annM) out += " m";
  if (d.annFt) out += " ft";
  return out;
}

std::optional<double> parseDuration(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double total = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == start || i - start > 9) return std::nullopt;
    const double n = std::strtod(std::string(text.substr(start, i - start)).c_str(), nullptr);
    double unit = 1;
    if (i < text.size()) {
      switch (text[i]) {
        case 's':
          unit = 1;
          break;
        case 'm':
          unit = 60;
          break;
        case 'h':
          unit = 3600;
          break;
        case 'd':
          unit = 86400;
          break;
        default:
          return std::nullopt;
      }
      ++i;
    } else if (start != 0) {
      return std::nullopt;  // "1h30": a bare number only as the whole text
    }
    total += n * unit;
  }
  if (!(total > 0)) return std::nullopt;
  return total;
}

std::string setFileName(int setNumber, std::string_view timeText, std::string_view extension) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d", setNumber);
  std::string name = std::string("set-") + number + "_";
  for (char c : timeText) {
    // Only what a file name on any system takes: the BCD time bytes of a damaged header could
    // read as anything.
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += c;
    else
      name += '-';
  }
  name += '.';
  name += extension;
  return name;
}

std::string isoFromStamp(std::string_view stamp) {
  std::string out(stamp);
  if (out.size() > 10 && out[10] == ' ') out[10] = 'T';
  return out;
}

}  // namespace lux::cli
