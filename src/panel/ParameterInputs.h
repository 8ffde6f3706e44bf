#pragma once
namespace lux {
struct Context;
// Registers the toolbar's "Hold", "CD" and "Comp" exchanges with the meter.
void installParameterInputs(Context& ctx);
}  // namespace lux
