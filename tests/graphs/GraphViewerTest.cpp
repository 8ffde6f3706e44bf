// The graph viewer: track modes and their texts, the cursor and its readout, the range edits,
// pan and zoom restricted as each mode says, "Reset Scale" in both windows, printing to a PDF
// file and saving the graph as an image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <cmath>
#include <vector>

#include "app/AppState.h"
#include "core/Context.h"
#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/LiveGraph.h"
#include "graphs/NumEdit.h"
#include "support/ScriptedDialogs.h"
#include "ui/GraphWidget.h"
#include "ui/Twips.h"

namespace lux::test {
namespace {

class ViewerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    windows.closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // A Plot viewer of y = values at x = 1..n, filled as a list's Plot fills it.
  GraphViewer* plot(const std::vector<float>& values, float yMin, float yMax) {
    state.recording.plotUnitText = "Lx";
    state.recording.plotMinValue = yMin;
    state.recording.plotMaxValue = yMax;
    state.graphs.plotPointCount = static_cast<float>(values.size());
    PlotRequest r;
    r.unitText = "Lx";
    r.values = values;
    r.xMax = static_cast<float>(values.size());
    r.yMin = yMin;
    r.yMax = yMax;
    windows.showPlot(r);
    GraphViewer* v = windows.plotWindow();
    if (v) {
      v->resize(v->size());
      QCoreApplication::processEvents();
      v->graph()->redraw();  // pixel mapping is valid after a layout pass
    }
    return v;
  }
  static std::vector<float> ramp(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<float>(i) * 2.25f);
    return v;
  }
  static void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  static void drag(CWGraph* g, QPointF from, QPointF to) {
    mouse(g, QEvent::MouseButtonPress, from, Qt::LeftButton);
    const QPointF mid = (from + to) / 2;
    mouse(g, QEvent::MouseMove, mid, Qt::LeftButton);
    mouse(g, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(g, QEvent::MouseButtonRelease, to, Qt::NoButton);
    QCoreApplication::processEvents();
  }
  static QPointF pixel(CWGraph* g, double x, double y) {
    return {g->xAxis->coordToPixel(x), g->yAxis->coordToPixel(y)};
  }

  AppState state;
  ScriptedDialogs dialogs;
  GraphWindows windows{state.graphs, state.display, dialogs, nullptr};
  QTemporaryDir dir;
};

TEST_F(ViewerTest, OpensInNormalModeWithTheEightModesInOrder) {
  GraphViewer* v = plot(ramp(20), 0, 42.75f);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->objectName(), "Plot");
  EXPECT_EQ(v->windowTitle(), "Plot");
  const QStringList expected = {
      "Normal", "Cursor Coordinates", "PanXY", "PanX", "PanY", "ZoomXY", "ZoomX", "ZoomY"};
  QComboBox* combo = v->trackModeList();
  ASSERT_EQ(combo->count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(combo->itemText(i), expected[i]);
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(v->description(), "Normal mode");
  EXPECT_EQ(v->graph()->trackMode(), TrackMode::Normal);
  EXPECT_FALSE(v->graph()->cursorVisible(1));
  EXPECT_FALSE(v->graph()->cursorVisible(2));
  EXPECT_EQ(v->pos(), QPoint(0, 0));
  ASSERT_NE(v->findChild<QGroupBox*>("FrmGraphic"), nullptr);
  EXPECT_EQ(v->findChild<QGroupBox*>("FrmGraphic")->title(), "Graphic Plot");
  // Fonts exist: without them every caption would be drawn as empty boxes.
  EXPECT_FALSE(QFontInfo(v->font()).family().isEmpty());
}

TEST_F(ViewerTest, EachModeShowsItsTextAndOnlyCursorModeShowsACursor) {
  GraphViewer* v = plot(ramp(20), 0, 42.75f);
  const char* texts[8] = {
      "Normal mode",
      "Drag the cursor with your mouse to get X (Count) and Y (Value) position.",
      "Click anywhere on the plot area and drag to pan the graph both horizontally and "
      "vertically.",
      "Click anywhere on the plot area and drag to pan the graph horizontally.",
      "Click anywhere on the plot area and drag to pan the graph vertically.",
      "Select a region on the graph to zoom both horizontally and vertically.",
      "Select a region on the graph to zoom horizontally.",
      "Select a region on the graph to zoom vertically."};
  for (int k : {1, 2, 3, 4, 5, 6, 7, 0}) {
    v->trackModeList()->setCurrentIndex(k);
    EXPECT_EQ(v->description(), texts[k]) << k;
    EXPECT_EQ(static_cast<int>(v->graph()->trackMode()), k + 1);
    EXPECT_EQ(v->graph()->cursorVisible(1), k == 1) << k;
    EXPECT_FALSE(v->graph()->cursorVisible(2)) << k;
  }
  // Selecting by the handler keeps the list in step.
  v->trackModeChanged(3);
  EXPECT_EQ(v->trackModeList()->currentIndex(), 3);
  // An index outside the list changes nothing.
  v->trackModeChanged(4);
  v->trackModeChanged(8);
  v->trackModeChanged(-1);
  EXPECT_EQ(v->graph()->trackMode(), TrackMode::PanY);
  EXPECT_EQ(v->description(), texts[4]);
}

TEST_F(ViewerTest, CursorStartsAtTheCentreAndADragReadsThePoint) {
  GraphViewer* v = plot(ramp(21), 0, 45);  // y = 2.25 * (x - 1)
  v->trackModeList()->setCurrentIndex(1);
  EXPECT_TRUE(v->graph()->cursorVisible(1));
  EXPECT_EQ(v->graph()->cursorPosition(1), QPointF(11, 22.5));
  EXPECT_EQ(v->xPositionText(), "11");
  EXPECT_EQ(v->yPositionText(), "22.500");

  // Drag from the cursor to near x = 4: the cursor snaps to point 4, value 6.75.
  CWGraph* g = v->graph();
  drag(g, pixel(g, 11, 22.5), pixel(g, 4.2, 30));
  EXPECT_EQ(g->cursorPosition(1).x(), 4.0);
  EXPECT_EQ(v->xPositionText(), "4");
  EXPECT_EQ(v->yPositionText(), "6.750");
  // The drag moved the cursor, not the view.
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 21.0);
}

TEST_F(ViewerTest, CursorCentresOnWhatIsVisibleAfterAZoom) {
  GraphViewer* v = plot(ramp(100), 0, 250);
  v->axisMin(1)->setValue(10);
  v->axisMax(1)->setValue(30);
  v->trackModeList()->setCurrentIndex(1);
  EXPECT_EQ(v->graph()->cursorPosition(1), QPointF(20, 125));
  EXPECT_EQ(v->xPositionText(), "20");
  EXPECT_EQ(v->yPositionText(), "125.000");
}

TEST_F(ViewerTest, ChangingOneEditReappliesBothAxes) {
  GraphViewer* v = plot(ramp(50), 0, 110.25f);
  CWGraph* g = v->graph();
  // Put the x edits out of step with the graph without applying them...
  for (auto [edit, value] : {std::pair{v->axisMin(1), 5.0}, {v->axisMax(1), 25.0}}) {
    const bool blocked = edit->blockSignals(true);
    edit->setValue(value);
    edit->blockSignals(blocked);
  }
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 50.0);
  // ...then change only the y maximum: both axes come from the four edits.
  v->axisMax(2)->setValue(80.5);
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 5.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 25.0);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), 0.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 80.5);
  EXPECT_EQ(v->axisMax(2)->text(), "80.5");
}

TEST_F(ViewerTest, PanAndZoomMoveOnlyTheAxesTheirModeNames) {
  GraphViewer* v = plot(ramp(100), 0, 222.75f);
  CWGraph* g = v->graph();
  struct Case {
    int index;
    bool xMoves, yMoves;
  };
  for (Case c :
       {Case{2, true, true}, Case{3, true, false}, Case{4, false, true}, Case{5, true, true},
        Case{6, true, false}, Case{7, false, true}, Case{0, false, false}, Case{1, false, false}}) {
    v->resetScale();
    v->trackModeList()->setCurrentIndex(c.index);
    const QCPRange x0 = g->xAxis->range(), y0 = g->yAxis->range();
    drag(g, pixel(g, 30, 60), pixel(g, 60, 140));
    EXPECT_EQ(g->xAxis->range() != x0, c.xMoves) << "mode index " << c.index;
    EXPECT_EQ(g->yAxis->range() != y0, c.yMoves) << "mode index " << c.index;
    // The edits follow what is on screen.
    EXPECT_NEAR(v->axisMin(1)->value(), g->axisMinimum(1), 0.01) << c.index;
    EXPECT_NEAR(v->axisMax(2)->value(), g->axisMaximum(2), 0.001) << c.index;
  }
  // The wheel zooms only in the zoom modes, and only the axes the mode names.
  for (Case c : {Case{5, true, true}, Case{6, true, false}, Case{7, false, true},
                 Case{0, false, false}, Case{3, false, false}}) {
    v->resetScale();
    v->trackModeList()->setCurrentIndex(c.index);
    const QCPRange x0 = g->xAxis->range(), y0 = g->yAxis->range();
    const QPointF at = pixel(g, 50, 100);
    QWheelEvent wheel(at, g->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(g, &wheel);
    QCoreApplication::processEvents();
    EXPECT_EQ(g->xAxis->range() != x0, c.xMoves) << "wheel, mode index " << c.index;
    EXPECT_EQ(g->yAxis->range() != y0, c.yMoves) << "wheel, mode index " << c.index;
  }
  // The rubber band zooms into the selected region.
  v->resetScale();
  v->trackModeList()->setCurrentIndex(6);
  drag(g, pixel(g, 30, 60), pixel(g, 60, 140));
  EXPECT_NEAR(g->axisMinimum(1), 30, 0.5);
  EXPECT_NEAR(g->axisMaximum(1), 60, 0.5);
}

TEST_F(ViewerTest, ResetScaleRestoresThePlotRangeAfterAZoom) {
  GraphViewer* v = plot(ramp(40), -3.5f, 90);
  CWGraph* g = v->graph();
  v->trackModeList()->setCurrentIndex(5);
  drag(g, pixel(g, 10, 20), pixel(g, 20, 40));
  ASSERT_NE(g->axisMaximum(1), 40.0);
  v->resetScale();
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 40.0);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), -3.5);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 90.0);
  EXPECT_DOUBLE_EQ(v->axisMin(1)->value(), 1.0);
  EXPECT_DOUBLE_EQ(v->axisMax(1)->value(), 40.0);
  EXPECT_EQ(v->axisMin(2)->text(), "-3.5");
  EXPECT_EQ(v->axisMax(2)->text(), "90");
}

TEST_F(ViewerTest, ResetScaleRestoresTheSnapshotRangeEvenAfterANewLiveRun) {
  state.display.unitText = "Lx";
  state.display.mainValue = 50;
  windows.graphCommand();
  LiveGraph* live = windows.liveGraph();
  for (float x : {50.f, 80.f, 20.f, 60.f}) {
    state.display.mainValue = x;
    live->tick();
  }
  live->graphClicked();
  GraphViewer* v = windows.realTimeGraphWindow();
  v->resize(v->size());
  QCoreApplication::processEvents();
  v->graph()->redraw();
  CWGraph* g = v->graph();
  v->trackModeList()->setCurrentIndex(2);
  drag(g, pixel(g, 2, 40), pixel(g, 3, 70));
  ASSERT_NE(g->axisMinimum(1), 1.0);

  // A new live run overwrites the program-wide viewer range; this snapshot keeps its own.
  live->close();
  state.display.mainValue = 500;
  windows.graphCommand();
  ASSERT_EQ(state.graphs.viewerYMax, 500.0f);

  v->resetScale();
  EXPECT_DOUBLE_EQ(g->axisMinimum(1), 1.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(1), 4.0);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), 20.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 80.0);
}

// The designed 10650 x 8865 twips (710 x 591 px here), wider only where the controls need more
// room than that (the fonts here are wider than the design's), never narrower.
void expectDesignedSize(GraphViewer* v) {
  EXPECT_EQ(v->height(), 591);
  EXPECT_EQ(v->width(), std::max(710, v->minimumWidth()));
  EXPECT_LE(v->minimumWidth(), 800) << "the controls fit a screen 800 px wide";
  EXPECT_GE(v->controlsFrame()->width(), v->controlsFrame()->minimumSizeHint().width());
}

TEST_F(ViewerTest, PrintingToPdfRestoresTheDesignedLayout) {
  GraphViewer* v = plot(ramp(200), 0, 447.75f);
  v->resize(500, 300);
  QCoreApplication::processEvents();
  const QColor background(230, 240, 255);
  v->graph()->setPlotBackground(background);
  const QString pdf = dir.filePath("graph.pdf");
  dialogs.answerPrinter(pdf);
  v->printGraph();
  EXPECT_TRUE(dialogs.allAnswered());
  EXPECT_TRUE(dialogs.messages().empty());

  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_GT(bytes.size(), 2000);

  QCoreApplication::processEvents();
  expectDesignedSize(v);
  EXPECT_EQ(v->graph()->pos(), QPoint(twipsX(v, 120), twipsY(v, 120)));
  EXPECT_TRUE(v->controlsFrame()->isVisible());
  EXPECT_EQ(v->graph()->plotBackground(), background);
}

// The words of a PDF with their places (pdftotext -bbox), and the page width, in points.
struct PdfWords {
  double pageWidth = 0, pageHeight = 0;
  struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;
  };
  std::vector<Word> words;
  bool onPage(const QString& text) const {
    for (const Word& w : words) {
      if (w.text == text && w.xMin >= 0 && w.xMax <= pageWidth && w.yMin >= 0 &&
          w.yMax <= pageHeight)
        return true;
    }
    return false;
  }
};

PdfWords readPdfWords(const QString& pdf) {
  PdfWords result;
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  if (!p.waitForFinished(30000)) return result;
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression page(
      QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
  const QRegularExpressionMatch pm = page.match(html);
  if (pm.hasMatch()) {
    result.pageWidth = pm.captured(1).toDouble();
    result.pageHeight = pm.captured(2).toDouble();
  }
  static const QRegularExpression word(
      QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
                     "yMax=\"([-0-9.]+)\">([^<]*)</word>"));
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    result.words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                            m.captured(3).toDouble(), m.captured(4).toDouble()});
  }
  return result;
}

// Printed from a viewer made much larger than its designed size, the page shows the graph as on
// screen: every tick of both axes (so the whole x range and the whole trace) and the title.
TEST_F(ViewerTest, PrintShowsTheWholeGraphAsOnScreenAtAnyViewerSize) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  GraphViewer* v = plot(ramp(1000), 0, 2247.75f);
  v->resize(1400, 900);
  QCoreApplication::processEvents();
  v->graph()->redraw();
  const QVector<QString> xTicks = v->graph()->xAxis->tickVectorLabels();
  const QVector<QString> yTicks = v->graph()->yAxis->tickVectorLabels();
  ASSERT_GE(xTicks.size(), 5);
  EXPECT_EQ(v->graph()->xAxis->range().upper, 1000.0);

  const QString pdf = dir.filePath("large.pdf");
  dialogs.answerPrinter(pdf);
  v->printGraph();
  ASSERT_TRUE(dialogs.messages().empty());
  const PdfWords page = readPdfWords(pdf);
  ASSERT_GT(page.pageWidth, 0);
  ASSERT_FALSE(page.words.empty());
  for (const QString& tick : xTicks)
    EXPECT_TRUE(page.onPage(tick)) << "x tick " << qPrintable(tick);
  for (const QString& tick : yTicks)
    EXPECT_TRUE(page.onPage(tick)) << "y tick " << qPrintable(tick);
  EXPECT_TRUE(page.onPage("No.s"));  // the x axis caption
  EXPECT_TRUE(page.onPage("Lx"));
  // The title line: where the values come from (a Plot of a list without a name says "Plot").
  EXPECT_TRUE(page.onPage("Plot"));
}

TEST_F(ViewerTest, SampleAxisHasWholeNumberTicksAndTheCursorSitsOnASample) {
  GraphViewer* v = plot(ramp(4), 0, 6.75f);  // a short run: the default ticks would be 0.5 apart
  CWGraph* g = v->graph();
  g->redraw();
  const QVector<double> ticks = g->xAxis->tickVector();
  ASSERT_GE(ticks.size(), 2);
  for (double t : ticks) EXPECT_EQ(t, std::floor(t)) << t;
  for (const QString& label : g->xAxis->tickVectorLabels()) {
    EXPECT_FALSE(label.contains('.')) << qPrintable(label);
  }
  // Zoomed in between two samples, and zoomed out to a long run: still whole numbers.
  for (auto [lo, hi] : {std::pair{1.3, 2.9}, std::pair{1.0, 864001.0}, std::pair{1.0, 12.0}}) {
    v->axisMin(1)->setValue(lo);
    v->axisMax(1)->setValue(hi);
    g->redraw();
    for (double t : g->xAxis->tickVector()) EXPECT_EQ(t, std::floor(t)) << lo << ".." << hi;
    for (const QString& label : g->xAxis->tickVectorLabels())
      EXPECT_FALSE(label.contains('.') || label.contains('e')) << qPrintable(label);
  }

  // The cursor starts on the sample nearest the middle of what is visible: x 1 .. 4 -> 3.
  v->axisMin(1)->setValue(1);
  v->axisMax(1)->setValue(4);
  v->trackModeList()->setCurrentIndex(1);
  EXPECT_EQ(g->cursorPosition(1).x(), 3.0);
  EXPECT_EQ(v->xPositionText(), "3");
}

TEST_F(ViewerTest, ThePrintTitleNamesSourceDateAndUnit) {
  GraphViewer viewer(GraphViewer::Kind::Plot, dialogs);
  const std::vector<float> y{1, 2, 3};
  ViewerFill fill;
  fill.unit = "Fc";
  fill.y = y.data();
  fill.count = y.size();
  fill.xMax = 3;
  fill.yMax = 3;
  fill.source = "rec.txt";
  fill.date = QDateTime(QDate(2026, 3, 4), QTime(5, 6));
  viewer.fill(fill);
  EXPECT_EQ(viewer.printTitle(), "rec.txt    2026-03-04 05:06    Fc");
}

TEST_F(ViewerTest, CancelledPrintLeavesEverythingAsItWas) {
  GraphViewer* v = plot(ramp(10), 0, 20.25f);
  v->resize(520, 410);
  QCoreApplication::processEvents();
  const QSize size = v->size();
  const QPoint graphAt = v->graph()->pos();
  dialogs.answerPrinter(std::nullopt);
  v->printGraph();
  EXPECT_EQ(v->size(), size);
  EXPECT_EQ(v->graph()->pos(), graphAt);
  EXPECT_TRUE(v->controlsFrame()->isVisible());
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ViewerTest, FailedPrintSaysSoAndRestoresTheLayout) {
  GraphViewer* v = plot(ramp(10), 0, 20.25f);
  dialogs.answerPrinter(dir.filePath("no/such/folder/graph.pdf"));
  dialogs.expectMessage();
  v->printGraph();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0], "The graph could not be printed.");
  QCoreApplication::processEvents();
  EXPECT_TRUE(v->controlsFrame()->isVisible());
  expectDesignedSize(v);
  EXPECT_EQ(v->graph()->pos(), QPoint(twipsX(v, 120), twipsY(v, 120)));
}

TEST_F(ViewerTest, SavesTheGraphAsPngOrPdf) {
  GraphViewer* v = plot(ramp(300), 0, 672.75f);
  const QString png = dir.filePath("graph");  // no suffix: PNG
  dialogs.answerSaveFile(png);
  v->saveGraph();
  QImage image(png + ".png");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), v->graph()->size());

  const QString pdf = dir.filePath("graph.PDF");
  dialogs.answerSaveFile(pdf);
  v->saveGraph();
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith("%PDF"));

  dialogs.answerSaveFile(std::nullopt);  // cancelled: nothing written, nothing said
  v->saveGraph();
  dialogs.answerSaveFile(dir.filePath("missing/graph.png"));
  dialogs.expectMessage();
  v->saveGraph();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("The graph could not be saved"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(ViewerTest, FlatOrReversedRangesStillShowTheTrace) {
  GraphViewer* v = plot(std::vector<float>(5, 123.4f), 123.4f, 123.4f);
  CWGraph* g = v->graph();
  EXPECT_LT(g->axisMinimum(2), 123.4);
  EXPECT_GT(g->axisMaximum(2), 123.4);
  v->axisMin(2)->setValue(200);  // minimum above maximum
  v->axisMax(2)->setValue(100);
  EXPECT_DOUBLE_EQ(g->axisMinimum(2), 100.0);
  EXPECT_DOUBLE_EQ(g->axisMaximum(2), 200.0);
}

TEST_F(ViewerTest, NumEditFormats) {
  NumEdit e;
  e.setFormat("0.###");
  for (auto [value, text] : {std::pair{1.5, "1.5"},
                             {2.0, "2"},
                             {0.1234, "0.123"},
                             {-7.25, "-7.25"},
                             {1000000.0, "1000000"},
                             {697.4, "697.4"}}) {
    e.setValue(value);
    EXPECT_EQ(e.text(), text) << value;
  }
  e.setFormat("0.00");
  e.setValue(3);
  EXPECT_EQ(e.text(), "3.00");
  // A format set after the value changes what is shown, not the value.
  NumEdit late;
  late.setValue(3.25);
  EXPECT_EQ(late.text(), "3");
  late.setFormat("0.###");
  EXPECT_DOUBLE_EQ(late.value(), 3.25);
  EXPECT_EQ(late.text(), "3.25");
}

TEST_F(ViewerTest, ShowPlotRebuildsThePlotWindow) {
  GraphViewer* first = plot(ramp(10), 0, 20.25f);
  first->trackModeList()->setCurrentIndex(1);
  QPointer<GraphViewer> old = first;
  GraphViewer* second = plot(ramp(30), 0, 65.25f);
  EXPECT_NE(second, first);
  EXPECT_TRUE(old.isNull() || !old->isVisible());
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(second->trackModeList()->currentIndex(), 0);
  EXPECT_EQ(second->graph()->pointCount(), 30);
}

}  // namespace
}  // namespace lux::test
