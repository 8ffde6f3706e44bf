#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace lux {

QIcon applicationIcon() {
  QIcon drawn;
  QSvgRenderer svg(QStringLiteral(":/app/luxpanel.svg"));
  // At 16 px the full drawing blurs into a smudge: that size has a drawing of its own.
  QSvgRenderer small(QStringLiteral(":/app/luxpanel-16.svg"));
  // Rendered here rather than left to an icon engine plugin, which a minimal Qt install lacks.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer& drawing = size <= 16 && small.isValid() ? small : svg;
    if (drawing.isValid()) {
      QPainter p(&pixmap);
      drawing.render(&p);
    }
    drawn.addPixmap(pixmap);
  }
  return QIcon::fromTheme(QStringLiteral("luxpanel"), drawn);
}

}  // namespace lux
