#include "ui/GraphWidget.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace lux {

namespace {

QCPAxis* axisOf(QCustomPlot* plot, int axis) {
  return axis == 1 ? plot->xAxis : plot->yAxis;
}

}  // namespace

CWGraph::CWGraph(QWidget* parent) : QCustomPlot(parent) {
  graph_ = addGraph();
  graph_->setPen(QPen(QColor(0, 64, 200), 1));
  // Hundreds of thousands of points: draw thin polylines and let the graph thin them out per
  // pixel column, so that a redraw costs about the same for a weekend as for a minute.
  graph_->setAdaptiveSampling(true);
  setPlottingHint(QCP::phFastPolylines, true);
  setNoAntialiasingOnDrag(true);
  xAxis->setRange(0, kStripWindow);
  yAxis->setRange(0, 1);

  const QColor cursorColours[2] = {QColor(200, 0, 0), QColor(0, 140, 0)};
  for (int i = 0; i < 2; ++i) {
    Cursor& c = cursors_[i];
    c.vertical = new QCPItemStraightLine(this);
    c.horizontal = new QCPItemStraightLine(this);
    for (QCPItemStraightLine* line : {c.vertical, c.horizontal}) {
      line->setPen(QPen(cursorColours[i], 1, Qt::DashLine));
      line->setSelectable(false);
      line->setVisible(false);
    }
    placeCursor(c, 0, 0);
  }

  connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this] { emit rangesChanged(); });
  connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this] { emit rangesChanged(); });
  setTrackMode(TrackMode::Normal);
  setPlotBackground(Qt::white);
}

CWGraph::~CWGraph() = default;

void CWGraph::setAxisCaption(int axis, const QString& caption) {
  axisOf(this, axis)->setLabel(caption);
  replot(rpQueuedReplot);
}

QString CWGraph::axisCaption(int axis) const {
  return axisOf(const_cast<CWGraph*>(this), axis)->label();
}

void CWGraph::setAxisRange(int axis, double minimum, double maximum) {
  if (!std::isfinite(minimum) || !std::isfinite(maximum)) return;
  if (minimum > maximum) std::swap(minimum, maximum);
  if (maximum - minimum < 1e-9 * std::max(1.0, std::fabs(maximum))) {
    // A flat trace (every reading the same) would otherwise get no usable range at all.
    const double half = minimum != 0 ? std::fabs(minimum) * 0.05 : 1.0;
    minimum -= half;
    maximum += half;
  }
  axisOf(this, axis)->setRange(minimum, maximum);
  replot(rpQueuedReplot);
}

double CWGraph::axisMinimum(int axis) const {
  return axisOf(const_cast<CWGraph*>(this), axis)->range().lower;
}

double CWGraph::axisMaximum(int axis) const {
  return axisOf(const_cast<CWGraph*>(this), axis)->range().upper;
}

void CWGraph::chartAppend(double y) {
  const double key = static_cast<double>(stripAppended_);
  graph_->addData(key, y);
  ++stripAppended_;
  // Drop the oldest points in one batch once the chart holds twice its window, so that both
  // the memory and the per-append work stay bounded however long the run.
  if (graph_->data()->size() > stripCapacity()) graph_->data()->removeBefore(key - kStripWindow);
  const double lower = key <= kStripWindow ? 0.0 : key - kStripWindow;
  xAxis->setRange(lower, lower + kStripWindow);
  followStripY();
  replot(rpQueuedReplot);
}

void CWGraph::followStripY() {
  bool found = false;
  const QCPRange r = graph_->getValueRange(found, QCP::sdBoth, xAxis->range());
  if (!found) return;
  const double margin = (r.upper - r.lower) * 0.05;
  setAxisRange(2, r.lower - margin, r.upper + margin);
}

int CWGraph::stripPointCount() const {
  return graph_->data()->size();
}

void CWGraph::plotY(const float* y, std::size_t count, double first, double step) {
  QVector<QCPGraphData> points(static_cast<qsizetype>(count));
  for (std::size_t i = 0; i < count; ++i) {
    points[static_cast<qsizetype>(i)] =
        QCPGraphData(first + step * static_cast<double>(i), static_cast<double>(y[i]));
  }
  // A negative step gives keys in falling order; the container must sort those itself.
  graph_->data()->set(points, step >= 0);
  stripAppended_ = 0;
  replot(rpQueuedReplot);
}

void CWGraph::clearData() {
  graph_->data()->clear();
  stripAppended_ = 0;
  replot(rpQueuedReplot);
}

int CWGraph::pointCount() const {
  return graph_->data()->size();
}

bool CWGraph::pointAt(int index, double* x, double* y) const {
  if (index < 0 || index >= graph_->data()->size()) return false;
  const QCPGraphData& p = *graph_->data()->at(index);
  if (x) *x = p.key;
  if (y) *y = p.value;
  return true;
}

CWGraph::Cursor& CWGraph::cursorRef(int cursor) {
  return cursors_[cursor == 2 ? 1 : 0];
}
const CWGraph::Cursor& CWGraph::cursorRef(int cursor) const {
  return cursors_[cursor == 2 ? 1 : 0];
}

void CWGraph::placeCursor(Cursor& c, double x, double y) {
  c.x = x;
  c.y = y;
  c.vertical->point1->setCoords(x, 0);
  c.vertical->point2->setCoords(x, 1);
  c.horizontal->point1->setCoords(0, y);
  c.horizontal->point2->setCoords(1, y);
}

void CWGraph::setCursorVisible(int cursor, bool visible) {
  Cursor& c = cursorRef(cursor);
  c.visible = visible;
  c.vertical->setVisible(visible);
  c.horizontal->setVisible(visible);
  replot(rpQueuedReplot);
}

bool CWGraph::cursorVisible(int cursor) const {
  return cursorRef(cursor).visible;
}

void CWGraph::setCursorPosition(int cursor, double x, double y) {
  placeCursor(cursorRef(cursor), x, y);
  replot(rpQueuedReplot);
  emit cursorMoved(cursor == 2 ? 2 : 1, x, y);
}

QPointF CWGraph::cursorPosition(int cursor) const {
  const Cursor& c = cursorRef(cursor);
  return {c.x, c.y};
}

void CWGraph::moveCursorToPixel(const QPointF& pixel) {
  double x = xAxis->pixelToCoord(pixel.x());
  double y = yAxis->pixelToCoord(pixel.y());
  // The cursor reads values off the trace: it snaps to the plotted point nearest in x.
  const auto data = graph_->data();
  if (!data->isEmpty()) {
    auto it = data->findBegin(x, false);  // first point at or after x
    if (it == data->constEnd()) {
      --it;
    } else if (it != data->constBegin()) {
      auto before = it - 1;
      if (x - before->key < it->key - x) it = before;
    }
    x = it->key;
    y = it->value;
  }
  setCursorPosition(1, x, y);
}

void CWGraph::setTrackMode(TrackMode mode) {
  mode_ = mode;
  draggingCursor_ = false;
  QCPAxisRect* rect = axisRect();
  QCP::Interactions interactions;
  Qt::Orientations orient;
  QCPAxis* zoomX = nullptr;
  QCPAxis* zoomY = nullptr;
  bool rubberBand = false;
  switch (mode) {
    case TrackMode::PanXY:
      orient = Qt::Horizontal | Qt::Vertical;
      break;
    case TrackMode::PanX:
      orient = Qt::Horizontal;
      break;
    case TrackMode::PanY:
      orient = Qt::Vertical;
      break;
    case TrackMode::ZoomXY:
      zoomX = xAxis, zoomY = yAxis;
      break;
    case TrackMode::ZoomX:
      zoomX = xAxis;
      break;
    case TrackMode::ZoomY:
      zoomY = yAxis;
      break;
    case TrackMode::Normal:
    case TrackMode::Cursor:
      break;
  }
  if (orient) {
    interactions |= QCP::iRangeDrag;
    rect->setRangeDrag(orient);
  }
  if (zoomX || zoomY) {
    // Rubber band and wheel both zoom only the axes this mode names.
    rubberBand = true;
    interactions |= QCP::iRangeZoom;
    Qt::Orientations zo;
    if (zoomX) zo |= Qt::Horizontal;
    if (zoomY) zo |= Qt::Vertical;
    rect->setRangeZoom(zo);
    rect->setRangeZoomAxes(zoomX, zoomY);
  }
  setInteractions(interactions);
  setSelectionRectMode(rubberBand ? QCP::srmZoom : QCP::srmNone);
  setCursor(mode == TrackMode::Cursor ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CWGraph::setPlotBackground(const QColor& colour) {
  background_ = colour;
  setBackground(QBrush(colour));
  axisRect()->setBackground(QBrush(colour));
  replot(rpQueuedReplot);
}

void CWGraph::renderTo(QCPPainter& painter, const QPoint& topLeft) {
  painter.save();
  painter.translate(topLeft);
  toPainter(&painter, width(), height());
  painter.restore();
}

bool CWGraph::exportImage(const QString& fileName) {
  const int w = width() > 10 ? width() : 800;
  const int h = height() > 10 ? height() : 600;
  if (QFileInfo(fileName).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
    return savePdf(fileName, w, h);
  return savePng(fileName, w, h);
}

void CWGraph::mousePressEvent(QMouseEvent* event) {
  const bool inPlot = axisRect()->rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    if (mode_ == TrackMode::Cursor && inPlot) {
      draggingCursor_ = true;
      moveCursorToPixel(event->position());
      event->accept();
      return;
    }
    if (mode_ == TrackMode::Normal) emit clicked();
  }
  QCustomPlot::mousePressEvent(event);
}

void CWGraph::mouseMoveEvent(QMouseEvent* event) {
  if (draggingCursor_) {
    moveCursorToPixel(event->position());
    event->accept();
    return;
  }
  QCustomPlot::mouseMoveEvent(event);
}

void CWGraph::mouseReleaseEvent(QMouseEvent* event) {
  if (draggingCursor_) {
    draggingCursor_ = false;
    moveCursorToPixel(event->position());
    event->accept();
    return;
  }
  QCustomPlot::mouseReleaseEvent(event);
}

}  // namespace lux
