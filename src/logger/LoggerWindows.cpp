#include "logger/LoggerWindows.h"
#include "link/Logging.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <exception>

#include "logger/Logger.h"
#include "logger/LoggerContext.h"
#include "logger/MemoryDump.h"
#include "logger/engine/LoggerListing.h"
#include "ui/Accessibility.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"
#include "ui/Icons.h"
#include "ui/Placement.h"

namespace lux {

namespace {

// Column widths follow the width of a sample text, with room for the cell margins.
void widthsFromSamples(GridView& view, const QStringList& samples) {
  const QFontMetrics fm(view.font());
  for (int c = 0; c < samples.size(); ++c) {
    view.setColumnWidth(c, fm.horizontalAdvance(samples[c]) + 12);
  }
}

void setHeader(GridModel& grid, const QStringList& texts) {
  for (int c = 0; c < texts.size(); ++c) grid.setCell(0, c, texts[c]);
}

QLabel* panelCaption(const QString& name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Raised);
  l->setAlignment(Qt::AlignCenter);
  return l;
}

QLabel* figure(QLabel* l, const QString& name) {
  l->setObjectName(name);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  l->setAlignment(Qt::AlignCenter);
  l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("000.0 K")) + 16);
  return l;
}

// A click handler ends quietly when the program closes inside one of its waits or when it fails;
// its own guards have put the poll and the flags back by then.
template <class F>
void guarded(F&& f) {
  runGuarded(lcLogger(), "a logger window command", f);
}

}  // namespace

// ---- Memory ----

MemoryWindow::MemoryWindow(LoggerContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName(QStringLiteral("Memory"));
  setWindowTitle(tr("Data Logger"));
  setAttribute(Qt::WA_DeleteOnClose);

  gridSet_ = new GridModel(4, this);
  gridSetView_ = new GridView(gridSet_, this);
  gridSetView_->setObjectName(QStringLiteral("GridSet"));
  setHeader(*gridSet_, {tr("Set"), tr("Time"), tr("Sampling"), tr("Records")});
  widthsFromSamples(*gridSetView_, {QStringLiteral(" No.S "), QStringLiteral("AA-AA:AA:AA"),
                                    QStringLiteral(" Sampling "), QStringLiteral(" Records ")});
  gridSetView_->setToolTip(tr("Click a set to list its records"));

  lblSize_ = figure(new QLabel(QStringLiteral("64 K"), this), QStringLiteral("LblSize"));
  lblRemain_ =
      static_cast<ClickableLabel*>(figure(new ClickableLabel(this), QStringLiteral("LblRemain")));
  lblRemain_->setCursor(Qt::PointingHandCursor);
  lblRemain_->setToolTip(tr("Click to erase the meter's memory"));
  lblMessage_ = new QLabel(this);
  lblMessage_->setObjectName(QStringLiteral("LblMessage"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ProgressDownload"));
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setAccessibleName(tr("Download progress"));
  cmdCompare_ = new QPushButton(tr("Compare"), this);
  cmdCompare_->setObjectName(QStringLiteral("CmdCompare"));
  // Nothing to compare with yet: the button is there but does nothing.
  cmdCompare_->setEnabled(false);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->setVisible(false);

  auto* figures = new QGridLayout;
  figures->addWidget(panelCaption(QStringLiteral("SSPanel1"), tr("Total Memory"), this), 0, 0);
  figures->addWidget(lblSize_, 0, 1);
  figures->addWidget(panelCaption(QStringLiteral("SSPanel2"), tr("Free Memory"), this), 1, 0);
  figures->addWidget(lblRemain_, 1, 1);
  figures->addWidget(cmdCompare_, 0, 2, 2, 1);
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(lblMessage_, 1);
  progressRow->addWidget(progress_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(figures);
  layout->addLayout(progressRow);
  layout->addWidget(gridSetView_, 1);
  layout->addWidget(grid_);

  int width = 2 * gridSetView_->frameWidth() + 24;
  for (int c = 0; c < 4; ++c) width += gridSetView_->columnWidth(c);
  resize(std::max(width + 24, 320), 420);

  connect(gridSetView_, &QTableView::clicked, this,
          [this](const QModelIndex& index) { setRowClicked(index.row()); });
  // The header row is the table's column header: a click there lists "set 0", an empty list.
  connect(gridSetView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int) { setRowClicked(0); });
  connect(lblRemain_, &ClickableLabel::clicked, this, &MemoryWindow::remainClicked);
  // Keyboard users list a set and reach the erase without a mouse.
  onEnterKey(gridSetView_, [this] {
    const QModelIndex current = gridSetView_->currentIndex();
    if (current.isValid()) setRowClicked(current.row());
  });
  lblRemain_->setFocusPolicy(Qt::StrongFocus);
  onEnterKey(lblRemain_, [this] { remainClicked(); });

  // Beside the main panel, at its right edge.
  placeNextToPanel(this, ctx_.panel, {PanelPlace::Across::PanelRight, PanelPlace::Down::PanelTop});
  ctx_.logger.memoryFormOpen = true;
  // The download the window shows reports its progress after every read.
  connect(&loggerDownload(ctx_), &LoggerDownload::progress, this,
          [this](qint64 received, qint64 expected) {
            showProgress(static_cast<double>(received), static_cast<double>(expected));
          });
}

MemoryWindow::~MemoryWindow() {
  if (!closed_) ctx_.logger.memoryFormOpen = false;
}

void MemoryWindow::showProgress(double received, double expected) {
  const double percent = expected > 0 ? received / expected * 100.0 : 0.0;
  lblMessage_->setText(tr("%1% Completed").arg(QString::number(percent, 'f', 1)));

  progress_->setValue(static_cast<int>(percent * 10));
}

void MemoryWindow::showMemory(quint32 loggerAddress) {
  lblSize_->setText(QStringLiteral("128 K"));
  lblRemain_->setText(QString::fromStdString(freeMemoryText(loggerAddress)) + QStringLiteral(" K"));
}

void MemoryWindow::setRowClicked(int row) {
  gridSetView_->selectGridRow(row);
  guarded([&] { listLoggerSet(ctx_, row); });
}

void MemoryWindow::remainClicked() {
  guarded([&] { eraseLoggerMemory(ctx_); });
}

void MemoryWindow::closeEvent(QCloseEvent* event) {
  // Once closed, the "Memory" command works again once the meter has finished the dump it
  // may still be sending.
  closed_ = true;
  if (LoggerDownload* dl = ctx_.download) dl->cancel();
  ctx_.logger.memoryFormOpen = false;
  QWidget::closeEvent(event);
}

// ---- Data List ----

DataListWindow::DataListWindow(LoggerContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName(QStringLiteral("DataList"));
  setWindowTitle(tr("Data List"));
  setAttribute(Qt::WA_DeleteOnClose);

  gridM_ = new GridModel(3, this);
  gridI_ = new GridModel(3, this);
  gridMView_ = new GridView(gridM_, this);
  gridIView_ = new GridView(gridI_, this);
  gridMView_->setObjectName(QStringLiteral("GridM"));
  gridIView_->setObjectName(QStringLiteral("GridI"));
  gridMView_->setAccessibleName(tr("Records in lux"));
  gridIView_->setAccessibleName(tr("Records in foot-candles"));
  setHeader(*gridM_, {QStringLiteral("Lx"), QStringLiteral("Time"), QStringLiteral("Value")});
  setHeader(*gridI_, {QStringLiteral("Fc"), QStringLiteral("Time"), QStringLiteral("Value")});
  const QStringList samples = {QStringLiteral(" 000000AAA "), QStringLiteral(" DD-HH:NN:SS "),
                               QStringLiteral(" AAAAAAA ")};
  widthsFromSamples(*gridMView_, samples);
  widthsFromSamples(*gridIView_, samples);

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  struct Button {
    const char* key;
    const char* text;
    const char* tip;
    const char* icon;
  };
  for (const Button& b :
       {Button{"Save", QT_TR_NOOP("Save"), QT_TR_NOOP("Save As"), ":/icons/save.svg"},
        Button{"Plot", QT_TR_NOOP("Plot"), QT_TR_NOOP("Plot"), ":/icons/plot.svg"},
        Button{"Print", QT_TR_NOOP("Print"), QT_TR_NOOP("Print"), ":/icons/print.svg"},
        Button{"Unit", QT_TR_NOOP("Unit"), QT_TR_NOOP("Unit"), ":/icons/unit.svg"}}) {
    const QString key = QString::fromLatin1(b.key);
    QAction* a = toolbar_->addAction(resourceIcon(QString::fromLatin1(b.icon)), tr(b.text));
    a->setObjectName(key);
    a->setToolTip(tr(b.tip));
    connect(a, &QAction::triggered, this, [this, key] { toolbarActionTriggered(key); });
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(toolbar_);
  layout->addWidget(gridMView_, 1);
  layout->addWidget(gridIView_, 1);
  int width = 2 * gridMView_->frameWidth() + 24;
  for (int c = 0; c < 3; ++c) width += gridMView_->columnWidth(c);
  resize(std::max(width, 300), 480);

  // Top-left corner; a meter showing foot-candles opens the list on them.
  move(0, 0);
  ctx_.logger.dataListLuxShown = !ctx_.display.annFc;
  showUnit();
}

void DataListWindow::showRecords(const std::vector<ListedRecord>& records) {
  std::vector<QStringList> lux, fc;
  lux.reserve(records.size());
  fc.reserve(records.size());
  for (const ListedRecord& r : records) {
    lux.push_back({r.number, r.time, r.lux});
    fc.push_back({r.number, r.time, r.fc});
  }
  gridM_->appendRows(lux);
  gridI_->appendRows(fc);
}

void DataListWindow::setRecordTiming(const QDateTime& firstRecord, qint64 stepSeconds) {
  firstRecord_ = firstRecord;
  firstRecord_.setTimeSpec(Qt::UTC);
  stepSeconds_ = stepSeconds;
}

QDateTime DataListWindow::recordDateTime(int row) const {
  if (!firstRecord_.isValid() || row < 1) return {};
  // The meter counts plain clock time (it knows no daylight saving), as the time labels do; the
  // local offset is that of the resulting wall-clock time.
  const QDateTime civil = firstRecord_.addSecs(static_cast<qint64>(row - 1) * stepSeconds_);
  return QDateTime(civil.date(), civil.time(), Qt::LocalTime);
}

GridModel& DataListWindow::visibleGrid() {
  return ctx_.logger.dataListLuxShown ? *gridM_ : *gridI_;
}

void DataListWindow::showUnit() {
  const bool lux = ctx_.logger.dataListLuxShown;
  gridMView_->setVisible(lux);
  gridIView_->setVisible(!lux);
}

void DataListWindow::toolbarActionTriggered(const QString& key) {
  guarded([&] { runToolbarButton(key); });
}

void DataListWindow::runToolbarButton(const QString& key) {
  LoggerState& lg = ctx_.logger;
  if (key == QLatin1String("Save")) {
    if (ctx_.hooks.grid.save) ctx_.hooks.grid.save(this, visibleGrid());
  } else if (key == QLatin1String("Print")) {
    if (ctx_.hooks.grid.print) ctx_.hooks.grid.print(this, visibleGrid());
  } else if (key == QLatin1String("Unit")) {
    lg.dataListLuxShown = !lg.dataListLuxShown;
    showUnit();
  } else if (key == QLatin1String("Plot")) {
    // The values are illuminance: the plot names their unit as the panel and the lists do.
    PlotRequest seed;
    if (lg.dataListLuxShown) {
      seed.unitText = QStringLiteral("Lx");
      seed.yMax = 2200;
    } else {
      seed.unitText = QStringLiteral("Fc");
      seed.yMax = 697.4f;
    }
    seed.yMin = 0;
    seed.source = plotSource_;
    if (ctx_.hooks.grid.plot) ctx_.hooks.grid.plot(visibleGrid(), 2, seed);
  }
}

}  // namespace lux
