// Every character a digit of the LCD can show fits its cell, in the font Qt really picked and
// at the screen scale the test runs at (ctest runs it at 1 and at 2): a cell narrower than its
// glyph clips it, and an overloaded meter's "OL" read "CL".
#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>

#include <string>

#include "link/DisplayState.h"
#include "panel/LcdView.h"

namespace lux {
namespace {

// Where the glyph the cell shows puts ink, in the cell's own coordinates (logical pixels),
// measured without the cell's clipping: the real label is drawn with room on every side.
QRectF inkOf(QLabel* cell) {
  const QSize size = cell->size();
  const QMargins margins = cell->contentsMargins();
  const int pad = size.height();
  cell->setContentsMargins(pad, pad, 0, 0);
  cell->resize(pad + 3 * size.width(), 3 * pad);
  const QImage shot = cell->grab().toImage();
  cell->setContentsMargins(margins);
  cell->resize(size);

  const QRgb glass = shot.pixel(0, 0);
  int left = shot.width(), top = shot.height(), right = -1, bottom = -1;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (shot.pixel(x, y) == glass) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  const qreal dpr = shot.devicePixelRatio();
  return QRectF(left / dpr - pad, top / dpr - pad, (right - left + 1) / dpr,
                (bottom - top + 1) / dpr);
}

void expectInkInside(QLabel* cell, const std::string& glyphs) {
  SCOPED_TRACE(cell->objectName().toStdString() + " showing '" + glyphs + "'");
  ASSERT_EQ(cell->text().toStdString(), glyphs);
  const QRectF ink = inkOf(cell);
  ASSERT_FALSE(ink.isEmpty()) << "no ink at all";
  const QRectF box(QPointF(0, 0), QSizeF(cell->size()));
  EXPECT_TRUE(box.contains(ink)) << "ink " << ink.left() << ".." << ink.right() << " x "
                                 << ink.top() << ".." << ink.bottom() << " in a cell of "
                                 << cell->width() << "x" << cell->height();
}

TEST(LcdGlyphs, EveryDigitGlyphStaysInsideItsCell) {
  const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
  const double expected = scale.isEmpty() ? 1.0 : scale.toDouble();
  LcdView lcd;
  // The test must run at the scale ctest asked for, or the second run proves nothing.
  ASSERT_DOUBLE_EQ(lcd.devicePixelRatioF(), expected);

  for (const char* g = LcdView::kMainGlyphs; *g; ++g) {
    DisplayState d;
    d.mainDigits.assign(6, *g);
    d.memoryDigits.assign(2, *g);
    d.secondaryDigits.assign(
        4, std::string(LcdView::kSecondaryGlyphs).find(*g) != std::string::npos ? *g : '8');
    lcd.showDigits(d);
    for (int i = 0; i < 6; ++i) expectInkInside(lcd.mainDigit(i), std::string(1, *g));
    expectInkInside(qobject_cast<QLabel*>(lcd.element("MemoryDigit")), std::string(2, *g));
    for (int i = 0; i < 4; ++i) {
      expectInkInside(qobject_cast<QLabel*>(lcd.element(QStringLiteral("TimeDigit%1").arg(i))),
                      d.secondaryDigits.substr(0, 1));
    }
  }
}

TEST(LcdGlyphs, TheOverloadShowsBothLettersWhole) {
  LcdView lcd;
  DisplayState d;
  d.mainDigits = "  OL  ";
  lcd.showDigits(d);
  expectInkInside(lcd.mainDigit(2), "O");
  expectInkInside(lcd.mainDigit(3), "L");
  EXPECT_FALSE(lcd.mainDigit(0)->isVisibleTo(&lcd));
  EXPECT_TRUE(lcd.mainDigit(2)->isVisibleTo(&lcd));
}

}  // namespace
}  // namespace lux
