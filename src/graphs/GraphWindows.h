#pragma once
// Owner of the graph windows for the program's life: the toolbar's "Graph" command, the live
// graph, and the two viewers (`RealTimeGraph`, `Plot`). Reached from the other subsystems only
// through the hooks that installGraphs registers.
#include <QObject>
#include <QPointer>

#include "graphs/GraphState.h"
#include "graphs/GraphViewer.h"
#include "graphs/LiveGraph.h"
#include "link/DisplayState.h"

namespace lux {

struct PlotRequest;
class Dialogs;

class GraphWindows : public QObject {
  Q_OBJECT
 public:
  GraphWindows(GraphState& graphs, const DisplayState& display, Dialogs& dialogs, QWidget* panel);
  ~GraphWindows() override;

  // Toolbar "Graph": opens the live graph when none runs and the meter measures plainly.
  void graphCommand();
  // Opens the Plot viewer on a list's values, rebuilt from scratch (an open one is closed
  // first). Reset Scale gives back the request's point count (kept in `plotPointCount`) and
  // its y range.
  void showPlot(const PlotRequest& request);

  // The RealTimeGraph viewer, created (not shown) when needed; rebuilt when `fresh`.
  GraphViewer& realTimeGraph(bool fresh);

  LiveGraph* liveGraph() const { return live_; }
  GraphViewer* realTimeGraphWindow() const { return realTime_; }
  GraphViewer* plotWindow() const { return plot_; }

  // Closes every graph window (program end).
  void closeAll();

  GraphState& graphs() { return graphs_; }
  const DisplayState& display() const { return display_; }
  Dialogs& dialogs() { return dialogs_; }

 private:
  GraphState& graphs_;
  const DisplayState& display_;
  Dialogs& dialogs_;
  QPointer<QWidget> panel_;
  QPointer<LiveGraph> live_;
  QPointer<GraphViewer> realTime_;
  QPointer<GraphViewer> plot_;
};

}  // namespace lux
