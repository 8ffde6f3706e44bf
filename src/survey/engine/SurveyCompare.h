#pragma once
// Two surveys of one room side by side: before and after a relamping, this year and last, or two
// rooms laid out alike. Points are paired by where they stand in the room, so grids laid out
// differently still compare where their points agree; the rest are listed as found in one survey
// only. QtCore only, for the window and luxpanel-cli.
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

#include "survey/engine/Survey.h"

namespace lux::survey {

// How far apart two points may stand and still be the same place: a surveyor sets the meter
// down within a few centimetres of the mark.
inline constexpr double kCompareTolerance = 0.05;  // metres

enum class PointState { Taken, Skipped, Left, Absent };  // Absent: not in that survey's grid

struct ComparedPoint {
  int pointA = -1, pointB = -1;  // index in each survey's walking order; -1 when absent
  double x = 0.0, y = 0.0;       // where it stands (A's place when both have it)
  PointState stateA = PointState::Absent, stateB = PointState::Absent;
  double luxA = 0.0, luxB = 0.0;  // meaningful only when that side is Taken
  // B - A when both are taken; the percentage of A only when A is above 0 lx.
  std::optional<double> difference;
  std::optional<double> percent;
};

struct SurveySummary {
  Stats stats;
  Verdicts verdicts;  // against that survey's own requirement
};

struct Comparison {
  SurveySummary a, b;
  // A's points in its walking order, each with its partner in B or none; then B's points that
  // have no partner in A, in B's walking order.
  std::vector<ComparedPoint> points;
  int matched = 0, onlyA = 0, onlyB = 0;
  // B's figure less A's, when both surveys have it.
  std::optional<double> meanChange, meanChangePercent, u0Change;
};

// Pairs the points of `a` and `b` that stand within `tolerance` metres of each other, closest
// first. Nothing, with `error` saying so, when no point of the two stands in the same place.
std::optional<Comparison> compareSurveys(const Survey& a, const Survey& b, QString* error,
                                         double tolerance = kCompareTolerance);

const char* pointStateName(PointState state);  // "taken", "skipped", "left", "absent"

// a_point,b_point,x,y,a_state,a_lux,b_state,b_lux,difference_lx,difference_percent; CR LF
// lines. A figure that does not exist (a point skipped, A at 0 lx) is an empty field.
QByteArray comparisonCsv(const Comparison& c);
// Both surveys' figures, the changes and the points; a figure that does not exist is null.
QJsonObject comparisonJson(const Comparison& c);

}  // namespace lux::survey
