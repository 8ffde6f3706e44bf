#include "survey/SurveyWindow.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Context.h"
#include "survey/SurveyCompareWindow.h"
#include "survey/SurveyFeed.h"
#include "survey/SurveyPictures.h"
#include "survey/SurveyReport.h"

namespace lux::survey {

namespace {

const char kSurveyFilter[] =
    QT_TRANSLATE_NOOP("lux::survey::SurveyWindow", "Lighting survey (*.luxsurvey)|*.luxsurvey|");

// Ctrl+Shift+C: Ctrl+C copies, and the program's menu keys are all taken elsewhere.
constexpr QKeyCombination kCompareKeys(Qt::CTRL | Qt::SHIFT, Qt::Key_C);

QDoubleSpinBox* metres(const char* name, double value, double lo, double hi, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setRange(lo, hi);
  box->setDecimals(2);
  box->setSingleStep(0.1);
  box->setValue(value);
  return box;
}

QString withSuffix(QString path, const QString& suffix) {
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
  return path;
}

}  // namespace

PlanView::PlanView(const Survey& survey, QWidget* parent) : QWidget(parent), survey_(survey) {
  setObjectName(QStringLiteral("SurveyPlan"));
  setMinimumSize(320, 220);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PlanView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PlanStyle style;
  style.current = survey_.current;
  paintPlan(painter, QRectF(rect()), survey_, survey_.layout(), style);
}

void PlanView::mousePressEvent(QMouseEvent* event) {
  const int i = pointAt(QRectF(rect()), survey_, survey_.layout(), event->position());
  if (i >= 0) emit pointClicked(i);
}

SurveyWindow::SurveyWindow(Context& ctx, const QString& taskTablePath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ctx_(ctx),
      dialogs_(ctx.dialogs),
      taskTablePath_(taskTablePath),
      capture_(survey_, ctx.clock) {
  setObjectName(QStringLiteral("Survey"));
  setWindowTitle(tr("Lighting Survey"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  feed_ = new SurveyFeed(ctx.session, ctx.clock, this);
  connect(feed_, &SurveyFeed::readingDecoded, &capture_, &SurveyCapture::offer);
  connect(feed_, &SurveyFeed::readingDecoded, this, &SurveyWindow::readingShown);
  connect(feed_, &SurveyFeed::silenceChanged, &capture_, &SurveyCapture::setSilent);
  connect(feed_, &SurveyFeed::silenceChanged, this, &SurveyWindow::silenceShown);
  connect(&capture_, &SurveyCapture::refused, this,
          [this](const QString& why) { dialogs_.message(why); });
  connect(&capture_, &SurveyCapture::waitProgress, this, [this](const QString& text) {
    lblWait_->setText(text);
    cmdTake_->setText(text.isEmpty() ? tr("Take") : tr("Cancel Wait"));
  });
  connect(&capture_, &SurveyCapture::pointStored, this, [this] {
    modified_ = true;
    autosave();
  });
  connect(&capture_, &SurveyCapture::changed, this, &SurveyWindow::refresh);
  waitTimer_.setInterval(250);
  connect(&waitTimer_, &QTimer::timeout, &capture_, &SurveyCapture::tick);

  loadTasks();
  pages_ = new QStackedWidget(this);
  pages_->addWidget(buildForm());
  pages_->addWidget(buildWork());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  resize(1000, 640);
  updatePreview();
  // A window opened on a meter that is already silent hears no reading until it speaks again.
  capture_.setSilent(feed_->silent());
  if (feed_->silent())
    silenceShown(true);
  else if (const auto r = feed_->latest())
    readingShown(*r);
}

SurveyWindow::~SurveyWindow() = default;

QWidget* SurveyWindow::buildForm() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SurveyForm"));
  auto* outer = new QVBoxLayout(page);
  auto* columns = new QHBoxLayout;
  outer->addLayout(columns);

  auto* where = new QGroupBox(tr("Where"), page);
  auto* f1 = new QFormLayout(where);
  txtSite_ = new QLineEdit(where);
  txtSite_->setObjectName(QStringLiteral("TxtSite"));
  txtArea_ = new QLineEdit(where);
  txtArea_->setObjectName(QStringLiteral("TxtArea"));
  txtNote_ = new QLineEdit(where);
  txtNote_->setObjectName(QStringLiteral("TxtNote"));
  txtMeter_ = new QLineEdit(where);
  txtMeter_->setObjectName(QStringLiteral("TxtMeter"));
  txtMeter_->setPlaceholderText(tr("model, serial number, calibration date"));
  txtHeight_ = metres("TxtHeight", 0.8, 0.0, 100.0, where);
  f1->addRow(tr("Site:"), txtSite_);
  f1->addRow(tr("Area:"), txtArea_);
  f1->addRow(tr("Note:"), txtNote_);
  f1->addRow(tr("Meter:"), txtMeter_);
  f1->addRow(tr("Measuring height (m):"), txtHeight_);
  for (QLineEdit* edit : {txtSite_, txtArea_, txtNote_, txtMeter_}) edit->setMinimumWidth(220);
  columns->addWidget(where, 1);

  auto* gridBox = new QGroupBox(tr("Grid"), page);
  auto* f2 = new QFormLayout(gridBox);
  txtGridKind_ = new QComboBox(gridBox);
  txtGridKind_->setObjectName(QStringLiteral("TxtGridKind"));
  txtGridKind_->addItem(tr("Automatic (workplace rule)"));
  txtGridKind_->addItem(tr("By hand: rows × columns"));
  txtGridKind_->addItem(tr("Escape route"));
  txtLength_ = metres("TxtLength", 6.0, 0.01, 10000.0, gridBox);
  txtWidth_ = metres("TxtWidth", 4.0, 0.01, 10000.0, gridBox);
  txtBorder_ = metres("TxtBorder", 0.5, 0.0, 1000.0, gridBox);
  txtRows_ = new QSpinBox(gridBox);
  txtRows_->setObjectName(QStringLiteral("TxtRows"));
  txtRows_->setRange(1, 1000);
  txtRows_->setValue(4);
  txtColumns_ = new QSpinBox(gridBox);
  txtColumns_->setObjectName(QStringLiteral("TxtColumns"));
  txtColumns_->setRange(1, 1000);
  txtColumns_->setValue(6);
  optBandEdges_ = new QCheckBox(tr("Also the edges of the central band"), gridBox);
  optBandEdges_->setObjectName(QStringLiteral("OptBandEdges"));
  f2->addRow(tr("Kind:"), txtGridKind_);
  f2->addRow(tr("Length (m):"), txtLength_);
  f2->addRow(tr("Width (m):"), txtWidth_);
  f2->addRow(tr("Border band (m):"), txtBorder_);
  f2->addRow(tr("Rows:"), txtRows_);
  f2->addRow(tr("Columns:"), txtColumns_);
  f2->addRow(QString(), optBandEdges_);
  lblPreview_ = new QLabel(gridBox);
  lblPreview_->setObjectName(QStringLiteral("LblGridPreview"));
  lblPreview_->setWordWrap(true);
  f2->addRow(lblPreview_);
  columns->addWidget(gridBox, 1);

  auto* reqBox = new QGroupBox(tr("Requirement"), page);
  auto* f3 = new QFormLayout(reqBox);
  txtTask_ = new QComboBox(reqBox);
  txtTask_->setObjectName(QStringLiteral("TxtTask"));
  txtMeanLux_ = metres("TxtMeanLux", 500, 0, 1e6, reqBox);
  txtMeanLux_->setDecimals(1);
  txtU0_ = metres("TxtU0", 0.6, 0, 1, reqBox);
  txtU0_->setSingleStep(0.05);
  txtMinLux_ = metres("TxtMinLux", 1, 0, 1e6, reqBox);
  txtMaxRatio_ = metres("TxtMaxRatio", 40, 0, 1e6, reqBox);
  txtMaxRatio_->setDecimals(1);
  txtSource_ = new QLineEdit(reqBox);
  txtSource_->setObjectName(QStringLiteral("TxtSource"));
  auto* cmdEditTasks = new QPushButton(tr("Edit Task Areas…"), reqBox);
  cmdEditTasks->setObjectName(QStringLiteral("CmdEditTasks"));
  f3->addRow(tr("Task area:"), txtTask_);
  f3->addRow(tr("Ē required (lx):"), txtMeanLux_);
  f3->addRow(tr("U0 required:"), txtU0_);
  f3->addRow(tr("Centre-line minimum (lx):"), txtMinLux_);
  f3->addRow(tr("Max/min at most:"), txtMaxRatio_);
  f3->addRow(tr("Source:"), txtSource_);
  f3->addRow(QString(), cmdEditTasks);
  columns->addWidget(reqBox, 1);

  auto* buttons = new QHBoxLayout;
  auto* cmdOpen = new QPushButton(tr("Open Survey…"), page);
  cmdOpen->setObjectName(QStringLiteral("CmdOpenSurvey"));
  auto* cmdStart = new QPushButton(tr("Start Survey"), page);
  cmdStart->setObjectName(QStringLiteral("CmdStart"));
  cmdStart->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(cmdOpen);
  buttons->addWidget(cmdStart);
  outer->addStretch();
  outer->addLayout(buttons);

  connect(txtGridKind_, &QComboBox::currentIndexChanged, this, &SurveyWindow::gridKindChanged);
  connect(txtTask_, &QComboBox::currentIndexChanged, this, &SurveyWindow::taskChanged);
  for (QDoubleSpinBox* box : {txtLength_, txtWidth_, txtBorder_})
    connect(box, &QDoubleSpinBox::valueChanged, this, &SurveyWindow::updatePreview);
  for (QSpinBox* box : {txtRows_, txtColumns_})
    connect(box, &QSpinBox::valueChanged, this, &SurveyWindow::updatePreview);
  connect(optBandEdges_, &QCheckBox::toggled, this, &SurveyWindow::updatePreview);
  connect(cmdStart, &QPushButton::clicked, this, &SurveyWindow::startSurvey);
  connect(cmdOpen, &QPushButton::clicked, this, &SurveyWindow::openClicked);
  connect(cmdEditTasks, &QPushButton::clicked, this, &SurveyWindow::editTasksClicked);

  // The task table's rows, then the surveyor's own figures.
  txtTask_->blockSignals(true);
  for (const TaskArea& a : tasks_) txtTask_->addItem(a.task);
  txtTask_->addItem(tr("Typed in"));
  txtTask_->blockSignals(false);
  taskChanged();
  gridKindChanged();
  return page;
}

QWidget* SurveyWindow::buildWork() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SurveyWork"));
  auto* outer = new QHBoxLayout(page);

  tabs_ = new QTabWidget(page);
  tabs_->setObjectName(QStringLiteral("SurveyTabs"));
  plan_ = new PlanView(survey_, tabs_);
  heatMap_ = new QCustomPlot(tabs_);
  heatMap_->setObjectName(QStringLiteral("SurveyHeatMap"));
  tabs_->addTab(plan_, tr("Plan"));
  tabs_->addTab(heatMap_, tr("Heat Map"));
  outer->addWidget(tabs_, 3);
  connect(plan_, &PlanView::pointClicked, &capture_, &SurveyCapture::retake);
  connect(tabs_, &QTabWidget::currentChanged, this, &SurveyWindow::refresh);

  auto* side = new QVBoxLayout;
  outer->addLayout(side, 2);
  lblTitle_ = new QLabel(page);
  lblTitle_->setObjectName(QStringLiteral("LblSurveyTitle"));
  lblTitle_->setWordWrap(true);
  QFont big = lblTitle_->font();
  big.setBold(true);
  lblTitle_->setFont(big);
  side->addWidget(lblTitle_);

  auto* takeBox = new QGroupBox(tr("Current point"), page);
  auto* tl = new QVBoxLayout(takeBox);
  lblCurrent_ = new QLabel(takeBox);
  lblCurrent_->setObjectName(QStringLiteral("LblCurrent"));
  lblReading_ = new QLabel(takeBox);
  lblReading_->setObjectName(QStringLiteral("LblReading"));
  lblReading_->setWordWrap(true);
  cmdTake_ = new QPushButton(tr("Take"), takeBox);
  cmdTake_->setObjectName(QStringLiteral("CmdTake"));
  cmdTake_->setToolTip(tr("Stores the meter's reading at the current point (Space or Enter)"));
  cmdSkip_ = new QPushButton(tr("Skip…"), takeBox);
  cmdSkip_->setObjectName(QStringLiteral("CmdSkip"));
  cmdNote_ = new QPushButton(tr("Note…"), takeBox);
  cmdNote_->setObjectName(QStringLiteral("CmdNote"));
  for (QPushButton* b : {cmdTake_, cmdSkip_, cmdNote_}) b->setFocusPolicy(Qt::NoFocus);
  auto* row = new QHBoxLayout;
  row->addWidget(cmdTake_);
  row->addWidget(cmdSkip_);
  row->addWidget(cmdNote_);
  optSteady_ = new QCheckBox(tr("Wait for a steady reading"), takeBox);
  optSteady_->setObjectName(QStringLiteral("OptSteady"));
  optSteady_->setChecked(capture_.settings.waitSteady);
  txtSteadyCount_ = new QSpinBox(takeBox);
  txtSteadyCount_->setObjectName(QStringLiteral("TxtSteadyCount"));
  txtSteadyCount_->setRange(2, 20);
  txtSteadyCount_->setValue(capture_.settings.steadyCount);
  txtSteadyCount_->setSuffix(tr(" readings"));
  txtSteadyPercent_ = new QDoubleSpinBox(takeBox);
  txtSteadyPercent_->setObjectName(QStringLiteral("TxtSteadyPercent"));
  txtSteadyPercent_->setRange(0.1, 50);
  txtSteadyPercent_->setDecimals(1);
  txtSteadyPercent_->setValue(capture_.settings.steadyPercent);
  txtSteadyPercent_->setPrefix(QStringLiteral("± "));
  txtSteadyPercent_->setSuffix(QStringLiteral(" %"));
  auto* steadyRow = new QHBoxLayout;
  steadyRow->addWidget(txtSteadyCount_);
  steadyRow->addWidget(txtSteadyPercent_);
  optAllowHold_ = new QCheckBox(tr("Allow held readings (HOLD)"), takeBox);
  optAllowHold_->setObjectName(QStringLiteral("OptAllowHold"));
  lblWait_ = new QLabel(takeBox);
  lblWait_->setObjectName(QStringLiteral("LblWait"));
  lblWait_->setWordWrap(true);
  tl->addWidget(lblCurrent_);
  tl->addWidget(lblReading_);
  tl->addLayout(row);
  tl->addWidget(optSteady_);
  tl->addLayout(steadyRow);
  tl->addWidget(optAllowHold_);
  tl->addWidget(lblWait_);
  side->addWidget(takeBox);

  auto* resultsBox = new QGroupBox(tr("Results"), page);
  auto* rl = new QVBoxLayout(resultsBox);
  lblResults_ = new QLabel(resultsBox);
  lblResults_->setObjectName(QStringLiteral("LblResults"));
  lblResults_->setTextFormat(Qt::RichText);
  lblVerdict_ = new QLabel(resultsBox);
  lblVerdict_->setObjectName(QStringLiteral("LblVerdict"));
  lblVerdict_->setFont(big);
  rl->addWidget(lblResults_);
  rl->addWidget(lblVerdict_);
  side->addWidget(resultsBox);
  side->addStretch();

  auto* files = new QGridLayout;
  const struct {
    const char* name;
    const char* text;
    void (SurveyWindow::*slot)();
  } buttons[] = {
      {"CmdNew", QT_TR_NOOP("New Survey"), &SurveyWindow::newClicked},
      {"CmdOpen", QT_TR_NOOP("Open…"), &SurveyWindow::openClicked},
      {"CmdSave", QT_TR_NOOP("Save"), &SurveyWindow::saveClicked},
      {"CmdSaveAs", QT_TR_NOOP("Save As…"), &SurveyWindow::saveAsClicked},
      {"CmdExportCsv", QT_TR_NOOP("Export CSV…"), &SurveyWindow::exportCsvClicked},
      {"CmdExportPlan", QT_TR_NOOP("Export Plan…"), &SurveyWindow::exportPlanClicked},
      {"CmdExportHeatMap", QT_TR_NOOP("Export Heat Map…"), &SurveyWindow::exportHeatMapClicked},
      {"CmdReport", QT_TR_NOOP("Report PDF…"), &SurveyWindow::reportClicked},
      {"CmdPrint", QT_TR_NOOP("Print…"), &SurveyWindow::printClicked},
      {"CmdCompare", QT_TR_NOOP("Compare With…"), &SurveyWindow::compareClicked},
  };
  int i = 0;
  for (const auto& b : buttons) {
    auto* button = new QPushButton(tr(b.text), page);
    button->setObjectName(QLatin1String(b.name));
    connect(button, &QPushButton::clicked, this, b.slot);
    files->addWidget(button, i / 3, i % 3);
    ++i;
    if (qstrcmp(b.name, "CmdCompare") == 0)
      button->setToolTip(tr("Compares this survey with an earlier one, point by point (%1)")
                             .arg(QKeySequence(kCompareKeys).toString(QKeySequence::NativeText)));
  }
  auto* compareKeys = new QShortcut(QKeySequence(kCompareKeys), page);
  compareKeys->setContext(Qt::WidgetWithChildrenShortcut);
  connect(compareKeys, &QShortcut::activated, this, &SurveyWindow::compareClicked);
  side->addLayout(files);

  connect(cmdTake_, &QPushButton::clicked, this, &SurveyWindow::takeClicked);
  connect(cmdSkip_, &QPushButton::clicked, this, &SurveyWindow::skipClicked);
  connect(cmdNote_, &QPushButton::clicked, this, &SurveyWindow::noteClicked);
  connect(optSteady_, &QCheckBox::toggled, this,
          [this](bool on) { capture_.settings.waitSteady = on; });
  connect(txtSteadyCount_, &QSpinBox::valueChanged, this,
          [this](int n) { capture_.settings.steadyCount = n; });
  connect(txtSteadyPercent_, &QDoubleSpinBox::valueChanged, this,
          [this](double p) { capture_.settings.steadyPercent = p; });
  connect(optAllowHold_, &QCheckBox::toggled, this,
          [this](bool on) { capture_.settings.allowHold = on; });
  for (const QKeySequence& keys :
       {QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(keys, page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, &SurveyWindow::takeClicked);
  }
  return page;
}

void SurveyWindow::loadTasks() {
  QByteArray bytes;
  QFile own(taskTablePath_);
  if (!taskTablePath_.isEmpty() && own.open(QIODevice::ReadOnly)) bytes = own.read(1 << 20);
  tasks_ = taskAreasFromCsv(bytes);
  if (tasks_.empty()) {
    QFile shipped(QStringLiteral(":/survey/task-areas.csv"));
    if (shipped.open(QIODevice::ReadOnly)) tasks_ = taskAreasFromCsv(shipped.readAll());
  }
}

void SurveyWindow::gridKindChanged() {
  const int kind = txtGridKind_->currentIndex();
  txtRows_->setEnabled(kind == 1);
  txtColumns_->setEnabled(kind == 1);
  txtBorder_->setEnabled(kind != 2);
  optBandEdges_->setEnabled(kind == 2);
  const bool route = kind == 2;
  txtMeanLux_->setEnabled(!route);
  txtU0_->setEnabled(!route);
  txtMinLux_->setEnabled(route);
  txtMaxRatio_->setEnabled(route);
  updatePreview();
}

void SurveyWindow::taskChanged() {
  const int i = txtTask_->currentIndex();
  if (i < 0 || i >= int(tasks_.size())) {
    txtSource_->setText(tr("typed in"));
    return;
  }
  const TaskArea& a = tasks_[std::size_t(i)];
  if (a.route) {
    txtMinLux_->setValue(a.minLux);
    txtMaxRatio_->setValue(a.maxRatio);
    if (txtGridKind_->currentIndex() != 2) txtGridKind_->setCurrentIndex(2);
  } else {
    txtMeanLux_->setValue(a.meanLux);
    txtU0_->setValue(a.u0);
    if (txtGridKind_->currentIndex() == 2) txtGridKind_->setCurrentIndex(0);
  }
  txtSource_->setText(a.source);
}

GridSpec SurveyWindow::formGrid() const {
  GridSpec g;
  g.kind = txtGridKind_->currentIndex() == 1   ? GridKind::ByHand
           : txtGridKind_->currentIndex() == 2 ? GridKind::Route
                                               : GridKind::Automatic;
  g.length = txtLength_->value();
  g.width = txtWidth_->value();
  g.border = txtBorder_->value();
  g.rows = txtRows_->value();
  g.columns = txtColumns_->value();
  g.routeBandEdges = optBandEdges_->isChecked();
  return g;
}

void SurveyWindow::updatePreview() {
  if (!lblPreview_) return;
  const Grid g = makeGrid(formGrid());
  if (!g.error.empty()) {
    lblPreview_->setText(tr("No grid: %1").arg(QString::fromStdString(g.error)));
    return;
  }
  lblPreview_->setText(
      tr("%n point(s): %1 × %2, cells %3 m × %4 m", nullptr, int(g.points.size()))
          .arg(g.columns)
          .arg(g.rows)
          .arg(QLocale().toString(g.cellLength, 'f', 2), QLocale().toString(g.cellWidth, 'f', 2)));
}

bool SurveyWindow::startSurvey() {
  if (!maySetAside()) return false;
  Survey s;
  s.site = txtSite_->text().trimmed();
  s.area = txtArea_->text().trimmed();
  s.note = txtNote_->text().trimmed();
  s.meter = txtMeter_->text().trimmed();
  s.measuringHeight = txtHeight_->value();
  s.created = ctx_.clock.localDateTime();
  s.program = QStringLiteral("luxpanel %1").arg(QLatin1String(LUXPANEL_VERSION));
  s.grid = formGrid();
  const Grid g = s.layout();
  if (!g.error.empty()) {
    dialogs_.message(tr("No grid can be laid out: %1.").arg(QString::fromStdString(g.error)));
    return false;
  }
  Requirement& r = s.requirement;
  r.route = s.grid.kind == GridKind::Route;
  const int task = txtTask_->currentIndex();
  r.task =
      (task >= 0 && task < int(tasks_.size()) ? tasks_[std::size_t(task)].task : tr("typed in"))
          .toStdString();
  r.source = txtSource_->text().trimmed().toStdString();
  r.meanLux = txtMeanLux_->value();
  r.u0 = txtU0_->value();
  r.minLux = txtMinLux_->value();
  r.maxRatio = txtMaxRatio_->value();
  s.resetPoints();
  survey_ = s;
  capture_.setSurvey(survey_);
  path_.clear();
  modified_ = false;
  pages_->setCurrentIndex(1);
  refresh();
  return true;
}

bool SurveyWindow::unsaved() const {
  return pages_->currentIndex() == 1 && (modified_ || path_.isEmpty());
}

bool SurveyWindow::maySetAside() {
  if (!unsaved()) return true;
  const QString text =
      path_.isEmpty()
          ? tr("This survey has never been saved. Save it before you leave it?")
          : tr("The survey %1 has changes that are not saved. Save them before you leave it?")
                .arg(QFileInfo(path_).fileName());
  switch (dialogs_.askSave(text, tr("Lighting Survey"))) {
    case SaveChoice::Save: {
      // A file that can no longer be written (a drive gone, a folder removed) is said so, and
      // the readings may still go to another.
      if (!path_.isEmpty() && saveSurveyTo(path_)) return true;
      const auto path = dialogs_.saveFileName(tr(kSurveyFilter));
      if (!path) return false;
      return saveSurveyTo(withSuffix(*path, QStringLiteral("luxsurvey")));
    }
    case SaveChoice::Discard:
      // The survey goes: what comes next starts from the form or another file.
      capture_.cancelWait();
      modified_ = false;
      path_.clear();
      pages_->setCurrentIndex(0);
      return true;
    case SaveChoice::Cancel:
      break;
  }
  return false;
}

void SurveyWindow::silenceShown(bool silent) {
  if (!silent) return;  // the next reading says what the meter shows
  lblReading_->setText(tr("Meter: not answering, no reading to take"));
  lblReading_->setToolTip(
      tr("No reading has come from the meter for a few seconds. Check that it is switched on "
         "and connected."));
}

void SurveyWindow::refresh() {
  if (!plan_) return;
  const Grid g = survey_.layout();
  lblTitle_->setText(QStringLiteral("%1 — %2").arg(survey_.site, survey_.area));
  const int c = survey_.current;
  if (c >= 0 && c < int(g.points.size()) && c < int(survey_.points.size())) {
    const SurveyPoint& p = survey_.points[std::size_t(c)];
    QString state = p.taken     ? tr("taken: %1 lx").arg(QLocale().toString(p.lux, 'f', 1))
                    : p.skipped ? tr("skipped: %1").arg(p.skipReason)
                                : tr("not taken yet");
    lblCurrent_->setText(tr("Point %1 of %2 at x %3 m, y %4 m (%5)")
                             .arg(c + 1)
                             .arg(g.points.size())
                             .arg(QLocale().toString(g.points[std::size_t(c)].x, 'f', 2),
                                  QLocale().toString(g.points[std::size_t(c)].y, 'f', 2), state));
  } else {
    lblCurrent_->setText(tr("No point"));
  }
  QString html = QStringLiteral("<table cellspacing=\"3\">");
  for (const ResultLine& line : resultLines(survey_)) {
    QString verdict;
    if (line.judged && line.verdict != Verdict::Open)
      verdict = line.verdict == Verdict::Pass ? tr("<b>pass</b>") : tr("<b>FAIL</b>");
    html += QStringLiteral("<tr><td>%1</td><td align=\"right\">%2</td><td>%3</td><td>%4</td></tr>")
                .arg(line.label.toHtmlEscaped(), line.value.toHtmlEscaped(),
                     line.requirement.toHtmlEscaped(), verdict);
  }
  html += QStringLiteral("</table>");
  lblResults_->setText(html);
  lblVerdict_->setText(tr("Result: %1").arg(verdictText(survey_)));
  plan_->update();
  if (tabs_->currentWidget() == heatMap_) fillHeatMap(*heatMap_, survey_, g);
}

void SurveyWindow::readingShown(const Reading& r) {
  if (const auto why = capture_.refusal(r)) {
    lblReading_->setText(tr("Meter: %1 %2 (cannot be taken)").arg(r.text, r.unit));
    lblReading_->setToolTip(*why);
    return;
  }
  double lux = 0;
  r.inLux(&lux);
  lblReading_->setToolTip(QString());
  lblReading_->setText(r.unit == QLatin1String("Fc")
                           ? tr("Meter: %1 fc = %2 lx").arg(r.text, QLocale().toString(lux, 'f', 1))
                           : tr("Meter: %1 lx").arg(r.text));
}

void SurveyWindow::takeClicked() {
  if (pages_->currentIndex() != 1) return;
  if (capture_.waiting()) {
    capture_.cancelWait();
    return;
  }
  capture_.take();
}

void SurveyWindow::skipClicked() {
  const int i = survey_.current;
  const QString reason =
      dialogs_.input(tr("Why is point %1 skipped (an obstacle, a cupboard…)?").arg(i + 1),
                     tr("Skip Point"), QString());
  if (reason.trimmed().isEmpty()) return;  // cancelled: a skip needs its reason
  capture_.skip(i, reason.trimmed());
  modified_ = true;
  autosave();
}

void SurveyWindow::noteClicked() {
  const int i = survey_.current;
  if (i < 0 || i >= int(survey_.points.size())) return;
  const QString note = dialogs_.input(tr("Note on point %1:").arg(i + 1), tr("Note"),
                                      survey_.points[std::size_t(i)].note);
  capture_.setNote(i, note.trimmed());
  modified_ = true;
  autosave();
}

void SurveyWindow::newClicked() {
  if (!maySetAside()) return;
  modified_ = false;
  capture_.cancelWait();
  pages_->setCurrentIndex(0);
}

void SurveyWindow::openClicked() {
  if (!maySetAside()) return;
  const auto path = dialogs_.openFileName(tr(kSurveyFilter) + tr("All Files (*.*)|*.*|"));
  if (path) openSurvey(*path);
}

bool SurveyWindow::openSurvey(const QString& path) {
  QString error;
  auto loaded = loadSurvey(path, &error);
  if (!loaded) {
    dialogs_.message(error);
    return false;
  }
  survey_ = *loaded;
  capture_.setSurvey(survey_);
  path_ = path;
  modified_ = false;
  pages_->setCurrentIndex(1);
  refresh();
  return true;
}

void SurveyWindow::compareClicked() {
  if (pages_->currentIndex() != 1) return;
  const auto path = dialogs_.openFileName(tr(kSurveyFilter) + tr("All Files (*.*)|*.*|"));
  if (path) compareWith(*path);
}

SurveyCompareWindow* SurveyWindow::compareWith(const QString& path) {
  QString error;
  auto other = loadSurvey(path, &error);
  if (!other) {
    dialogs_.message(error);
    return nullptr;
  }
  auto comparison = compareSurveys(*other, survey_, &error);
  if (!comparison) {
    dialogs_.message(error);
    return nullptr;
  }
  if (comparison_) comparison_->close();
  const QString self =
      path_.isEmpty() ? tr("this survey (not saved)") : QFileInfo(path_).fileName();
  comparison_ = new SurveyCompareWindow(dialogs_, {*other, QFileInfo(path).fileName()},
                                        {survey_, self}, std::move(*comparison), this);
  comparison_->show();
  return comparison_;
}

bool SurveyWindow::saveSurveyTo(const QString& path) {
  QString error;
  if (!saveSurvey(survey_, path, &error)) {
    dialogs_.message(error);
    return false;
  }
  path_ = path;
  modified_ = false;
  return true;
}

void SurveyWindow::autosave() {
  // A survey with a file keeps it up to date after every point: a walk of an hour is not lost
  // to a closed lid.
  if (!path_.isEmpty()) saveSurveyTo(path_);
}

void SurveyWindow::saveClicked() {
  if (path_.isEmpty())
    saveAsClicked();
  else
    saveSurveyTo(path_);
}

void SurveyWindow::saveAsClicked() {
  const auto path = dialogs_.saveFileName(tr(kSurveyFilter));
  if (path) saveSurveyTo(withSuffix(*path, QStringLiteral("luxsurvey")));
}

void SurveyWindow::exportCsvClicked() {
  const auto path = dialogs_.saveFileName(tr("CSV (*.csv)|*.csv|"));
  if (!path) return;
  QSaveFile f(withSuffix(*path, QStringLiteral("csv")));
  const QByteArray bytes = pointsCsv(survey_);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    dialogs_.message(
        tr("The points could not be written to %1: %2").arg(f.fileName(), f.errorString()));
}

void SurveyWindow::exportPlanClicked() {
  const auto path =
      dialogs_.saveFileName(tr("PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|"));
  if (!path) return;
  QString error;
  if (!exportPlan(withSuffix(*path, QStringLiteral("png")), survey_, &error))
    dialogs_.message(error);
}

void SurveyWindow::exportHeatMapClicked() {
  const auto path =
      dialogs_.saveFileName(tr("PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|"));
  if (!path) return;
  QString error;
  if (!exportHeatMap(withSuffix(*path, QStringLiteral("png")), survey_, &error))
    dialogs_.message(error);
}

void SurveyWindow::reportClicked() {
  const auto path = dialogs_.saveFileName(tr("PDF (*.pdf)|*.pdf|"));
  if (!path) return;
  QString error;
  if (!writeReportPdf(withSuffix(*path, QStringLiteral("pdf")), survey_, &error))
    dialogs_.message(error);
}

void SurveyWindow::printClicked() {
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setResolution(96);
  if (!dialogs_.printerSetup(printer)) return;
  QString error;
  if (!paintReport(printer, survey_, &error)) dialogs_.message(error);
}

void SurveyWindow::editTasksClicked() {
  auto* dialog = new QDialog(this);
  dialog->setObjectName(QStringLiteral("TaskAreas"));
  dialog->setWindowTitle(tr("Task Areas"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(dialog);
  auto* hint =
      new QLabel(tr("Each row: room or route, the task area, its figures and where they come "
                    "from. Check the figures against the standard you work to."),
                 dialog);
  hint->setWordWrap(true);
  auto* table = new QTableWidget(int(tasks_.size()), 7, dialog);
  table->setObjectName(QStringLiteral("GridTasks"));
  table->setHorizontalHeaderLabels({tr("Kind (room/route)"), tr("Task area"), tr("Ē (lx)"),
                                    tr("U0"), tr("Minimum (lx)"), tr("Max/min"), tr("Source")});
  auto number = [](double v) { return v > 0 ? QString::number(v) : QString(); };
  for (int r = 0; r < int(tasks_.size()); ++r) {
    const TaskArea& a = tasks_[std::size_t(r)];
    const QString cells[] = {a.route ? QStringLiteral("route") : QStringLiteral("room"),
                             a.task,
                             number(a.meanLux),
                             number(a.u0),
                             number(a.minLux),
                             number(a.maxRatio),
                             a.source};
    for (int c = 0; c < 7; ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
  table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  auto* buttons = new QHBoxLayout;
  auto* add = new QPushButton(tr("Add Row"), dialog);
  add->setObjectName(QStringLiteral("CmdAddRow"));
  auto* remove = new QPushButton(tr("Remove Row"), dialog);
  remove->setObjectName(QStringLiteral("CmdRemoveRow"));
  auto* save = new QPushButton(tr("Save"), dialog);
  save->setObjectName(QStringLiteral("CmdSaveTasks"));
  auto* close = new QPushButton(tr("Close"), dialog);
  close->setObjectName(QStringLiteral("CmdClose"));
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(close);
  layout->addWidget(hint);
  layout->addWidget(table);
  layout->addLayout(buttons);
  connect(add, &QPushButton::clicked, table, [table] {
    table->insertRow(table->rowCount());
    table->setItem(table->rowCount() - 1, 0, new QTableWidgetItem(QStringLiteral("room")));
  });
  connect(remove, &QPushButton::clicked, table, [table] {
    if (table->currentRow() >= 0) table->removeRow(table->currentRow());
  });
  connect(close, &QPushButton::clicked, dialog, &QDialog::close);
  connect(save, &QPushButton::clicked, this, [this, table, dialog] {
    QString csv = QStringLiteral("kind,task,mean_lux,u0,min_lux,max_ratio,source\r\n");
    std::vector<TaskArea> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < 7; ++c)
        cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
      TaskArea a;
      a.route = cells[0].trimmed() == QLatin1String("route");
      a.task = cells[1];
      a.meanLux = cells[2].toDouble();
      a.u0 = cells[3].toDouble();
      a.minLux = cells[4].toDouble();
      a.maxRatio = cells[5].toDouble();
      a.source = cells[6];
      rows.push_back(a);
    }
    const QByteArray bytes = taskAreasToCsv(rows);
    const std::vector<TaskArea> kept = taskAreasFromCsv(bytes);
    if (kept.size() != rows.size()) {
      dialogs_.message(
          tr("Every row needs a kind (room or route), a task area and figures that are "
             "numbers (U0 at most 1)."));
      return;
    }
    QDir().mkpath(QFileInfo(taskTablePath_).absolutePath());
    QSaveFile f(taskTablePath_);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
      dialogs_.message(
          tr("The task areas could not be saved to %1: %2").arg(taskTablePath_, f.errorString()));
      return;
    }
    tasks_ = kept;
    txtTask_->blockSignals(true);
    txtTask_->clear();
    for (const TaskArea& a : tasks_) txtTask_->addItem(a.task);
    txtTask_->addItem(tr("Typed in"));
    txtTask_->blockSignals(false);
    taskChanged();
    dialog->close();
  });
  dialog->resize(820, 360);
  dialog->show();
}

void SurveyWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  waitTimer_.start();
}

void SurveyWindow::hideEvent(QHideEvent* event) {
  waitTimer_.stop();
  capture_.cancelWait();
  QWidget::hideEvent(event);
}

void SurveyWindow::closeEvent(QCloseEvent* event) {
  if (!maySetAside()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace lux::survey
