#pragma once
// The toolbar's short exchanges that read or write a parameter of the meter: "Hold" (hold
// time), "CD" (light-source distance for candela readings) and "Comp" (comparator limits into
// the comparator window). The panel's poll keeps running during them; the framing checks keep
// its bytes and theirs apart.
#include <optional>

#include "settings/SettingsPayloads.h"

namespace lux {
struct Context;

// Registers the toolbar's "Hold", "CD" and "Comp" exchanges with the meter.
void installParameterInputs(Context& ctx);

// The meter's settings block: repeats "Z" until a well-framed 9-byte block arrives, and gives
// up after kMeterAnswerBoundSeconds (nothing then; the caller tells the user).
std::optional<SettingsBlock> readMeterBlock(Context& ctx);

void holdTimeCommand(Context& ctx);
void distanceCommand(Context& ctx);
void comparatorCommand(Context& ctx);

}  // namespace lux
