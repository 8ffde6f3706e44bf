#pragma once
// The meter clock window: shows the meter's clock and the PC's clock live (each switched on and
// off by a click on its label) and sets the meter's clock to the PC's. The panel's poll stays
// off for the window's whole life: the window's own 350 ms timer reads the meter instead.
#include <QDialog>
#include <optional>

#include "link/TickGuard.h"
#include "settings/MeterExchange.h"
#include "ui/ClickableLabel.h"

class QGroupBox;
class QPushButton;
class QTimer;

namespace lux {

struct Context;

class Setup : public QDialog {
  Q_OBJECT
 public:
  // Pauses the panel's poll, places the window, starts the clock timer.
  explicit Setup(Context& ctx, QWidget* parent = nullptr);
  ~Setup() override;

  void clockTick();
  void meterTimeClicked();
  void pcTimeClicked();
  void setTimeClicked();
  void exitClicked();

  bool meterTimeShown() const { return meterTimeShown_; }
  bool pcTimeShown() const { return pcTimeShown_; }
  bool unloaded() const { return unloaded_; }

  QGroupBox* frameTime() const { return frameTime_; }
  ClickableLabel* lblMeterTime() const { return lblMeterTime_; }
  ClickableLabel* lblPcTime() const { return lblPcTime_; }
  QPushButton* cmdSetTime() const { return cmdSetTime_; }
  QPushButton* cmdExit() const { return cmdExit_; }
  QTimer* timer1() const { return timer1_; }

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void unload();
  void setMeterTime();
  // The meter's logger started recording while the window was open: the window closes and
  // says why, as the toolbar refuses it when INTV is shown at the click.
  void closeForLogging();
  // The meter did not answer: say so and close, which gives the line back to the panel's poll
  // (whose reconnection then shows the user that the meter is away).
  void giveUp();

  Context& ctx_;
  QGroupBox* frameTime_ = nullptr;
  ClickableLabel* lblMeterTime_ = nullptr;
  ClickableLabel* lblPcTime_ = nullptr;
  QPushButton* cmdSetTime_ = nullptr;
  QPushButton* cmdExit_ = nullptr;
  QTimer* timer1_ = nullptr;
  std::optional<PollPause> pollPause_;
  TickGuard tickGuard_;
  bool meterTimeShown_ = false;
  bool pcTimeShown_ = false;
  bool unloaded_ = false;
  bool placed_ = false;
  bool setTimePending_ = false;
};

// The toolbar's "TimeSet": refused while the meter's logger records (INTV), else the clock
// window, modal. Clicked while another command talks to the meter, it waits for that one.
void showMeterClock(Context& ctx);
// The same, at once.
void openMeterClock(Context& ctx);

}  // namespace lux
