#pragma once
namespace lux {
struct Context;
struct GraphState;
// Registers this subsystem's commands and hooks in the program's context; the graph windows
// keep their state in `graphs`.
void installGraphs(Context& ctx, GraphState& graphs);
}  // namespace lux
