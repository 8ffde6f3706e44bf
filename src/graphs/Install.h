#pragma once
#include <memory>

namespace lux {
class GraphWindows;
struct Context;
struct GraphState;
// Makes the graph windows' owner and registers its command and hooks in the program's context;
// the graph windows keep their state in `graphs`. The caller keeps the owner for as long as
// the context lives.
std::unique_ptr<GraphWindows> installGraphs(Context& ctx, GraphState& graphs);
}  // namespace lux
