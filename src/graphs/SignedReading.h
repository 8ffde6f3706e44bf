#pragma once
// The value the graphs draw: the reading with the minus annunciator's sign (an overload keeps
// the value it has).
#include "link/DisplayState.h"

namespace lux {

inline float signedMainValue(const DisplayState& d) {
  return d.annNegative && d.mainValueText != "OL" && !d.mainValueText.empty() ? -d.mainValue
                                                                              : d.mainValue;
}

}  // namespace lux
