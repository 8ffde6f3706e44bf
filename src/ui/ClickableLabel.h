#pragma once
// A label that is also a switch: a left click released over it reports clicked(). Windows whose
// label answers the keyboard too (Space, Return or Enter click like the mouse) say so with
// setKeyboardClicks(true); the others leave the keys to the window.
#include <QLabel>

namespace lux {

class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

  void setKeyboardClicks(bool on) { keyboardClicks_ = on; }
  bool keyboardClicks() const { return keyboardClicks_; }

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool keyboardClicks_ = false;
};

}  // namespace lux
