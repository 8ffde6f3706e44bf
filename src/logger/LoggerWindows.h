#pragma once
// The Memory window (the logger sets of the last download, free memory, erase) and the Data
// List window (one set's records in lux and in foot-candles).
#include <QDateTime>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/ClickableLabel.h"

class QProgressBar;
class QPushButton;
class QTableView;
class QToolBar;

namespace lux {

struct LoggerContext;
struct ListedRecord;
class GridModel;
class GridView;

class MemoryWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MemoryWindow(LoggerContext& ctx, QWidget* parent = nullptr);
  ~MemoryWindow() override;

  GridModel& gridSet() { return *gridSet_; }
  GridView& gridSetView() { return *gridSetView_; }
  QLabel& lblSize() { return *lblSize_; }
  ClickableLabel& lblRemain() { return *lblRemain_; }
  QLabel& lblMessage() { return *lblMessage_; }
  QProgressBar& progress() { return *progress_; }
  QPushButton& cmdCompare() { return *cmdCompare_; }

  // "12.3% Completed" and the bar beside it, for `received` of `expected` bytes.
  void showProgress(double received, double expected);
  // Total and free memory for the meter's fill address.
  void showMemory(quint32 loggerAddress);
  // The user closed the window while a download was reading.
  bool closedByUser() const { return closed_; }

  // Lists the set of the clicked row (row 0 is the header row).
  void setRowClicked(int row);
  // Erases the meter's memory after the warning.
  void remainClicked();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  LoggerContext& ctx_;
  GridModel* gridSet_;
  GridView* gridSetView_;
  QLabel* lblSize_;
  ClickableLabel* lblRemain_;
  QLabel* lblMessage_;
  QProgressBar* progress_;
  QPushButton* cmdCompare_;
  QTableView* grid_;
  bool closed_ = false;
};

class DataListWindow : public QWidget {
  Q_OBJECT
 public:
  explicit DataListWindow(LoggerContext& ctx, QWidget* parent = nullptr);

  GridModel& gridM() { return *gridM_; }
  GridModel& gridI() { return *gridI_; }
  GridView& gridMView() { return *gridMView_; }
  GridView& gridIView() { return *gridIView_; }
  // The grid the user sees: lux while dataListLuxShown, else foot-candles.
  GridModel& visibleGrid();
  // One listed set: each record into both grids, in one insert per grid.
  void showRecords(const std::vector<ListedRecord>& records);
  QToolBar& toolbar() { return *toolbar_; }

  // Toolbar1's click handler, by button key ("Save", "Plot", "Print", "Unit").
  void toolbarActionTriggered(const QString& key);
  // Which logger set the list holds, for the title of a printed plot.
  void setPlotSource(const QString& source) { plotSource_ = source; }

  // The meter's date and time of the first record and the seconds between records, for a set
  // whose start is a calendar date (local time, given as a plain date and time).
  void setRecordTiming(const QDateTime& firstRecord, qint64 stepSeconds);
  // Local date and time of record row `row` (1 = first record); invalid when the set's start
  // names no calendar date.
  QDateTime recordDateTime(int row) const;
  bool knowsRecordDates() const { return firstRecord_.isValid(); }

 private:
  void runToolbarButton(const QString& key);
  void showUnit();

  LoggerContext& ctx_;
  GridModel* gridM_;
  GridModel* gridI_;
  GridView* gridMView_;
  GridView* gridIView_;
  QToolBar* toolbar_;
  QDateTime firstRecord_;  // plain calendar date and time, Qt::UTC as "no zone"
  qint64 stepSeconds_ = 0;
  QString plotSource_;
};

}  // namespace lux
