#include "graphs/GraphViewer.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "graphs/NumEdit.h"
#include "ui/Dialogs.h"
#include "ui/GraphWidget.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

namespace lux {

namespace {

struct ModeItem {
  const char* item;
  const char* description;
};

// List order is the list index; the track mode is index + 1.
constexpr ModeItem kModes[8] = {
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "Normal"),
     QT_TRANSLATE_NOOP("lux::GraphViewer", "Normal mode")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "Cursor Coordinates"),
     QT_TRANSLATE_NOOP("lux::GraphViewer",
                       "Drag the cursor with your mouse to get X (Count) and Y (Value) position.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "PanXY"),
     QT_TRANSLATE_NOOP(
         "lux::GraphViewer",
         "Click anywhere on the plot area and drag to pan the graph both horizontally and "
         "vertically.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "PanX"),
     QT_TRANSLATE_NOOP("lux::GraphViewer",
                       "Click anywhere on the plot area and drag to pan the graph horizontally.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "PanY"),
     QT_TRANSLATE_NOOP("lux::GraphViewer",
                       "Click anywhere on the plot area and drag to pan the graph vertically.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "ZoomXY"),
     QT_TRANSLATE_NOOP("lux::GraphViewer",
                       "Select a region on the graph to zoom both horizontally and vertically.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "ZoomX"),
     QT_TRANSLATE_NOOP("lux::GraphViewer", "Select a region on the graph to zoom horizontally.")},
    {QT_TRANSLATE_NOOP("lux::GraphViewer", "ZoomY"),
     QT_TRANSLATE_NOOP("lux::GraphViewer", "Select a region on the graph to zoom vertically.")},
};

constexpr int kFrameHeightTwips = 2700;
constexpr int kMarginTwips = 120;
constexpr int kPrintWidthTwips = 11550, kPrintGraphTwips = 720;

// The x axis counts samples: its ticks fall on whole sample numbers and read as plain whole
// numbers (no "1e+06", no 2.5), however far the user zooms in.
class SampleNumberTicker : public QCPAxisTicker {
 protected:
  double getTickStep(const QCPRange& range) override {
    const double step = QCPAxisTicker::getTickStep(range);
    if (step <= 1) return 1;
    return std::floor(step);  // a 2.5 step becomes 2; larger nice steps are whole already
  }
  int getSubTickCount(double tickStep) override {
    const int count = QCPAxisTicker::getSubTickCount(tickStep);
    const double sub = tickStep / (count + 1);
    return sub == std::floor(sub) ? count : 0;
  }
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return QString::number(tick, 'f', 0);
  }
};

QLabel* label(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  return l;
}

}  // namespace

GraphViewer::GraphViewer(Kind kind, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), kind_(kind), dialogs_(dialogs) {
  const bool realTime = kind == Kind::RealTimeGraph;
  setObjectName(realTime ? QStringLiteral("RealTimeGraph") : QStringLiteral("Plot"));
  setWindowTitle(realTime ? tr("Real Time Graph") : tr("Plot"));
  setAttribute(Qt::WA_DeleteOnClose);

  graph_ = new CWGraph(this);
  graph_->setObjectName(QStringLiteral("CWGraph1"));
  graph_->setAccessibleName(tr("Graph"));
  graph_->setContextMenuPolicy(Qt::CustomContextMenu);
  graph_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new SampleNumberTicker));
  graph_->setAxisCaption(1, tr("No.s"));
  connect(graph_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.addAction(tr("Save Graph As..."), this, &GraphViewer::saveGraph);
    menu.addAction(tr("Print Graph"), this, &GraphViewer::printGraph);
    menu.addAction(tr("Reset Scale"), this, &GraphViewer::resetScale);
    menu.exec(graph_->mapToGlobal(at));
  });

  frame_ = new QGroupBox(tr("Graphic Plot"), this);
  frame_->setObjectName(QStringLiteral("FrmGraphic"));
  auto* frameLayout = new QHBoxLayout(frame_);

  // Graph Range: x row "No.s", y row the unit; columns Min, Max.
  auto* range = new QGroupBox(tr("Graph Range"), frame_);
  range->setObjectName(QStringLiteral("SSFrame4"));
  auto* grid = new QGridLayout(range);
  grid->addWidget(label("Label6", tr("Min"), range), 0, 1);
  grid->addWidget(label("Label5", tr("Max"), range), 0, 2);
  grid->addWidget(label("Label3", tr("No.s"), range), 1, 0);
  lblUnit_ = label("LblUnit", QStringLiteral("KW1"), range);
  grid->addWidget(lblUnit_, 2, 0);
  auto makeEdit = [&](const char* name, int row, int col) {
    auto* e = new NumEdit(range);
    e->setObjectName(QLatin1String(name));
    grid->addWidget(e, row, col);
    connect(e, &QDoubleSpinBox::valueChanged, this, [this] { axisRangeChanged(); });
    return e;
  };
  xMin_ = makeEdit("AxisMin_1", 1, 1);
  xMax_ = makeEdit("AxisMax_1", 1, 2);
  yMin_ = makeEdit("AxisMin_2", 2, 1);
  yMax_ = makeEdit("AxisMax_2", 2, 2);
  // Sample numbers are whole, but a zoom may stop between two of them.
  for (NumEdit* e : {xMin_, xMax_}) {
    e->setFormat(QStringLiteral("0.##"));
    e->setStep(1);
  }
  // Screen readers say which end of which axis an edit holds: the row and column captions.
  xMin_->setAccessibleName(tr("No.s Min"));
  xMax_->setAccessibleName(tr("No.s Max"));
  yMin_->setAccessibleName(tr("Value Min"));
  yMax_->setAccessibleName(tr("Value Max"));
  frameLayout->addWidget(range);

  auto* track = new QGroupBox(tr("Track Mode"), frame_);
  track->setObjectName(QStringLiteral("SSFrame3"));
  auto* trackLayout = new QVBoxLayout(track);
  combo_ = new QComboBox(track);
  combo_->setObjectName(QStringLiteral("Combo1"));
  description_ = new QPlainTextEdit(track);
  description_->setObjectName(QStringLiteral("txtDescription"));
  description_->setReadOnly(true);
  combo_->setAccessibleName(tr("Track Mode"));
  description_->setAccessibleName(tr("Track mode description"));
  trackLayout->addWidget(combo_);
  trackLayout->addWidget(description_);
  frameLayout->addWidget(track, 1);

  auto* info = new QGroupBox(tr("Cursor Information"), frame_);
  info->setObjectName(QStringLiteral("SSFrame2"));
  auto* infoLayout = new QGridLayout(info);
  infoLayout->addWidget(label("Label1", tr("No.s ( X ) :"), info), 0, 0);
  infoLayout->addWidget(label("Label2", tr("Value ( Y ) :"), info), 1, 0);
  xPosition_ = label("XPosition", QString(), info);
  yPosition_ = label("YPosition", QString(), info);
  xPosition_->setMinimumWidth(twipsX(this, 1200));
  infoLayout->addWidget(xPosition_, 0, 1);
  infoLayout->addWidget(yPosition_, 1, 1);
  frameLayout->addWidget(info);

  auto* buttons = new QVBoxLayout();
  cmdReset_ = new QPushButton(tr("Reset Scale"), frame_);
  cmdReset_->setObjectName(QStringLiteral("CmdReset"));
  cmdPrint_ = new QPushButton(tr("Print Graph"), frame_);
  cmdPrint_->setObjectName(QStringLiteral("CmdPrint"));
  cmdSave_ = new QPushButton(tr("Save Graph..."), frame_);
  cmdSave_->setObjectName(QStringLiteral("CmdSave"));
  cmdSave_->setToolTip(tr("Save the graph as a PNG image or a PDF file"));
  buttons->addWidget(cmdReset_);
  buttons->addWidget(cmdPrint_);
  buttons->addWidget(cmdSave_);
  buttons->addStretch();
  frameLayout->addLayout(buttons);
  connect(cmdReset_, &QPushButton::clicked, this, &GraphViewer::resetScale);
  connect(cmdPrint_, &QPushButton::clicked, this, &GraphViewer::printGraph);
  connect(cmdSave_, &QPushButton::clicked, this, &GraphViewer::saveGraph);

  connect(graph_, &CWGraph::cursorMoved, this, &GraphViewer::onCursorMoved);
  connect(graph_, &CWGraph::rangesChanged, this, &GraphViewer::followGraphRanges);

  // Form load: top-left corner of the screen, the eight modes, "Normal" selected.
  for (const ModeItem& m : kModes) combo_->addItem(tr(m.item));
  connect(combo_, &QComboBox::currentIndexChanged, this, &GraphViewer::trackModeChanged);
  combo_->setCurrentIndex(0);
  trackModeChanged(0);
  updateMinimumSize();
  showDesignedSize();
  move(0, 0);
  layoutChildren();
}

int GraphViewer::frameHeight() const {
  // The designed height, or more where the fonts (a high screen scale, a long translation) need
  // it: the controls never get less room than their layout asks for.
  return std::max(twipsY(this, kFrameHeightTwips), frame_->minimumSizeHint().height());
}

void GraphViewer::updateMinimumSize() {
  const int margin = twipsX(this, kMarginTwips);
  const int gy = twipsY(this, kGraphTopTwips);
  setMinimumSize(frame_->minimumSizeHint().width() + 2 * margin,
                 gy + twipsY(this, kMinGraphHeightTwips) + frameHeight() + 2 * margin);
}

void GraphViewer::layoutChildren() {
  const int margin = twipsX(this, kMarginTwips);
  const int frameH = frameHeight();
  const int gx = twipsX(this, graphLeftTwips_);
  const int gy = twipsY(this, graphTopTwips_);
  if (printing_) {
    graph_->move(gx, gy);
    return;
  }
  const int w = std::max(100, width() - gx - margin);
  const int h = std::max(80, height() - gy - frameH - 2 * margin);
  graph_->setGeometry(gx, gy, w, h);
  frame_->setGeometry(margin, gy + h + margin,
                      std::max(frame_->minimumSizeHint().width(), width() - 2 * margin), frameH);
}

void GraphViewer::showDesignedSize() {
  // The designed size where the controls fit in it and the screen has the room; on a small
  // screen or at a high scale the graph gives up height first.
  resize(QSize(twipsX(this, kWidthTwips), twipsY(this, kHeightTwips)).expandedTo(minimumSize()));
  if (isVisible()) keepOnScreen(this);
}

void GraphViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutChildren();
}

void GraphViewer::setEdits(double xMin, double xMax, double yMin, double yMax) {
  for (auto [edit, v] : {std::pair{xMin_, xMin}, {xMax_, xMax}, {yMin_, yMin}, {yMax_, yMax}}) {
    const bool blocked = edit->blockSignals(true);
    edit->setValue(v);
    edit->blockSignals(blocked);
  }
}

void GraphViewer::fill(const ViewerFill& f) {
  applyingRanges_ = true;
  // The values are in the unit; the x axis keeps its "No.s".
  graph_->setAxisCaption(2, f.unit);
  lblUnit_->setText(f.unit);
  setEdits(1, f.xMax, f.yMin, f.yMax);
  graph_->setAxisRange(2, f.yMin, f.yMax);
  graph_->setAxisRange(1, 1, f.xMax);
  resetX_ = f.resetX;
  resetYMin_ = f.resetYMin;
  resetYMax_ = f.resetYMax;
  show();
  keepOnScreen(this);
  for (NumEdit* e : {yMin_, yMax_}) {
    e->setFormat(QStringLiteral("0.###"));
    e->setStep(0.001);
  }
  graph_->plotY(f.y, f.y ? f.count : 0, 1.0, 1.0);
  const QDateTime when = f.date.isValid() ? f.date : QDateTime::currentDateTime();
  QStringList title;
  title << (f.source.isEmpty() ? windowTitle() : f.source)
        << when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
  if (!f.unit.isEmpty()) title << f.unit;
  printTitle_ = title.join(QStringLiteral("    "));
  applyingRanges_ = false;
  graph_->redraw();
}

void GraphViewer::axisRangeChanged() {
  if (applyingRanges_) return;
  applyingRanges_ = true;
  graph_->setAxisRange(1, xMin_->value(), xMax_->value());
  graph_->setAxisRange(2, yMin_->value(), yMax_->value());
  applyingRanges_ = false;
}

void GraphViewer::followGraphRanges() {
  // A pan or zoom shows in the range edits, so that editing one of them starts from what is
  // on screen rather than jumping back to an older range.
  if (applyingRanges_) return;
  setEdits(graph_->axisMinimum(1), graph_->axisMaximum(1), graph_->axisMinimum(2),
           graph_->axisMaximum(2));
}

void GraphViewer::trackModeChanged(int k) {
  if (k < 0 || k > 7) return;
  if (combo_->currentIndex() != k) {
    // Called directly (not from the list): keep the list showing the mode in force.
    const bool blocked = combo_->blockSignals(true);
    combo_->setCurrentIndex(k);
    combo_->blockSignals(blocked);
  }
  description_->setPlainText(tr(kModes[k].description));
  if (k == 0 || k == 2) {
    graph_->setTrackMode(static_cast<TrackMode>(k + 1));
    graph_->setCursorVisible(1, false);
    graph_->setCursorVisible(2, false);
  } else if (k == 1) {
    graph_->setTrackMode(TrackMode::Cursor);
    graph_->setCursorVisible(1, true);
    graph_->setCursorVisible(2, false);
    // On a sample: the middle of the visible x range rounded to a whole sample number.
    graph_->setCursorPosition(1, std::round((graph_->axisMinimum(1) + graph_->axisMaximum(1)) / 2),
                              (graph_->axisMinimum(2) + graph_->axisMaximum(2)) / 2);
  } else {
    graph_->setCursorVisible(1, false);
    graph_->setCursorVisible(2, false);
    graph_->setTrackMode(static_cast<TrackMode>(k + 1));
  }
  graph_->redraw();
}

void GraphViewer::onCursorMoved(int cursor, double x, double y) {
  if (cursor != 1) return;
  xPosition_->setText(QString::number(x, 'g', 15));
  yPosition_->setText(QString::number(y, 'f', 3));
}

QString GraphViewer::description() const {
  return description_->toPlainText();
}
QString GraphViewer::xPositionText() const {
  return xPosition_->text();
}
QString GraphViewer::yPositionText() const {
  return yPosition_->text();
}
QString GraphViewer::unitLabelText() const {
  return lblUnit_->text();
}

void GraphViewer::resetScale() {
  applyingRanges_ = true;
  setEdits(1, resetX_, resetYMin_, resetYMax_);
  graph_->setAxisRange(2, resetYMin_, resetYMax_);
  graph_->setAxisRange(1, 1, resetX_);
  applyingRanges_ = false;
  graph_->redraw();
}

bool GraphViewer::printWindowImage(QPrinter& printer) {
  QCPPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  // The graph exactly as on screen (the same size, so the same ticks and the whole trace),
  // under its title line, scaled down as a whole where the page is smaller than the viewer.
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const double pixelsPerTwip = printer.resolution() / 1440.0;
  const double margin = kPrintGraphTwips * pixelsPerTwip;
  QFont titleFont = font();
  titleFont.setPointSizeF(11);
  const QFontMetricsF fm(titleFont, &printer);
  const double titleHeight = fm.height() * 1.6;
  const QSize graphSize = graph_->size();
  const double room = std::max(1.0, page.width() - 2 * margin);
  const double roomHeight = std::max(1.0, page.height() - 2 * margin - titleHeight);
  const double scale = std::min(
      {1.0, room / std::max(1, graphSize.width()), roomHeight / std::max(1, graphSize.height())});
  painter.fillRect(page.translated(-page.topLeft()), Qt::white);
  painter.setFont(titleFont);
  painter.setPen(Qt::black);
  painter.drawText(QPointF(margin, margin + fm.ascent()), printTitle_);
  painter.translate(margin, margin + titleHeight);
  painter.scale(scale, scale);
  graph_->renderTo(painter, QPoint(0, 0));
  return painter.end();
}

void GraphViewer::printGraph() {
  QPrinter printer(QPrinter::ScreenResolution);
  if (!dialogs_.printerSetup(printer)) return;

  // The printed page shows the graph alone, on white, with a wider margin.
  const QPalette savedPalette = palette();
  const bool savedAutoFill = autoFillBackground();
  const QColor savedBackground = graph_->plotBackground();
  QPalette white = savedPalette;
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  frame_->hide();
  graph_->setPlotBackground(Qt::white);
  printing_ = true;
  graphLeftTwips_ = graphTopTwips_ = kPrintGraphTwips;
  // The graph keeps its size on the page; the window's minimum is for its controls, hidden now.
  setMinimumSize(0, 0);
  resize(twipsX(this, kPrintWidthTwips), height());
  layoutChildren();
  graph_->replot(QCustomPlot::rpImmediateRefresh);

  const bool printed = printWindowImage(printer);

  // Always back to the designed layout, also when the printer failed: a half-changed window
  // would hide the range and mode controls.
  printing_ = false;
  graphLeftTwips_ = kGraphLeftTwips;
  graphTopTwips_ = kGraphTopTwips;
  setPalette(savedPalette);
  setAutoFillBackground(savedAutoFill);
  frame_->show();
  updateMinimumSize();
  showDesignedSize();
  graph_->setPlotBackground(savedBackground);
  layoutChildren();
  graph_->redraw();
  if (!printed) dialogs_.message(tr("The graph could not be printed."));
}

void GraphViewer::saveGraph() {
  const std::optional<QString> chosen =
      dialogs_.saveFileName(tr("PNG Image (*.png)|*.png|PDF Document (*.pdf)|*.pdf|"));
  if (!chosen || chosen->isEmpty()) return;
  QString path = *chosen;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  if (!graph_->exportImage(path))
    dialogs_.message(tr("The graph could not be saved to %1").arg(path));
}

}  // namespace lux
