#include "records/RecordLines.h"

#include <cstdio>
#include <cstdlib>

namespace lux {

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

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

}  // namespace lux
