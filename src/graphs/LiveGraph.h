#pragma once
// The live graph window `RealTimeAll` ("Real Time Graph"): a strip chart of the current
// reading, a point every 500 ms (the first after one second), the run's history kept in
// `liveHistory`, and a click that hands a snapshot of the run to the `RealTimeGraph` viewer.
#include <QTimer>
#include <QWidget>

#include "link/TickGuard.h"

namespace lux {

struct GraphState;
struct DisplayState;
class CWGraph;
class GraphWindows;

class LiveGraph : public QWidget {
  Q_OBJECT
 public:
  LiveGraph(GraphWindows& windows, QWidget* panel);
  ~LiveGraph() override;

  // First tick only: formats the viewer's y edit and captions axis 1 with the run's unit.
  void initialiseForRun();
  // Each tick: close on a unit change or a mode annunciator, else append the current reading.
  void tick();
  // Click on the graph: fill and show the RealTimeGraph viewer with the run so far.
  void graphClicked();

  CWGraph* graph() const { return graph_; }
  QTimer& timer() { return timer_; }
  const TickGuard& tickGuard() const { return tickGuard_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void tickBody();

  GraphState& graphs_;
  const DisplayState& display_;
  GraphWindows& windows_;
  QWidget* panel_;
  CWGraph* graph_ = nullptr;
  QTimer timer_;
  TickGuard tickGuard_;
  bool unloaded_ = false;
};

}  // namespace lux
