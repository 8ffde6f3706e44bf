#pragma once
namespace lux {
struct Context;
// Registers this subsystem's commands and hooks in the program's context.
void installRecords(Context& ctx);
}  // namespace lux
