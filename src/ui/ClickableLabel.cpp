#include "ui/ClickableLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace lux {

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  // Released outside the label: the user changed their mind.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
  if (keyboardClicks_ && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                          event->key() == Qt::Key_Enter)) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace lux
