#include "graphs/Install.h"

#include <memory>

#include "core/Context.h"
#include "graphs/GraphWindows.h"

namespace lux {

void installGraphs(Context& ctx, GraphState& graphs) {
  graphs.liveGraphOpen = false;
  // The hooks own the graph windows' owner: it lives as long as the program's context.
  auto windows = std::make_shared<GraphWindows>(graphs, ctx.display, ctx.dialogs, ctx.panel);
  ctx.hooks.commands.add(ToolbarCommand::Graph, [windows] { windows->graphCommand(); });
  ctx.hooks.showPlot = [windows](const PlotRequest& request) { windows->showPlot(request); };
  ctx.hooks.onShutdown.push_back([windows] { windows->closeAll(); });
}

}  // namespace lux
