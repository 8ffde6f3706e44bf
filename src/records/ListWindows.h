#pragma once
// The two list windows: the live list ("Real Time List") that the recording tick appends to,
// and the file list ("File List") that "Open" fills from a data file.
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <vector>

class QToolBar;

namespace lux {

struct RecordsContext;
class GridModel;
class GridView;
class FileListLoad;

class ListWindow : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { RealTime, File };
  ListWindow(RecordsContext& ctx, Kind kind);

  Kind kind() const { return kind_; }
  GridModel& grid() { return *grid_; }
  GridView& view() { return *view_; }
  QToolBar& toolbar() { return *toolbar_; }

  // The window's toolbar: "Save" and "Print" on the live list, "Plot" and "Print" on the file
  // list; any other key does nothing.
  void toolbarActionTriggered(const QString& key);

  // One record row from the recording tick: appended, selected, and the list scrolled by one
  // row once the selected row is beyond row 15 so that the newest row stays in view.
  void appendRecord(const QString& number, const QString& time, const QString& value);
  // Moves the window just right of the main panel, top edges level.
  void placeBesidePanel();

  // Local date and time of record row `row` (1 = first record): known for the live list's
  // rows, invalid for a file's (a data file stores the day of the month only).
  QDateTime recordDateTime(int row) const;

  // True while a data file is still being read into the file list.
  bool loading() const;

 signals:
  // The whole file is in the file list (or its reading ended on an error).
  void loaded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  RecordsContext& ctx_;
  Kind kind_;
  GridModel* grid_;
  GridView* view_;
  QToolBar* toolbar_;
  std::vector<QDateTime> recordDates_;  // live list: one per record row
  FileListLoad* load_ = nullptr;        // file list: the reading of its file, while it runs
  friend ListWindow* readFileIntoFileList(RecordsContext& ctx, const QString& path);
  friend class FileListLoad;
};

// The toolbar's "List": opens the live list when none runs and the meter measures plainly.
void listCommand(RecordsContext& ctx);
// The live list while it is open, else nullptr.
ListWindow* realTimeList(RecordsContext& ctx);
// The file list while it is open, else nullptr.
ListWindow* fileList(RecordsContext& ctx);

// The toolbar's "Open": refuses during a file recording; otherwise asks for a file and reads it
// into a new file list.
void openCommand(RecordsContext& ctx);
// Reads a data file into a new file list window (an open one is closed first). Returns the
// window, or nullptr when the file cannot be opened (the user is told why). The file is read a
// bounded step at a time, the first before this returns and each further one in its own turn
// of the event loop, so that a file of any size or with any line length never holds up the
// poll or a sampling moment; the caption counts the records meanwhile and shows the file's
// name once it is all in (loaded()).
ListWindow* readFileIntoFileList(RecordsContext& ctx, const QString& path);

// The file list's "Plot": unit from the corner cell, the first record's value as the starting
// y range, then plotGridColumn on the value column. Nothing without records.
void filePlotCommand(RecordsContext& ctx, GridModel& grid, const QString& source = {});

// At most this many records are read into the file list; a longer file is cut with a message.
constexpr int kMaxFileListRecords = 1000000;

}  // namespace lux
