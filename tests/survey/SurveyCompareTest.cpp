// Two surveys compared: points paired by where they stand (a grid moved by a few centimetres
// still pairs, one moved further does not), the rest listed as found in one survey only, the
// differences in lx and in percent of the first survey (none where it read 0 lx), skipped points
// kept skipped, and both surveys' figures with the change between them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdint>

#include "survey/engine/SurveyCompare.h"
#include "survey/engine/SurveyFile.h"

namespace lux::survey {
namespace {

// Rows × columns of 1 m cells, moved by `border` from the corner.
Survey byHand(int rows, int columns, double border = 0.0) {
  Survey s;
  s.grid.kind = GridKind::ByHand;
  s.grid.rows = rows;
  s.grid.columns = columns;
  s.grid.border = border;
  s.grid.length = columns + 2 * border;
  s.grid.width = rows + 2 * border;
  s.requirement.meanLux = 300;
  s.requirement.u0 = 0.4;
  s.resetPoints();
  return s;
}

void take(Survey& s, std::size_t i, double lux) {
  s.points[i].taken = true;
  s.points[i].lux = lux;
}

void takeAll(Survey& s, double lux) {
  for (std::size_t i = 0; i < s.points.size(); ++i) take(s, i, lux);
}

// A: 2 × 3 points at x 0.5, 1.5, 2.5 and y 0.5, 1.5. B: 2 × 4 over the same corner, so its
// fourth column (x 3.5) has no partner in A.
struct Relamped {
  Survey a = byHand(2, 3), b = byHand(2, 4);
  Relamped() {
    // A's walk: (0.5,0.5) (1.5,0.5) (2.5,0.5) (2.5,1.5) (1.5,1.5) (0.5,1.5)
    take(a, 0, 400);
    take(a, 1, 0);  // a dark corner before the new lamps
    take(a, 2, 500);
    a.points[3].skipped = true;
    take(a, 4, 200);
    // a.points[5] left
    // B's walk: (0.5,0.5) (1.5,0.5) (2.5,0.5) (3.5,0.5) (3.5,1.5) (2.5,1.5) (1.5,1.5) (0.5,1.5)
    take(b, 0, 600);
    take(b, 1, 30);
    b.points[2].skipped = true;
    take(b, 3, 700);
    // b.points[4] left
    take(b, 5, 450);
    take(b, 6, 150);
    take(b, 7, 100);
  }
};

TEST(SurveyCompare, PairsByPlaceAndListsWhatEachSurveyAloneHas) {
  Relamped r;
  QString error;
  const auto c = compareSurveys(r.a, r.b, &error);
  ASSERT_TRUE(c) << error.toStdString();
  EXPECT_EQ(c->matched, 6);
  EXPECT_EQ(c->onlyA, 0);
  EXPECT_EQ(c->onlyB, 2);
  ASSERT_EQ(c->points.size(), 8u);
  // A's walk pairs with B's points at the same places: 1-1, 2-2, 3-3, 4-6, 5-7, 6-8.
  const int partner[] = {0, 1, 2, 5, 6, 7};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(c->points[std::size_t(i)].pointA, i);
    EXPECT_EQ(c->points[std::size_t(i)].pointB, partner[i]) << i;
  }
  EXPECT_EQ(c->points[6].pointA, -1);
  EXPECT_EQ(c->points[6].pointB, 3);
  EXPECT_DOUBLE_EQ(c->points[6].x, 3.5);
  EXPECT_EQ(c->points[7].pointB, 4);
  EXPECT_EQ(c->points[7].stateB, PointState::Left);

  // The other way round, A's extra column is the one found in A only.
  const auto back = compareSurveys(r.b, r.a, &error);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->matched, 6);
  EXPECT_EQ(back->onlyA, 2);
  EXPECT_EQ(back->onlyB, 0);
}

TEST(SurveyCompare, DifferencesInLuxAndPercentOfTheFirstSurvey) {
  Relamped r;
  QString error;
  const auto c = compareSurveys(r.a, r.b, &error);
  ASSERT_TRUE(c);
  const ComparedPoint& brighter = c->points[0];  // 400 -> 600 lx
  ASSERT_TRUE(brighter.difference && brighter.percent);
  EXPECT_DOUBLE_EQ(*brighter.difference, 200.0);
  EXPECT_DOUBLE_EQ(*brighter.percent, 50.0);
  const ComparedPoint& darker = c->points[4];  // 200 -> 150 lx
  EXPECT_DOUBLE_EQ(*darker.difference, -50.0);
  EXPECT_DOUBLE_EQ(*darker.percent, -25.0);
  // 0 lx before: a change in lux, but no percentage of nothing.
  const ComparedPoint& wasDark = c->points[1];
  ASSERT_TRUE(wasDark.difference);
  EXPECT_DOUBLE_EQ(*wasDark.difference, 30.0);
  EXPECT_FALSE(wasDark.percent);
  // Skipped on either side, or left in A: no difference, and each side keeps its state.
  EXPECT_EQ(c->points[2].stateA, PointState::Taken);
  EXPECT_EQ(c->points[2].stateB, PointState::Skipped);
  EXPECT_FALSE(c->points[2].difference);
  EXPECT_EQ(c->points[3].stateA, PointState::Skipped);
  EXPECT_EQ(c->points[3].stateB, PointState::Taken);
  EXPECT_FALSE(c->points[3].difference);
  EXPECT_EQ(c->points[5].stateA, PointState::Left);
  EXPECT_FALSE(c->points[5].difference);
  EXPECT_FALSE(c->points[6].difference);  // found in B only
}

TEST(SurveyCompare, BothSurveysFiguresAndTheirChange) {
  Relamped r;
  QString error;
  const auto c = compareSurveys(r.a, r.b, &error);
  ASSERT_TRUE(c);
  // A: 400, 0, 500, 200 taken. B: 600, 30, 700, 450, 150, 100 taken; each survey whole.
  EXPECT_EQ(c->a.stats.taken, 4);
  EXPECT_DOUBLE_EQ(c->a.stats.mean, 275.0);
  EXPECT_DOUBLE_EQ(c->a.stats.min, 0.0);
  EXPECT_DOUBLE_EQ(*c->a.stats.u0, 0.0);
  EXPECT_EQ(c->b.stats.taken, 6);
  EXPECT_NEAR(c->b.stats.mean, 338.333, 0.001);
  EXPECT_DOUBLE_EQ(c->b.stats.max, 700.0);
  EXPECT_NEAR(*c->meanChange, 63.333, 0.001);
  EXPECT_NEAR(*c->meanChangePercent, 23.03, 0.01);
  EXPECT_NEAR(*c->u0Change, 0.0887, 0.0001);  // 30 / 338.3 - 0 / 275

  // Finished surveys judged each against its own requirement.
  Survey before = byHand(2, 2), after = byHand(2, 2);
  takeAll(before, 250);
  takeAll(after, 320);
  after.requirement.meanLux = 500;  // a stricter task in the same room
  const auto judged = compareSurveys(before, after, &error);
  ASSERT_TRUE(judged);
  EXPECT_EQ(judged->a.verdicts.overall, Verdict::Fail);  // 250 lx against 300
  EXPECT_EQ(judged->b.verdicts.overall, Verdict::Fail);  // 320 lx against 500
  after.requirement.meanLux = 300;
  EXPECT_EQ(compareSurveys(before, after, &error)->b.verdicts.overall, Verdict::Pass);
  EXPECT_DOUBLE_EQ(*judged->u0Change, 0.0);  // even light both times: U0 = 1

  // A survey with everything at 0 lx: the change in lux, no percentage.
  takeAll(before, 0);
  const auto fromDark = compareSurveys(before, after, &error);
  ASSERT_TRUE(fromDark);
  EXPECT_DOUBLE_EQ(*fromDark->meanChange, 320.0);
  EXPECT_FALSE(fromDark->meanChangePercent);
  EXPECT_FALSE(fromDark->u0Change);  // U0 of an all-dark room is undefined
}

TEST(SurveyCompare, AGridMovedByAFewCentimetresStillPairsOneMovedFurtherDoesNot) {
  Survey a = byHand(2, 3);
  takeAll(a, 100);
  // 3 cm along both sides: 4.2 cm apart.
  Survey nudged = byHand(2, 3, 0.03);
  takeAll(nudged, 110);
  QString error;
  const auto c = compareSurveys(a, nudged, &error);
  ASSERT_TRUE(c) << error.toStdString();
  EXPECT_EQ(c->matched, 6);
  EXPECT_DOUBLE_EQ(*c->points[3].difference, 10.0);
  EXPECT_NEAR(*c->points[3].percent, 10.0, 1e-9);
  // 4 cm along both sides: 5.7 cm apart, no longer the same place.
  const Survey moved = byHand(2, 3, 0.04);
  EXPECT_FALSE(compareSurveys(a, moved, &error));
  EXPECT_EQ(error.toStdString(),
            "The two surveys have no point in the same place (within 5 cm): there is nothing to "
            "compare.");
}

TEST(SurveyCompare, RoomsLaidOutDifferentlyPairOnlyWhereTheirPointsAgree) {
  // A: 1 m cells over 4 × 2 m; B: 0.5 m cells over the same room. B's points sit at 0.25,
  // 0.75, ... and never at A's 0.5, 1.5, ...: refused.
  Survey a = byHand(2, 4), fine = byHand(4, 8);
  fine.grid.length = 4;
  fine.grid.width = 2;
  fine.resetPoints();
  QString error;
  EXPECT_FALSE(compareSurveys(a, fine, &error));
  EXPECT_FALSE(error.isEmpty());
  // B: one row of 1 m cells along the first metre: it shares A's first row only.
  Survey row = byHand(1, 4);
  const auto c = compareSurveys(a, row, &error);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->matched, 4);
  EXPECT_EQ(c->onlyA, 4);
  EXPECT_EQ(c->onlyB, 0);
  for (const ComparedPoint& p : c->points) EXPECT_EQ(p.pointB >= 0, p.y < 1.0) << p.x << " " << p.y;
  // Nothing taken anywhere still pairs the places, with no figure to change.
  EXPECT_FALSE(c->meanChange);
}

TEST(SurveyCompare, TheTableAsCsvAndJsonHoldsNoEndlessNumbers) {
  Relamped r;
  QString error;
  const auto c = compareSurveys(r.a, r.b, &error);
  ASSERT_TRUE(c);
  const QString csv = QString::fromUtf8(comparisonCsv(*c));
  const QStringList lines = csv.split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 9);
  EXPECT_EQ(lines[0],
            "a_point,b_point,x,y,a_state,a_lux,b_state,b_lux,difference_lx,difference_percent");
  EXPECT_EQ(lines[1], "1,1,0.500,0.500,taken,400.00,taken,600.00,200.00,50.0");
  EXPECT_EQ(lines[2], "2,2,1.500,0.500,taken,0.00,taken,30.00,30.00,");
  EXPECT_EQ(lines[3], "3,3,2.500,0.500,taken,500.00,skipped,,,");
  EXPECT_EQ(lines[4], "4,6,2.500,1.500,skipped,,taken,450.00,,");
  EXPECT_EQ(lines[5], "5,7,1.500,1.500,taken,200.00,taken,150.00,-50.00,-25.0");
  EXPECT_EQ(lines[6], "6,8,0.500,1.500,left,,taken,100.00,,");
  EXPECT_EQ(lines[7], ",4,3.500,0.500,absent,,taken,700.00,,");
  EXPECT_EQ(lines[8], ",5,3.500,1.500,absent,,left,,,");
  EXPECT_FALSE(csv.contains("inf", Qt::CaseInsensitive));
  EXPECT_FALSE(csv.contains("nan", Qt::CaseInsensitive));

  const QJsonObject o = comparisonJson(*c);
  const QByteArray json = QJsonDocument(o).toJson();
  EXPECT_FALSE(json.contains("inf"));
  EXPECT_FALSE(json.contains("nan"));
  EXPECT_EQ(o["a"].toObject()["verdict"].toString(), "OPEN");  // A has a point left
  EXPECT_DOUBLE_EQ(o["a"].toObject()["mean"].toDouble(), 275.0);
  EXPECT_NEAR(o["change"].toObject()["mean"].toDouble(), 63.333, 0.001);
  const QJsonArray points = o["points"].toArray();
  ASSERT_EQ(points.size(), 8);
  EXPECT_TRUE(points[1].toObject()["percent"].isNull());
  EXPECT_DOUBLE_EQ(points[1].toObject()["difference"].toDouble(), 30.0);
  EXPECT_TRUE(points[6].toObject()["a"].isNull());
  EXPECT_EQ(points[6].toObject()["b"].toInt(), 4);
  EXPECT_EQ(o["onlyB"].toInt(), 2);
}

TEST(SurveyCompare, TheNearerPointWinsWhereTwoCouldPair) {
  // With a generous tolerance A's (0.5, 0.5) and (1.5, 0.5) could both take B's one point at
  // (1.2, 0.5): it goes to the nearer, A's second point, 0.3 m away.
  const Survey a = byHand(1, 2);
  Survey b;
  b.grid.kind = GridKind::ByHand;
  b.grid.rows = b.grid.columns = 1;
  b.grid.border = 0.2;
  b.grid.length = 2.4;
  b.grid.width = 1.0;
  b.resetPoints();
  QString error;
  const auto c = compareSurveys(a, b, &error, 1.0);
  ASSERT_TRUE(c) << error.toStdString();
  ASSERT_EQ(c->points.size(), 2u);
  EXPECT_EQ(c->points[0].pointB, -1);
  EXPECT_EQ(c->points[1].pointB, 0);
  EXPECT_EQ(c->onlyA, 1);
}

TEST(SurveyCompare, DamagedSecondFilesAreRefusedOrComparedWithoutEndlessNumbers) {
  Survey a = byHand(3, 4);
  takeAll(a, 250);
  a.points[5].lux = 0;
  Survey b = a;
  b.points[2].skipped = true;
  b.points[2].taken = false;
  const QByteArray good = surveyToJson(b);
  std::uint32_t seed = 20261210;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const QByteArray replacements[] = {"1e308", "-1", "0",    "100000", "\"",
                                     "{",     "]",  "null", "1e-320", "99999999"};
  int refused = 0, compared = 0;
  for (int round = 0; round < 3000; ++round) {
    QByteArray bytes = good;
    const int edits = 1 + int(next() % 4);
    for (int e = 0; e < edits; ++e) {
      const int at = int(next() % std::uint32_t(bytes.size()));
      switch (next() % 4) {
        case 0:
          bytes[at] = char(next() & 0xff);
          break;
        case 1:
          bytes.truncate(at);
          break;
        case 2:
          bytes.insert(at, replacements[next() % std::size(replacements)]);
          break;
        default:
          bytes.remove(at, int(next() % 16));
          break;
      }
      if (bytes.isEmpty()) bytes = "x";
    }
    QString error;
    const auto read = surveyFromJson(bytes, &error);
    if (!read) {
      EXPECT_FALSE(error.isEmpty());
      ++refused;
      continue;
    }
    const auto c = compareSurveys(a, *read, &error);
    if (!c) {
      EXPECT_FALSE(error.isEmpty());
      ++refused;
      continue;
    }
    ++compared;
    const QByteArray csv = comparisonCsv(*c);
    const QByteArray json = QJsonDocument(comparisonJson(*c)).toJson();
    ASSERT_FALSE(csv.contains("inf") || csv.contains("nan")) << bytes.toStdString();
    ASSERT_FALSE(json.contains("inf") || json.contains("nan")) << bytes.toStdString();
    for (const ComparedPoint& p : c->points) {
      ASSERT_TRUE(!p.difference || std::isfinite(*p.difference));
      ASSERT_TRUE(!p.percent || std::isfinite(*p.percent));
    }
  }
  // Both ways out were taken: the edits are not all fatal, nor all harmless.
  EXPECT_GT(refused, 100);
  EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace lux::survey
