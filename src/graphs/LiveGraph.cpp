#include "graphs/LiveGraph.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/NumEdit.h"
#include "graphs/SignedReading.h"
#include "link/MeterLink.h"
#include "ui/Accessibility.h"
#include "ui/GraphWidget.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

namespace lux {

LiveGraph::LiveGraph(GraphWindows& windows, QWidget* panel)
    : QWidget(nullptr),
      graphs_(windows.graphs()),
      display_(windows.display()),
      windows_(windows),
      panel_(panel) {
  setObjectName(QStringLiteral("RealTimeAll"));
  setWindowTitle(tr("Real Time Graph"));
  setAttribute(Qt::WA_DeleteOnClose);

  graph_ = new CWGraph(this);
  graph_->setObjectName(QStringLiteral("CWGraph1"));
  graph_->setToolTip(tr("Click to view the run so far"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(twipsX(this, 60), twipsY(this, 60), twipsX(this, 60),
                             twipsY(this, 60));
  layout->addWidget(graph_);
  connect(graph_, &CWGraph::clicked, this, &LiveGraph::graphClicked);
  // From the keyboard too: Tab to the graph, Enter opens the run so far.
  graph_->setFocusPolicy(Qt::StrongFocus);
  onEnterKey(graph_, [this] { graphClicked(); });

  resize(twipsX(this, 7200), twipsY(this, 4800));
  // Beside the main panel, at the top of the screen.
  if (!placeNextToPanel(this, panel_,
                        {PanelPlace::Across::PanelRight, PanelPlace::Down::DesktopTop}))
    move(0, 0);

  // The first point one second after opening, then every 500 ms (the tick shortens it).
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &LiveGraph::tick);
  timer_.start();
}

LiveGraph::~LiveGraph() {
  timer_.stop();
  // A window closed earlier has already said so; its deferred deletion may come after a new
  // run has opened, which must stay marked open.
  if (!unloaded_) graphs_.liveGraphOpen = false;
}

void LiveGraph::initialiseForRun() {
  GraphState& g = graphs_;
  windows_.realTimeGraph(false).axisMax(2)->setFormat(QStringLiteral("0.###"));
  graph_->setAxisCaption(1, g.liveGraphUnit);
  g.liveGraphInitPending = false;
}

void LiveGraph::tick() {
  // Nothing in the tick waits today, but a tick must never run inside itself, and a failure
  // ends this tick only.
  tickGuard_.run([this] { tickBody(); });
}

void LiveGraph::tickBody() {
  GraphState& g = graphs_;
  const DisplayState& d = display_;
  if (g.liveGraphInitPending) initialiseForRun();
  if (QString::fromStdString(d.unitText) != g.liveGraphUnit || d.stopMode()) {
    close();
    return;
  }
  timer_.setInterval(500);
  const float v = signedMainValue(d);
  if (v > g.liveMax) g.liveMax = v;
  if (v < g.liveMin) g.liveMin = v;
  graph_->chartAppend(v);

  int slot = static_cast<int>(g.liveSampleCount);
  if (slot < 0 || slot >= static_cast<int>(g.liveHistory.size())) slot = 0;
  g.liveHistory[static_cast<std::size_t>(slot)] = v;
  ++slot;
  if (slot >= kLiveHistorySlots) slot = 0;
  g.liveSampleCount = static_cast<float>(slot);
}

void LiveGraph::graphClicked() {
  GraphState& g = graphs_;
  GraphViewer* open = windows_.realTimeGraphWindow();
  GraphViewer& viewer = windows_.realTimeGraph(open && open->isVisible());

  g.viewerAxisCaption = graph_->axisCaption(1);
  g.viewerLastIndex = g.liveSampleCount - 1;
  g.viewerYMax = g.liveMax;
  g.viewerYMin = g.liveMin;

  // Before the first point there is nothing to copy: the viewer opens empty.
  long count = static_cast<long>(g.viewerLastIndex) + 1;
  if (count < 0) count = 0;
  if (count > static_cast<long>(g.liveHistory.size()))
    count = static_cast<long>(g.liveHistory.size());

  ViewerFill fill;
  fill.unit = g.viewerAxisCaption;
  fill.y = g.liveHistory.data();
  fill.count = static_cast<std::size_t>(count);
  fill.xMax = g.viewerLastIndex + 1;
  fill.yMin = g.viewerYMin;
  fill.yMax = g.viewerYMax;
  fill.resetX = g.viewerLastIndex + 1;
  fill.resetYMin = g.viewerYMin;
  fill.resetYMax = g.viewerYMax;
  fill.source = tr("Live run");
  viewer.fill(fill);
}

void LiveGraph::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  graphs_.liveMax = signedMainValue(display_);
  graphs_.liveMin = signedMainValue(display_);
}

void LiveGraph::closeEvent(QCloseEvent* event) {
  unloaded_ = true;
  graphs_.liveGraphOpen = false;
  timer_.stop();
  QWidget::closeEvent(event);
}

}  // namespace lux
