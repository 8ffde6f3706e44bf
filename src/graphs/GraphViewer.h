#pragma once
// The graph viewer window, one design serving twice: `RealTimeGraph` ("Real Time Graph",
// filled with a snapshot of the live graph) and `Plot` ("Plot", filled from a list's value
// column). It shows one trace of y against x = 1, 2, 3 ... with editable axis ranges, the
// eight track modes, a cursor readout, "Reset Scale", "Print Graph" and saving the graph as
// a PNG or PDF file.
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <cstddef>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace lux {

class CWGraph;
class Dialogs;
class NumEdit;

// What one filling puts into the viewer; "Reset Scale" restores this range.
struct ViewerFill {
  QString unit;              // axis 1 caption and LblUnit
  const float* y = nullptr;  // `count` values, plotted at x = 1, 2, 3 ...
  std::size_t count = 0;
  double xMax = 0;  // x range 1 .. xMax
  double yMin = 0, yMax = 0;
  // What "Reset Scale" restores: x 1 .. resetX, y resetYMin .. resetYMax.
  double resetX = 0, resetYMin = 0, resetYMax = 0;
  // Where the values come from and when, for the title line of a printout: "Live run", a file
  // name, a logger set. An invalid date means the moment of filling.
  QString source;
  QDateTime date;
};

class GraphViewer : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { RealTimeGraph, Plot };

  GraphViewer(Kind kind, Dialogs& dialogs, QWidget* parent = nullptr);

  Kind kind() const { return kind_; }

  // Fills and shows the viewer (modeless). Replaces whatever it showed before.
  void fill(const ViewerFill& fill);

  // The track-mode list's selection handler (list index 0..7; anything else changes nothing).
  void trackModeChanged(int index);
  // Any of the four range edits changed: both axes from all four edits, x first.
  void axisRangeChanged();
  void resetScale();
  void printGraph();
  // Save As PNG or PDF (by the chosen file's suffix; PNG when it has none).
  void saveGraph();

  CWGraph* graph() const { return graph_; }
  NumEdit* axisMin(int element) const { return element == 1 ? xMin_ : yMin_; }
  NumEdit* axisMax(int element) const { return element == 1 ? xMax_ : yMax_; }
  QComboBox* trackModeList() const { return combo_; }
  QString description() const;
  QString xPositionText() const;
  QString yPositionText() const;
  QString unitLabelText() const;
  QGroupBox* controlsFrame() const { return frame_; }
  // The line printed above the graph: source, date and unit of what the viewer shows.
  QString printTitle() const { return printTitle_; }

  // Designed size of the window and place of the graph, in twips.
  static constexpr int kWidthTwips = 10650, kHeightTwips = 8865;
  static constexpr int kGraphLeftTwips = 120, kGraphTopTwips = 120;
  // The least height the graph keeps when the screen is small.
  static constexpr int kMinGraphHeightTwips = 1800;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void onCursorMoved(int cursor, double x, double y);
  void layoutChildren();
  int frameHeight() const;
  // The least size at which the controls keep their room and the graph its least height.
  void updateMinimumSize();
  // The designed size (or the least size, when that is larger), then onto the screen.
  void showDesignedSize();
  void setEdits(double xMin, double xMax, double yMin, double yMax);
  void followGraphRanges();
  bool printWindowImage(QPrinter& printer);

  Kind kind_;
  Dialogs& dialogs_;
  CWGraph* graph_ = nullptr;
  QGroupBox* frame_ = nullptr;  // FrmGraphic
  NumEdit* xMin_ = nullptr;
  NumEdit* xMax_ = nullptr;
  NumEdit* yMin_ = nullptr;
  NumEdit* yMax_ = nullptr;
  QLabel* lblUnit_ = nullptr;
  QComboBox* combo_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  QLabel* xPosition_ = nullptr;
  QLabel* yPosition_ = nullptr;
  QPushButton* cmdReset_ = nullptr;
  QPushButton* cmdPrint_ = nullptr;
  QPushButton* cmdSave_ = nullptr;
  bool applyingRanges_ = false;
  bool printing_ = false;  // keeps the graph's size while the print layout is up
  // Range "Reset Scale" restores: taken when the viewer is filled.
  double resetX_ = 1, resetYMin_ = 0, resetYMax_ = 1;
  int graphLeftTwips_ = kGraphLeftTwips, graphTopTwips_ = kGraphTopTwips;
  QString printTitle_;
};

}  // namespace lux
