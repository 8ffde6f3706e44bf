// The survey's grid rule and its figures: spacing and point counts against the workplace
// rule's own examples, the rounding and cell-shape limits at their edges, the border band,
// escape routes and the walking order; statistics and verdicts on known sets of readings.
#include <gtest/gtest.h>

#include <cmath>

#include "survey/engine/SurveyGrid.h"
#include "survey/engine/SurveyStats.h"

namespace lux::survey {
namespace {

GridSpec room(double length, double width, double border = 0.0) {
  GridSpec s;
  s.length = length;
  s.width = width;
  s.border = border;
  return s;
}

TEST(SurveyGridRule, SpacingAndCountsFollowThePublishedExamples) {
  EXPECT_NEAR(maxSpacing(10.0), 1.0, 1e-12);
  EXPECT_EQ(pointsAlong(10.0, maxSpacing(10.0)), 10);
  EXPECT_NEAR(maxSpacing(1.0), 0.2, 1e-12);
  EXPECT_EQ(pointsAlong(1.0, maxSpacing(1.0)), 5);
  EXPECT_NEAR(maxSpacing(100.0), 5.0, 1e-9);
  // Large areas never get more than 10 m between points.
  EXPECT_DOUBLE_EQ(maxSpacing(1000.0), 10.0);
  EXPECT_DOUBLE_EQ(maxSpacing(5000.0), 10.0);

  const Grid square = makeGrid(room(10, 10));
  ASSERT_TRUE(square.error.empty()) << square.error;
  EXPECT_EQ(square.columns, 10);
  EXPECT_EQ(square.rows, 10);
  EXPECT_EQ(square.points.size(), 100u);
  // Points sit at the centres of 1 m cells.
  EXPECT_NEAR(square.points.front().x, 0.5, 1e-12);
  EXPECT_NEAR(square.points.front().y, 0.5, 1e-12);
}

TEST(SurveyGridRule, CountsRoundUpOnlyPastAWholeNumber) {
  // Just past 10 m the quotient passes 10: one point more.
  EXPECT_EQ(pointsAlong(10.01, maxSpacing(10.01)), 11);
  EXPECT_EQ(pointsAlong(9.99, maxSpacing(9.99)), 10);
  EXPECT_EQ(pointsAlong(2.0, 1.0), 2);
  EXPECT_EQ(pointsAlong(2.0001, 1.0), 3);
  // A side shorter than the spacing still gets its one point.
  EXPECT_EQ(pointsAlong(0.1, 1.0), 1);
}

TEST(SurveyGridRule, TheRelevantSideIsTheShorterOneOnceTwiceAsLong) {
  EXPECT_DOUBLE_EQ(relevantSide(6.0, 4.0), 6.0);
  EXPECT_DOUBLE_EQ(relevantSide(7.99, 4.0), 7.99);
  EXPECT_DOUBLE_EQ(relevantSide(8.0, 4.0), 4.0);
  EXPECT_DOUBLE_EQ(relevantSide(3.0, 9.0), 3.0);

  // A 20 m × 5 m hall: spacing from the 5 m side, points across from the cell found along it.
  const Grid hall = makeGrid(room(20, 5));
  ASSERT_TRUE(hall.error.empty());
  EXPECT_DOUBLE_EQ(hall.relevantSide, 5.0);
  const double p = 0.2 * std::pow(5.0, std::log10(5.0));
  EXPECT_NEAR(hall.maxSpacing, p, 1e-12);
  EXPECT_EQ(hall.rows, 9);      // 5 / 0.617 = 8.1 → 9
  EXPECT_EQ(hall.columns, 36);  // 20 m / 0.556 m
}

TEST(SurveyGridRule, CellsStayBetweenHalfAndTwiceAsLongAsWide) {
  // A 10 m × 0.3 m strip: 10 cells of 1 m along it would be 3.3 times their 0.3 m width; the
  // strip is more than twice as long as wide, so its 0.3 m side sets the spacing.
  for (const auto& [l, w] : {std::pair{10.0, 0.3}, std::pair{0.3, 10.0}, std::pair{1.0, 0.45},
                             std::pair{2.5, 1.2}, std::pair{6.0, 4.0}, std::pair{33.3, 17.0}}) {
    const Grid g = makeGrid(room(l, w));
    ASSERT_TRUE(g.error.empty()) << l << " x " << w;
    const double aspect = g.cellLength / g.cellWidth;
    EXPECT_GE(aspect, 0.5 - 1e-9) << l << " x " << w;
    EXPECT_LE(aspect, 2.0 + 1e-9) << l << " x " << w;
  }
  // Just under twice as long: the long side sets p = 0.2·5^log10(1.99) = 0.3235 → 7 points
  // of 0.2843 m, the other side rounds 1 / 0.2843 = 3.52 to 4 cells of 0.25 m.
  const Grid edge = makeGrid(room(1.99, 1.0));
  EXPECT_EQ(edge.columns, 7);
  EXPECT_EQ(edge.rows, 4);
  // Exactly twice as long: the short side sets p = 0.2 → 5 points across, 10 along.
  const Grid twice = makeGrid(room(2.0, 1.0));
  EXPECT_EQ(twice.rows, 5);
  EXPECT_EQ(twice.columns, 10);
}

TEST(SurveyGridRule, TheBorderBandIsLeftOut) {
  const Grid g = makeGrid(room(6, 4, 0.5));
  ASSERT_TRUE(g.error.empty());
  EXPECT_DOUBLE_EQ(g.areaLength, 5.0);
  EXPECT_DOUBLE_EQ(g.areaWidth, 3.0);
  // p = 0.2·5^log10(5) = 0.617 → 9 points along 5 m, 3 m / 0.556 m = 5.4 → 5 across.
  EXPECT_EQ(g.columns, 9);
  EXPECT_EQ(g.rows, 5);
  for (const GridPoint& p : g.points) {
    EXPECT_GT(p.x, 0.5);
    EXPECT_LT(p.x, 5.5);
    EXPECT_GT(p.y, 0.5);
    EXPECT_LT(p.y, 3.5);
  }
  EXPECT_NEAR(g.points.front().x, 0.5 + 5.0 / 18.0, 1e-12);
  // No band: the whole room; a band that eats the room is refused.
  EXPECT_DOUBLE_EQ(makeGrid(room(6, 4, 0.0)).areaLength, 6.0);
  EXPECT_FALSE(makeGrid(room(6, 4, 2.0)).error.empty());
  EXPECT_FALSE(makeGrid(room(6, 4, -0.1)).error.empty());
  EXPECT_FALSE(makeGrid(room(0, 4)).error.empty());
  EXPECT_FALSE(makeGrid(room(NAN, 4)).error.empty());
}

TEST(SurveyGridRule, ByHandGridsAndTheSerpentineWalk) {
  GridSpec s = room(6, 4, 0.0);
  s.kind = GridKind::ByHand;
  s.rows = 2;
  s.columns = 3;
  const Grid g = makeGrid(s);
  ASSERT_EQ(g.points.size(), 6u);
  // Row 0 left to right, row 1 back right to left.
  const int columns[] = {0, 1, 2, 2, 1, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(g.points[i].column, columns[i]) << i;
    EXPECT_EQ(g.points[i].row, i / 3) << i;
  }
  EXPECT_DOUBLE_EQ(g.points[0].x, 1.0);
  EXPECT_DOUBLE_EQ(g.points[3].x, 5.0);
  EXPECT_DOUBLE_EQ(g.points[3].y, 3.0);
  s.rows = 0;
  EXPECT_FALSE(makeGrid(s).error.empty());
}

TEST(SurveyGridRule, RoutesTakeTheCentreLineAndOptionallyTheBandEdges) {
  GridSpec s = room(20, 2);
  s.kind = GridKind::Route;
  s.border = 5.0;  // no border on a route
  const Grid g = makeGrid(s);
  ASSERT_TRUE(g.error.empty()) << g.error;
  // p = 0.2·5^log10(20) = 1.62 m → 13 points along the 20 m centre line.
  EXPECT_EQ(g.points.size(), 13u);
  for (const GridPoint& p : g.points) {
    EXPECT_DOUBLE_EQ(p.y, 1.0);
    EXPECT_TRUE(p.centreLine);
  }
  EXPECT_NEAR(g.points.front().x, 20.0 / 26.0, 1e-12);
  s.routeBandEdges = true;
  const Grid edges = makeGrid(s);
  ASSERT_EQ(edges.points.size(), 39u);
  int centre = 0;
  for (const GridPoint& p : edges.points) {
    if (p.centreLine) {
      ++centre;
      EXPECT_DOUBLE_EQ(p.y, 1.0);
    } else {
      EXPECT_TRUE(p.y == 0.5 || p.y == 1.5) << p.y;
    }
  }
  EXPECT_EQ(centre, 13);
}

std::vector<Sample> taken(std::initializer_list<double> lux) {
  std::vector<Sample> s;
  for (double v : lux) s.push_back({v, true, false, true});
  return s;
}

Requirement roomNeeds(double mean, double u0) {
  Requirement r;
  r.meanLux = mean;
  r.u0 = u0;
  return r;
}

TEST(SurveyStats, FiguresOnKnownSets) {
  const Stats one = computeStats(taken({420}));
  EXPECT_EQ(one.taken, 1);
  EXPECT_DOUBLE_EQ(one.mean, 420);
  EXPECT_DOUBLE_EQ(*one.u0, 1.0);
  EXPECT_EQ(verdictName(judge(one, roomNeeds(400, 0.6)).overall), std::string("PASS"));

  const Stats equal = computeStats(taken({300, 300, 300, 300}));
  EXPECT_DOUBLE_EQ(*equal.u0, 1.0);
  EXPECT_DOUBLE_EQ(*equal.minOverMax, 1.0);
  // 300 lx against 500 lx: uniform but too dark.
  const Verdicts dark = judge(equal, roomNeeds(500, 0.6));
  EXPECT_EQ(dark.first, Verdict::Fail);
  EXPECT_EQ(dark.second, Verdict::Pass);
  EXPECT_EQ(dark.overall, Verdict::Fail);

  const Stats mixed = computeStats(taken({400, 500, 600, 700}));
  EXPECT_DOUBLE_EQ(mixed.mean, 550);
  EXPECT_DOUBLE_EQ(mixed.min, 400);
  EXPECT_DOUBLE_EQ(mixed.max, 700);
  EXPECT_NEAR(*mixed.u0, 400.0 / 550.0, 1e-12);
  EXPECT_NEAR(*mixed.minOverMax, 400.0 / 700.0, 1e-12);
  EXPECT_EQ(judge(mixed, roomNeeds(500, 0.7)).overall, Verdict::Pass);  // U0 0.727
  EXPECT_EQ(judge(mixed, roomNeeds(500, 0.75)).overall, Verdict::Fail);
  // Exactly the requirement passes.
  EXPECT_EQ(judge(mixed, roomNeeds(550, 0.0)).first, Verdict::Pass);
}

TEST(SurveyStats, SkippedPointsLeaveTheFiguresAndLeftPointsKeepTheVerdictOpen) {
  std::vector<Sample> s = taken({500, 600, 10});
  s[2].skipped = true;  // a cupboard stands there
  s[2].taken = false;
  Stats st = computeStats(s);
  EXPECT_EQ(st.total, 3);
  EXPECT_EQ(st.taken, 2);
  EXPECT_EQ(st.skipped, 1);
  EXPECT_EQ(st.left, 0);
  EXPECT_DOUBLE_EQ(st.min, 500);
  EXPECT_EQ(judge(st, roomNeeds(500, 0.6)).overall, Verdict::Pass);

  s.push_back({0, false, false, true});  // not taken yet
  st = computeStats(s);
  EXPECT_EQ(st.left, 1);
  const Verdicts v = judge(st, roomNeeds(500, 0.6));
  EXPECT_EQ(v.first, Verdict::Pass);
  EXPECT_EQ(v.overall, Verdict::Open);
  EXPECT_EQ(judge(computeStats({}), roomNeeds(1, 0)).overall, Verdict::Open);
}

TEST(SurveyStats, AZeroReadingGivesZeroUniformityAndNoRatio) {
  const Stats s = computeStats(taken({0, 200, 400}));
  EXPECT_DOUBLE_EQ(s.mean, 200);
  EXPECT_DOUBLE_EQ(*s.u0, 0.0);
  EXPECT_DOUBLE_EQ(*s.minOverMax, 0.0);
  EXPECT_EQ(judge(s, roomNeeds(100, 0.1)).overall, Verdict::Fail);
  // All dark: no uniformity at all, which only a requirement of none meets.
  const Stats dark = computeStats(taken({0, 0}));
  EXPECT_FALSE(dark.u0.has_value());
  EXPECT_FALSE(dark.minOverMax.has_value());
  EXPECT_EQ(judge(dark, roomNeeds(100, 0.4)).overall, Verdict::Fail);
  EXPECT_EQ(judge(dark, roomNeeds(0, 0)).overall, Verdict::Pass);
}

TEST(SurveyStats, RoutesAreJudgedOnTheirCentreLine) {
  Requirement r;
  r.route = true;
  r.minLux = 1.0;
  r.maxRatio = 40.0;
  std::vector<Sample> s = taken({2.0, 1.0, 30.0});
  s.push_back({0.2, true, false, false});  // a band edge: darker, but not on the centre line
  Stats st = computeStats(s);
  EXPECT_DOUBLE_EQ(st.centreMin, 1.0);
  EXPECT_DOUBLE_EQ(*st.centreMaxOverMin, 30.0);
  EXPECT_DOUBLE_EQ(st.min, 0.2);
  EXPECT_EQ(judge(st, r).overall, Verdict::Pass);
  r.maxRatio = 30.0;  // exactly the ratio allowed
  EXPECT_EQ(judge(st, r).second, Verdict::Pass);
  r.maxRatio = 29.9;
  EXPECT_EQ(judge(st, r).second, Verdict::Fail);
  r.maxRatio = 40;
  r.minLux = 1.01;
  EXPECT_EQ(judge(st, r).first, Verdict::Fail);
  // A dark spot on the centre line: no ratio passes.
  const Stats zero = computeStats(taken({0.0, 5.0}));
  EXPECT_FALSE(zero.centreMaxOverMin.has_value());
  r.minLux = 0;
  EXPECT_EQ(judge(zero, r).second, Verdict::Fail);
}

}  // namespace
}  // namespace lux::survey
