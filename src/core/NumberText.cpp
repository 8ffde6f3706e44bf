#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace lux {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the longest prefix of `s` that reads as a decimal number, 0 when none.
std::size_t numberPrefixLength(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t expStart = j;
    while (j < s.size() && isDigit(s[j])) ++j;
    if (j > expStart) i = j;
  }
  return i;
}

double parsePrefix(std::string_view s, std::size_t len) {
  std::string_view num = s.substr(0, len);
  bool negative = false;
  if (!num.empty() && (num[0] == '+' || num[0] == '-')) {
    negative = num[0] == '-';
    num.remove_prefix(1);
  }
  // "5." and ".5" are numbers to a user; from_chars wants a digit on each side of the point.
  std::string text(num);
  if (!text.empty() && text[0] == '.') text.insert(text.begin(), '0');
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Overflow reads as the largest magnitude, underflow as 0: both are then clamped by callers.
    const std::size_t e = text.find_first_of("eE");
    const bool hugeExp = e != std::string::npos && text.find('-', e) == std::string::npos;
    value = hugeExp ? HUGE_VAL : 0.0;
  } else if (ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

}  // namespace

double leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  text.remove_prefix(i);
  const std::size_t len = numberPrefixLength(text);
  return len == 0 ? 0.0 : parsePrefix(text, len);
}

bool isWholeNumberText(std::string_view text, double* value) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  const std::size_t len = numberPrefixLength(text);
  if (len == 0 || len != text.size()) return false;
  if (value) *value = parsePrefix(text, len);
  return true;
}

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

}  // namespace lux
