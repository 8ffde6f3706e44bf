#pragma once
// One lighting survey as the surveyor fills it in: where and what was measured, the grid, the
// requirement chosen, and a slot per grid point in walking order. Saved as a .luxsurvey file.
#include <QDateTime>
#include <QString>
#include <vector>

#include "survey/engine/SurveyGrid.h"
#include "survey/engine/SurveyStats.h"

namespace lux::survey {

struct SurveyPoint {
  bool taken = false;
  bool skipped = false;
  double lux = 0.0;    // the reading in lux (converted when the meter showed fc)
  QString shownText;   // as the meter showed it ("123.4")
  QString shownUnit;   // "Lx" or "Fc"
  QDateTime time;      // PC time of the reading
  QString note;        // the surveyor's note on this point
  QString skipReason;  // why it was skipped ("obstacle: cupboard")
};

struct Survey {
  QString site, area, note;
  QString meter;                 // model, serial number, calibration: as typed
  double measuringHeight = 0.8;  // metres above the floor
  QDateTime created;
  QString program;  // the program and version that wrote the file
  GridSpec grid;
  Requirement requirement;
  std::vector<SurveyPoint> points;  // one per point of the grid, in walking order
  int current = 0;                  // the point the surveyor stands at

  Grid layout() const { return makeGrid(grid); }
  // Empties every point for the grid as it stands now.
  void resetPoints() {
    points.assign(layout().points.size(), SurveyPoint{});
    current = 0;
  }
  std::vector<Sample> samples(const Grid& g) const {
    std::vector<Sample> s;
    for (std::size_t i = 0; i < points.size() && i < g.points.size(); ++i)
      s.push_back({points[i].lux, points[i].taken, points[i].skipped, g.points[i].centreLine});
    return s;
  }
  Stats stats() const { return computeStats(samples(layout())); }
  bool anyFootCandles() const {
    for (const SurveyPoint& p : points)
      if (p.taken && p.shownUnit == QLatin1String("Fc")) return true;
    return false;
  }
  // The next point neither taken nor skipped after `from` (wrapping), or -1 when none is left.
  int nextOpen(int from) const {
    const int n = int(points.size());
    for (int k = 1; k <= n; ++k) {
      const int i = (from + k) % n;
      if (!points[std::size_t(i)].taken && !points[std::size_t(i)].skipped) return i;
    }
    return -1;
  }
};

}  // namespace lux::survey
