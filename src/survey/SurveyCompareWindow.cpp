#include "survey/SurveyCompareWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "survey/SurveyPictures.h"
#include "survey/SurveyReport.h"
#include "ui/Dialogs.h"

namespace lux::survey {

namespace {

QString withSuffix(QString path, const QString& suffix) {
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
  return path;
}

QString luxNumber(double v) {
  return QLocale().toString(v, 'f', v >= 100 ? 0 : (v >= 10 ? 1 : 2));
}

QTableWidgetItem* cell(const QString& text, bool number = true) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

ComparisonPlanView::ComparisonPlanView(const Survey& a, const Survey& b, const Comparison& c,
                                       QWidget* parent)
    : QWidget(parent), a_(a), b_(b), c_(c) {
  setObjectName(QStringLiteral("ComparePlan"));
  setMinimumSize(320, 260);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
}

void ComparisonPlanView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintComparisonPlan(painter, QRectF(rect()), a_, b_, c_);
}

SurveyCompareWindow::SurveyCompareWindow(Dialogs& dialogs, ComparedSurvey a, ComparedSurvey b,
                                         Comparison comparison, QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(dialogs),
      a_(std::move(a)),
      b_(std::move(b)),
      comparison_(std::move(comparison)) {
  setObjectName(QStringLiteral("SurveyCompare"));
  setWindowTitle(tr("Compare Surveys"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  lblA_ = new QLabel(this);
  lblA_->setObjectName(QStringLiteral("LblCompareA"));
  lblA_->setWordWrap(true);
  lblB_ = new QLabel(this);
  lblB_->setObjectName(QStringLiteral("LblCompareB"));
  lblB_->setWordWrap(true);
  layout->addWidget(lblA_);
  layout->addWidget(lblB_);

  gridStats_ = new QTableWidget(0, 3, this);
  gridStats_->setObjectName(QStringLiteral("GridCompareStats"));
  gridStats_->setHorizontalHeaderLabels({tr("A (before)"), tr("B (after)"), tr("Change")});
  gridStats_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  gridStats_->horizontalHeader()->setMinimumSectionSize(120);
  gridStats_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  gridStats_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gridStats_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  gridStats_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  gridStats_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  gridStats_->setSelectionMode(QAbstractItemView::NoSelection);
  gridStats_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(gridStats_);
  lblPaired_ = new QLabel(this);
  lblPaired_->setObjectName(QStringLiteral("LblComparePaired"));
  lblPaired_->setWordWrap(true);
  layout->addWidget(lblPaired_);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("CompareTabs"));
  plan_ = new ComparisonPlanView(a_.survey, b_.survey, comparison_, tabs_);
  gridPoints_ = new QTableWidget(0, 8, tabs_);
  gridPoints_->setObjectName(QStringLiteral("GridComparePoints"));
  gridPoints_->setHorizontalHeaderLabels({tr("Point in A"), tr("Point in B"), tr("x (m)"),
                                          tr("y (m)"), tr("A (lx)"), tr("B (lx)"),
                                          tr("Change (lx)"), tr("Change (%)")});
  gridPoints_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  gridPoints_->verticalHeader()->hide();
  gridPoints_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  gridPoints_->horizontalHeader()->setStretchLastSection(true);
  gridPoints_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tabs_->addTab(plan_, tr("Plan of Changes"));
  tabs_->addTab(gridPoints_, tr("Points"));
  layout->addWidget(tabs_, 1);

  auto* buttons = new QHBoxLayout;
  const struct {
    const char* name;
    const char* text;
    void (SurveyCompareWindow::*slot)();
  } commands[] = {
      {"CmdSwap", QT_TR_NOOP("Swap A and B"), &SurveyCompareWindow::swapClicked},
      {"CmdExportComparePlan", QT_TR_NOOP("Export Plan…"), &SurveyCompareWindow::exportPlanClicked},
      {"CmdExportCompareCsv", QT_TR_NOOP("Export CSV…"), &SurveyCompareWindow::exportCsvClicked},
      {"CmdCompareReport", QT_TR_NOOP("Report PDF…"), &SurveyCompareWindow::reportClicked},
  };
  for (const auto& c : commands) {
    auto* button = new QPushButton(tr(c.text), this);
    button->setObjectName(QLatin1String(c.name));
    connect(button, &QPushButton::clicked, this, c.slot);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  auto* close = new QPushButton(tr("Close"), this);
  close->setObjectName(QStringLiteral("CmdClose"));
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  fill();
  resize(1000, 820);
}

void SurveyCompareWindow::fill() {
  auto describe = [](const ComparedSurvey& side) {
    const Survey& s = side.survey;
    QString where = QStringList{s.site, s.area}.join(QStringLiteral(" — "));
    if (s.site.isEmpty() || s.area.isEmpty()) where = s.site + s.area;
    const QString when = s.created.isValid()
                             ? QLocale().toString(s.created.date(), QLocale::ShortFormat)
                             : QString();
    QString text = side.name;
    if (!where.isEmpty()) text += QStringLiteral(": ") + where;
    if (!when.isEmpty()) text += QStringLiteral(" (%1)").arg(when);
    return text;
  };
  lblA_->setText(tr("A (before): %1").arg(describe(a_)));
  lblB_->setText(tr("B (after): %1").arg(describe(b_)));

  const Stats &sa = comparison_.a.stats, &sb = comparison_.b.stats;
  const QString none = QStringLiteral("–");
  auto lx = [&none](const Stats& s, double v) {
    return s.taken ? tr("%1 lx").arg(luxNumber(v)) : none;
  };
  auto ratio = [&none](const std::optional<double>& v) {
    return v ? QLocale().toString(*v, 'f', 2) : none;
  };
  auto change = [&none, &sa, &sb](double from, double to) {
    return sa.taken && sb.taken ? tr("%1 lx").arg(signedLux(to - from)) : none;
  };
  auto requirement = [](const Requirement& r) {
    return r.route ? tr("centre line ≥ %1 lx, max/min ≤ %2")
                         .arg(luxNumber(r.minLux), QLocale().toString(r.maxRatio, 'f', 1))
                   : tr("Ē ≥ %1 lx, U0 ≥ %2")
                         .arg(luxNumber(r.meanLux), QLocale().toString(r.u0, 'f', 2));
  };
  QString meanChange = none;
  if (comparison_.meanChange) {
    meanChange = tr("%1 lx").arg(signedLux(*comparison_.meanChange));
    meanChange += comparison_.meanChangePercent
                      ? QStringLiteral(" (%1)").arg(signedPercent(*comparison_.meanChangePercent))
                      : tr(" (no % of 0 lx)");
  }
  const struct {
    QString label, a, b, change;
  } rows[] = {
      {tr("Points taken"), tr("%1 of %2").arg(sa.taken).arg(sa.total),
       tr("%1 of %2").arg(sb.taken).arg(sb.total), QString()},
      {tr("Skipped"), QString::number(sa.skipped), QString::number(sb.skipped), QString()},
      {tr("Ē (average)"), lx(sa, sa.mean), lx(sb, sb.mean), meanChange},
      {tr("Emin"), lx(sa, sa.min), lx(sb, sb.min), change(sa.min, sb.min)},
      {tr("Emax"), lx(sa, sa.max), lx(sb, sb.max), change(sa.max, sb.max)},
      {tr("U0 = Emin/Ē"), ratio(sa.u0), ratio(sb.u0),
       comparison_.u0Change ? (*comparison_.u0Change > 0 ? QStringLiteral("+") : QString()) +
                                  QLocale().toString(*comparison_.u0Change, 'f', 2)
                            : none},
      {tr("Requirement"), requirement(a_.survey.requirement), requirement(b_.survey.requirement),
       QString()},
      {tr("Result"), verdictText(a_.survey), verdictText(b_.survey), QString()},
  };
  gridStats_->setRowCount(int(std::size(rows)));
  QStringList labels;
  for (int r = 0; r < int(std::size(rows)); ++r) {
    labels << rows[r].label;
    gridStats_->setItem(r, 0, cell(rows[r].a));
    gridStats_->setItem(r, 1, cell(rows[r].b));
    gridStats_->setItem(r, 2, cell(rows[r].change));
  }
  gridStats_->setVerticalHeaderLabels(labels);
  // The figures are few: the table shows them all without a scroll bar, at any font size.
  gridStats_->resizeRowsToContents();
  int height = gridStats_->horizontalHeader()->sizeHint().height() + 2 * gridStats_->frameWidth();
  for (int r = 0; r < gridStats_->rowCount(); ++r) height += gridStats_->rowHeight(r);
  gridStats_->setFixedHeight(height);
  for (int c = 0; c < 3; ++c) {
    QFont bold = gridStats_->item(int(std::size(rows)) - 1, c)->font();
    bold.setBold(true);
    gridStats_->item(int(std::size(rows)) - 1, c)->setFont(bold);
  }
  lblPaired_->setText(
      tr("%n point(s) in the same place in both surveys", nullptr, comparison_.matched) +
      (comparison_.onlyA || comparison_.onlyB
           ? tr("; %1 in A only, %2 in B only").arg(comparison_.onlyA).arg(comparison_.onlyB)
           : QString()) +
      QLatin1Char('.'));

  auto state = [&none](PointState s, double lux) {
    switch (s) {
      case PointState::Taken:
        return luxNumber(lux);
      case PointState::Skipped:
        return tr("skipped");
      case PointState::Left:
        return tr("not taken");
      case PointState::Absent:
        break;
    }
    return none;
  };
  gridPoints_->setUpdatesEnabled(false);
  gridPoints_->setRowCount(int(comparison_.points.size()));
  for (int r = 0; r < int(comparison_.points.size()); ++r) {
    const ComparedPoint& p = comparison_.points[std::size_t(r)];
    QString percent = none;
    if (p.percent)
      percent = signedPercent(*p.percent);
    else if (p.difference)
      percent = tr("none (A: 0 lx)");
    const QString texts[] = {p.pointA >= 0 ? QString::number(p.pointA + 1) : none,
                             p.pointB >= 0 ? QString::number(p.pointB + 1) : none,
                             QLocale().toString(p.x, 'f', 2),
                             QLocale().toString(p.y, 'f', 2),
                             state(p.stateA, p.luxA),
                             state(p.stateB, p.luxB),
                             p.difference ? signedLux(*p.difference) : none,
                             percent};
    for (int c = 0; c < 8; ++c) gridPoints_->setItem(r, c, cell(texts[c]));
  }
  gridPoints_->setUpdatesEnabled(true);
  plan_->update();
}

void SurveyCompareWindow::swapClicked() {
  QString error;
  auto swapped = compareSurveys(b_.survey, a_.survey, &error);
  // Pairing goes by distance alone, so the surveys that paired before pair again; the message
  // stays for a rule that might one day depend on the order.
  if (!swapped) {
    dialogs_.message(error);
    return;
  }
  std::swap(a_, b_);
  comparison_ = std::move(*swapped);
  fill();
}

void SurveyCompareWindow::exportPlanClicked() {
  const auto path =
      dialogs_.saveFileName(tr("PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg|"));
  if (!path) return;
  QString error;
  if (!exportComparisonPlan(withSuffix(*path, QStringLiteral("png")), a_.survey, b_.survey,
                            comparison_, &error))
    dialogs_.message(error);
}

void SurveyCompareWindow::reportClicked() {
  const auto path = dialogs_.saveFileName(tr("PDF (*.pdf)|*.pdf|"));
  if (!path) return;
  QString error;
  if (!writeComparisonPdf(withSuffix(*path, QStringLiteral("pdf")), a_.survey, a_.name, b_.survey,
                          b_.name, comparison_, &error))
    dialogs_.message(error);
}

void SurveyCompareWindow::exportCsvClicked() {
  const auto path = dialogs_.saveFileName(tr("CSV (*.csv)|*.csv|"));
  if (!path) return;
  QSaveFile f(withSuffix(*path, QStringLiteral("csv")));
  const QByteArray bytes = comparisonCsv(comparison_);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    dialogs_.message(
        tr("The points could not be written to %1: %2").arg(f.fileName(), f.errorString()));
}

}  // namespace lux::survey
