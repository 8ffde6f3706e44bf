#include "graphs/Install.h"

#include <memory>

#include "core/Context.h"
#include "graphs/GraphWindows.h"

namespace lux {

std::unique_ptr<GraphWindows> installGraphs(Context& ctx, GraphState& graphs) {
  graphs.liveGraphOpen = false;
  auto owner = std::make_unique<GraphWindows>(graphs, ctx.display, ctx.dialogs, ctx.panel);
  GraphWindows* windows = owner.get();
  ctx.hooks.commands.add(ToolbarCommand::Graph, [windows] { windows->graphCommand(); });
  ctx.hooks.showPlot = [windows](const PlotRequest& request) { windows->showPlot(request); };
  ctx.hooks.onShutdown.push_back([windows] { windows->closeAll(); });
  return owner;
}

}  // namespace lux
