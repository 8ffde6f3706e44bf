#pragma once
// What the 16 px icon must look like wherever it is drawn (the installed PNG, the window icon):
// the pixels of the small drawing, exactly.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

namespace lux::test {

inline void expectSmallIcon(const QImage& icon) {
  ASSERT_EQ(icon.size(), QSize(16, 16));
  const struct {
    int x, y;
    const char* colour;
  } pixels[] = {
      {3, 4, "#c7d6b8"},                       // the glass, left of the digits
      {12, 8, "#c7d6b8"},                      // the glass, right of the digits
      {9, 6, "#c7d6b8"},                       // inside the 0
      {5, 4, "#1b1f1b"},  {5, 8, "#1b1f1b"},   // the 1, top to bottom
      {8, 6, "#1b1f1b"},  {11, 6, "#1b1f1b"},  // the sides of the 0
      {10, 4, "#1b1f1b"}, {10, 8, "#1b1f1b"},  // its top and bottom
      {3, 11, "#f2c14e"}, {8, 12, "#9aa7b0"},  // the keys
      {7, 14, "#2f3b45"},                      // the case
  };
  for (const auto& p : pixels) {
    const QColor c = icon.pixelColor(p.x, p.y);
    EXPECT_EQ(c.name(), QLatin1String(p.colour)) << p.x << "," << p.y;
    EXPECT_EQ(c.alpha(), 255) << p.x << "," << p.y;
  }
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << "the corner is outside the case";
}

}  // namespace lux::test
