#include "survey/engine/SurveyGrid.h"

#include <algorithm>
#include <cmath>

namespace lux::survey {

namespace {

constexpr double kLargestSide = 10000.0;  // metres
constexpr long kMostPoints = 100000;
// Sizes are typed to the centimetre; a quotient this close to a whole number is that number
// (10 m at 1 m spacing is 10 points, not 11 for a rounding in the last bit).
constexpr double kWhole = 1e-9;

// Rows along y, each walked along x; odd rows come back.
void walk(Grid& g, double x0, double y0) {
  g.points.clear();
  for (int r = 0; r < g.rows; ++r) {
    for (int i = 0; i < g.columns; ++i) {
      const int c = (r % 2 == 0) ? i : g.columns - 1 - i;
      GridPoint p;
      p.row = r;
      p.column = c;
      p.x = x0 + (c + 0.5) * g.cellLength;
      p.y = y0 + (r + 0.5) * g.cellWidth;
      g.points.push_back(p);
    }
  }
}

bool sizeOk(double v) {
  return std::isfinite(v) && v > 0.0 && v <= kLargestSide;
}

}  // namespace

double maxSpacing(double d) {
  if (!(d > 0.0)) return 0.0;
  return std::min(10.0, 0.2 * std::pow(5.0, std::log10(d)));
}

int pointsAlong(double side, double p) {
  if (!(side > 0.0) || !(p > 0.0)) return 0;
  const double q = side / p;
  if (q > double(kMostPoints)) return int(kMostPoints) + 1;
  return std::max(1, int(std::ceil(q - kWhole)));
}

double relevantSide(double length, double width) {
  const double longer = std::max(length, width), shorter = std::min(length, width);
  return longer >= 2.0 * shorter ? shorter : longer;
}

Grid makeGrid(const GridSpec& spec) {
  Grid g;
  if (!sizeOk(spec.length) || !sizeOk(spec.width)) {
    g.error = "length and width must be between 0 and 10000 m";
    return g;
  }
  if (spec.kind == GridKind::Route) {
    // Points along the centre line at the spacing the same rule gives for the route's length.
    g.relevantSide = spec.length;
    g.maxSpacing = maxSpacing(spec.length);
    g.columns = pointsAlong(spec.length, g.maxSpacing);
    if (g.columns > kMostPoints) {
      g.error = "more than 100000 points";
      return g;
    }
    g.cellLength = spec.length / g.columns;
    g.cellWidth = spec.width;
    g.areaLength = spec.length;
    g.areaWidth = spec.width;
    const std::vector<double> ys =
        spec.routeBandEdges
            ? std::vector<double>{spec.width * 0.25, spec.width * 0.5, spec.width * 0.75}
            : std::vector<double>{spec.width * 0.5};
    g.rows = int(ys.size());
    for (int r = 0; r < g.rows; ++r)
      for (int i = 0; i < g.columns; ++i) {
        const int c = (r % 2 == 0) ? i : g.columns - 1 - i;
        GridPoint p;
        p.row = r;
        p.column = c;
        p.x = (c + 0.5) * g.cellLength;
        p.y = ys[std::size_t(r)];
        p.centreLine = ys.size() == 1 || r == 1;
        g.points.push_back(p);
      }
    return g;
  }

  if (!std::isfinite(spec.border) || spec.border < 0.0) {
    g.error = "the border band must be 0 m or more";
    return g;
  }
  g.areaX = g.areaY = spec.border;
  g.areaLength = spec.length - 2.0 * spec.border;
  g.areaWidth = spec.width - 2.0 * spec.border;
  if (!(g.areaLength > kWhole) || !(g.areaWidth > kWhole)) {
    g.error = "the border band leaves no area to measure";
    return g;
  }

  if (spec.kind == GridKind::ByHand) {
    if (spec.rows < 1 || spec.columns < 1 || long(spec.rows) * spec.columns > kMostPoints) {
      g.error = "rows and columns must be 1 or more, at most 100000 points";
      return g;
    }
    g.rows = spec.rows;
    g.columns = spec.columns;
  } else {
    const double L = g.areaLength, W = g.areaWidth;
    g.relevantSide = relevantSide(L, W);
    g.maxSpacing = maxSpacing(g.relevantSide);
    const bool elongated = std::max(L, W) >= 2.0 * std::min(L, W);
    const bool alongLength = (L >= W) != elongated;
    const double d = alongLength ? L : W, other = alongLength ? W : L;
    long nd = pointsAlong(d, g.maxSpacing);
    // The cell found along d sets the count across, to the nearest whole number.
    long no = std::max(1L, std::lround(other / (d / double(nd))));
    // Cells no longer than twice their width and no narrower than half of it: the side whose
    // cells are too long gets more points.
    for (int guard = 0; guard < 1000000; ++guard) {
      const double a = (d / double(nd)) / (other / double(no));
      if (a > 2.0 + kWhole)
        ++nd;
      else if (a < 0.5 - kWhole)
        ++no;
      else
        break;
      if (nd * no > kMostPoints) break;
    }
    if (nd * no > kMostPoints) {
      g.error = "more than 100000 points";
      return g;
    }
    g.columns = int(alongLength ? nd : no);
    g.rows = int(alongLength ? no : nd);
  }
  g.cellLength = g.areaLength / g.columns;
  g.cellWidth = g.areaWidth / g.rows;
  walk(g, g.areaX, g.areaY);
  return g;
}

const char* gridKindName(GridKind kind) {
  switch (kind) {
    case GridKind::ByHand:
      return "by-hand";
    case GridKind::Route:
      return "route";
    case GridKind::Automatic:
      break;
  }
  return "automatic";
}

bool gridKindFromName(const std::string& name, GridKind* kind) {
  for (GridKind k : {GridKind::Automatic, GridKind::ByHand, GridKind::Route})
    if (name == gridKindName(k)) {
      *kind = k;
      return true;
    }
  return false;
}

}  // namespace lux::survey
