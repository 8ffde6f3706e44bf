#pragma once
// The main panel: a picture of the meter's LCD that follows the meter frame by frame, the port
// caption, the recording status row and the toolbar. It observes the meter's session (whose
// Timer1 polls the meter every 250 ms) and paints what it reports. Closing it ends the program.
#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include "core/Context.h"
#include "core/RecordingStatus.h"
#include "link/MeterSession.h"
#include "panel/LcdView.h"
#include "panel/Toolbar.h"

class QToolBar;

namespace lux {

class Dialogs;

class Panel : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Panel  V8.00";
  static constexpr const char* kTitleWithDate = "Panel  V8.00   130108";
  // Inner area of the LCD picture, in twips.
  static constexpr int kLcdWidthTwips = LcdView::kWidthTwips;
  static constexpr int kLcdHeightTwips = LcdView::kHeightTwips;

  Panel(MeterSession& session, Dialogs& dialogs, QWidget* parent = nullptr);
  ~Panel() override;

  // The windows and commands reach the program through this context; the panel reads its hooks
  // (recording tick, shutdown) from it.
  void setContext(Context* ctx) { ctx_ = ctx; }

  // The window's load: to the screen's top-left corner, open the link (on failure the message
  // "No device found, try again!" and false: the program ends), then start the session (the
  // recording's Timer2 and then the poll's Timer1). With `orKeepTrying` a port that cannot be
  // opened is no failure: the session starts all the same, the caption says "No COM", the note
  // says why, and the poll keeps trying the port (a data file to show needs no meter).
  bool startUp(bool orKeepTrying = false);

  // Shows the display state: a banner stops the refresh, otherwise digits and annunciators.
  void refreshPanel();
  // A click on LblCOM: adds or removes the build date in the title.
  void toggleTitle();

  MeterSession& session() const { return session_; }
  QToolBar* toolbar() const { return toolbar_; }
  // The action of one toolbar command, which the toolbar and the menu bar share; null until
  // the toolbar is installed.
  QAction* commandAction(ToolbarCommand c) const { return commandActions_[indexOf(c)]; }
  void setCommandActions(const CommandActions& actions) { commandActions_ = actions; }
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
  // Where the readings are published to, in the status row (empty: not published).
  QString publishingNote() const { return lcd_->publishNote(); }

 public slots:
  void showPublishing(const QString& note, const QString& explanation);
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
  MeterSession& session_;
  Dialogs& dialogs_;
  Context* ctx_ = nullptr;

  LcdView* lcd_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  CommandActions commandActions_{};
  bool shuttingDown_ = false;
  bool portNoteShown_ = false;  // "The port cannot be opened" until the link is up
};

}  // namespace lux
