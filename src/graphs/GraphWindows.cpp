#include "graphs/GraphWindows.h"

#include <QCoreApplication>

#include "core/PlotRequest.h"
#include "graphs/GraphViewer.h"
#include "graphs/LiveGraph.h"
#include "graphs/SignedReading.h"

namespace lux {

namespace {

// Hides a window at once and lets Qt delete it when control returns to the event loop (the
// caller may be a handler of a widget inside it).
template <class W>
void discard(QPointer<W>& window) {
  if (!window) return;
  window->hide();
  window->deleteLater();
  window = nullptr;
}

}  // namespace

GraphWindows::GraphWindows(GraphState& graphs, const DisplayState& display, Dialogs& dialogs,
                           QWidget* panel)
    : graphs_(graphs), display_(display), dialogs_(dialogs), panel_(panel) {}

GraphWindows::~GraphWindows() {
  if (QCoreApplication::instance()) {
    delete live_.data();
    delete realTime_.data();
    delete plot_.data();
  }
}

void GraphWindows::graphCommand() {
  GraphState& g = graphs_;
  const DisplayState& d = display_;
  if (g.liveGraphOpen || !d.plainMode()) return;
  g.liveGraphInitPending = true;
  g.liveGraphOpen = true;
  g.liveSampleCount = 0;
  g.liveGraphUnit = QString::fromStdString(d.unitText);
  g.viewerYMax = g.viewerYMin = signedMainValue(d);
  // A window from an earlier run may still wait for its deferred deletion.
  discard(live_);
  live_ = new LiveGraph(*this, panel_);
  live_->show();
}

GraphViewer& GraphWindows::realTimeGraph(bool fresh) {
  if (fresh) discard(realTime_);
  if (!realTime_) realTime_ = new GraphViewer(GraphViewer::Kind::RealTimeGraph, dialogs_);
  return *realTime_;
}

void GraphWindows::showPlot(const PlotRequest& request) {
  // Every Plot starts from a new window: a plot already open is closed first, so no zoom,
  // track mode or cursor of the previous list carries over.
  discard(plot_);
  plot_ = new GraphViewer(GraphViewer::Kind::Plot, dialogs_);

  GraphState& g = graphs_;
  if (request.pointCount > 0) g.plotPointCount = request.pointCount;
  const double count = static_cast<double>(request.values.size());
  ViewerFill fill;
  fill.unit = request.unitText;
  fill.y = request.values.data();
  fill.count = request.values.size();
  fill.xMax = request.xMax > 0 ? request.xMax : count;
  fill.yMin = request.yMin;
  fill.yMax = request.yMax;
  fill.resetX = g.plotPointCount > 0 ? g.plotPointCount : fill.xMax;
  fill.resetYMin = request.yMin;
  fill.resetYMax = request.yMax;
  fill.source = request.source;
  plot_->fill(fill);
}

void GraphWindows::closeAll() {
  if (live_) live_->close();
  discard(live_);
  discard(realTime_);
  discard(plot_);
}

}  // namespace lux
