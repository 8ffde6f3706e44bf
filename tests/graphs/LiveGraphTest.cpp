// The live graph on a fake clock: its tick timing, the rules that close it, the history and its
// wrap, the running range, and the snapshot a click hands to the RealTimeGraph viewer. The
// timing and close rules run against the in-process simulated meter through the real poll and
// decoder; the snapshot cases set the reading directly.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <memory>
#include <string_view>

#include "app/AppState.h"
#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/LiveGraph.h"
#include "graphs/NumEdit.h"
#include "link/FrameDecoder.h"
#include "link/MeterLink.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/MeterRig.h"
#include "support/ScriptedDialogs.h"
#include "ui/GraphWidget.h"

namespace lux::test {
namespace {

class LiveGraphTest : public ::testing::Test {
 protected:
  void TearDown() override {
    windows.closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  LiveGraph* open(const char* unit = "Lx", float value = 100.0f) {
    state.display.unitText = unit;
    state.display.mainValue = value;
    windows.graphCommand();
    return windows.liveGraph();
  }
  // Appends these readings, one tick each.
  void feed(LiveGraph* g, std::initializer_list<float> values) {
    for (float v : values) {
      state.display.mainValue = v;
      g->tick();
    }
  }
  bool isOpen() const {
    return state.graphs.liveGraphOpen && windows.liveGraph() && windows.liveGraph()->isVisible();
  }

  // The rig's link stays closed until a test with the meter opens it.
  MeterRig rig{RigOptions{steadyMeter(), false, {}}};
  AppState& state = rig.state;
  ScriptedDialogs& dialogs = rig.dialogs;
  GraphWindows windows{state.graphs, state.display, dialogs, nullptr};
};

TEST_F(LiveGraphTest, GraphCommandSetsTheRunStateAndOpensOnce) {
  state.graphs.liveSampleCount = 77;
  LiveGraph* g = open("Fc", 42.5f);
  ASSERT_NE(g, nullptr);
  EXPECT_TRUE(g->isVisible());
  EXPECT_EQ(g->objectName(), "RealTimeAll");
  EXPECT_EQ(g->windowTitle(), "Real Time Graph");
  EXPECT_TRUE(state.graphs.liveGraphOpen);
  EXPECT_TRUE(state.graphs.liveGraphInitPending);
  EXPECT_EQ(state.graphs.liveSampleCount, 0.0f);
  EXPECT_EQ(state.graphs.liveGraphUnit, "Fc");
  EXPECT_EQ(state.graphs.viewerYMax, 42.5f);
  EXPECT_EQ(state.graphs.viewerYMin, 42.5f);

  feed(g, {1, 2, 3});
  // A second click while the graph runs changes nothing.
  windows.graphCommand();
  EXPECT_EQ(windows.liveGraph(), g);
  EXPECT_EQ(state.graphs.liveSampleCount, 3.0f);

  // After the user closes it, the command opens a new run.
  g->close();
  EXPECT_FALSE(state.graphs.liveGraphOpen);
  EXPECT_FALSE(g->timer().isActive());
  LiveGraph* again = open();
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, g);
  EXPECT_EQ(state.graphs.liveSampleCount, 0.0f);
  // The closed window goes away later; the new run stays marked open, so "Graph" does not
  // open a second live graph beside it.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(state.graphs.liveGraphOpen);
  windows.graphCommand();
  EXPECT_EQ(windows.liveGraph(), again);
}

TEST_F(LiveGraphTest, GraphCommandIgnoredInEachSpecialMode) {
  bool DisplayState::*const modes[] = {&DisplayState::annRel,    &DisplayState::annComp,
                                       &DisplayState::annRef,    &DisplayState::annUpperPercent,
                                       &DisplayState::annCd,     &DisplayState::annFcHour,
                                       &DisplayState::annLxHour, &DisplayState::annSetUp};
  for (auto mode : modes) {
    state.display = DisplayState{};
    state.display.*mode = true;
    state.display.unitText = "Lx";
    windows.graphCommand();
    EXPECT_FALSE(state.graphs.liveGraphOpen);
    EXPECT_EQ(windows.liveGraph(), nullptr);
  }
}

TEST_F(LiveGraphTest, FirstTickFormatsTheViewerAndCaptionsTheAxis) {
  LiveGraph* g = open("Lx", 5.0f);
  EXPECT_EQ(g->timer().interval(), 1000);
  EXPECT_TRUE(g->timer().isActive());
  EXPECT_EQ(g->graph()->stripAppendCount(), 0);
  g->tick();
  EXPECT_FALSE(state.graphs.liveGraphInitPending);
  EXPECT_EQ(g->graph()->axisCaption(1), "Lx");
  EXPECT_EQ(g->timer().interval(), 500);
  ASSERT_NE(windows.realTimeGraphWindow(), nullptr);
  EXPECT_FALSE(windows.realTimeGraphWindow()->isVisible());  // loaded, not shown
  EXPECT_EQ(windows.realTimeGraphWindow()->axisMax(2)->format(), "0.###");
  EXPECT_EQ(g->graph()->stripAppendCount(), 1);
}

TEST_F(LiveGraphTest, ResizeResetsTheRunningRangeToTheCurrentReading) {
  LiveGraph* g = open("Lx", 50.0f);
  EXPECT_EQ(state.graphs.liveMax, 50.0f);  // the first resize comes with the first show
  EXPECT_EQ(state.graphs.liveMin, 50.0f);
  feed(g, {10, 90, 40});
  EXPECT_EQ(state.graphs.liveMax, 90.0f);
  EXPECT_EQ(state.graphs.liveMin, 10.0f);
  state.display.mainValue = 60.0f;
  g->resize(g->width() + 40, g->height() + 30);
  QCoreApplication::processEvents();
  EXPECT_EQ(state.graphs.liveMax, 60.0f);
  EXPECT_EQ(state.graphs.liveMin, 60.0f);
  g->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  ASSERT_NE(v, nullptr);
  EXPECT_DOUBLE_EQ(v->graph()->axisMinimum(2), 60.0 - 3.0);  // a flat range is widened 5 %
  EXPECT_DOUBLE_EQ(v->axisMax(2)->value(), 60.0);
  EXPECT_DOUBLE_EQ(v->axisMin(2)->value(), 60.0);
}

TEST_F(LiveGraphTest, ANegativeReadingIsDrawnBelowZero) {
  LiveGraph* g = open("Lx", 2.0f);
  state.display.mainValueText = "5.0";
  state.display.annNegative = true;
  feed(g, {5.0f});
  EXPECT_EQ(state.graphs.liveHistory[0], -5.0f);
  EXPECT_EQ(state.graphs.liveMin, -5.0f);
  g->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  ASSERT_EQ(v->graph()->pointCount(), 1);
  double x = 0, y = 0;
  ASSERT_TRUE(v->graph()->pointAt(0, &x, &y));
  EXPECT_EQ(y, -5.0);
}

TEST_F(LiveGraphTest, HistoryCountWrapsAtTheEndOfTheBuffer) {
  LiveGraph* g = open("Lx", 1.0f);
  feed(g, {1});
  state.graphs.liveSampleCount = kLiveHistorySlots - 2;  // 863999
  feed(g, {11, 22});
  EXPECT_EQ(state.graphs.liveHistory[kLiveHistorySlots - 2], 11.0f);
  EXPECT_EQ(state.graphs.liveHistory[kLiveHistorySlots - 1], 22.0f);
  EXPECT_EQ(state.graphs.liveSampleCount, 0.0f);
  feed(g, {33});
  EXPECT_EQ(state.graphs.liveHistory[0], 33.0f);
  EXPECT_EQ(state.graphs.liveSampleCount, 1.0f);
  // A snapshot after the wrap holds only what came since.
  g->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  ASSERT_EQ(v->graph()->pointCount(), 1);
  double x = 0, y = 0;
  ASSERT_TRUE(v->graph()->pointAt(0, &x, &y));
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 33.0);
}

TEST_F(LiveGraphTest, ClickAfterTenPointsShowsThemAtOneToTen) {
  LiveGraph* g = open("Lx", 100.0f);
  const float values[10] = {100, 104.5f, 98.25f, 120, 87, 99, 101, 150.125f, 92, 110};
  for (float v : values) feed(g, {v});
  g->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->isVisible());
  EXPECT_EQ(v->objectName(), "RealTimeGraph");
  EXPECT_EQ(v->windowTitle(), "Real Time Graph");
  EXPECT_TRUE(v->printTitle().startsWith("Live run    ")) << qPrintable(v->printTitle());
  EXPECT_EQ(state.graphs.viewerLastIndex, 9.0f);
  EXPECT_EQ(state.graphs.viewerYMax, 150.125f);
  EXPECT_EQ(state.graphs.viewerYMin, 87.0f);
  EXPECT_EQ(state.graphs.viewerAxisCaption, "Lx");
  EXPECT_EQ(v->unitLabelText(), "Lx");
  EXPECT_EQ(v->graph()->axisCaption(2), "Lx");  // the values carry the unit
  EXPECT_EQ(v->graph()->axisCaption(1), "No.s");
  EXPECT_DOUBLE_EQ(v->graph()->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(v->graph()->axisMaximum(1), 10.0);
  EXPECT_DOUBLE_EQ(v->graph()->axisMinimum(2), 87.0);
  EXPECT_DOUBLE_EQ(v->graph()->axisMaximum(2), 150.125);
  EXPECT_DOUBLE_EQ(v->axisMin(1)->value(), 1.0);
  EXPECT_DOUBLE_EQ(v->axisMax(1)->value(), 10.0);
  EXPECT_EQ(v->axisMax(2)->text(), "150.125");
  EXPECT_EQ(v->axisMin(2)->text(), "87");
  EXPECT_DOUBLE_EQ(v->axisMax(2)->singleStep(), 0.001);
  ASSERT_EQ(v->graph()->pointCount(), 10);
  for (int i = 0; i < 10; ++i) {
    double x = 0, y = 0;
    ASSERT_TRUE(v->graph()->pointAt(i, &x, &y));
    EXPECT_EQ(x, i + 1.0);
    EXPECT_EQ(y, static_cast<double>(values[i]));
  }
}

TEST_F(LiveGraphTest, SecondClickReplacesTheSnapshotAndLaterPointsStayOut) {
  LiveGraph* g = open("Lx", 1.0f);
  feed(g, {1, 2, 3});
  g->graphClicked();
  QPointer<GraphViewer> first = windows.realTimeGraphWindow();
  first->trackModeChanged(5);  // a zoom mode, to see that the rebuilt viewer starts afresh
  feed(g, {4, 5});
  EXPECT_EQ(first->graph()->pointCount(), 3);  // a snapshot does not follow the run
  g->graphClicked();
  GraphViewer* second = windows.realTimeGraphWindow();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first.data());
  EXPECT_TRUE(first.isNull() || !first->isVisible());
  EXPECT_EQ(second->graph()->pointCount(), 5);
  EXPECT_EQ(second->trackModeList()->currentIndex(), 0);
  EXPECT_DOUBLE_EQ(second->graph()->axisMaximum(1), 5.0);
}

TEST_F(LiveGraphTest, ClickBeforeTheFirstPointOpensAnEmptyViewer) {
  LiveGraph* g = open("Lx", 7.0f);
  g->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->isVisible());
  EXPECT_EQ(v->graph()->pointCount(), 0);
  EXPECT_EQ(state.graphs.viewerLastIndex, -1.0f);
  // The viewer still works: modes and reset do not fail on an empty plot.
  v->trackModeChanged(1);
  v->resetScale();
  EXPECT_TRUE(v->graph()->cursorVisible(1));
}

TEST_F(LiveGraphTest, MouseClickOnTheGraphOpensTheViewer) {
  LiveGraph* g = open("Lx", 3.0f);
  feed(g, {3, 4});
  QTest::mouseClick(g->graph(), Qt::LeftButton, {}, g->graph()->rect().center());
  ASSERT_NE(windows.realTimeGraphWindow(), nullptr);
  EXPECT_TRUE(windows.realTimeGraphWindow()->isVisible());
  EXPECT_EQ(windows.realTimeGraphWindow()->graph()->pointCount(), 2);
}

TEST_F(LiveGraphTest, StripChartStaysBoundedAndShowsTheNewestPoints) {
  LiveGraph* g = open("Lx", 0.0f);
  for (int i = 0; i < 5000; ++i) feed(g, {static_cast<float>(i % 97)});
  CWGraph* chart = g->graph();
  EXPECT_LE(chart->stripPointCount(), CWGraph::stripCapacity());
  EXPECT_GE(chart->stripPointCount(), CWGraph::kStripWindow);
  EXPECT_EQ(chart->stripAppendCount(), 5000);
  EXPECT_DOUBLE_EQ(chart->axisMaximum(1), 4999.0);
  EXPECT_DOUBLE_EQ(chart->axisMinimum(1), 4999.0 - CWGraph::kStripWindow);
  // The y axis follows the values in view (0 .. 96 with a margin).
  EXPECT_LT(chart->axisMinimum(2), 0.5);
  EXPECT_GT(chart->axisMaximum(2), 95.5);
  // The history kept all of them.
  EXPECT_EQ(state.graphs.liveSampleCount, 5000.0f);
  EXPECT_EQ(state.graphs.liveHistory[4998], static_cast<float>(4998 % 97));
}

TEST(LiveGraphPlacement, OpensBesideTheMainPanelAtTheTopOfTheScreen) {
  AppState state;
  ScriptedDialogs dialogs;
  QWidget panel;
  panel.setGeometry(40, 70, 300, 200);
  panel.show();
  GraphWindows windows(state.graphs, state.display, dialogs, &panel);
  state.display.unitText = "Lx";
  windows.graphCommand();
  ASSERT_NE(windows.liveGraph(), nullptr);
  EXPECT_EQ(windows.liveGraph()->pos(),
            QPoint(panel.frameGeometry().x() + panel.frameGeometry().width(), 0));
  windows.closeAll();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(LiveGraphTest, ViewerOutlivesTheLiveGraph) {
  LiveGraph* g = open("Lx", 3.0f);
  feed(g, {3, 4, 5});
  g->graphClicked();
  g->close();
  EXPECT_FALSE(state.graphs.liveGraphOpen);
  ASSERT_NE(windows.realTimeGraphWindow(), nullptr);
  EXPECT_TRUE(windows.realTimeGraphWindow()->isVisible());
  EXPECT_EQ(windows.realTimeGraphWindow()->graph()->pointCount(), 3);
}

// ---- against the simulated meter, through the real poll and decoder ----

class SimulatedLiveGraphTest : public LiveGraphTest {
 protected:
  void SetUp() override {
    meter->setReading(523.4, 1);
    QString reason;
    ASSERT_TRUE(link->openLink(&reason)) << reason.toStdString();
    poll();
    poll();
    ASSERT_EQ(state.display.unitText, "Lx");
    ASSERT_FLOAT_EQ(state.display.mainValue, 523.4f);
  }

  void poll() {
    link->pollTick([this](const QByteArray& f) {
      return decodeFrame(state.display, std::string_view(f.constData(), f.size())) ==
             DecodeResult::Banner;
    });
  }

  // Runs the panel's 250 ms poll and the live graph's timer for `seconds` of meter time. The
  // graph tick falls due `interval` after the previous one, as its QTimer would, and runs
  // inside the poll's waits too, as timers do while the program waits for the meter.
  void run(double seconds) {
    clock.onIdle = [this] { graphTimer(); };
    const double end = clock.elapsed() + seconds;
    while (clock.elapsed() < end) {
      if (clock.elapsed() >= nextPoll) {
        poll();
        nextPoll += 0.25;
      }
      graphTimer();
      clock.advance(0.005);
    }
    clock.onIdle = nullptr;
  }
  void graphTimer() {
    LiveGraph* g = windows.liveGraph();
    if (!g || !g->timer().isActive() || clock.elapsed() < nextGraphTick - 1e-9) return;
    const qint64 before = g->graph()->stripAppendCount();
    g->tick();
    if (g->graph()->stripAppendCount() > before) pointTimes.push_back(clock.elapsed() - openedAt);
    nextGraphTick = clock.elapsed() + g->timer().interval() / 1000.0;
  }

  LiveGraph* openAtNow() {
    windows.graphCommand();
    openedAt = clock.elapsed();
    nextPoll = openedAt;
    LiveGraph* g = windows.liveGraph();
    if (g) nextGraphTick = openedAt + g->timer().interval() / 1000.0;
    return g;
  }

  FakeClock& clock = rig.clock;
  sim::SimMeter* const meter = &rig.meter;
  MeterLink* const link = &rig.link;
  double openedAt = 0, nextPoll = 0, nextGraphTick = 0;
  std::vector<double> pointTimes;
};

TEST_F(SimulatedLiveGraphTest, FirstPointAfterOneSecondThenEveryHalfSecond) {
  ASSERT_NE(openAtNow(), nullptr);
  run(3.3);
  ASSERT_GE(pointTimes.size(), 5u);
  EXPECT_NEAR(pointTimes[0], 1.0, 0.03);
  for (std::size_t i = 1; i < pointTimes.size(); ++i)
    EXPECT_NEAR(pointTimes[i] - pointTimes[i - 1], 0.5, 0.03) << "point " << i;
  EXPECT_EQ(state.graphs.liveHistory[0], 523.4f);
  EXPECT_EQ(state.graphs.liveSampleCount, static_cast<float>(pointTimes.size()));
}

TEST_F(SimulatedLiveGraphTest, UnitChangeClosesTheGraph) {
  ASSERT_NE(openAtNow(), nullptr);
  run(2.0);
  EXPECT_TRUE(isOpen());
  const float before = state.graphs.liveSampleCount;
  meter->setLux(false);
  run(1.5);
  EXPECT_EQ(state.display.unitText, "Fc");
  EXPECT_FALSE(state.graphs.liveGraphOpen);
  EXPECT_TRUE(windows.liveGraph() == nullptr || !windows.liveGraph()->isVisible());
  EXPECT_LE(state.graphs.liveSampleCount, before + 1);  // no Fc value entered the run
}

TEST_F(SimulatedLiveGraphTest, EachModeAnnunciatorClosesTheGraphButCompDoesNot) {
  const sim::Annunciator closing[] = {sim::Annunciator::Rel,     sim::Annunciator::Ref,
                                      sim::Annunciator::Percent, sim::Annunciator::Cd,
                                      sim::Annunciator::FcHour,  sim::Annunciator::LxHour,
                                      sim::Annunciator::SetUp};
  for (sim::Annunciator a : closing) {
    for (sim::Annunciator off : closing) meter->setAnnunciator(off, false);
    run(1.0);
    ASSERT_TRUE(state.display.plainMode()) << static_cast<int>(a);
    ASSERT_NE(openAtNow(), nullptr) << static_cast<int>(a);
    run(1.2);
    ASSERT_TRUE(isOpen()) << static_cast<int>(a);
    meter->setAnnunciator(a, true);
    run(1.5);
    EXPECT_FALSE(state.graphs.liveGraphOpen) << "annunciator " << static_cast<int>(a);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  for (sim::Annunciator off : closing) meter->setAnnunciator(off, false);
  run(1.0);
  ASSERT_NE(openAtNow(), nullptr);
  run(1.2);
  const float before = state.graphs.liveSampleCount;
  meter->setAnnunciator(sim::Annunciator::Comp, true);
  run(2.0);
  EXPECT_TRUE(state.display.annComp);
  EXPECT_TRUE(isOpen());
  EXPECT_GE(state.graphs.liveSampleCount, before + 3);
}

}  // namespace
}  // namespace lux::test
