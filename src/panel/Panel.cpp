#include "panel/Panel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLayout>
#include <QTimer>
#include <QToolBar>
#include <string_view>

#include "core/RecordingStatus.h"
#include "link/FrameDecoder.h"
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "panel/RecordingLook.h"
#include "ui/Dialogs.h"

namespace lux {

Panel::Panel(DisplayState& display, MeterLink& link, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), display_(display), link_(link), dialogs_(dialogs) {
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

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(250);
  connect(timer1_, &QTimer::timeout, this, &Panel::pollTick);

  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(1000);
  // The sampling moments are stamped to the second: a coarse timer may move a tick by up to
  // 50 ms to fit its schedule, which can carry a moment across a second and leave a second
  // without its record.
  timer2_->setTimerType(Qt::PreciseTimer);
  connect(timer2_, &QTimer::timeout, this, &Panel::recordingTick);

  connect(&link_, &MeterLink::portCaptionChanged, this, &Panel::setPortCaption);
  // A command gave the line back: its handshake stopped the meter's stream, so the poll asks
  // for it again now instead of leaving the panel still for up to a period.
  connect(&link_, &MeterLink::lineFreed, this, &Panel::pollSoon);
  connect(&link_, &MeterLink::meterSilenceChanged, this, &Panel::showMeterSilence);

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
  const bool opened = link_.openLink(&reason);
  if (!opened && !orKeepTrying) {
    QString text = tr("No device found, try again!");

    // The port says why (busy, or which group may open it); the panel adds no guess of its own.
    if (!reason.trimmed().isEmpty()) text += QLatin1Char('\n') + reason.trimmed();
    dialogs_.message(text);
    return false;
  }
  // Not opened: "No COM", and the first poll goes on trying the port as after a lost adapter.
  setPortCaption(link_.portCaption());
  if (!opened) {
    lcd_->setStatusNote(tr("The port cannot be opened"), reason.trimmed());
    portNoteShown_ = true;
  }
  timer2_->start();
  timer1_->start();
  return true;
}

void Panel::refreshPanel() {
  const DisplayState& d = display_;
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
  if (portNoteShown_ && link_.state().linkUp) {
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

void Panel::pollTick() {
  if (shuttingDown_) return;
  pollGuard_.run([this] {
    link_.pollTick([this](const QByteArray& frame) {
      ++framesDecoded_;
      const auto result = decodeFrame(
          display_, std::string_view(frame.constData(), static_cast<size_t>(frame.size())));
      // A frame whose decoding stopped early leaves the picture as it was.
      if (result == DecodeResult::StoppedEarly || result == DecodeResult::TooShort) return false;
      // A banner (SET UP, CLEAR, RS232) hides the reading: it is no fresh reading to record.
      if (result != DecodeResult::Banner) ++display_.framesDecoded;
      refreshPanel();
      return result == DecodeResult::Banner;
    });
  });
}

void Panel::recordingTick() {
  if (shuttingDown_ || !ctx_ || !ctx_->hooks.recordingTick) return;
  recordingGuard_.run([this] { ctx_->hooks.recordingTick(); });
}

void Panel::setPollEnabled(bool enabled) {
  if (shuttingDown_) return;
  if (enabled) {
    const bool wasOff = !timer1_->isActive();
    timer1_->start();
    if (wasOff) pollSoon();
  } else {
    timer1_->stop();
  }
}

void Panel::pollSoon() {
  if (shuttingDown_ || !timer1_->isActive()) return;
  QTimer::singleShot(0, this, [this] {
    if (!timer1_->isActive()) return;
    timer1_->start();  // the next periodic tick a full period after this one
    pollTick();
  });
}

bool Panel::pollEnabled() const {
  return timer1_->isActive();
}

void Panel::closeEvent(QCloseEvent* event) {
  if (!shuttingDown_) {
    shuttingDown_ = true;
    timer1_->stop();
    timer2_->stop();
    // Every wait with the meter ends now, so a poll or command caught in a wait unwinds.
    link_.abort();
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
