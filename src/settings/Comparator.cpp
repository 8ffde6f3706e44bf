#include "settings/Comparator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Context.h"
#include "core/MeterMessages.h"
#include "ui/OpenWindow.h"
#include "ui/Placement.h"

namespace lux {

namespace {
constexpr const char* kLux = "Lx";
constexpr const char* kFootCandle = "Fc";

void setBoxEmpty(QComboBox* box) {
  box->setCurrentIndex(-1);
}
void setBoxZero(QComboBox* box) {
  box->setCurrentIndex(0);
}

QGroupBox* limitRow(const QString& name, const QString& caption, const QString& digitName,
                    const QString& decName, std::array<QComboBox*, 7>& digits,
                    std::array<QRadioButton*, 7>& options) {
  auto* frame = new QGroupBox(caption);
  frame->setObjectName(name);
  auto* row = new QHBoxLayout(frame);
  for (int k = 1; k <= 6; ++k) {
    auto* box = new QComboBox;
    box->setObjectName(digitName + QString::number(k));
    box->setProperty("index", k);
    for (int d = 0; d <= 9; ++d) box->addItem(QString::number(d));
    box->setCurrentIndex(-1);
    box->setMinimumContentsLength(1);
    // Screen readers say which limit and which digit the box holds ("HIGH digit 2").
    box->setAccessibleName(Comparator::tr("%1 digit %2").arg(caption).arg(k));
    digits[k] = box;
    auto* option = new QRadioButton;
    option->setObjectName(decName + QString::number(k));
    option->setProperty("index", k);
    // The two rows keep one range between them, so the window manages the selection itself.
    option->setAutoExclusive(false);
    option->setToolTip(Comparator::tr("Decimal point after digit %1").arg(k));
    options[k] = option;
    row->addWidget(box);
    row->addWidget(option);
  }
  // Boxes 5 and 6 only show the fixed trailing zeros of the two widest ranges.
  digits[5]->setEnabled(false);
  digits[6]->setEnabled(false);
  return frame;
}
}  // namespace

Comparator::Comparator(Context& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName(QStringLiteral("Comparator"));
  setWindowTitle(tr("Comparator"));

  auto* layout = new QVBoxLayout(this);
  auto* unitRow = new QHBoxLayout;
  auto* unitLabel = new QLabel(tr("Unit"));
  txtUnit_ = new QComboBox;
  txtUnit_->setObjectName(QStringLiteral("TxtUnit"));
  txtUnit_->addItem(kLux);
  txtUnit_->addItem(kFootCandle);
  txtUnit_->setCurrentIndex(-1);  // no unit until the meter's or the user's choice
  unitLabel->setBuddy(txtUnit_);
  unitRow->addWidget(unitLabel);
  unitRow->addWidget(txtUnit_);
  unitRow->addStretch();
  layout->addLayout(unitRow);

  ssFrame1_ = limitRow(QStringLiteral("SSFrame1"), QStringLiteral("HIGH"), QStringLiteral("HighO"),
                       QStringLiteral("HODec"), highO_, hoDec_);
  ssFrame2_ = limitRow(QStringLiteral("SSFrame2"), QStringLiteral("LOW"), QStringLiteral("LowO"),
                       QStringLiteral("LODec"), lowO_, loDec_);
  layout->addWidget(ssFrame1_);
  layout->addWidget(ssFrame2_);

  cmdUpdate_ = new QPushButton(tr("Update"));
  cmdUpdate_->setObjectName(QStringLiteral("CmdUpdate"));
  lblLimits_ = new QLabel;
  lblLimits_->setObjectName(QStringLiteral("LblLimits"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblLimits_);
  buttons->addStretch();
  buttons->addWidget(cmdUpdate_);
  layout->addLayout(buttons);

  connect(txtUnit_, &QComboBox::activated, this, [this](int) { unitActivated(); });
  for (int k = 1; k <= 6; ++k) {
    connect(hoDec_[k], &QRadioButton::clicked, this, [this, k] { highDecimalClicked(k); });
    connect(loDec_[k], &QRadioButton::clicked, this, [this, k] { lowDecimalClicked(k); });
  }
  connect(cmdUpdate_, &QPushButton::clicked, this, [this] { updateClicked(); });
  connect(txtUnit_, &QComboBox::currentIndexChanged, this, [this] { refreshLimits(); });
  for (int k = 1; k <= 6; ++k) {
    for (QComboBox* box : {highO_[k], lowO_[k]})
      connect(box, &QComboBox::currentIndexChanged, this, [this] { refreshLimits(); });
    for (QRadioButton* option : {hoDec_[k], loDec_[k]})
      connect(option, &QRadioButton::toggled, this, [this] { refreshLimits(); });
  }
  refreshLimits();

  adjustSize();
  placeBesidePanel();
}

Comparator* Comparator::find(Context& ctx) {
  return findOpenWindow<Comparator>(
      ctx.panel, [&ctx](Comparator* c) { return !c->unloaded_ && &c->ctx_ == &ctx; });
}

Comparator* Comparator::showFresh(Context& ctx) {
  if (Comparator* old = find(ctx); old && old->isVisible()) old->close();
  auto* w = new Comparator(ctx, ctx.panel);
  w->show();
  return w;
}

void Comparator::placeBesidePanel() {
  placeNextToPanel(this, ctx_.panel, {PanelPlace::Across::PanelRight, PanelPlace::Down::PanelTop});
}

void Comparator::closeEvent(QCloseEvent* event) {
  unloaded_ = true;
  QWidget::closeEvent(event);
  if (exchangesRunning_ == 0) deleteLater();
}

void Comparator::exchange(const std::function<void()>& handler) {
  QPointer<Comparator> self(this);
  ctx_.link.runCommand(
      [self, handler] {
        // Clicked inside a poll tick's wait, this runs after the tick: the window may be gone.
        if (!self) return;
        ++self->exchangesRunning_;
        struct Done {
          QPointer<Comparator> self;
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

void Comparator::unitActivated() {
  if (txtUnit_->currentText() == kLux) {
    // Lux has no d.ddd range; a selection left there from foot-candles would show a range
    // the meter is not sent, so it goes with the option.
    hoDec_[1]->setChecked(false);
    loDec_[1]->setChecked(false);
    hoDec_[1]->setEnabled(false);
    loDec_[1]->setEnabled(false);
    hoDec_[6]->setEnabled(true);
    loDec_[6]->setEnabled(true);
  } else {
    hoDec_[1]->setEnabled(true);
    loDec_[1]->setEnabled(true);
    hoDec_[6]->setChecked(false);
    loDec_[6]->setChecked(false);
    hoDec_[6]->setEnabled(false);
    loDec_[6]->setEnabled(false);
    setBoxEmpty(highO_[6]);
    setBoxEmpty(lowO_[6]);
    highO_[6]->setEnabled(false);
    lowO_[6]->setEnabled(false);
  }
}

void Comparator::selectOption(Row row, int k) {
  auto& options = row == Row::High ? hoDec_ : loDec_;
  for (int i = 1; i <= 6; ++i) options[i]->setChecked(i == k);
}

void Comparator::decimalClicked(Row clicked, int k) {
  // A click keeps its option selected (a second click does not clear it), and the other row
  // follows: both limits always share one range.
  selectOption(clicked, k);
  const auto& from = clicked == Row::High ? hoDec_ : loDec_;
  auto& to = clicked == Row::High ? loDec_ : hoDec_;
  for (int i = 1; i <= 6; ++i) to[i]->setChecked(from[i]->isChecked());
  applyRangeToBoxes(k);
}

void Comparator::applyRangeToBoxes(int k) {
  for (auto* digits : {&highO_, &lowO_}) {
    QComboBox* five = (*digits)[5];
    QComboBox* six = (*digits)[6];
    if (k == 5) {
      setBoxZero(five);
      setBoxEmpty(six);
    } else if (k == 6) {
      setBoxZero(five);
      setBoxZero(six);
    } else {
      setBoxEmpty(five);
      setBoxEmpty(six);
    }
    five->setEnabled(false);
    six->setEnabled(false);
  }
}

void Comparator::highDecimalClicked(int k) {
  if (k >= 1 && k <= 6) decimalClicked(Row::High, k);
}

void Comparator::lowDecimalClicked(int k) {
  if (k >= 1 && k <= 6) decimalClicked(Row::Low, k);
}

void Comparator::refreshLimits() {
  const int option = selectedOption();
  auto limit = [option](const std::array<QComboBox*, 7>& boxes) {
    std::string digits;
    for (int i = 1; i <= 4; ++i) digits += boxes[i]->currentText().toStdString();
    return QString::fromStdString(comparatorLimitText(digits, option));
  };
  const QString high = limit(highO_);
  const QString low = limit(lowO_);
  if (high.isEmpty() || low.isEmpty()) {
    lblLimits_->setText(option ? QString() : tr("Choose the range"));
    return;
  }
  const QString unit = txtUnit_->currentText();
  lblLimits_->setText(QStringLiteral("HIGH %1 %3   LOW %2 %3").arg(high, low, unit).trimmed());
}

int Comparator::selectedOption() const {
  for (int i = 1; i <= 6; ++i)
    if (hoDec_[i]->isChecked()) return i;
  return 0;
}

QByteArray Comparator::updatePayload() const {
  auto digits = [](const std::array<QComboBox*, 7>& boxes) {
    std::array<std::string, 4> texts;
    for (int i = 1; i <= 4; ++i) texts[i - 1] = boxes[i]->currentText().toStdString();
    return limitFromDigitTexts(texts);
  };
  const std::string p = encodeComparatorPayload(txtUnit_->currentText() == kLux, selectedOption(),
                                                digits(highO_), digits(lowO_));
  return QByteArray(p.data(), static_cast<qsizetype>(p.size()));
}

void Comparator::fillFromSettingsBlock(const SettingsBlock& block) {
  const std::string high = limitDigitsText(block.high);
  const std::string low = limitDigitsText(block.low);
  for (int i = 1; i <= 4; ++i) {
    highO_[i]->setCurrentIndex(high[i - 1] - '0');
    lowO_[i]->setCurrentIndex(low[i - 1] - '0');
  }
  const bool lux = block.lux();
  txtUnit_->setCurrentIndex(txtUnit_->findText(lux ? kLux : kFootCandle));
  unitActivated();
  const int chosen = comparatorOptionOf(block);
  selectOption(Row::High, chosen);
  selectOption(Row::Low, chosen);
  if (chosen) applyRangeToBoxes(chosen);
}

void Comparator::updateClicked() {
  exchange([this] {
    if (!sendComparatorLimits(ctx_.link, updatePayload()))
      ctx_.dialogs.message(meterSilentMessage());
  });
}

}  // namespace lux
