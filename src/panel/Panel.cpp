#include "panel/Panel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLayout>
#include <QToolBar>

#include "core/RecordingStatus.h"
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "panel/RecordingLook.h"
#include "ui/Dialogs.h"

namespace lux {

Panel::Panel(MeterSession& session, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(dialogs) {
  setObjectName(QStringLiteral("Panel"));
  setWindowTitle(QString::fromLatin1(kTitle));
  setAttribute(Qt::WA_QuitOnClose, true);

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, toolbar_);

  lcd_ = new LcdView(this);
  setCentralWidget(lcd_);
  connect(lcd_, &LcdView::portCaptionClicked, this, &Panel::toggleTitle);

  // Every frame that changes the LCD is painted at once: a reading, or a banner over it.
  connect(&session_, &MeterSession::readingDecoded, this, &Panel::refreshPanel);
  connect(&session_, &MeterSession::bannerShown, this, &Panel::refreshPanel);
  connect(&session_, &MeterSession::linkChanged, this,
          [this] { setPortCaption(session_.link().portCaption()); });
  connect(&session_, &MeterSession::silenceChanged, this, &Panel::showMeterSilence);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Panel::~Panel() = default;

void installToolbar(Context& ctx) {
  auto* panel = qobject_cast<Panel*>(ctx.panel);
  if (!panel || !panel->toolbar()) return;
  panel->setCommandActions(installToolbar(ctx, *panel->toolbar()));
}

void Panel::showRecording(const RecordingStatus& status) {
  RecordingControls c;
  c.saveButton = commandAction(ToolbarCommand::Save);
  c.fileName = qobject_cast<QLabel*>(element(QStringLiteral("LblFileName")));
  c.rec = qobject_cast<QLabel*>(element(QStringLiteral("LblRec")));
  c.count = qobject_cast<QLabel*>(element(QStringLiteral("LblCount")));
  showRecordingStatus(c, status);
}

bool Panel::elementShown(const QString& name) const {
  QWidget* w = element(name);
  return w && !w->isHidden();
}

QString Panel::elementText(const QString& name) const {
  auto* label = qobject_cast<QLabel*>(element(name));
  return label ? label->text() : QString();
}

bool Panel::startUp(bool orKeepTrying) {
  move(0, 0);
  QString reason;
  const bool opened = session_.openLink(&reason);
  if (!opened && !orKeepTrying) {
    QString text = tr("No device found, try again!");

    // The port says why (busy, or which group may open it); the panel adds no guess of its own.
    if (!reason.trimmed().isEmpty()) text += QLatin1Char('\n') + reason.trimmed();
    dialogs_.message(text);
    return false;
  }
  // Not opened: "No COM", and the first poll goes on trying the port as after a lost adapter.
  setPortCaption(session_.link().portCaption());
  if (!opened) {
    lcd_->setStatusNote(tr("The port cannot be opened"), reason.trimmed());
    portNoteShown_ = true;
  }
  session_.start();
  return true;
}

void Panel::refreshPanel() {
  const DisplayState& d = session_.display();
  // A banner covers the digits; whatever lies underneath keeps the previous frame's state.
  if (!lcd_->showBanner(d)) {
    lcd_->showDigits(d);
    lcd_->showAnnunciators(d);
  }
  emit pictureChanged();
}

void Panel::toggleTitle() {
  setWindowTitle(windowTitle().contains(QLatin1String("130108"))
                     ? QString::fromLatin1(kTitle)
                     : QString::fromLatin1(kTitleWithDate));
  emit pictureChanged();
}

void Panel::setPortCaption(const QString& caption) {
  lcd_->setPortCaption(caption);
  if (portNoteShown_ && session_.connected()) {
    portNoteShown_ = false;
    lcd_->setStatusNote({});
  }
  emit pictureChanged();
}

void Panel::showMeterSilence(bool silent) {
  // "No COM" alone comes late (after the handshake's twenty seconds) and says little to someone
  // who has just plugged the meter in.
  if (silent) {
    lcd_->setStatusNote(tr("The meter is not answering"),
                        tr("No reading has come from the meter for a few seconds. Check that it "
                           "is switched on and connected to this port."));
  } else {
    lcd_->setStatusNote({});
  }
  emit pictureChanged();
}

void Panel::showPublishing(const QString& note, const QString& explanation) {
  lcd_->setPublishNote(note, explanation);
  emit pictureChanged();
}

void Panel::closeEvent(QCloseEvent* event) {
  if (!shuttingDown_ && ctx_) {
    for (const auto& ask : ctx_->hooks.mayClose)
      if (ask && !ask()) {
        event->ignore();
        return;
      }
  }
  if (!shuttingDown_) {
    shuttingDown_ = true;
    // The poll and the recording's clock stop for good (a window's pause ending cannot bring
    // them back), and every wait with the meter ends now, so a poll or command caught in a wait
    // unwinds.
    session_.stop();
    session_.link().abort();
    if (ctx_) {
      // One window failing to close must not keep the program alive.
      for (const auto& hook : ctx_->hooks.onShutdown)
        if (hook) runGuarded(lcPanel(), "a shutdown step", hook);
    }
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
      if (w != this && w->isVisible()) w->close();
    emit closing();
  }
  event->accept();
}

}  // namespace lux
