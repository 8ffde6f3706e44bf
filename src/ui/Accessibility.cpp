#include "ui/Accessibility.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace lux {

namespace {

QString captionOf(QWidget* w) {
  if (auto* b = qobject_cast<QToolButton*>(w)) {
    if (b->defaultAction()) {
      const QString t = b->defaultAction()->toolTip();
      if (!t.isEmpty()) return t;
      if (!b->defaultAction()->text().isEmpty()) return b->defaultAction()->text();
    }
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty()) return g->title();
  if (w->isWindow() && !w->windowTitle().isEmpty()) return w->windowTitle();
  if (!w->toolTip().isEmpty()) return w->toolTip();
  return {};
}

void nameOne(QWidget* w) {
  if (!w->accessibleName().isEmpty()) return;
  QString name = captionOf(w);
  if (name.isEmpty()) name = w->objectName();
  if (!name.isEmpty()) w->setAccessibleName(name);
}

class KeyboardConveniences : public QObject {
 public:
  KeyboardConveniences(QWidget* mainWindow, QObject* parent) : QObject(parent), main_(mainWindow) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    if (event->type() == QEvent::Show && w->isWindow()) {
      nameForAccessibility(w);
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        QWidget* window = w->window();
        // Dialogs handle Esc themselves (reject); plain secondary windows close.
        if (window && window != main_ && !qobject_cast<QDialog*>(window) && window->isVisible()) {
          window->close();
          return true;
        }
      }
    }
    return false;
  }

 private:
  QPointer<QWidget> main_;
};

}  // namespace

void nameForAccessibility(QWidget* root) {
  if (!root) return;
  nameOne(root);
  const auto children = root->findChildren<QWidget*>();
  for (QWidget* w : children) nameOne(w);
}

void installKeyboardConveniences(QWidget* mainWindow) {
  if (!qApp) return;
  qApp->installEventFilter(new KeyboardConveniences(mainWindow, qApp));
}

}  // namespace lux
