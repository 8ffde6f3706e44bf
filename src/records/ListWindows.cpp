#include "records/ListWindows.h"

#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cerrno>
#include <exception>

#include "link/Logging.h"
#include "records/DataFormat.h"
#include "records/FileTransfer.h"
#include "records/RecordsContext.h"
#include "records/engine/RegularFile.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"
#include "ui/Icons.h"
#include "ui/Placement.h"

namespace lux {

namespace {

// How many record rows the window shows without scrolling; the live list scrolls by one row
// per record once the newest row is beyond this.
constexpr int kRowsInView = 15;

QAction* addKeyedAction(QToolBar* bar, const QString& key, const QString& tip,
                        const QString& icon) {
  QAction* a = bar->addAction(resourceIcon(icon), tip);
  a->setObjectName(key);
  a->setData(key);
  a->setToolTip(tip);
  return a;
}

}  // namespace

// The reading of one data file into the file list, a step at a time: a step takes at most
// kStepBytes of the file and kStepRows rows, whatever the lines are like (a line of hundreds of
// megabytes is crossed in many steps), and the next step waits for the next turn of the event
// loop, after the poll and the recording tick that came due.
class FileListLoad : public QObject {
 public:
  static constexpr std::size_t kStepBytes = 256 * 1024;
  static constexpr std::size_t kStepRows = 2048;

  FileListLoad(RecordsContext& ctx, ListWindow& window, int fd, const QString& path)
      : QObject(&window),
        ctx_(ctx),
        window_(window),
        fd_(fd),
        title_(QFileInfo(path).fileName()),
        splitter_(FieldReader::kDefaultMaxFieldBytes),
        buffer_(64 * 1024) {
    next_.setSingleShot(true);
    next_.setInterval(0);
    connect(&next_, &QTimer::timeout, this, &FileListLoad::step);
  }
  ~FileListLoad() override {
    if (fd_ >= 0) ::close(fd_);
  }

  void step() {
    std::vector<QStringList> rows;
    std::size_t bytes = 0;
    bool ended = false;
    while (!ended && rows.size() < kStepRows && bytes < kStepBytes) {
      if (pos_ == len_) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          // The end, or a read error: the rows read so far stay in the list.
          if (splitter_.finish()) takeField(rows);
          ended = true;
          break;
        }
        len_ = static_cast<std::size_t>(n);
        pos_ = 0;
        bytes += len_;
      }
      const char* p = buffer_.data() + pos_;
      const bool field = splitter_.take(p, buffer_.data() + len_);
      pos_ = static_cast<std::size_t>(p - buffer_.data());
      if (field && !takeField(rows)) ended = true;
    }
    GridModel& grid = window_.grid();
    if (unitRead_) {
      grid.setCell(0, 0, unit_);
      unitRead_ = false;
    }
    if (!rows.empty()) grid.appendRows(rows);
    if (ended) {
      finish();
      return;
    }
    window_.setWindowTitle(ListWindow::tr("%1 Records Completed").arg(records_));
    next_.start();
  }

 private:
  // False once the list is full.
  bool takeField(std::vector<QStringList>& rows) {
    const std::string& field = splitter_.field();
    if (!headerRead_) {
      headerRead_ = true;
      unitRead_ = true;
      unit_ = QString::fromLatin1(unitFromHeader(field).c_str());
      return true;
    }
    if (records_ >= kMaxFileListRecords) {
      cut_ = true;
      return false;
    }
    QStringList cells;
    cells.reserve(3);
    for (std::string_view part : tabParts(field))
      cells.append(QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size())));
    rows.push_back(std::move(cells));
    ++records_;
    return true;
  }

  void finish() {
    ::close(fd_);
    fd_ = -1;
    window_.setWindowTitle(title_);
    if (cut_) {
      // Told once any poll tick in progress is over: a box inside it would hold the poll.
      Dialogs& dialogs = ctx_.dialogs;
      const QString text = ListWindow::tr(
                               "The file list holds at most %1 records; the rest of %2 "
                               "was not read.")
                               .arg(kMaxFileListRecords)
                               .arg(title_);
      ctx_.link.runOutsidePoll([&dialogs, text] { dialogs.message(text); });
    }
    ListWindow& window = window_;
    window.load_ = nullptr;
    deleteLater();
    emit window.loaded();
  }

  RecordsContext& ctx_;
  ListWindow& window_;
  int fd_;
  QString title_;
  FieldSplitter splitter_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, len_ = 0;
  bool headerRead_ = false;
  bool unitRead_ = false;  // the header's unit waits for the step's end to go into the grid
  QString unit_;
  long records_ = 0;
  bool cut_ = false;
  QTimer next_;
};

ListWindow::ListWindow(RecordsContext& ctx, Kind kind)
    : QWidget(ctx.panel, Qt::Window), ctx_(ctx), kind_(kind) {
  setAttribute(Qt::WA_DeleteOnClose);
  const bool live = kind == Kind::RealTime;
  setObjectName(live ? QStringLiteral("RealTimeList") : QStringLiteral("FileList"));
  setWindowTitle(live ? tr("Real Time List") : tr("File List"));

  // Load, step 1: the live list remembers the unit it starts with.
  if (live) ctx.recording.listRecordingUnit = QString::fromStdString(ctx.display.unitText);

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setIconSize(QSize(20, 20));
  if (live) {
    addKeyedAction(toolbar_, QStringLiteral("Save"), tr("Save As"),
                   QStringLiteral(":/icons/save.svg"));
  } else {
    addKeyedAction(toolbar_, QStringLiteral("Plot"), tr("Plot"),
                   QStringLiteral(":/icons/plot.svg"));
  }
  addKeyedAction(toolbar_, QStringLiteral("Print"), tr("Print"),
                 QStringLiteral(":/icons/print.svg"));
  connect(toolbar_, &QToolBar::actionTriggered, this, [this](QAction* a) {
    // A failure inside a command ends that command, never the program.
    runGuarded(lcRecords(), "a list window command",
               [this, a] { toolbarActionTriggered(a->data().toString()); });
  });

  grid_ = new GridModel(3, this);
  view_ = new GridView(grid_, this);
  view_->setAccessibleName(tr("Records"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar_);
  layout->addWidget(view_);

  // Load, steps 3 and 4: header texts, column widths measured in the window's font, the unit.
  const QFontMetrics fm(font());
  const int widths[] = {fm.horizontalAdvance(QStringLiteral(" 000000AAA ")),
                        fm.horizontalAdvance(QStringLiteral(" DD-HH:NN:SS ")),
                        fm.horizontalAdvance(QStringLiteral(" AAAAAAA "))};
  const char* headers[] = {"No.s", "Time", "Value"};
  for (int c = 0; c < 3; ++c) {
    view_->setColumnWidth(c, widths[c]);
    grid_->setCell(0, c, QLatin1String(headers[c]));
  }
  if (live) grid_->setCell(0, 0, ctx.recording.listRecordingUnit);

  const int width = widths[0] + widths[1] + widths[2] +
                    view_->verticalScrollBar()->sizeHint().width() + 2 * view_->frameWidth() + 4;
  resize(width, toolbar_->sizeHint().height() + view_->heightForRows(kRowsInView));
}

void ListWindow::placeBesidePanel() {
  // Load, step 2: just right of the panel, top edges level. Done once shown, when the window
  // frame is known.
  placeNextToPanel(this, ctx_.panel, {PanelPlace::Across::PanelRight, PanelPlace::Down::PanelTop});
}

void ListWindow::toolbarActionTriggered(const QString& key) {
  if (key == QLatin1String("Print")) {
    printGrid(ctx_, *this, *grid_);
  } else if (kind_ == Kind::RealTime && key == QLatin1String("Save")) {
    saveGridCommand(ctx_, *this, *grid_);
  } else if (kind_ == Kind::File && key == QLatin1String("Plot")) {
    filePlotCommand(ctx_, *grid_, windowTitle());  // the file's name once it is read
  }
}

QDateTime ListWindow::recordDateTime(int row) const {
  if (row < 1 || static_cast<std::size_t>(row) > recordDates_.size()) return {};
  return recordDates_[static_cast<std::size_t>(row - 1)];
}

void ListWindow::appendRecord(const QString& number, const QString& time, const QString& value) {
  if (kind_ == Kind::RealTime) {
    // The row's stamp was taken from the same clock a moment ago in this tick; the date is the
    // one whose "DD-hh:nn:ss" it is (a second may have turned over since).
    QDateTime date;
    const QDateTime now = ctx_.clock.localDateTime();
    for (int back = 0; back <= 2 && !date.isValid(); ++back) {
      const QDateTime t = now.addSecs(-back);
      const std::string text =
          sampleTimeStamp(t.date().day(), t.time().hour(), t.time().minute(), t.time().second());
      if (time == QLatin1String(text.c_str())) date = t;
    }
    recordDates_.push_back(date);
  }
  grid_->appendRows({QStringList{number, time, value}});
  const int last = grid_->rows() - 1;
  view_->layoutNow();
  view_->selectGridRow(last);
  if (view_->selectedGridRow() > kRowsInView) view_->setTopRow(view_->topRow() + 1);
  // A window made smaller than designed still shows the newest row.
  view_->scrollTo(grid_->index(last, 0), QAbstractItemView::EnsureVisible);
}

void ListWindow::closeEvent(QCloseEvent* event) {
  // A file still being read stops being read with its window.
  delete load_;
  load_ = nullptr;
  // Unload of the live list: the recording tick stops feeding it and a new one starts from 1.
  if (kind_ == Kind::RealTime) {
    ctx_.recording.listRecording = false;
    ctx_.recording.listRecordCount = 0;
  }
  event->accept();
}

ListWindow* realTimeList(RecordsContext& ctx) {
  auto* w = qobject_cast<ListWindow*>(ctx.realTimeList.data());
  return w && w->isVisible() ? w : nullptr;
}

ListWindow* fileList(RecordsContext& ctx) {
  auto* w = qobject_cast<ListWindow*>(ctx.fileList.data());
  return w && w->isVisible() ? w : nullptr;
}

void listCommand(RecordsContext& ctx) {
  RecordingState& r = ctx.recording;
  if (r.listRecording || !ctx.display.plainMode()) return;
  auto* w = new ListWindow(ctx, ListWindow::Kind::RealTime);
  ctx.realTimeList = w;
  w->show();
  w->placeBesidePanel();
  r.listRecordCount = 0;
  r.listRecording = true;
}

void openCommand(RecordsContext& ctx) {
  if (ctx.recording.fileRecording) {
    ctx.dialogs.message(ListWindow::tr("Recording Mode!\nPlease stop recording!"));
    return;
  }
  const std::optional<QString> path =
      ctx.dialogs.openFileName(ListWindow::tr("All Files (*.*)|*.*|"));
  if (!path || path->isEmpty()) return;
  readFileIntoFileList(ctx, *path);
}

bool ListWindow::loading() const {
  return load_ != nullptr;
}

ListWindow* readFileIntoFileList(RecordsContext& ctx, const QString& path) {
  QString refused;
  const int fd = openRegularFile(path, FileAccess::Read, &refused);
  if (fd < 0) {
    ctx.dialogs.message(ListWindow::tr("Cannot read %1\r\n%2").arg(path, refused));
    return nullptr;
  }
  if (ListWindow* old = qobject_cast<ListWindow*>(ctx.fileList.data())) {
    old->close();
  }
  QPointer<ListWindow> w = new ListWindow(ctx, ListWindow::Kind::File);
  ctx.fileList = w.data();
  w->show();
  w->placeBesidePanel();
  w->load_ = new FileListLoad(ctx, *w, fd, path);
  // The first step at once: a file of a few thousand records is in the list on return.
  w->load_->step();
  return w.data();
}

void filePlotCommand(RecordsContext& ctx, GridModel& grid, const QString& source) {
  if (grid.rows() < 2) return;  // no records: nothing to plot
  RecordingState& r = ctx.recording;
  r.plotUnitText = grid.cell(0, 0);
  const float start = cellPlotValue(grid.cell(1, 2).toLatin1().toStdString());
  r.plotMaxValue = start;
  r.plotMinValue = start;
  plotGridColumn(ctx, grid, 2, source);
}

}  // namespace lux
