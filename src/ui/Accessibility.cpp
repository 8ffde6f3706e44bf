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
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace lux {

namespace {

// Qt names a control that has a caption of its own (a label's or button's text, a frame's or a
// window's title) by that caption, and follows it when it changes. A copy set here would go
// stale: the LCD digits, the port caption, "Stop Recording", a list's record count in its title.
// A label without a picture counts too: it is empty now but shows its text when it has one.
bool speaksItsOwnCaption(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return !b->text().isEmpty();
  if (auto* l = qobject_cast<QLabel*>(w)) return !l->text().isEmpty() || l->pixmap().isNull();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return !g->title().isEmpty();
  if (w->isWindow()) return !w->windowTitle().isEmpty();
  return false;
}

// Qt names a control by the label that is its buddy ("Unit" beside the unit box).
bool hasBuddyLabel(QWidget* w) {
  const auto labels = w->window()->findChildren<QLabel*>();
  for (QLabel* l : labels)
    if (l->buddy() == w && !l->text().isEmpty()) return true;
  return false;
}

// A name for a control without a caption: a picture key's tool-tip, else the control's own name.
QString fixedNameOf(QWidget* w) {
  if (auto* b = qobject_cast<QToolButton*>(w); b && b->defaultAction()) {
    if (!b->defaultAction()->toolTip().isEmpty()) return b->defaultAction()->toolTip();
    if (!b->defaultAction()->text().isEmpty()) return b->defaultAction()->text();
  }
  if (!w->toolTip().isEmpty()) return w->toolTip();
  return w->objectName();
}

// Qt leaves toolbar buttons out of the Tab chain; keyboard users need them. Each also takes its
// action's name (the toolbar key) so UI automation finds "Save" or "Open" as a button.
void makeToolbarsReachable(QWidget* root) {
  for (QToolBar* bar : root->findChildren<QToolBar*>()) {
    for (QAction* a : bar->actions()) {
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
      if (!button) continue;
      button->setFocusPolicy(Qt::TabFocus);
      if (button->objectName().isEmpty()) button->setObjectName(a->objectName());
    }
  }
}

// Enter presses the focused button (key presses go to the focus widget) where Qt would ignore it:
// toolbar buttons and push buttons outside dialogs (a dialog's own default button keeps its
// meaning).
bool pressFocusedButton(QWidget* w) {
  if (!w->isEnabled()) return false;
  if (auto* tool = qobject_cast<QToolButton*>(w)) {
    tool->click();
    return true;
  }
  if (auto* push = qobject_cast<QPushButton*>(w);
      push && !push->autoDefault() && !push->isDefault()) {
    push->click();
    return true;
  }
  return false;
}

void nameOne(QWidget* w) {
  if (!w->accessibleName().isEmpty() || speaksItsOwnCaption(w) || hasBuddyLabel(w)) return;
  const QString name = fixedNameOf(w);
  if (!name.isEmpty()) w->setAccessibleName(name);
}

class EnterKey : public QObject {
 public:
  EnterKey(QWidget* target, std::function<void()> action)
      : QObject(target), action_(std::move(action)) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    action_();
    return true;
  }

 private:
  std::function<void()> action_;
};

class KeyboardConveniences : public QObject {
 public:
  KeyboardConveniences(QWidget* mainWindow, QObject* parent) : QObject(parent), main_(mainWindow) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    if (event->type() == QEvent::Show && w->isWindow()) {
      makeToolbarsReachable(w);
      nameForAccessibility(w);
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && pressFocusedButton(w))
        return true;
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

void onEnterKey(QWidget* target, std::function<void()> action) {
  if (target && action) new EnterKey(target, std::move(action));
}

void installKeyboardConveniences(QWidget* mainWindow) {
  if (!qApp) return;
  // The filter lives as long as the main window (or the application when there is none).
  QObject* owner = mainWindow ? static_cast<QObject*>(mainWindow) : qApp;
  qApp->installEventFilter(new KeyboardConveniences(mainWindow, owner));
}

}  // namespace lux
