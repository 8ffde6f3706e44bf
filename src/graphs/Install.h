#pragma once
namespace lux {
struct Context;
// Registers this subsystem's commands and hooks in the program's context.
void installGraphs(Context& ctx);
}  // namespace lux
