#include "survey/SurveyPictures.h"

#include <qcustomplot.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace lux::survey {

namespace {

struct Texts {
  Q_DECLARE_TR_FUNCTIONS(SurveyPictures)
};

struct Stop {
  double at;
  QColor colour;
};
// Dark blue through teal and green to yellow: lightness rises along the whole scale.
const Stop kStops[] = {{0.0, QColor(0x44, 0x01, 0x54)},
                       {0.25, QColor(0x3b, 0x52, 0x8b)},
                       {0.5, QColor(0x21, 0x91, 0x8c)},
                       {0.75, QColor(0x5e, 0xc9, 0x62)},
                       {1.0, QColor(0xfd, 0xe7, 0x25)}};

struct Range {
  double lo = 0.0, hi = 1.0;
  bool any = false;
};

Range takenRange(const Survey& s) {
  Range r;
  for (const SurveyPoint& p : s.points) {
    if (!p.taken) continue;
    if (!r.any) {
      r.lo = r.hi = p.lux;
      r.any = true;
    }
    r.lo = std::min(r.lo, p.lux);
    r.hi = std::max(r.hi, p.lux);
  }
  if (r.hi - r.lo < 1e-9) r.hi = r.lo + 1.0;
  return r;
}

QString luxText(double lux) {
  if (lux >= 100.0) return QString::number(lux, 'f', 0);
  if (lux >= 10.0) return QString::number(lux, 'f', 1);
  return QString::number(lux, 'f', 2);
}

// Where the plan's room sits in `target`, and metres to device units.
struct Frame {
  QRectF room;
  double scale = 1.0;
};

Frame frameForSize(const QRectF& target, double length, double width) {
  const double margin = std::min(target.width(), target.height()) * 0.08;
  const QRectF inner = target.adjusted(margin, margin * 0.5, -margin * 0.5, -margin);
  const double L = std::max(length, 1e-6), W = std::max(width, 1e-6);
  Frame f;
  f.scale = std::min(inner.width() / L, inner.height() / W);
  // y grows upwards on the plan, as on a drawing.
  f.room = QRectF(inner.left(), inner.top(), L * f.scale, W * f.scale);
  return f;
}

Frame frameFor(const QRectF& target, const Survey& s) {
  return frameForSize(target, s.grid.length, s.grid.width);
}

QRectF cellOf(const Frame& f, const Survey& s, const Grid& g, const GridPoint& p) {
  const double cw = g.cellLength;
  const double ch =
      s.grid.kind == GridKind::Route ? s.grid.width / std::max(1, g.rows) : g.cellWidth;
  const double x = f.room.left() + (p.x - cw / 2) * f.scale;
  const double y = f.room.bottom() - (p.y + ch / 2) * f.scale;
  return QRectF(x, y, cw * f.scale, ch * f.scale);
}

QFont fontOfHeight(double pixels, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")});
  font.setPixelSize(std::max(4, int(std::lround(pixels))));
  font.setBold(bold);
  return font;
}

}  // namespace

QColor scaleColour(double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0);
  for (std::size_t i = 1; i < std::size(kStops); ++i) {
    if (t <= kStops[i].at) {
      const double u = (t - kStops[i - 1].at) / (kStops[i].at - kStops[i - 1].at);
      const QColor a = kStops[i - 1].colour, b = kStops[i].colour;
      return QColor::fromRgbF(float(a.redF() + u * (b.redF() - a.redF())),
                              float(a.greenF() + u * (b.greenF() - a.greenF())),
                              float(a.blueF() + u * (b.blueF() - a.blueF())));
    }
  }
  return kStops[std::size(kStops) - 1].colour;
}

void paintPlan(QPainter& painter, const QRectF& target, const Survey& s, const Grid& g,
               const PlanStyle& style) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const Frame f = frameFor(target, s);
  const Range range = takenRange(s);

  // The room (or route) and the measured area inside its border band.
  painter.setPen(QPen(Qt::black, std::clamp(f.scale * 0.03, 1.0, 3.0)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(f.room);
  if (s.grid.kind != GridKind::Route && s.grid.border > 0) {
    painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    painter.drawRect(QRectF(f.room.left() + g.areaX * f.scale,
                            f.room.bottom() - (g.areaY + g.areaWidth) * f.scale,
                            g.areaLength * f.scale, g.areaWidth * f.scale));
  }

  double cellH = 0, cellW = 0;
  if (!g.points.empty()) {
    const QRectF c = cellOf(f, s, g, g.points.front());
    cellH = c.height();
    cellW = c.width();
  }
  // Large cells (a small room on a big screen) keep the writing at a reading size.
  const double textSize = std::min({cellH * 0.3, cellW * 0.22, 22.0});
  const QFont numberFont = fontOfHeight(textSize * 0.75);
  const QFont valueFont = fontOfHeight(textSize, true);

  for (std::size_t i = 0; i < g.points.size() && i < s.points.size(); ++i) {
    const SurveyPoint& p = s.points[i];
    const QRectF cell = cellOf(f, s, g, g.points[i]).adjusted(1, 1, -1, -1);
    QColor fill = Qt::white;
    if (p.taken && style.values) fill = scaleColour((p.lux - range.lo) / (range.hi - range.lo));
    painter.setPen(QPen(QColor(0x99, 0x99, 0x99), 0.8));
    painter.setBrush(fill);
    painter.drawRect(cell);
    if (p.skipped) {
      painter.setBrush(QBrush(Qt::black, Qt::BDiagPattern));
      painter.drawRect(cell);
    }
    // Dark cells get white writing; in black and white the value stays readable either way.
    const bool dark = fill.lightnessF() < 0.5;
    const QColor ink = dark ? Qt::white : Qt::black;
    if (textSize >= 3) {
      painter.setPen(p.taken ? ink : QColor(0x55, 0x55, 0x55));
      painter.setFont(numberFont);
      painter.drawText(cell.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop,
                       QString::number(i + 1));
      painter.setFont(valueFont);
      if (p.taken && style.values) {
        if (dark) {
          // A light box under the value so a black-and-white print keeps it legible.
          const QRectF box = QFontMetricsF(valueFont).boundingRect(luxText(p.lux));
          const QRectF at(cell.adjusted(0, cellH * 0.15, 0, 0).center() -
                              QPointF(box.width() / 2 + 2, box.height() / 2),
                          QSizeF(box.width() + 4, box.height()));
          painter.fillRect(at, QColor(255, 255, 255, 235));
          painter.setPen(Qt::black);
        }
        painter.drawText(cell.adjusted(0, cellH * 0.15, 0, 0), Qt::AlignCenter, luxText(p.lux));
      } else if (p.skipped) {
        painter.setPen(Qt::black);
        // The word is longer than a value, and longer still in some languages: it shrinks to
        // its cell rather than run into the next one.
        const QString word = Texts::tr("skipped");
        QFont wordFont = numberFont;
        const double wide = QFontMetricsF(wordFont).horizontalAdvance(word);
        if (wide > cell.width() - 4 && cell.width() > 8)
          wordFont = fontOfHeight(textSize * 0.75 * (cell.width() - 4) / wide);
        painter.setFont(wordFont);
        // On a light box, so the hatching does not cross the word.
        const QRectF box = QFontMetricsF(wordFont).boundingRect(word);
        painter.fillRect(QRectF(cell.adjusted(0, cellH * 0.15, 0, 0).center() -
                                    QPointF(box.width() / 2 + 1, box.height() / 2),
                                QSizeF(box.width() + 2, box.height())),
                         QColor(255, 255, 255, 235));
        painter.drawText(cell.adjusted(0, cellH * 0.15, 0, 0), Qt::AlignCenter, word);
      } else {
        painter.setPen(QColor(0x33, 0x33, 0x33));
        painter.setBrush(QColor(0x33, 0x33, 0x33));
        const double r = std::max(1.5, std::min(cellW, cellH) * 0.05);
        painter.drawEllipse(cell.center(), r, r);
      }
    }
    if (int(i) == style.current) {
      painter.setPen(QPen(QColor(0xd6, 0x27, 0x28), std::clamp(cellW * 0.06, 3.0, 6.0)));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(cell.adjusted(2, 2, -2, -2));
    }
  }

  // Sizes along the edges.
  painter.setPen(Qt::black);
  painter.setFont(fontOfHeight(std::max(8.0, std::min(14.0, f.room.height() * 0.04))));
  const QFontMetricsF fm(painter.font());
  painter.drawText(QRectF(f.room.left(), f.room.bottom() + 2, f.room.width(), fm.height() + 4),
                   Qt::AlignHCenter | Qt::AlignTop,
                   Texts::tr("%1 m").arg(QLocale().toString(s.grid.length, 'f', 2)));
  painter.save();
  painter.translate(f.room.left() - 4, f.room.bottom());
  painter.rotate(-90);
  painter.drawText(QRectF(0, -fm.height() - 2, f.room.height(), fm.height() + 2),
                   Qt::AlignHCenter | Qt::AlignBottom,
                   Texts::tr("%1 m").arg(QLocale().toString(s.grid.width, 'f', 2)));
  painter.restore();
  painter.restore();
}

int pointAt(const QRectF& target, const Survey& s, const Grid& g, const QPointF& pos) {
  const Frame f = frameFor(target, s);
  for (std::size_t i = 0; i < g.points.size(); ++i)
    if (cellOf(f, s, g, g.points[i]).contains(pos)) return int(i);
  return -1;
}

bool fillHeatMap(QCustomPlot& plot, const Survey& s, const Grid& g) {
  plot.clearPlottables();
  plot.clearItems();
  plot.plotLayout()->clear();
  auto* rect = new QCPAxisRect(&plot);
  plot.plotLayout()->addElement(0, 0, rect);
  plot.xAxis = rect->axis(QCPAxis::atBottom);
  plot.yAxis = rect->axis(QCPAxis::atLeft);
  plot.xAxis->setLabel(Texts::tr("Length (m)"));
  plot.yAxis->setLabel(Texts::tr("Width (m)"));
  plot.xAxis->setRange(0, s.grid.length);
  plot.yAxis->setRange(0, s.grid.width);

  // The readings on their grid of columns × rows (by point coordinates).
  const int cols = std::max(1, g.columns), rows = std::max(1, g.rows);
  std::vector<double> xs(std::size_t(cols), 0.0), ys(std::size_t(rows), 0.0);
  std::vector<double> v(std::size_t(cols * rows), NAN);
  std::vector<std::pair<QPointF, double>> known;
  for (std::size_t i = 0; i < g.points.size() && i < s.points.size(); ++i) {
    const GridPoint& p = g.points[i];
    if (p.column >= cols || p.row >= rows) continue;
    xs[std::size_t(p.column)] = p.x;
    ys[std::size_t(p.row)] = p.y;
    if (s.points[i].taken) {
      v[std::size_t(p.row * cols + p.column)] = s.points[i].lux;
      known.push_back({QPointF(p.x, p.y), s.points[i].lux});
    }
  }
  if (known.empty()) {
    auto* note = new QCPItemText(&plot);
    note->position->setType(QCPItemPosition::ptAxisRectRatio);
    note->position->setCoords(0.5, 0.5);
    note->setText(Texts::tr("No reading taken yet"));
    plot.replot();
    return false;
  }
  // Points not taken (left or skipped) are estimated from the readings around them.
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      double& cell = v[std::size_t(r * cols + c)];
      if (!std::isnan(cell)) continue;
      double sum = 0, weights = 0;
      for (const auto& [at, lux] : known) {
        const double d2 =
            std::pow(at.x() - xs[std::size_t(c)], 2) + std::pow(at.y() - ys[std::size_t(r)], 2);
        const double w = 1.0 / std::max(d2, 1e-9);
        sum += w * lux;
        weights += w;
      }
      cell = sum / weights;
    }
  // Bilinear between the points, flat from the outermost points to the area's edges.
  auto valueAt = [&](double x, double y) {
    auto bracket = [](const std::vector<double>& at, double q, int* i0, double* u) {
      const int n = int(at.size());
      if (n == 1 || q <= at.front()) {
        *i0 = 0;
        *u = 0;
        return;
      }
      if (q >= at.back()) {
        *i0 = n - 2;
        *u = 1;
        return;
      }
      int i = 0;
      while (i + 1 < n - 1 && q > at[std::size_t(i + 1)]) ++i;
      *i0 = i;
      *u = (q - at[std::size_t(i)]) / (at[std::size_t(i + 1)] - at[std::size_t(i)]);
    };
    int c0, r0;
    double u, w;
    bracket(xs, x, &c0, &u);
    bracket(ys, y, &r0, &w);
    const int c1 = std::min(c0 + 1, cols - 1), r1 = std::min(r0 + 1, rows - 1);
    auto at = [&](int r, int c) { return v[std::size_t(r * cols + c)]; };
    return (1 - w) * ((1 - u) * at(r0, c0) + u * at(r0, c1)) +
           w * ((1 - u) * at(r1, c0) + u * at(r1, c1));
  };

  const double x0 = s.grid.kind == GridKind::Route ? 0.0 : g.areaX;
  const double y0 = s.grid.kind == GridKind::Route ? 0.0 : g.areaY;
  const double L = s.grid.kind == GridKind::Route ? s.grid.length : g.areaLength;
  const double W = s.grid.kind == GridKind::Route ? s.grid.width : g.areaWidth;
  const int nx = std::clamp(cols * 6, 24, 400), ny = std::clamp(rows * 6, 24, 400);
  auto* map = new QCPColorMap(plot.xAxis, plot.yAxis);
  map->data()->setSize(nx, ny);
  map->data()->setRange(QCPRange(x0 + L / nx / 2, x0 + L - L / nx / 2),
                        QCPRange(y0 + W / ny / 2, y0 + W - W / ny / 2));
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      double x, y;
      map->data()->cellToCoord(i, j, &x, &y);
      map->data()->setCell(i, j, valueAt(x, y));
    }
  QCPColorGradient gradient;
  gradient.clearColorStops();
  for (const Stop& stop : kStops) gradient.setColorStopAt(stop.at, stop.colour);
  map->setGradient(gradient);
  map->setInterpolate(true);
  auto* bar = new QCPColorScale(&plot);
  plot.plotLayout()->addElement(0, 1, bar);
  bar->setType(QCPAxis::atRight);
  bar->axis()->setLabel(Texts::tr("Illuminance (lx)"));
  map->setColorScale(bar);  // the map takes the bar's gradient from here on
  bar->setGradient(gradient);
  const Range range = takenRange(s);
  map->setDataRange(QCPRange(range.lo, range.hi));
  auto* group = new QCPMarginGroup(&plot);
  rect->setMarginGroup(QCP::msBottom | QCP::msTop, group);
  bar->setMarginGroup(QCP::msBottom | QCP::msTop, group);
  // The measuring points, for orientation.
  auto* dots = new QCPGraph(plot.xAxis, plot.yAxis);
  dots->setLineStyle(QCPGraph::lsNone);
  dots->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, Qt::black, Qt::white, 4));
  for (const GridPoint& p : g.points) dots->addData(p.x, p.y);
  plot.replot();
  return true;
}

namespace {

bool svgName(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool exportPlan(const QString& path, const Survey& survey, QString* error) {
  const Grid g = survey.layout();
  const QSize size(
      1200, int(std::clamp(1200.0 * survey.grid.width / std::max(survey.grid.length, 1e-6), 300.0,
                           1600.0)));
  if (svgName(path)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(Texts::tr("Survey plan"));
    QPainter painter;
    if (!painter.begin(&svg)) {
      if (error) *error = Texts::tr("The picture could not be written to %1.").arg(path);
      return false;
    }
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    paintPlan(painter, QRectF(QPointF(0, 0), size), survey, g, {});
    painter.end();
    if (!QFileInfo(path).isFile()) {
      if (error) *error = Texts::tr("The picture could not be written to %1.").arg(path);
      return false;
    }
    return true;
  }
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paintPlan(painter, QRectF(QPointF(0, 0), size), survey, g, {});
  }
  if (!image.save(path, "PNG")) {
    if (error) *error = Texts::tr("The picture could not be written to %1.").arg(path);
    return false;
  }
  return true;
}

bool exportHeatMap(const QString& path, const Survey& survey, QString* error) {
  QCustomPlot plot;
  const QSize size(1200, 800);
  plot.resize(size);
  fillHeatMap(plot, survey, survey.layout());
  bool ok = false;
  if (svgName(path)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(Texts::tr("Survey heat map"));
    QCPPainter painter;
    if (painter.begin(&svg)) {
      plot.toPainter(&painter, size.width(), size.height());
      painter.end();
      ok = QFileInfo(path).isFile();
    }
  } else {
    ok = plot.savePng(path, size.width(), size.height());
  }
  if (!ok && error) *error = Texts::tr("The picture could not be written to %1.").arg(path);
  return ok;
}

QColor differenceColour(double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, -1.0, 1.0);
  // Red for less light, blue for more, both fading to near white at no change.
  const QColor mid(0xf7, 0xf7, 0xf7);
  const QColor end = t < 0 ? QColor(0xb2, 0x18, 0x2b) : QColor(0x21, 0x66, 0xac);
  const double u = std::abs(t);
  return QColor::fromRgbF(float(mid.redF() + u * (end.redF() - mid.redF())),
                          float(mid.greenF() + u * (end.greenF() - mid.greenF())),
                          float(mid.blueF() + u * (end.blueF() - mid.blueF())));
}

QString signedLux(double lux) {
  const double size = std::abs(lux);
  const int decimals = size >= 100.0 ? 0 : (size >= 10.0 ? 1 : 2);
  QString text = QLocale().toString(lux, 'f', decimals);
  // A change that rounds to nothing is no change, not "-0".
  if (QLocale().toDouble(text) == 0.0) return QLocale().toString(0.0, 'f', decimals);
  return lux > 0 ? QLatin1Char('+') + text : text;
}

QString signedPercent(double percent) {
  const int decimals = std::abs(percent) >= 10.0 ? 0 : 1;
  QString text = QLocale().toString(percent, 'f', decimals);
  if (QLocale().toDouble(text) == 0.0)
    text = QLocale().toString(0.0, 'f', decimals);
  else if (percent > 0)
    text.prepend(QLatin1Char('+'));
  return Texts::tr("%1 %").arg(text);
}

namespace {

// The largest change in either direction, the scale's end; 1 lx when nothing changed.
double largestChange(const Comparison& c) {
  double most = 0.0;
  for (const ComparedPoint& p : c.points)
    if (p.difference) most = std::max(most, std::abs(*p.difference));
  return most > 0.0 ? most : 1.0;
}

// The words fit their cell: a font no larger than `pixels`, smaller where the text is wide.
QFont fittedFont(const QString& text, double pixels, double width, bool bold = false) {
  QFont font = fontOfHeight(pixels, bold);
  const double wide = QFontMetricsF(font).horizontalAdvance(text);
  if (wide > width && width > 4) font = fontOfHeight(pixels * width / wide, bold);
  return font;
}

// Text on a light box, so hatching or a dark cell does not cross it on paper.
void boxedText(QPainter& painter, const QRectF& area, const QString& text, const QFont& font) {
  painter.setFont(font);
  const QRectF box = QFontMetricsF(font).boundingRect(area, Qt::AlignCenter, text);
  painter.fillRect(QRectF(box.center() - QPointF(box.width() / 2 + 2, box.height() / 2),
                          QSizeF(box.width() + 4, box.height())),
                   QColor(255, 255, 255, 235));
  painter.setPen(Qt::black);
  painter.drawText(area, Qt::AlignCenter, text);
}

}  // namespace

void paintComparisonPlan(QPainter& painter, const QRectF& target, const Survey& a, const Survey& b,
                         const Comparison& c) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // The scale's bar takes a strip at the bottom; the rooms the rest.
  const double barHeight = std::clamp(target.height() * 0.12, 48.0, 100.0);
  const QRectF planArea = target.adjusted(0, 0, 0, -barHeight);
  const double L = std::max(a.grid.length, b.grid.length);
  const double W = std::max(a.grid.width, b.grid.width);
  const Frame f = frameForSize(planArea, L, W);
  const Grid ga = a.layout(), gb = b.layout();
  const double most = largestChange(c);

  auto roomRect = [&f](const Survey& s) {
    return QRectF(f.room.left(), f.room.bottom() - s.grid.width * f.scale, s.grid.length * f.scale,
                  s.grid.width * f.scale);
  };
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, std::clamp(f.scale * 0.03, 1.0, 3.0)));
  painter.drawRect(roomRect(a));
  if (std::abs(a.grid.length - b.grid.length) > 1e-6 ||
      std::abs(a.grid.width - b.grid.width) > 1e-6) {
    painter.setPen(QPen(Qt::black, std::clamp(f.scale * 0.03, 1.0, 3.0), Qt::DashLine));
    painter.drawRect(roomRect(b));
  }

  // Each point in the cell of the survey it comes from (A's when both have it).
  auto cellFor = [&](const ComparedPoint& p) {
    return p.pointA >= 0 ? cellOf(f, a, ga, ga.points[std::size_t(p.pointA)])
                         : cellOf(f, b, gb, gb.points[std::size_t(p.pointB)]);
  };
  double cellW = 0, cellH = 0;
  if (!c.points.empty()) {
    const QRectF first = cellFor(c.points.front());
    cellW = first.width();
    cellH = first.height();
  }
  const double textSize = std::min({cellH * 0.28, cellW * 0.22, 22.0});

  for (const ComparedPoint& p : c.points) {
    const QRectF cell = cellFor(p).adjusted(1, 1, -1, -1);
    const bool paired = p.pointA >= 0 && p.pointB >= 0;
    const bool skipped = p.stateA == PointState::Skipped || p.stateB == PointState::Skipped;
    QColor fill = Qt::white;
    if (p.difference) fill = differenceColour(*p.difference / most);
    painter.setBrush(fill);
    painter.setPen(paired ? QPen(QColor(0x99, 0x99, 0x99), 0.8)
                          : QPen(Qt::black, 1.2, Qt::DashLine));
    painter.drawRect(cell);
    if (skipped) {
      painter.setBrush(QBrush(Qt::black, Qt::BDiagPattern));
      painter.drawRect(cell);
    }
    if (textSize < 3) continue;
    // The point's number in each survey, in the corner.
    QString number;
    if (paired)
      number = p.pointA == p.pointB ? QString::number(p.pointA + 1)
                                    : Texts::tr("A%1/B%2").arg(p.pointA + 1).arg(p.pointB + 1);
    else
      number =
          p.pointA >= 0 ? Texts::tr("A%1").arg(p.pointA + 1) : Texts::tr("B%1").arg(p.pointB + 1);
    const bool dark = fill.lightnessF() < 0.5;
    painter.setPen(dark ? Qt::white : QColor(0x33, 0x33, 0x33));
    painter.setFont(fittedFont(number, textSize * 0.7, cell.width() - 4));
    painter.drawText(cell.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop, number);

    const QRectF body = cell.adjusted(2, cellH * 0.22, -2, 0);
    const QRectF upper(body.left(), body.top(), body.width(), body.height() * 0.55);
    const QRectF lower(body.left(), upper.bottom(), body.width(), body.height() * 0.4);
    QString main, second;
    if (p.difference) {
      main = signedLux(*p.difference);
      second = p.percent ? signedPercent(*p.percent) : Texts::tr("from 0 lx");
    } else if (!paired) {
      main = p.pointA >= 0 ? Texts::tr("A only") : Texts::tr("B only");
      const bool taken = (p.pointA >= 0 ? p.stateA : p.stateB) == PointState::Taken;
      if (taken) second = Texts::tr("%1 lx").arg(luxText(p.pointA >= 0 ? p.luxA : p.luxB));
    } else if (skipped) {
      main = Texts::tr("skipped");
    } else {
      main = Texts::tr("not taken");
    }
    if (!p.difference && main.contains(QLatin1Char(' '))) {
      // A word pair ("not taken", "nicht gemessen") goes on two lines before it shrinks.
      const double oneLine = QFontMetricsF(fontOfHeight(textSize * 0.75)).horizontalAdvance(main);
      if (oneLine > body.width() - 4) {
        main.replace(main.lastIndexOf(QLatin1Char(' ')), 1, QLatin1Char('\n'));
        const QStringList parts = main.split(QLatin1Char('\n'));
        const QString longer = parts[0].size() >= parts[1].size() ? parts[0] : parts[1];
        const QFont font = fittedFont(longer, textSize * 0.75, body.width() - 4);
        boxedText(painter, body.adjusted(0, 0, 0, -body.height() * 0.2), main, font);
        continue;
      }
    }
    boxedText(painter, upper, main,
              fittedFont(main, p.difference ? textSize : textSize * 0.75, body.width() - 4,
                         p.difference.has_value()));
    if (!second.isEmpty())
      boxedText(painter, lower, second, fittedFont(second, textSize * 0.7, body.width() - 4));
  }

  // The scale: loss on the left, gain on the right, in lx; a title above, the ends below.
  const QFont labelFont = fontOfHeight(std::clamp(barHeight * 0.22, 9.0, 16.0));
  const double line = QFontMetricsF(labelFont).height();
  const double barLeft = f.room.left(), barWidth = std::max(f.room.width(), 120.0);
  const QRectF title(barLeft, target.bottom() - barHeight + 2, barWidth, line);
  const QRectF bar(barLeft, title.bottom() + 2, barWidth, std::max(6.0, barHeight - 2 * line - 10));
  const QRectF labels(barLeft, bar.bottom() + 2, barWidth, line);
  QLinearGradient gradient(bar.topLeft(), bar.topRight());
  for (int i = 0; i <= 10; ++i) gradient.setColorAt(i / 10.0, differenceColour(i / 5.0 - 1.0));
  painter.setPen(QPen(Qt::black, 0.8));
  painter.setBrush(gradient);
  painter.drawRect(bar);
  painter.setFont(labelFont);
  painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, Texts::tr("Change from A to B"));
  painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter,
                   Texts::tr("%1 lx (less light)").arg(signedLux(-most)));
  painter.drawText(labels, Qt::AlignHCenter | Qt::AlignVCenter, Texts::tr("0 (no change)"));
  painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter,
                   Texts::tr("%1 lx (more light)").arg(signedLux(most)));
  painter.restore();
}

bool exportComparisonPlan(const QString& path, const Survey& a, const Survey& b,
                          const Comparison& comparison, QString* error) {
  const double L = std::max({a.grid.length, b.grid.length, 1e-6});
  const double W = std::max(a.grid.width, b.grid.width);
  const QSize size(1200, int(std::clamp(1200.0 * W / L, 300.0, 1600.0)) + 100);
  const QString failed = Texts::tr("The picture could not be written to %1.").arg(path);
  if (svgName(path)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(Texts::tr("Survey comparison"));
    QPainter painter;
    if (!painter.begin(&svg)) {
      if (error) *error = failed;
      return false;
    }
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    paintComparisonPlan(painter, QRectF(QPointF(0, 0), size), a, b, comparison);
    painter.end();
    if (!QFileInfo(path).isFile()) {
      if (error) *error = failed;
      return false;
    }
    return true;
  }
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paintComparisonPlan(painter, QRectF(QPointF(0, 0), size), a, b, comparison);
  }
  if (!image.save(path, "PNG")) {
    if (error) *error = failed;
    return false;
  }
  return true;
}

}  // namespace lux::survey
