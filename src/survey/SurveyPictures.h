#pragma once
// The survey's two pictures: the plan to scale with every point numbered in walking order and
// each reading in its cell on a colour scale, and the heat map interpolated between the points.
// Both draw on any paint device: the window, a PNG, an SVG, the report's page.
#include <QColor>
#include <QRectF>
#include <QString>

#include "survey/engine/Survey.h"
#include "survey/engine/SurveyCompare.h"

class QPainter;
class QCustomPlot;

namespace lux::survey {

// The colour scale of both pictures, t from 0 (darkest reading) to 1 (brightest): dark blue to
// light yellow, lighter all the way, so it still reads as a scale in black and white.
QColor scaleColour(double t);

struct PlanStyle {
  int current = -1;    // the point to highlight; -1: none (the report)
  bool values = true;  // readings in their cells
};

void paintPlan(QPainter& painter, const QRectF& target, const Survey& survey, const Grid& grid,
               const PlanStyle& style);
// The point under `pos` of a plan painted into `target`; -1 when none.
int pointAt(const QRectF& target, const Survey& survey, const Grid& grid, const QPointF& pos);

// Fills `plot` with the heat map: a colour map over the measured area interpolated between the
// readings taken (points not taken are estimated from their neighbours), and a colour bar in lx.
// False (and an empty plot with a note) when no reading is taken yet.
bool fillHeatMap(QCustomPlot& plot, const Survey& survey, const Grid& grid);

// Pictures as files: PNG or SVG by the name's suffix. False with `error` set when not written.
bool exportPlan(const QString& path, const Survey& survey, QString* error);
bool exportHeatMap(const QString& path, const Survey& survey, QString* error);

// The diverging scale of a comparison, t from -1 (the largest loss) through 0 (no change, near
// white) to 1 (the largest gain): red to white to blue, darker towards either end.
QColor differenceColour(double t);
// "+200", "-12.5": the change in lx as the plan and the table show it.
QString signedLux(double lux);
// "+50 %", "-2.5 %".
QString signedPercent(double percent);

// Both rooms to scale, each point in its cell coloured by B − A with the signed figure and
// percentage written in it (readable in black and white), skipped points hatched, points found
// in one survey only outlined; a bar of the scale in lx underneath.
void paintComparisonPlan(QPainter& painter, const QRectF& target, const Survey& a, const Survey& b,
                         const Comparison& comparison);
bool exportComparisonPlan(const QString& path, const Survey& a, const Survey& b,
                          const Comparison& comparison, QString* error);

}  // namespace lux::survey
