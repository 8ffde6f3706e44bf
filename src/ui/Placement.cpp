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

QSize fitSizeOnScreen(const QSize& size, const QSize& frameExtra, const QSize& available,
                      const QSize& minimum) {
  if (available.isEmpty()) return size;
  // Only ever smaller: a window that fits keeps its size, even below its minimum.
  return size.boundedTo(available - frameExtra).expandedTo(minimum.boundedTo(size));
}

void keepOnScreen(QWidget* window) {
  if (!window) return;
  QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
  if (!screen) screen = window->screen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QSize extra = window->frameGeometry().size() - window->size();
  const QSize fitted = fitSizeOnScreen(window->size(), extra, available.size(),
                                       window->minimumSize().expandedTo(window->minimumSizeHint()));
  if (fitted != window->size()) window->resize(fitted);
  const QRect frame = window->frameGeometry();
  const QRect placed = fitOnScreen(frame, available);
  if (placed.topLeft() != frame.topLeft())
    window->move(window->pos() + (placed.topLeft() - frame.topLeft()));
}

}  // namespace lux
