#include "survey/engine/SurveyCompare.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

namespace lux::survey {

namespace {

struct Texts {
  Q_DECLARE_TR_FUNCTIONS(SurveyCompare)
};

PointState stateOf(const SurveyPoint& p) {
  if (p.taken) return PointState::Taken;
  if (p.skipped) return PointState::Skipped;
  return PointState::Left;
}

SurveySummary summary(const Survey& s) {
  SurveySummary m;
  m.stats = s.stats();
  m.verdicts = judge(m.stats, s.requirement);
  return m;
}

// B's points by the square of side `tolerance` they stand in, so a point of A looks at its own
// square and the eight around it instead of every point of B.
struct Buckets {
  double side;
  std::unordered_map<long long, std::vector<int>> cells;
  long long key(long long i, long long j) const { return i * 4000003LL + j; }
  long long at(double v) const { return (long long)std::floor(v / side); }
};

QString number(double v, int decimals) {
  // No "-0.0" for a change that rounds to nothing.
  const QString text = QString::number(v, 'f', decimals);
  return text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0 ? text.mid(1) : text;
}

QJsonValue optionalNumber(const std::optional<double>& v) {
  return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonObject summaryJson(const SurveySummary& m) {
  const Stats& s = m.stats;
  QJsonObject o;
  o[QStringLiteral("points")] = s.total;
  o[QStringLiteral("taken")] = s.taken;
  o[QStringLiteral("skipped")] = s.skipped;
  o[QStringLiteral("left")] = s.left;
  const bool any = s.taken > 0;
  o[QStringLiteral("mean")] = any ? QJsonValue(s.mean) : QJsonValue(QJsonValue::Null);
  o[QStringLiteral("min")] = any ? QJsonValue(s.min) : QJsonValue(QJsonValue::Null);
  o[QStringLiteral("max")] = any ? QJsonValue(s.max) : QJsonValue(QJsonValue::Null);
  o[QStringLiteral("u0")] = optionalNumber(s.u0);
  o[QStringLiteral("verdict")] = QLatin1String(verdictName(m.verdicts.overall));
  return o;
}

}  // namespace

const char* pointStateName(PointState state) {
  switch (state) {
    case PointState::Taken:
      return "taken";
    case PointState::Skipped:
      return "skipped";
    case PointState::Left:
      return "left";
    case PointState::Absent:
      break;
  }
  return "absent";
}

std::optional<Comparison> compareSurveys(const Survey& a, const Survey& b, QString* error,
                                         double tolerance) {
  const Grid ga = a.layout(), gb = b.layout();
  const std::size_t na = std::min(ga.points.size(), a.points.size());
  const std::size_t nb = std::min(gb.points.size(), b.points.size());

  Buckets buckets{std::max(tolerance, 1e-6), {}};
  for (std::size_t j = 0; j < nb; ++j)
    buckets.cells[buckets.key(buckets.at(gb.points[j].x), buckets.at(gb.points[j].y))].push_back(
        int(j));
  // Every pair close enough, closest first: where a shifted grid offers two partners, the
  // nearer one wins and the other stays free for its own neighbour.
  std::vector<std::tuple<double, int, int>> pairs;
  for (std::size_t i = 0; i < na; ++i) {
    const GridPoint& p = ga.points[i];
    const long long ci = buckets.at(p.x), cj = buckets.at(p.y);
    for (long long di = -1; di <= 1; ++di)
      for (long long dj = -1; dj <= 1; ++dj) {
        const auto found = buckets.cells.find(buckets.key(ci + di, cj + dj));
        if (found == buckets.cells.end()) continue;
        for (int j : found->second) {
          const GridPoint& q = gb.points[std::size_t(j)];
          const double d = std::hypot(p.x - q.x, p.y - q.y);
          if (d <= tolerance + 1e-9) pairs.emplace_back(d, int(i), j);
        }
      }
  }
  std::sort(pairs.begin(), pairs.end());
  std::vector<int> partnerOfA(na, -1), partnerOfB(nb, -1);
  for (const auto& [d, i, j] : pairs) {
    if (partnerOfA[std::size_t(i)] >= 0 || partnerOfB[std::size_t(j)] >= 0) continue;
    partnerOfA[std::size_t(i)] = j;
    partnerOfB[std::size_t(j)] = i;
  }

  Comparison c;
  for (std::size_t i = 0; i < na; ++i) {
    ComparedPoint cp;
    cp.pointA = int(i);
    cp.x = ga.points[i].x;
    cp.y = ga.points[i].y;
    const SurveyPoint& pa = a.points[i];
    cp.stateA = stateOf(pa);
    if (cp.stateA == PointState::Taken) cp.luxA = pa.lux;
    const int j = partnerOfA[i];
    if (j >= 0) {
      ++c.matched;
      cp.pointB = j;
      const SurveyPoint& pb = b.points[std::size_t(j)];
      cp.stateB = stateOf(pb);
      if (cp.stateB == PointState::Taken) cp.luxB = pb.lux;
      if (cp.stateA == PointState::Taken && cp.stateB == PointState::Taken) {
        cp.difference = cp.luxB - cp.luxA;
        // A dark point in A has no proportion to grow by: the change stays in lux only.
        if (cp.luxA > 0.0) cp.percent = 100.0 * (cp.luxB - cp.luxA) / cp.luxA;
      }
    } else {
      ++c.onlyA;
    }
    c.points.push_back(cp);
  }
  for (std::size_t j = 0; j < nb; ++j) {
    if (partnerOfB[j] >= 0) continue;
    ++c.onlyB;
    ComparedPoint cp;
    cp.pointB = int(j);
    cp.x = gb.points[j].x;
    cp.y = gb.points[j].y;
    cp.stateB = stateOf(b.points[j]);
    if (cp.stateB == PointState::Taken) cp.luxB = b.points[j].lux;
    c.points.push_back(cp);
  }
  if (c.matched == 0) {
    if (error)
      *error = Texts::tr(
                   "The two surveys have no point in the same place (within %1 cm): there is "
                   "nothing to compare.")
                   .arg(std::lround(tolerance * 100));
    return std::nullopt;
  }

  c.a = summary(a);
  c.b = summary(b);
  if (c.a.stats.taken > 0 && c.b.stats.taken > 0) {
    c.meanChange = c.b.stats.mean - c.a.stats.mean;
    if (c.a.stats.mean > 0.0)
      c.meanChangePercent = 100.0 * (c.b.stats.mean - c.a.stats.mean) / c.a.stats.mean;
  }
  if (c.a.stats.u0 && c.b.stats.u0) c.u0Change = *c.b.stats.u0 - *c.a.stats.u0;
  return c;
}

QByteArray comparisonCsv(const Comparison& c) {
  QString out = QStringLiteral(
      "a_point,b_point,x,y,a_state,a_lux,b_state,b_lux,difference_lx,difference_percent\r\n");
  for (const ComparedPoint& p : c.points) {
    QStringList f;
    f << (p.pointA >= 0 ? QString::number(p.pointA + 1) : QString())
      << (p.pointB >= 0 ? QString::number(p.pointB + 1) : QString()) << number(p.x, 3)
      << number(p.y, 3) << QLatin1String(pointStateName(p.stateA))
      << (p.stateA == PointState::Taken ? number(p.luxA, 2) : QString())
      << QLatin1String(pointStateName(p.stateB))
      << (p.stateB == PointState::Taken ? number(p.luxB, 2) : QString())
      << (p.difference ? number(*p.difference, 2) : QString())
      << (p.percent ? number(*p.percent, 1) : QString());
    out += f.join(QLatin1Char(',')) + QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

QJsonObject comparisonJson(const Comparison& c) {
  QJsonObject o;
  o[QStringLiteral("a")] = summaryJson(c.a);
  o[QStringLiteral("b")] = summaryJson(c.b);
  QJsonObject change;
  change[QStringLiteral("mean")] = optionalNumber(c.meanChange);
  change[QStringLiteral("meanPercent")] = optionalNumber(c.meanChangePercent);
  change[QStringLiteral("u0")] = optionalNumber(c.u0Change);
  o[QStringLiteral("change")] = change;
  o[QStringLiteral("matched")] = c.matched;
  o[QStringLiteral("onlyA")] = c.onlyA;
  o[QStringLiteral("onlyB")] = c.onlyB;
  QJsonArray points;
  for (const ComparedPoint& p : c.points) {
    QJsonObject q;
    q[QStringLiteral("a")] = p.pointA >= 0 ? QJsonValue(p.pointA + 1) : QJsonValue::Null;
    q[QStringLiteral("b")] = p.pointB >= 0 ? QJsonValue(p.pointB + 1) : QJsonValue::Null;
    q[QStringLiteral("x")] = p.x;
    q[QStringLiteral("y")] = p.y;
    q[QStringLiteral("aState")] = QLatin1String(pointStateName(p.stateA));
    q[QStringLiteral("bState")] = QLatin1String(pointStateName(p.stateB));
    q[QStringLiteral("aLux")] =
        p.stateA == PointState::Taken ? QJsonValue(p.luxA) : QJsonValue(QJsonValue::Null);
    q[QStringLiteral("bLux")] =
        p.stateB == PointState::Taken ? QJsonValue(p.luxB) : QJsonValue(QJsonValue::Null);
    q[QStringLiteral("difference")] = optionalNumber(p.difference);
    q[QStringLiteral("percent")] = optionalNumber(p.percent);
    points.append(q);
  }
  o[QStringLiteral("points")] = points;
  return o;
}

}  // namespace lux::survey
