#pragma once
namespace lux {
struct LoggerContext;
// Registers this subsystem's commands and hooks in the program's context.
void installLogger(LoggerContext& ctx);
}  // namespace lux
