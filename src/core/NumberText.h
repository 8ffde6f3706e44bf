#pragma once
// The number rules for what a user types or a file holds, shared by every window that reads a
// number out of text. Plain C++, so they can be fuzzed on their own.
#include <string_view>

namespace lux {

// Leading-number conversion of typed or stored text: blanks skipped, then the longest prefix
// that reads as a decimal number (sign, digits, point, exponent); 0 when there is none.
double leadingNumber(std::string_view text);
// True when the whole text (surrounding blanks allowed) is one decimal number.
bool isWholeNumberText(std::string_view text, double* value = nullptr);
// Nearest whole number; a value exactly halfway goes to the even neighbour.
double roundHalfEven(double value);

}  // namespace lux
