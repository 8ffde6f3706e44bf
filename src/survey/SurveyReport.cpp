#include "survey/SurveyReport.h"

#include <qcustomplot.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "survey/SurveyPictures.h"

namespace lux::survey {

namespace {

struct Texts {
  Q_DECLARE_TR_FUNCTIONS(SurveyReport)
};

QString lx(double v) {
  return QLocale().toString(v, 'f', v >= 100 ? 0 : (v >= 10 ? 1 : 2));
}
QString ratio(double v) {
  return QLocale().toString(v, 'f', 2);
}

QString verdictWord(Verdict v) {
  switch (v) {
    case Verdict::Pass:
      return Texts::tr("PASS");
    case Verdict::Fail:
      return Texts::tr("FAIL");
    case Verdict::Open:
      break;
  }
  return Texts::tr("OPEN");
}

QFont reportFont(double pixels, bool bold = false) {
  QFont f;
  f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")});
  f.setPixelSize(int(pixels));
  f.setBold(bold);
  // No ligatures: the PDF's text is searched and copied ("Office", not "O\ufb03ce").
  f.setStyleStrategy(QFont::PreferNoShaping);
  return f;
}

}  // namespace

std::vector<ResultLine> resultLines(const Survey& s) {
  const Stats st = s.stats();
  const Verdicts v = judge(st, s.requirement);
  const Requirement& r = s.requirement;
  std::vector<ResultLine> lines;
  lines.push_back({Texts::tr("Points"),
                   Texts::tr("%1 taken, %2 skipped, %3 left of %4")
                       .arg(st.taken)
                       .arg(st.skipped)
                       .arg(st.left)
                       .arg(st.total),
                   {},
                   Verdict::Open,
                   false});
  const QString none = QStringLiteral("–");
  const bool any = st.taken > 0;
  if (r.route) {
    lines.push_back({Texts::tr("Centre-line minimum"),
                     st.centreTaken ? Texts::tr("%1 lx").arg(lx(st.centreMin)) : none,
                     Texts::tr("≥ %1 lx").arg(lx(r.minLux)), v.first, true});
    lines.push_back({Texts::tr("Centre-line max/min"),
                     st.centreMaxOverMin ? ratio(*st.centreMaxOverMin) : none,
                     Texts::tr("≤ %1").arg(ratio(r.maxRatio)), v.second, true});
  }
  lines.push_back({Texts::tr("Ē (average)"), any ? Texts::tr("%1 lx").arg(lx(st.mean)) : none,
                   r.route ? QString() : Texts::tr("≥ %1 lx").arg(lx(r.meanLux)), v.first,
                   !r.route});
  lines.push_back({Texts::tr("Emin"),
                   any ? Texts::tr("%1 lx").arg(lx(st.min)) : none,
                   {},
                   Verdict::Open,
                   false});
  lines.push_back({Texts::tr("Emax"),
                   any ? Texts::tr("%1 lx").arg(lx(st.max)) : none,
                   {},
                   Verdict::Open,
                   false});
  lines.push_back({Texts::tr("U0 = Emin/Ē"), st.u0 ? ratio(*st.u0) : none,
                   r.route ? QString() : Texts::tr("≥ %1").arg(ratio(r.u0)), v.second, !r.route});
  lines.push_back({Texts::tr("Emin/Emax"),
                   st.minOverMax ? ratio(*st.minOverMax) : none,
                   {},
                   Verdict::Open,
                   false});
  return lines;
}

QString verdictText(const Survey& s) {
  const Stats st = s.stats();
  const Verdicts v = judge(st, s.requirement);
  if (v.overall == Verdict::Open) {
    if (st.taken == 0) return Texts::tr("NOT STARTED");
    return Texts::tr("NOT COMPLETE (%n point(s) left)", nullptr, st.left);
  }
  return verdictWord(v.overall);
}

QString gridDescription(const Survey& s) {
  const Grid g = s.layout();
  const QLocale l;
  auto m = [&l](double v) { return l.toString(v, 'f', 2); };
  switch (s.grid.kind) {
    case GridKind::Automatic:
      return Texts::tr(
                 "automatic after the workplace rule p = 0.2 × 5^log10(d): d = %1 m, p ≤ %2 m; "
                 "%3 × %4 points, cells %5 m × %6 m; border band %7 m")
          .arg(m(g.relevantSide), m(g.maxSpacing))
          .arg(g.columns)
          .arg(g.rows)
          .arg(m(g.cellLength), m(g.cellWidth), m(s.grid.border));
    case GridKind::ByHand:
      return Texts::tr("by hand: %1 × %2 points, cells %3 m × %4 m; border band %5 m")
          .arg(g.columns)
          .arg(g.rows)
          .arg(m(g.cellLength), m(g.cellWidth), m(s.grid.border));
    case GridKind::Route:
      break;
  }
  return Texts::tr("escape route: %1 points on the centre line every %2 m (p ≤ %3 m)%4")
      .arg(g.columns)
      .arg(m(g.cellLength), m(g.maxSpacing))
      .arg(s.grid.routeBandEdges ? Texts::tr(", and on both edges of the central band")
                                 : QString());
}

bool paintReport(QPrinter& printer, const Survey& s, QString* error) {
  QCPPainter painter;  // a QPainter the heat map can draw itself on
  if (!painter.begin(&printer)) {
    if (error) *error = Texts::tr("The report could not be started on the printer.");
    return false;
  }
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const double W = page.width();
  const double unit = W / 100.0;  // about 1.9 mm on A4
  double y = 0;
  auto line = [&](const QString& text, const QFont& font, double gap = 0.4) {
    painter.setFont(font);
    const QRectF box = painter.boundingRect(QRectF(0, y, W, 1000), Qt::TextWordWrap, text);
    painter.drawText(QRectF(0, y, W, box.height()), Qt::TextWordWrap, text);
    y += box.height() + gap * unit;
  };
  const QFont title = reportFont(unit * 3.2, true);
  const QFont body = reportFont(unit * 1.75);
  const QFont bold = reportFont(unit * 1.75, true);
  const Grid g = s.layout();

  painter.setPen(Qt::black);
  line(Texts::tr("Lighting survey: %1, %2").arg(s.site, s.area), title, 1.0);
  // Facts in two columns: label and value.
  auto fact = [&](const QString& label, const QString& value) {
    if (value.isEmpty()) return;
    painter.setFont(bold);
    painter.drawText(QRectF(0, y, W * 0.24, unit * 2.4), Qt::AlignLeft | Qt::AlignTop, label);
    painter.setFont(body);
    const QRectF box =
        painter.boundingRect(QRectF(W * 0.25, y, W * 0.75, 1000), Qt::TextWordWrap, value);
    painter.drawText(QRectF(W * 0.25, y, W * 0.75, box.height()), Qt::TextWordWrap, value);
    y += std::max(box.height(), unit * 2.2) + unit * 0.2;
  };
  QDateTime first, last;
  for (const SurveyPoint& p : s.points)
    if (p.taken && p.time.isValid()) {
      if (!first.isValid() || p.time < first) first = p.time;
      if (!last.isValid() || p.time > last) last = p.time;
    }
  const QLocale l;
  fact(Texts::tr("Site"), s.site);
  fact(Texts::tr("Area"), s.area);
  fact(Texts::tr("Date"), first.isValid() ? Texts::tr("%1, readings %2 to %3")
                                                .arg(l.toString(first.date(), QLocale::LongFormat),
                                                     first.time().toString(QStringLiteral("HH:mm")),
                                                     last.time().toString(QStringLiteral("HH:mm")))
                                          : l.toString(s.created.date(), QLocale::LongFormat));
  fact(Texts::tr("Program"), QStringLiteral("luxpanel %1").arg(QLatin1String(LUXPANEL_VERSION)));
  fact(Texts::tr("Meter"), s.meter.isEmpty() ? Texts::tr("(not given)") : s.meter);
  fact(Texts::tr("Measuring height"),
       Texts::tr("%1 m above the floor").arg(l.toString(s.measuringHeight, 'f', 2)));
  fact(Texts::tr("Grid"), gridDescription(s));
  const Requirement& r = s.requirement;
  const QString task = QString::fromStdString(r.task);
  fact(Texts::tr("Requirement"),
       (task.isEmpty() ? Texts::tr("typed in") : task) + QStringLiteral(": ") +
           (r.route ? Texts::tr("centre-line minimum ≥ %1 lx, max/min ≤ %2")
                          .arg(lx(r.minLux), ratio(r.maxRatio))
                    : Texts::tr("Ē ≥ %1 lx, U0 ≥ %2").arg(lx(r.meanLux), ratio(r.u0))));
  fact(Texts::tr("Source"), r.source.empty()
                                ? Texts::tr("as chosen by the surveyor; not checked by luxpanel")
                                : QString::fromStdString(r.source));
  if (s.anyFootCandles())
    fact(Texts::tr("Units"),
         Texts::tr("readings shown in foot-candles were converted to lux (1 fc = 10.7639 lx)"));
  fact(Texts::tr("Note"), s.note);
  y += unit;

  // The plan with the values and the heat map beside each other; a large grid gets the page's
  // width for its plan and the heat map below it, so that its values stay legible.
  const bool large = g.points.size() > 120;
  const double pictureH = std::min(page.height() * (large ? 0.44 : 0.36), W * (large ? 0.8 : 0.5));
  const double planW = large ? W : W * 0.55;
  paintPlan(painter, QRectF(0, y, planW, pictureH), s, g, {});
  {
    QCustomPlot plot;
    const int pw = int(large ? W * 0.6 : W * 0.45);
    const int ph = int(large ? page.height() * 0.2 : pictureH);
    const double px = large ? W * 0.2 : planW, py = large ? y + pictureH + unit : y;
    plot.resize(pw, ph);
    fillHeatMap(plot, s, g);
    painter.save();
    painter.translate(px, py);
    plot.toPainter(&painter, pw, ph);
    painter.restore();
    y = std::max(y + pictureH, py + ph) + unit;
  }

  // The figures and the verdict.
  line(Texts::tr("Results"), reportFont(unit * 2.2, true), 0.3);
  for (const ResultLine& rl : resultLines(s)) {
    painter.setFont(bold);
    painter.drawText(QRectF(0, y, W * 0.3, unit * 2.4), Qt::AlignLeft, rl.label);
    painter.setFont(body);
    // A figure without a requirement may use the columns of the requirement and verdict.
    painter.drawText(QRectF(W * 0.3, y, rl.judged ? W * 0.3 : W * 0.7, unit * 2.4), Qt::AlignLeft,
                     rl.value);
    if (rl.judged) {
      painter.drawText(QRectF(W * 0.6, y, W * 0.2, unit * 2.4), Qt::AlignLeft, rl.requirement);
      painter.setFont(bold);
      painter.drawText(QRectF(W * 0.8, y, W * 0.2, unit * 2.4), Qt::AlignLeft,
                       verdictWord(rl.verdict));
    }
    y += unit * 2.3;
  }
  y += unit * 0.5;
  line(Texts::tr("Result: %1").arg(verdictText(s)), reportFont(unit * 2.6, true), 0.8);

  // Skipped points and notes; a long list goes on to the next page.
  QStringList remarks;
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    const SurveyPoint& p = s.points[i];
    if (p.skipped)
      remarks << Texts::tr("Point %1 skipped: %2")
                     .arg(i + 1)
                     .arg(p.skipReason.isEmpty() ? Texts::tr("no reason given") : p.skipReason);
    if (!p.note.isEmpty()) remarks << Texts::tr("Point %1: %2").arg(i + 1).arg(p.note);
  }
  if (!remarks.isEmpty())
    line(Texts::tr("Skipped points and notes"), reportFont(unit * 2.2, true), 0.3);
  for (const QString& remark : remarks) {
    painter.setFont(body);
    const QRectF box = painter.boundingRect(QRectF(0, 0, W, 1000), Qt::TextWordWrap, remark);
    if (y + box.height() > page.height()) {
      printer.newPage();
      y = 0;
    }
    line(remark, body, 0.15);
  }
  painter.end();
  return true;
}

// A4 PDF named after the survey's site and area.
static void setUpPdf(QPrinter& printer, const QString& path, const Survey& s) {
  // Screen resolution keeps the text at its size on the page (a high-resolution printer gives
  // giant labels through the plot's painter); the output stays vector.
  printer.setResolution(96);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  printer.setDocName(QStringLiteral("%1 %2").arg(s.site, s.area));
  printer.setCreator(QStringLiteral("luxpanel %1").arg(QLatin1String(LUXPANEL_VERSION)));
}

bool writeReportPdf(const QString& path, const Survey& s, QString* error) {
  QPrinter printer(QPrinter::ScreenResolution);
  setUpPdf(printer, path, s);
  if (!paintReport(printer, s, error)) return false;
  if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
    if (error) *error = Texts::tr("The report could not be written to %1.").arg(path);
    return false;
  }
  return true;
}

bool paintComparisonReport(QPrinter& printer, const Survey& a, const QString& nameA,
                           const Survey& b, const QString& nameB, const Comparison& c,
                           QString* error) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    if (error) *error = Texts::tr("The report could not be started on the printer.");
    return false;
  }
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const double W = page.width();
  const double unit = W / 100.0;
  double y = 0;
  const QFont body = reportFont(unit * 1.75);
  const QFont bold = reportFont(unit * 1.75, true);
  auto line = [&](const QString& text, const QFont& font, double gap = 0.4) {
    painter.setFont(font);
    const QRectF box = painter.boundingRect(QRectF(0, y, W, 1000), Qt::TextWordWrap, text);
    painter.drawText(QRectF(0, y, W, box.height()), Qt::TextWordWrap, text);
    y += box.height() + gap * unit;
  };
  auto fact = [&](const QString& label, const QString& value) {
    painter.setFont(bold);
    painter.drawText(QRectF(0, y, W * 0.24, unit * 2.4), Qt::AlignLeft | Qt::AlignTop, label);
    painter.setFont(body);
    const QRectF box =
        painter.boundingRect(QRectF(W * 0.25, y, W * 0.75, 1000), Qt::TextWordWrap, value);
    painter.drawText(QRectF(W * 0.25, y, W * 0.75, box.height()), Qt::TextWordWrap, value);
    y += std::max(box.height(), unit * 2.2) + unit * 0.2;
  };
  const QLocale l;
  auto which = [&l](const Survey& s, const QString& name) {
    QStringList parts{name};
    if (!s.site.isEmpty()) parts << s.site;
    if (!s.area.isEmpty()) parts << s.area;
    if (s.created.isValid()) parts << l.toString(s.created.date(), QLocale::LongFormat);
    return parts.join(QStringLiteral(", "));
  };
  auto requirement = [](const Requirement& r) {
    const QString task = QString::fromStdString(r.task);
    return (task.isEmpty() ? Texts::tr("typed in") : task) + QStringLiteral(": ") +
           (r.route ? Texts::tr("centre-line minimum ≥ %1 lx, max/min ≤ %2")
                          .arg(lx(r.minLux), ratio(r.maxRatio))
                    : Texts::tr("Ē ≥ %1 lx, U0 ≥ %2").arg(lx(r.meanLux), ratio(r.u0)));
  };

  painter.setPen(Qt::black);
  line(Texts::tr("Comparison of two lighting surveys: %1, %2").arg(b.site, b.area),
       reportFont(unit * 3.2, true), 1.0);
  fact(Texts::tr("A (before)"), which(a, nameA));
  fact(Texts::tr("B (after)"), which(b, nameB));
  fact(Texts::tr("Requirement A"), requirement(a.requirement));
  fact(Texts::tr("Requirement B"), requirement(b.requirement));
  fact(
      Texts::tr("Points"),
      Texts::tr("%n point(s) in the same place (within 5 cm) in both surveys", nullptr, c.matched) +
          (c.onlyA || c.onlyB ? Texts::tr("; %1 in A only, %2 in B only").arg(c.onlyA).arg(c.onlyB)
                              : QString()));
  fact(Texts::tr("Program"), QStringLiteral("luxpanel %1").arg(QLatin1String(LUXPANEL_VERSION)));
  y += unit;

  // The figures: label, A, B, change.
  const Stats &sa = c.a.stats, &sb = c.b.stats;
  const QString none = QStringLiteral("–");
  auto lux = [&none](const Stats& s, double v) {
    return s.taken ? Texts::tr("%1 lx").arg(lx(v)) : none;
  };
  auto change = [&](double from, double to) {
    return sa.taken && sb.taken ? Texts::tr("%1 lx").arg(signedLux(to - from)) : none;
  };
  QString meanChange = none;
  if (c.meanChange)
    meanChange =
        Texts::tr("%1 lx").arg(signedLux(*c.meanChange)) +
        (c.meanChangePercent ? QStringLiteral(" (%1)").arg(signedPercent(*c.meanChangePercent))
                             : Texts::tr(" (no % of 0 lx)"));
  const struct {
    QString label, a, b, change;
  } rows[] = {
      {QString(), Texts::tr("A (before)"), Texts::tr("B (after)"), Texts::tr("Change")},
      {Texts::tr("Points taken"), Texts::tr("%1 of %2").arg(sa.taken).arg(sa.total),
       Texts::tr("%1 of %2").arg(sb.taken).arg(sb.total), QString()},
      {Texts::tr("Ē (average)"), lux(sa, sa.mean), lux(sb, sb.mean), meanChange},
      {Texts::tr("Emin"), lux(sa, sa.min), lux(sb, sb.min), change(sa.min, sb.min)},
      {Texts::tr("Emax"), lux(sa, sa.max), lux(sb, sb.max), change(sa.max, sb.max)},
      {Texts::tr("U0 = Emin/Ē"), sa.u0 ? ratio(*sa.u0) : none, sb.u0 ? ratio(*sb.u0) : none,
       c.u0Change ? (*c.u0Change > 0 ? QStringLiteral("+") : QString()) + ratio(*c.u0Change)
                  : none},
      {Texts::tr("Result"), verdictText(a), verdictText(b), QString()},
  };
  // Label, A, B, change; a long result wraps within its column.
  const double columns[] = {0.0, 0.2, 0.47, 0.74, 1.0};
  for (std::size_t r = 0; r < std::size(rows); ++r) {
    const QString cells[] = {rows[r].label, rows[r].a, rows[r].b, rows[r].change};
    const bool strong = r == 0 || r + 1 == std::size(rows);
    double height = unit * 2.3;
    for (int k = 0; k < 4; ++k) {
      painter.setFont(k == 0 || strong ? bold : body);
      const QRectF area(W * columns[k], y, W * (columns[k + 1] - columns[k]) - unit, 1000);
      const QRectF box = painter.boundingRect(area, Qt::TextWordWrap, cells[k]);
      painter.drawText(QRectF(area.topLeft(), QSizeF(area.width(), box.height())), Qt::TextWordWrap,
                       cells[k]);
      height = std::max(height, box.height() + unit * 0.5);
    }
    y += height;
  }
  y += unit;

  // The plan of changes takes the rest of the page.
  line(Texts::tr("Change at each point (B − A)"), reportFont(unit * 2.2, true), 0.3);
  const double planH = std::min(page.height() - y, W * 0.9);
  if (planH > unit * 20) paintComparisonPlan(painter, QRectF(0, y, W, planH), a, b, c);
  painter.end();
  return true;
}

bool writeComparisonPdf(const QString& path, const Survey& a, const QString& nameA, const Survey& b,
                        const QString& nameB, const Comparison& comparison, QString* error) {
  QPrinter printer(QPrinter::ScreenResolution);
  setUpPdf(printer, path, b);
  if (!paintComparisonReport(printer, a, nameA, b, nameB, comparison, error)) return false;
  if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
    if (error) *error = Texts::tr("The report could not be written to %1.").arg(path);
    return false;
  }
  return true;
}

}  // namespace lux::survey
