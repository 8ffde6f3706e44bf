#pragma once
// Window placement in twips (1/1440 inch) at the screen's logical resolution.
#include <QWidget>
#include <cmath>

namespace lux::graphs {

inline double twipsDpi(const QWidget* w) {
  const int dpi = w ? w->logicalDpiX() : 96;
  return dpi > 0 ? dpi : 96;
}
inline int twipsToPx(const QWidget* w, double twips) {
  return static_cast<int>(std::lround(twips * twipsDpi(w) / 1440.0));
}
inline double pxToTwips(const QWidget* w, int px) {
  return px * 1440.0 / twipsDpi(w);
}

}  // namespace lux::graphs
