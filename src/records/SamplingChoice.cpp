#include "records/SamplingChoice.h"

#include <QFont>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/Protocol.h"
#include "records/DataFormat.h"
#include "records/RecordsContext.h"
#include "records/engine/LoggerSampling.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

namespace lux {

namespace {
// Looked up when shown, so that the texts follow the translation installed at start-up.
QString inputTitle() {
  return SamplingChoice::tr("Input Sampling Time");
}
QString invalidFormatMessage() {
  return SamplingChoice::tr("Invalid, comply with the data format properly\r\n");
}

}  // namespace

SamplingChoice::SamplingChoice(RecordsContext& ctx, QWidget* parent)
    : QDialog(parent ? parent : ctx.panel), ctx_(ctx) {
  setObjectName(QStringLiteral("SamplingChoice"));
  setWindowTitle(tr("Sampling Rate"));
  setModal(true);
  QFont f;
  f.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
  setFont(f);
  optPC_ = new QRadioButton(tr("PC Sampling Rate"), this);
  optPC_->setObjectName(QStringLiteral("OptPC"));
  optMeter_ = new QRadioButton(tr("Meter Sampling Rate"), this);
  optMeter_->setObjectName(QStringLiteral("OptMeter"));
  optMeter_->setChecked(true);
  cmdOk_ = new QPushButton(tr("OK"), this);
  cmdOk_->setObjectName(QStringLiteral("CmdOK"));
  cmdOk_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(optPC_);
  layout->addWidget(optMeter_);
  layout->addWidget(cmdOk_);
  connect(cmdOk_, &QPushButton::clicked, this, [this] {
    // The exchange holds the line. A failure in it ends it; the window still closes and the
    // poll comes back.
    QPointer<SamplingChoice> self(this);
    ctx_.link.runCommand([self] {
      if (!self) return;
      struct Close {
        QPointer<SamplingChoice> self;
        ~Close() {
          if (self && self->isVisible()) self->reject();
        }
      } close{self};
      self->okClicked();
    });
  });
  // A little in from the panel's top-left corner.
  if (ctx.panel)
    placeNextToPanel(this, ctx.panel,
                     {PanelPlace::Across::PanelLeft, PanelPlace::Down::PanelTop,
                      twipsPoint(ctx.panel, 120, 840)});
}

SamplingChoice::~SamplingChoice() {
  ctx_.poll.setPollEnabled(true);
}

void SamplingChoice::okClicked() {
  if (optPC_->isChecked()) {
    pcPath();
  } else {
    meterPath();
  }
  accept();
}

void SamplingChoice::pcPath() {
  RecordingState& r = ctx_.recording;
  for (;;) {
    const QString answer =
        ctx_.dialogs.input(tr("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "),
                           inputTitle(), QString::number(static_cast<double>(r.samplingTicks)));
    if (answer.isEmpty()) return;
    const std::optional<int> seconds = pcSamplingSeconds(answer.toLatin1().toStdString());
    if (!seconds) {
      // A word is not a period: refuse it and ask again, changing nothing.
      ctx_.dialogs.message(invalidFormatMessage());

      continue;
    }
    r.samplingTicks = static_cast<float>(*seconds);
    r.samplingTickCount = 0;
    return;
  }
}

void SamplingChoice::meterPath() {
  MeterLink& link = ctx_.link;
  ctx_.poll.setPollEnabled(false);

  // Read the meter's setting; a meter that never answers with 8 bytes must not hold the
  // program: after a few seconds of trying the user is told.
  const auto current = requestLoggerSampling(link, kMeterReadTimeoutSeconds);
  if (!current) {
    ctx_.dialogs.message(tr("The meter did not answer, try again !"));
    return;
  }
  const QString defaultText = QString::fromStdString(hexPair(current->first)) + ':' +
                              QString::fromStdString(hexPair(current->second));

  for (;;) {
    const QString answer = ctx_.dialogs.input(
        tr("Enter the SAMPLING TIME of the Meter\r\n (MM:SS) "), inputTitle(), defaultText);
    if (answer.isEmpty()) return;
    const auto bytes = meterSamplingBytes(answer.toLatin1().toStdString());
    if (!bytes) {
      ctx_.dialogs.message(invalidFormatMessage());

      continue;
    }
    if (!sendLoggerSampling(link, bytes->first, bytes->second))
      ctx_.dialogs.message(tr("The meter did not answer, try again !"));
    return;
  }
}

void pcCommand(RecordsContext& ctx) {
  SamplingChoice window(ctx);
  window.exec();
}

}  // namespace lux
