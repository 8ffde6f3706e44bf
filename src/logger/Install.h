#pragma once
namespace lux {
struct Context;
// Registers this subsystem's commands and hooks in the program's context.
void installLogger(Context& ctx);
}  // namespace lux
