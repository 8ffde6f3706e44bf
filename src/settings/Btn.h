#pragma once
// The on-screen keypad: the meter's front-panel keys, each click making the meter act as if
// that key had been pressed. While the meter's logger records (INTV shown) only the power, Time
// and Enter keys act; the others are refused silently, as on the meter itself.
#include <QWidget>

#include "link/Commands.h"
#include "settings/KeypadKeys.h"
#include "settings/MeterExchange.h"

class QPushButton;

namespace lux {

struct Context;

class Btn : public QWidget {
  Q_OBJECT
 public:
  explicit Btn(Context& ctx, QWidget* parent = nullptr);

  // The open keypad, if any (one that is closing does not count).
  static Btn* find(Context& ctx);
  // The toolbar's "Buttons": shows the keypad (the one already open, or a new one below the panel).
  static Btn* showKeypad(Context& ctx);

  void powerClicked();
  void setClicked();
  void timeClicked();
  void lxFcClicked();
  void holdClicked();
  void readClicked();
  void cdClicked();
  void autoRecordClicked();
  void manualRecordClicked();
  void percentClicked();
  void avgClicked();
  void compClicked();
  void upClicked();
  void enterClicked();
  void downClicked();

  // True while "Pwr" waits for the meter to come back.
  bool waitingForMeter() const { return waitingForMeter_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* addKey(const char* name, const QString& caption, const QString& toolTip, int row,
                      int column, void (Btn::*handler)());
  // A key that sends one letter with the poll paused around it, unless the meter refuses it
  // while its logger records.
  void plainKey(KeypadKey key);

  // Runs one exchange with the meter, holding the line (ignored while another command has it).
  // A window closed meanwhile is deleted once the exchange has unwound, never under its feet.
  void exchange(const std::function<void()>& handler);

  Context& ctx_;
  int exchangesRunning_ = 0;
  bool waitingForMeter_ = false;
  bool unloaded_ = false;
  bool placed_ = false;
};

}  // namespace lux
