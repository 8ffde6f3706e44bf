#pragma once
// The graph control of the live graph and the graph viewers: one plot of y values against
// x = first + step × index, axis captions and ranges, a strip-chart append that keeps only a
// bounded number of points, two cursors, the eight track modes (normal, cursor, pan and zoom
// in x, y or both), the plot background, printing and image export.
//
// Axis 1 is the x axis, axis 2 the y axis; cursors are numbered 1 and 2.
#include <qcustomplot.h>
#include <QColor>
#include <QPointF>
#include <QString>
#include <cstddef>
#include <vector>

class QPrinter;

namespace lux {

// Track-mode values of the graph control (the viewer's list index + 1).
enum class TrackMode {
  Normal = 1,
  Cursor = 2,
  PanXY = 3,
  PanX = 4,
  PanY = 5,
  ZoomXY = 6,
  ZoomX = 7,
  ZoomY = 8,
};

class CWGraph : public QCustomPlot {
  Q_OBJECT
 public:
  // Points the strip chart shows across its x axis (the designed range 0 .. 300).
  static constexpr int kStripWindow = 300;

  explicit CWGraph(QWidget* parent = nullptr);
  ~CWGraph() override;

  // Axis captions and ranges (axis 1 = x, axis 2 = y). A range whose ends are equal is
  // widened around its value so that a constant trace stays visible; reversed ends are
  // swapped; non-finite ends are ignored.
  void setAxisCaption(int axis, const QString& caption);
  QString axisCaption(int axis) const;
  void setAxisRange(int axis, double minimum, double maximum);
  double axisMinimum(int axis) const;
  double axisMaximum(int axis) const;

  // Strip chart: appends one y value at the next x (0, 1, 2 ...). The chart keeps at most
  // stripCapacity() points and scrolls so that the newest kStripWindow points are in view;
  // the y axis follows the points in view. Cost per append does not depend on how many
  // points were appended before.
  void chartAppend(double y);
  int stripPointCount() const;  // points the chart holds now (bounded)
  qint64 stripAppendCount() const { return stripAppended_; }  // points appended so far
  static constexpr int stripCapacity() { return 2 * kStripWindow; }

  // Replaces the plot with y[i] at x = first + step × i. Axis ranges are left to the caller.
  void plotY(const float* y, std::size_t count, double first = 1.0, double step = 1.0);
  void plotY(const std::vector<float>& y, double first = 1.0, double step = 1.0) {
    plotY(y.data(), y.size(), first, step);
  }
  void clearData();
  int pointCount() const;
  // The plotted point at index i (x, y); no point for an index out of range.
  bool pointAt(int index, double* x, double* y) const;

  // Cursors 1 and 2: a vertical and a horizontal line crossing at (x, y). In the cursor track
  // mode cursor 1 follows the mouse while dragged and snaps to the nearest plotted point; its
  // moves are reported through cursorMoved.
  void setCursorVisible(int cursor, bool visible);
  bool cursorVisible(int cursor) const;
  void setCursorPosition(int cursor, double x, double y);
  QPointF cursorPosition(int cursor) const;

  void setTrackMode(TrackMode mode);
  TrackMode trackMode() const { return mode_; }

  // Background of the plot area and of the widget around it.
  void setPlotBackground(const QColor& colour);
  QColor plotBackground() const { return background_; }

  // Draws the graph at its current size into `painter` at `topLeft` (device pixels of the
  // painter). Vector output on a PDF printer.
  void renderTo(QCPPainter& painter, const QPoint& topLeft);
  // Saves the graph as an image: PDF when the file name ends in ".pdf", PNG otherwise.
  // False when the file cannot be written.
  bool exportImage(const QString& fileName);

  // Redraws now; appends and fills only queue a redraw.
  void redraw() { replot(rpImmediateRefresh); }

 signals:
  // A cursor was moved by the user (drag) or by setCursorPosition.
  void cursorMoved(int cursor, double x, double y);
  // Left click on the graph in the normal track mode.
  void clicked();
  // The visible x or y range changed (pan, zoom, setAxisRange).
  void rangesChanged();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct Cursor {
    QCPItemStraightLine* vertical = nullptr;
    QCPItemStraightLine* horizontal = nullptr;
    double x = 0, y = 0;
    bool visible = false;
  };
  Cursor& cursorRef(int cursor);
  const Cursor& cursorRef(int cursor) const;
  void placeCursor(Cursor& c, double x, double y);
  void moveCursorToPixel(const QPointF& pixel);
  void followStripY();

  QCPGraph* graph_ = nullptr;
  Cursor cursors_[2];
  TrackMode mode_ = TrackMode::Normal;
  QColor background_ = Qt::white;
  bool draggingCursor_ = false;
  qint64 stripAppended_ = 0;
};

}  // namespace lux
