#pragma once
// Where the program's windows open: each one relative to the main panel's frame (beside it,
// below it, centred over it), and every window kept on the available screen area.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace lux {

struct PanelPlace {
  enum class Across {
    PanelLeft,                 // left edges level
    PanelRight,                // just right of the panel
    CentredOnPanel,            // centred on the panel
    PanelWidthFromScreenLeft,  // centred on a panel-wide strip at the screen's left edge
  };
  enum class Down {
    PanelTop,     // top edges level
    PanelBottom,  // just below the panel
    DesktopTop,   // at the top of the desktop
  };
  PanelPlace(Across a, Down d, QPoint shift = {}) : across(a), down(d), offset(shift) {}

  Across across;
  Down down;
  QPoint offset;  // added after the anchoring, in pixels
};

// The top-left corner of a window frame of size `frame` placed as `place` says, next to a panel
// whose frame is `panel`, on a screen whose available area is `screen`.
QPoint placeNextToPanel(const QRect& panel, const QSize& frame, const QRect& screen,
                        const PanelPlace& place);
// Moves `window` there, measuring both frames as they are now; false (and nothing moved) when
// there is no panel.
bool placeNextToPanel(QWidget* window, const QWidget* panel, const PanelPlace& place);

// Where a window frame has to go so that it lies on the available area: moved as little as
// possible, its top-left corner kept on the area when the frame is larger than it.
QRect fitOnScreen(const QRect& frame, const QRect& available);
// The size a window of `size` (whose frame adds `frameExtra`) takes so that its frame is no
// larger than `available`, but never below `minimum`; never larger than `size`.
QSize fitSizeOnScreen(const QSize& size, const QSize& frameExtra, const QSize& available,
                      const QSize& minimum);
// Shrinks a window whose frame is larger than the available area of its screen (a designed
// size at a high screen scale), then moves it back onto that screen (or the nearest one) when
// it falls off.
void keepOnScreen(QWidget* window);

}  // namespace lux
