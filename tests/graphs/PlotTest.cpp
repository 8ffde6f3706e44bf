// Plotting a list through the program's own wiring: the file list's "Plot" and the data list's
// "Plot" reach the Plot viewer through plotGridColumn and the hook that installGraphs sets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>

#include "app/AppState.h"
#include "core/Context.h"
#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/Install.h"
#include "graphs/LiveGraph.h"
#include "graphs/NumEdit.h"
#include "link/MeterLink.h"
#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "support/MeterRig.h"
#include "ui/GraphWidget.h"
#include "ui/GridModel.h"
#include "ui/OpenWindow.h"

namespace lux::test {
namespace {

class PlotTest : public ::testing::Test {
 protected:
  void SetUp() override { graphs = installGraphs(ctx, state.graphs); }
  void TearDown() override {
    for (auto& f : ctx.hooks.onShutdown) f();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  GraphViewer* plotWindow() const {
    return findOpenWindow<GraphViewer>(
        nullptr, [](GraphViewer* w) { return w->objectName() == "Plot" && w->isVisible(); });
  }
  int visiblePlots() const {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "Plot" && w->isVisible()) ++n;
    return n;
  }
  static void fillGrid(GridModel& grid, const QString& unit, const QStringList& values) {
    grid.setCell(0, 0, unit);
    int n = 0;
    for (const QString& v : values) {
      ++n;
      grid.addItem(QString::number(n) + "\t07-14:23:0" + QString::number(n % 10) + "\t" + v);
    }
  }

  // The graphs never talk to the meter: the rig's link stays closed.
  MeterRig rig{RigOptions{steadyMeter(), false, {}}};
  AppState& state = rig.state;
  ScriptedDialogs& dialogs = rig.dialogs;
  AppContext& ctx = rig.ctx;
  std::unique_ptr<GraphWindows> graphs;
};

TEST_F(PlotTest, GraphCommandIsRegistered) {
  ASSERT_TRUE(ctx.hooks.commands.has(ToolbarCommand::Graph));
  state.display.unitText = "Lx";
  state.display.mainValue = 12;
  ctx.hooks.commands.run(ToolbarCommand::Graph);
  EXPECT_TRUE(state.graphs.liveGraphOpen);
  for (auto& f : ctx.hooks.onShutdown) f();
  EXPECT_FALSE(state.graphs.liveGraphOpen);
}

TEST_F(PlotTest, FileListWithAnOverloadFirstRecordWidensToTheRealMinimum) {
  GridModel grid(3);
  fillGrid(grid, "Lx", {"OL", "12.5", "3.25", "480"});
  filePlotCommand(ctx, grid, "rec.txt");

  EXPECT_EQ(state.recording.plotMaxValue, 1000000.0f);
  EXPECT_EQ(state.recording.plotMinValue, 3.25f);
  GraphViewer* v = plotWindow();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->windowTitle(), "Plot");
  EXPECT_TRUE(v->printTitle().startsWith("rec.txt    ")) << qPrintable(v->printTitle());
  EXPECT_TRUE(v->printTitle().endsWith("    Lx")) << qPrintable(v->printTitle());
  EXPECT_EQ(v->unitLabelText(), "Lx");
  EXPECT_EQ(v->graph()->axisCaption(2), "Lx");  // the values carry the unit
  EXPECT_EQ(v->graph()->axisCaption(1), "No.s");
  CWGraph* g = v->graph();
  ASSERT_EQ(g->pointCount(), 4);
  double x = 0, y = 0;
  ASSERT_TRUE(g->pointAt(0, &x, &y));
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 1000000.0);
  ASSERT_TRUE(g->pointAt(2, &x, &y));
  EXPECT_EQ(x, 3.0);
  EXPECT_EQ(y, 3.25);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), 3.25);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 1000000.0);
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 4.0);
  EXPECT_EQ(v->axisMax(2)->text(), "1000000");
  EXPECT_EQ(v->axisMin(2)->text(), "3.25");
  EXPECT_EQ(v->axisMax(1)->text(), "4");

  // Reset Scale gives back 1 .. plotPointCount and the scanned range.
  v->axisMax(2)->setValue(100);
  v->axisMin(1)->setValue(2);
  v->resetScale();
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 4.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 1000000.0);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), 3.25);
}

TEST_F(PlotTest, DataListPlotReplacesAnOpenGraphWindow) {
  GridModel files(3);
  fillGrid(files, "Lx", {"1", "2", "3"});
  filePlotCommand(ctx, files);
  GraphViewer* first = plotWindow();
  ASSERT_NE(first, nullptr);
  first->trackModeList()->setCurrentIndex(3);

  // What the data list's "Plot" does before handing its visible grid over.
  GridModel grid(3);
  fillGrid(grid, "W/(M)2", {"100.5", "2500", "7"});
  state.recording.plotUnitText = "W/(M)2";
  state.recording.plotMaxValue = 2200;
  state.recording.plotMinValue = 0;
  state.graphs.plotPointCount = static_cast<float>(grid.rows() - 1);
  plotGridColumn(ctx, grid, 2);

  EXPECT_EQ(visiblePlots(), 1);
  GraphViewer* v = plotWindow();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->trackModeList()->currentIndex(), 0);
  EXPECT_EQ(v->unitLabelText(), "W/(M)2");
  EXPECT_EQ(v->graph()->pointCount(), 3);
  EXPECT_DOUBLE_EQ(v->graph()->axisMaximum(2), 2500.0);  // raised to the values
  EXPECT_DOUBLE_EQ(v->graph()->axisMinimum(2), 0.0);
  v->axisMax(2)->setValue(10);
  v->resetScale();
  EXPECT_DOUBLE_EQ(v->graph()->axisMaximum(2), 2500.0);
  EXPECT_DOUBLE_EQ(v->graph()->axisMaximum(1), 3.0);
}

}  // namespace
}  // namespace lux::test
