#pragma once
// Window layouts are drawn in twips (1/1440 inch), the unit the meter's panel was designed in.
// Converting with the screen's logical DPI keeps the LCD the size of the real meter's picture on
// any screen: px = twips x dpi / 1440.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cmath>

namespace lux {

constexpr double kTwipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline double pixelsToTwips(int pixels, double dpi) {
  return pixels * kTwipsPerInch / dpi;
}

// The logical DPI a widget is laid out with (96 on most desktops and on the offscreen platform).
inline double logicalDpiX(const QWidget* w) {
  return w ? w->logicalDpiX() : 96.0;
}
inline double logicalDpiY(const QWidget* w) {
  return w ? w->logicalDpiY() : 96.0;
}

inline int twipsX(const QWidget* w, double twips) {
  return twipsToPixels(twips, logicalDpiX(w));
}
inline int twipsY(const QWidget* w, double twips) {
  return twipsToPixels(twips, logicalDpiY(w));
}

inline QPoint twipsPoint(const QWidget* w, double left, double top) {
  return {twipsX(w, left), twipsY(w, top)};
}

inline QSize twipsSize(const QWidget* w, double width, double height) {
  return {twipsX(w, width), twipsY(w, height)};
}

inline QRect twipsRect(const QWidget* w, double left, double top, double width, double height) {
  return {twipsPoint(w, left, top), twipsSize(w, width, height)};
}

}  // namespace lux
