#pragma once
// The toolbar's short exchanges that read or write a parameter of the meter: "Hold" (hold
// time), "CD" (light-source distance for candela readings) and "Comp" (comparator limits into
// the comparator window). Each holds the line from its first handshake to its last byte, so no
// poll tick takes the meter's answers; while an input box is open the poll keeps the panel live.
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
