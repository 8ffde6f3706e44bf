#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace lux {

QIcon applicationIcon() {
  QIcon drawn;
  QSvgRenderer svg(QStringLiteral(":/app/luxpanel.svg"));
  // Rendered here rather than left to an icon engine plugin, which a minimal Qt install lacks.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (svg.isValid()) {
      QPainter p(&pixmap);
      svg.render(&p);
    }
    drawn.addPixmap(pixmap);
  }
  return QIcon::fromTheme(QStringLiteral("luxpanel"), drawn);
}

}  // namespace lux
