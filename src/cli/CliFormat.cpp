#include "cli/CliFormat.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace lux::cli {

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
