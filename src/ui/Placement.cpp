#include "ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace lux {

QPoint placeNextToPanel(const QRect& panel, const QSize& frame, const QRect& screen,
                        const PanelPlace& place) {
  int x = 0;
  switch (place.across) {
    case PanelPlace::Across::PanelLeft:
      x = panel.x();
      break;
    case PanelPlace::Across::PanelRight:
      x = panel.x() + panel.width();
      break;
    case PanelPlace::Across::CentredOnPanel:
      x = panel.x() + (panel.width() - frame.width()) / 2;
      break;
    case PanelPlace::Across::PanelWidthFromScreenLeft:
      x = screen.left() + (panel.width() - frame.width()) / 2;
      break;
  }
  int y = 0;
  switch (place.down) {
    case PanelPlace::Down::PanelTop:
      y = panel.y();
      break;
    case PanelPlace::Down::PanelBottom:
      y = panel.y() + panel.height();
      break;
    case PanelPlace::Down::DesktopTop:
      y = 0;
      break;
  }
  return QPoint(x, y) + place.offset;
}

bool placeNextToPanel(QWidget* window, const QWidget* panel, const PanelPlace& place) {
  if (!window || !panel) return false;
  const QScreen* screen = panel->screen();
  // Without a screen the strip starts at the desktop's left edge.
  const QRect area = screen ? screen->availableGeometry() : QRect();
  window->move(
      placeNextToPanel(panel->frameGeometry(), window->frameGeometry().size(), area, place));
  return true;
}

QRect fitOnScreen(const QRect& frame, const QRect& available) {
  if (available.isEmpty()) return frame;
  QRect r = frame;
  if (r.right() > available.right()) r.moveRight(available.right());
  if (r.bottom() > available.bottom()) r.moveBottom(available.bottom());
  if (r.left() < available.left()) r.moveLeft(available.left());
  if (r.top() < available.top()) r.moveTop(available.top());
  return r;
}

void keepOnScreen(QWidget* window) {
  if (!window) return;
  const QRect frame = window->frameGeometry();
  QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen) screen = window->screen();
  if (!screen) return;
  const QRect fitted = fitOnScreen(frame, screen->availableGeometry());
  if (fitted.topLeft() != frame.topLeft())
    window->move(window->pos() + (fitted.topLeft() - frame.topLeft()));
}

}  // namespace lux
