#include "settings/Btn.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QIcon>
#include <QPointer>
#include <QPushButton>

#include "core/Context.h"
#include "core/MeterMessages.h"
#include "ui/Icons.h"
#include "ui/OpenWindow.h"
#include "ui/Placement.h"

namespace lux {

Btn::Btn(Context& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName(QStringLiteral("Btn"));
  setWindowTitle(tr("Control Panel"));
  (new QGridLayout(this))->setSpacing(6);
  // Laid out like the meter's own keypad, power key top left, arrows and Enter at the bottom.
  addKey("CmdPower", QStringLiteral("Pwr"), {}, 0, 0, &Btn::powerClicked);
  addKey("CmdSet", QStringLiteral("SET"), {}, 0, 1, &Btn::setClicked);
  addKey("CmdTime", QStringLiteral("Time"), {}, 0, 2, &Btn::timeClicked);
  addKey("CmdLxFc", QStringLiteral("Lx/Fc"), {}, 1, 0, &Btn::lxFcClicked);
  addKey("CmdH", QStringLiteral("H"), {}, 1, 1, &Btn::holdClicked);
  addKey("CmdRead", QStringLiteral("READ"), {}, 1, 2, &Btn::readClicked);
  addKey("CmdCD", QStringLiteral("cd"), {}, 2, 0, &Btn::cdClicked);
  addKey("CmdMem", QStringLiteral("M"), tr("Automatically Record"), 2, 1, &Btn::autoRecordClicked);
  addKey("CmdMMM", QStringLiteral("m"), tr("Manually Record"), 2, 2, &Btn::manualRecordClicked);
  addKey("CmdPercent", QStringLiteral("%"), {}, 3, 0, &Btn::percentClicked);
  addKey("CmdAVG", QStringLiteral("AVG"), {}, 3, 1, &Btn::avgClicked);
  addKey("CmdComp", QStringLiteral("Comp"), {}, 3, 2, &Btn::compClicked);
  QPushButton* up = addKey("CmdUp", {}, {}, 4, 0, &Btn::upClicked);
  QPushButton* enter = addKey("CmdEnter", {}, {}, 4, 1, &Btn::enterClicked);
  QPushButton* down = addKey("CmdDown", {}, {}, 4, 2, &Btn::downClicked);
  up->setIcon(resourceIcon(QStringLiteral(":/icons/keypad-up.svg")));
  enter->setIcon(resourceIcon(QStringLiteral(":/icons/keypad-enter.svg")));
  down->setIcon(resourceIcon(QStringLiteral(":/icons/keypad-down.svg")));
  // The picture keys have no caption: screen readers get their names here.
  up->setAccessibleName(tr("Up"));
  enter->setAccessibleName(tr("Enter"));
  down->setAccessibleName(tr("Down"));
  for (QPushButton* b : {up, enter, down}) b->setIconSize(QSize(24, 24));

  adjustSize();
  setFixedSize(size());
}

QPushButton* Btn::addKey(const char* name, const QString& caption, const QString& toolTip, int row,
                         int column, void (Btn::*handler)()) {
  auto* key = new QPushButton(caption, this);
  key->setObjectName(QString::fromLatin1(name));
  if (!toolTip.isEmpty()) key->setToolTip(toolTip);
  key->setMinimumSize(56, 36);
  key->setAutoDefault(false);
  static_cast<QGridLayout*>(layout())->addWidget(key, row, column);
  connect(key, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
  return key;
}

Btn* Btn::find(Context& ctx) {
  return findOpenWindow<Btn>(ctx.panel,
                             [&ctx](Btn* b) { return !b->unloaded_ && &b->ctx_ == &ctx; });
}

Btn* Btn::showKeypad(Context& ctx) {
  Btn* keypad = find(ctx);
  if (!keypad) keypad = new Btn(ctx, ctx.panel);
  keypad->show();
  keypad->raise();
  keypad->activateWindow();
  return keypad;
}

void Btn::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (placed_) return;
  placed_ = true;
  // Just below the panel, centred on the panel's width from the screen's left edge (the panel
  // itself starts at the top-left corner). The window's frame is known once it is shown.
  placeNextToPanel(this, ctx_.panel,
                   {PanelPlace::Across::PanelWidthFromScreenLeft, PanelPlace::Down::PanelBottom});
}

void Btn::closeEvent(QCloseEvent* event) {
  unloaded_ = true;
  QWidget::closeEvent(event);
  if (exchangesRunning_ == 0) deleteLater();
}

void Btn::exchange(const std::function<void()>& handler) {
  QPointer<Btn> self(this);
  ctx_.link.runCommand(
      [self, handler] {
        // Clicked inside a poll tick's wait, this runs after the tick: the window may be gone.
        if (!self) return;
        ++self->exchangesRunning_;
        struct Done {
          QPointer<Btn> self;
          ~Done() {
            if (!self) return;
            --self->exchangesRunning_;
            // Closed during the exchange's waits: the window goes only now that its handler is
            // done.
            if (self->unloaded_ && self->exchangesRunning_ == 0) self->deleteLater();
          }
        } done{self};
        handler();
      },
      [self] {
        if (self) self->ctx_.dialogs.message(meterBusyMessage());
      });
}

void Btn::plainKey(KeypadKey key) {
  const KeypadKeyInfo& info = keypadKey(key);
  if ((info.refusedWhileLogging && ctx_.display.annIntv) || !info.letter) return;
  const Command letter = *info.letter;
  exchange([this, letter] {
    bool answered = false;
    {
      PollPause pause(ctx_.poll);
      answered = sendToMeter(ctx_, letter);
    }
    if (!answered) ctx_.dialogs.message(meterSilentMessage());
  });
}

void Btn::powerClicked() {
  exchange([this] {
    bool answered = false;
    {
      PollPause pause(ctx_.poll);
      answered = sendToMeter(ctx_, Command::KeyPower);
      if (answered) {
        // The meter switches off or restarts: wait until it sends again ("No COM" meanwhile),
        // then let the poll take it up afresh with a handshake and "M".
        waitingForMeter_ = true;
        struct Done {
          bool& flag;
          ~Done() { flag = false; }
        } done{waitingForMeter_};
        ctx_.link.reconnectMeter();
        ctx_.link.state().pollCount = 0;
      }
    }
    if (!answered) ctx_.dialogs.message(meterSilentMessage());
  });
}

void Btn::setClicked() {
  // The meter's SET key has no command letter: the setup menus are reached through the
  // program's own windows instead.
}

void Btn::timeClicked() {
  plainKey(KeypadKey::Time);
}
void Btn::lxFcClicked() {
  plainKey(KeypadKey::LxFc);
}
void Btn::holdClicked() {
  plainKey(KeypadKey::Hold);
}
void Btn::readClicked() {
  plainKey(KeypadKey::Read);
}
void Btn::autoRecordClicked() {
  plainKey(KeypadKey::AutoRecord);
}
void Btn::manualRecordClicked() {
  plainKey(KeypadKey::ManualRecord);
}
void Btn::percentClicked() {
  plainKey(KeypadKey::Percent);
}
void Btn::avgClicked() {
  plainKey(KeypadKey::Avg);
}
void Btn::compClicked() {
  plainKey(KeypadKey::Comp);
}
void Btn::upClicked() {
  plainKey(KeypadKey::Up);
}
void Btn::enterClicked() {
  plainKey(KeypadKey::Enter);
}
void Btn::downClicked() {
  plainKey(KeypadKey::Down);
}

void Btn::cdClicked() {
  if (keypadKey(KeypadKey::Cd).refusedWhileLogging && ctx_.display.annIntv) return;
  exchange([this] {
    if (!resendMeterDistance(ctx_.link)) ctx_.dialogs.message(meterSilentMessage());
  });
}

}  // namespace lux
