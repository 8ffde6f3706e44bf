#include "records/ListWindows.h"

#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>
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

ListWindow* readFileIntoFileList(RecordsContext& ctx, const QString& path) {
  QString refused;
  const int fd = openRegularFile(path, FileAccess::Read, &refused);
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    ctx.dialogs.message(
        ListWindow::tr("Cannot read %1\r\n%2").arg(path, fd < 0 ? refused : file.errorString()));
    return nullptr;
  }
  if (ListWindow* old = qobject_cast<ListWindow*>(ctx.fileList.data())) {
    old->close();
  }
  QPointer<ListWindow> w = new ListWindow(ctx, ListWindow::Kind::File);
  ctx.fileList = w.data();
  w->show();
  w->placeBesidePanel();

  FieldReader reader([&file](char* buf, std::size_t n) -> std::size_t {
    const qint64 got = file.read(buf, static_cast<qint64>(n));
    return got > 0 ? static_cast<std::size_t>(got) : 0;  // a read error ends the reading
  });

  // Rows go into the grid in batches (one model insert each) and the caption counts the
  // records a few times a second: a 100000-record file loads in a blink and still shows
  // its progress.
  constexpr std::size_t kBatch = 4096;
  std::vector<QStringList> batch;
  batch.reserve(kBatch);
  QElapsedTimer sinceCaption;
  sinceCaption.start();
  long n = 0;
  bool cut = false;
  std::string field;
  auto flush = [&](long records) -> bool {
    if (!w) return false;
    w->grid().appendRows(batch);
    batch.clear();
    w->setWindowTitle(ListWindow::tr("%1 Records Completed").arg(records));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceCaption.restart();
    return static_cast<bool>(w);  // the user may have closed the window meanwhile
  };
  while (reader.next(field)) {
    if (n == 0) {
      w->grid().setCell(0, 0, QString::fromLatin1(unitFromHeader(field).c_str()));
    } else {
      if (n > kMaxFileListRecords) {
        cut = true;
        break;
      }
      QStringList cells;
      cells.reserve(3);
      for (std::string_view part : tabParts(field))
        cells.append(QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size())));
      batch.push_back(std::move(cells));
      if ((batch.size() >= kBatch || sinceCaption.elapsed() > 100) && !flush(n)) return nullptr;
    }
    ++n;
  }
  if (!batch.empty() && !flush(n - 1)) return nullptr;
  if (!w) return nullptr;
  w->setWindowTitle(QFileInfo(path).fileName());
  file.close();
  if (cut) {
    ctx.dialogs.message(ListWindow::tr("The file list holds at most %1 records; the rest of %2 "
                                       "was not read.")

                            .arg(kMaxFileListRecords)
                            .arg(QFileInfo(path).fileName()));
  }
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
