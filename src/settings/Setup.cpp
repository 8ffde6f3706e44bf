#include "settings/Setup.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <string_view>

#include "core/Context.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

namespace lux {

namespace {
// Looked up when shown, so that the captions follow the translation installed at start-up.
QString meterTimeCaption() {
  return Setup::tr("Meter Time");
}
QString pcTimeCaption() {
  return Setup::tr("PC System Time");
}
QString loggingMessage() {
  return Setup::tr("Recording mode, stop record then try again !");
}
// Seconds "Set Meter Time" listens for a display frame before it changes the clock.
constexpr double kDisplayCheck = 0.5;
}  // namespace

Setup::Setup(Context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  pollPause_.emplace(ctx_.poll);
  setObjectName(QStringLiteral("Setup"));
  setWindowTitle(tr("Setup"));

  auto* layout = new QVBoxLayout(this);
  frameTime_ = new QGroupBox(tr("Time"));
  frameTime_->setObjectName(QStringLiteral("FrameTime"));
  auto* labels = new QVBoxLayout(frameTime_);
  auto makeLabel = [&](const QString& name, const QString& caption, const QString& tip) {
    auto* l = new ClickableLabel(caption);
    l->setObjectName(name);
    l->setToolTip(tip);
    l->setFocusPolicy(Qt::StrongFocus);
    l->setKeyboardClicks(true);
    l->setCursor(Qt::PointingHandCursor);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setPointSize(14);
    l->setFont(f);
    l->setMinimumWidth(twipsX(this, 3000));
    labels->addWidget(l);
    return l;
  };
  lblMeterTime_ = makeLabel(QStringLiteral("LblMeterTime"), meterTimeCaption(),
                            tr("Click to show or hide the meter's clock"));
  lblPcTime_ = makeLabel(QStringLiteral("LblPCTime"), pcTimeCaption(),
                         tr("Click to show or hide the PC's clock"));
  layout->addWidget(frameTime_);

  cmdSetTime_ = new QPushButton(tr("Set Meter Time To System Time"));
  cmdSetTime_->setObjectName(QStringLiteral("CmdSetTime"));
  cmdExit_ = new QPushButton(tr("Exit"));
  cmdExit_->setObjectName(QStringLiteral("CmdExit"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdSetTime_);
  buttons->addWidget(cmdExit_);
  layout->addLayout(buttons);

  connect(lblMeterTime_, &ClickableLabel::clicked, this, [this] { meterTimeClicked(); });
  connect(lblPcTime_, &ClickableLabel::clicked, this, [this] { pcTimeClicked(); });
  connect(cmdSetTime_, &QPushButton::clicked, this, [this] { setTimeClicked(); });
  connect(cmdExit_, &QPushButton::clicked, this, [this] { exitClicked(); });

  adjustSize();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(350);
  connect(timer1_, &QTimer::timeout, this, [this] { clockTick(); });
  timer1_->start();
}

Setup::~Setup() {
  unload();
}

void Setup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (placed_) return;
  placed_ = true;
  // Centred over the panel, 1000 twips below its top; the window's frame is known once shown.
  placeNextToPanel(this, ctx_.panel,
                   {PanelPlace::Across::CentredOnPanel, PanelPlace::Down::PanelTop,
                    QPoint(0, twipsY(this, 1000))});
}

void Setup::meterTimeClicked() {
  meterTimeShown_ = !meterTimeShown_;
}

void Setup::pcTimeClicked() {
  pcTimeShown_ = !pcTimeShown_;
}

void Setup::clockTick() {
  tickGuard_.run([this] {
    if (unloaded_) return;
    if (ctx_.display.annIntv) {
      // The meter's logger started recording: the line is no longer ours to use.
      closeForLogging();
      return;
    }
    if (meterTimeShown_) {
      // Another command has the line (a click that landed in this window's waits): skip this
      // reading, the next tick comes in 350 ms.
      if (ctx_.link.lineHeld()) return;
      std::optional<QByteArray> reply;
      bool logging = false;
      ctx_.link.runCommand([this, &reply, &logging] {
        // The panel's poll is off, so the window watches the display itself: the frames that
        // came since its last request tell whether the meter started logging meanwhile.
        logging = loggingShownIn(ctx_.link.readAll(), ctx_.display).value_or(false);
        if (logging) return;
        reply = requestClockReply(
            ctx_, [this] { return !unloaded_ && meterTimeShown_ && !setTimePending_; });
        // The request ended the meter's display stream: the frames come again until the next.
        if (reply) ctx_.link.send(Command::Stream);
      });
      if (unloaded_) return;
      if (logging) {
        closeForLogging();
        return;
      }
      if (reply) {
        const auto caption = meterClockCaption(
            std::string_view(reply->constData(), static_cast<std::size_t>(reply->size())));
        lblMeterTime_->setText(QString::fromStdString(*caption));
      } else if (meterTimeShown_ && !setTimePending_) {
        giveUp();
        return;
      } else if (!meterTimeShown_) {
        lblMeterTime_->setText(meterTimeCaption());
      }
    } else {
      lblMeterTime_->setText(meterTimeCaption());
      // Nothing is asked of the meter, but what it still streams shows its logger too.
      bool logging = false;
      if (!ctx_.link.lineHeld()) {
        ctx_.link.runCommand([this, &logging] {
          logging = loggingShownIn(ctx_.link.readAll(), ctx_.display).value_or(false);
        });
      }
      if (logging) {
        closeForLogging();
        return;
      }
    }
    if (pcTimeShown_) {
      // Day of month and time of day: characters 9 to 19 of "yyyy/mm/dd hh:nn:ss".
      lblPcTime_->setText(
          ctx_.clock.localDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).mid(8, 11));
    } else {
      lblPcTime_->setText(pcTimeCaption());
    }
    if (setTimePending_) {
      // "Set" was clicked while this tick read the clock: it runs now, after the read.
      setTimePending_ = false;
      setMeterTime();
    }
  });
}

void Setup::setTimeClicked() {
  if (tickGuard_.running()) {
    // Clicked inside a tick's wait: the tick cuts its read short and sets the clock itself, so
    // the two never share the line.
    setTimePending_ = true;
    return;
  }
  setMeterTime();
}

void Setup::setMeterTime() {
  if (ctx_.link.lineHeld()) return;
  ctx_.link.runCommand([this] {
    // The window's own reads stop while the clock is set, so no tick interleaves with it.
    timer1_->stop();
    // A logging meter's clock stamps its running set: it is not changed under it.
    if (meterShowsLogging(ctx_, kDisplayCheck)) {
      if (!unloaded_) closeForLogging();
      return;
    }
    if (unloaded_) return;
    const QDateTime now = ctx_.clock.localDateTime();
    const std::string p = encodeClockPayload(now.date().day(), now.time().hour(),
                                             now.time().minute(), now.time().second());
    const QByteArray payload(p.data(), static_cast<qsizetype>(p.size()));
    const bool answered =
        backToNormalDisplay(ctx_) && !unloaded_ && sendToMeter(ctx_, Command::SetClock, payload);
    if (unloaded_) return;
    if (!answered) {
      giveUp();
      return;
    }
    timer1_->start();
  });
}

void Setup::exitClicked() {
  close();
}

void Setup::closeForLogging() {
  timer1_->stop();
  close();
  ctx_.dialogs.message(loggingMessage());
}

void Setup::giveUp() {
  timer1_->stop();
  lblMeterTime_->setText(meterTimeCaption());
  meterTimeShown_ = false;
  ctx_.dialogs.message(meterSilentMessage());
  close();
}

void Setup::closeEvent(QCloseEvent* event) {
  unload();
  QDialog::closeEvent(event);
}

void Setup::done(int result) {
  unload();
  QDialog::done(result);
}

void Setup::unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (timer1_) timer1_->stop();
  pollPause_.reset();  // the panel's poll runs again
}

void showMeterClock(Context& ctx) {
  // Clicked inside another exchange's waits: the window opens once that exchange is over.
  ctx.link.runWhenLineFree([&ctx] { openMeterClock(ctx); },
                           [&ctx] { ctx.dialogs.message(meterBusyMessage()); });
}

void openMeterClock(Context& ctx) {
  if (ctx.display.annIntv) {
    ctx.dialogs.message(loggingMessage());
    return;
  }
  // On the heap: the window deletes itself when exec() returns, also if the panel (its parent)
  // goes first.
  QPointer<Setup> window = new Setup(ctx, ctx.panel);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->exec();
}

}  // namespace lux
