#pragma once
// The port window "COM Port": the first window of the program. The user picks or types the
// serial port the meter hangs on; OK puts the choice into the link state, Cancel, Esc or closing
// the window ends the program.
#include <QWidget>

#include "link/MeterLink.h"

class QComboBox;
class QPushButton;

namespace lux {

class PortWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PortWindow(LinkState& state, QWidget* parent = nullptr);

  QComboBox* txtCom() const { return txtCom_; }
  QPushButton* cmdOk() const { return cmdOk_; }
  QPushButton* cmdCancel() const { return cmdCancel_; }
  // True once OK was clicked.
  bool accepted() const { return accepted_; }

  // Maps the box's text to the port, then reports the choice and closes.
  void okClicked();
  // Cancel or Esc: closes without a port, which ends the program.
  void cancelClicked();

 signals:
  void chosen();
  // The window was closed without OK: the program ends.
  void cancelled();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  LinkState& state_;
  QComboBox* txtCom_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  bool accepted_ = false;
  bool reported_ = false;
};

}  // namespace lux
