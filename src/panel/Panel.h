#pragma once
// The main panel: a picture of the meter's LCD that follows the meter frame by frame, the port
// caption, the recording status row and the toolbar. It owns the two timers: Timer1 polls the
// meter every 250 ms, Timer2 runs the recording tick every second. Closing it ends the program.
#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include "core/Context.h"
#include "core/RecordingStatus.h"
#include "link/TickGuard.h"
#include "panel/LcdView.h"
#include "panel/Toolbar.h"

class QTimer;
class QToolBar;

namespace lux {

class MeterLink;
class Dialogs;

class Panel : public QMainWindow, public PollControl {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Panel  V8.00";
  static constexpr const char* kTitleWithDate = "Panel  V8.00   130108";
  // Inner area of the LCD picture, in twips.
  static constexpr int kLcdWidthTwips = LcdView::kWidthTwips;
  static constexpr int kLcdHeightTwips = LcdView::kHeightTwips;

  Panel(DisplayState& display, MeterLink& link, Dialogs& dialogs, QWidget* parent = nullptr);
  ~Panel() override;

  // The windows and commands reach the program through this context; the panel reads its hooks
  // (recording tick, shutdown) from it.
  void setContext(Context* ctx) { ctx_ = ctx; }

  // The window's load: to the screen's top-left corner, open the link (on failure the message
  // "No device found, try again!" and false: the program ends), initialise the program-wide
  // state, start Timer2 and then Timer1. With `orKeepTrying` a port that cannot be opened is
  // no failure: the timers start all the same, the caption says "No COM", the note says why,
  // and the poll keeps trying the port (a data file to show needs no meter).
  bool startUp(bool orKeepTrying = false);

  // Shows the display state: a banner stops the refresh, otherwise digits and annunciators.
  void refreshPanel();
  // A click on LblCOM: adds or removes the build date in the title.
  void toggleTitle();

  // Timer1's handler: one poll of the meter through the link, decoding and refreshing.
  void pollTick();
  // Timer2's handler: the recording tick, when recording is installed.
  void recordingTick();

  // PollControl: switches Timer1 on and off for the windows that talk to the meter.
  void setPollEnabled(bool enabled) override;
  bool pollEnabled() const override;
  // One poll tick as soon as the event loop is back, when the poll is on.
  void pollSoon();

  QTimer* timer1() const { return timer1_; }
  QTimer* timer2() const { return timer2_; }
  QToolBar* toolbar() const { return toolbar_; }
  // The action of one toolbar command, which the toolbar and the menu bar share; null until
  // the toolbar is installed.
  QAction* commandAction(ToolbarCommand c) const { return commandActions_[indexOf(c)]; }
  void setCommandActions(const CommandActions& actions) { commandActions_ = actions; }
  // Frames handed to the decoder since start-up (every well-framed frame the poll collected).
  int framesDecoded() const { return framesDecoded_; }
  // An LCD element or status label by its objectName ("MainDigit3", "LblFc", "ImgRel", ...).
  QWidget* element(const QString& name) const { return lcd_->element(name); }
  LcdView* lcd() const { return lcd_; }
  // Whether an element is set to show (independent of the window itself being on screen).
  bool elementShown(const QString& name) const;
  QString elementText(const QString& name) const;

  // Shows a port caption ("COM3" or "No COM") in LblCOM.
  void setPortCaption(const QString& caption);
  // The status note that tells the user the meter has gone silent, or takes it away.
  void showMeterSilence(bool silent);

 public slots:
  // The first toolbar button and the recording labels show this status of the file recording.
  void showRecording(const lux::RecordingStatus& status);

 signals:
  // The panel is closing: the program ends.
  void closing();
  // What the panel shows has just been redrawn from the display state, or its port caption or
  // title changed.
  void pictureChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  DisplayState& display_;
  MeterLink& link_;
  Dialogs& dialogs_;
  Context* ctx_ = nullptr;

  LcdView* lcd_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  CommandActions commandActions_{};
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;

  TickGuard pollGuard_;
  TickGuard recordingGuard_;
  bool shuttingDown_ = false;
  bool portNoteShown_ = false;  // "The port cannot be opened" until the link is up
  int framesDecoded_ = 0;
};

}  // namespace lux
