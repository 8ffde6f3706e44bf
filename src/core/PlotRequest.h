#pragma once
// A column of values on its way to the Plot viewer, from whichever window holds it (a file list,
// the live list, a logger set) to the graph windows, which none of them knows.
#include <QString>
#include <vector>

namespace lux {

struct PlotRequest {
  QString unitText;
  std::vector<float> values;  // x = 1 .. values.size()
  float xMax = 0;
  float yMin = 0;
  float yMax = 0;
  // What Reset Scale gives back on x: the list's record count (0: the values' count).
  float pointCount = 0;
  QString source;  // where the values come from (file name, logger set): a printout's title
};

}  // namespace lux
