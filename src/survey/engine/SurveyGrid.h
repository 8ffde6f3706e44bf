#pragma once
// Where to hold the meter in a lighting survey: the grid of measuring points over a room's task
// area or along an escape route, and the order in which a surveyor walks them. Plain C++, so the
// command line, the window and the file reader share one rule.
#include <string>
#include <vector>

namespace lux::survey {

enum class GridKind {
  Automatic,  // spacing from the size of the area (the workplace rule)
  ByHand,     // rows × columns chosen by the surveyor
  Route,      // an escape route: its centre line, optionally the edges of its central band
};

struct GridSpec {
  GridKind kind = GridKind::Automatic;
  double length = 0.0;  // metres, along x
  double width = 0.0;   // metres, along y
  // Band along the walls left out of a room's area (metres); not used on a route.
  double border = 0.5;
  int rows = 0, columns = 0;    // by hand only
  bool routeBandEdges = false;  // route only: also the two edges of the central half-width band
};

struct GridPoint {
  double x = 0.0, y = 0.0;  // metres from the room's or route's corner
  int row = 0, column = 0;
  // On a route, whether the point lies on the centre line (the band edges do not).
  bool centreLine = true;
};

struct Grid {
  // In walking order: row 0 left to right, row 1 right to left, and so on.
  std::vector<GridPoint> points;
  int rows = 0, columns = 0;
  double relevantSide = 0.0;                 // d of the rule (automatic and route grids)
  double maxSpacing = 0.0;                   // p of the rule (automatic and route grids)
  double cellLength = 0.0, cellWidth = 0.0;  // the cell actually used
  // The measured area: the room less its border band.
  double areaX = 0.0, areaY = 0.0, areaLength = 0.0, areaWidth = 0.0;
  // Why no grid could be made (sizes out of range); empty on success.
  std::string error;
};

// The largest spacing for an area whose relevant side is `d` metres: 0.2 × 5^log10(d), at most
// 10 m.
double maxSpacing(double d);
// How many points a side of `side` metres needs at spacing `p`: side/p rounded up.
int pointsAlong(double side, double p);
// The side the spacing is taken from: the longer one, unless it is twice the shorter or more.
double relevantSide(double length, double width);

// Refused: sizes that are not positive or above 10 km, more than 100000 points, a border band
// that leaves nothing.
Grid makeGrid(const GridSpec& spec);

const char* gridKindName(GridKind kind);  // "automatic", "by-hand", "route"
bool gridKindFromName(const std::string& name, GridKind* kind);

}  // namespace lux::survey
