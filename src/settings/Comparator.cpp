#include "settings/Comparator.h"

#include <QApplication>
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
  TxtUnit = new QComboBox;
  TxtUnit->setObjectName(QStringLiteral("TxtUnit"));
  TxtUnit->addItem(kLux);
  TxtUnit->addItem(kFootCandle);
  TxtUnit->setCurrentIndex(-1);  // no unit until the meter's or the user's choice
  unitLabel->setBuddy(TxtUnit);
  unitRow->addWidget(unitLabel);
  unitRow->addWidget(TxtUnit);
  unitRow->addStretch();
  layout->addLayout(unitRow);

  SSFrame1 = limitRow(QStringLiteral("SSFrame1"), QStringLiteral("HIGH"), QStringLiteral("HighO"),
                      QStringLiteral("HODec"), HighO, HODec);
  SSFrame2 = limitRow(QStringLiteral("SSFrame2"), QStringLiteral("LOW"), QStringLiteral("LowO"),
                      QStringLiteral("LODec"), LowO, LODec);
  layout->addWidget(SSFrame1);
  layout->addWidget(SSFrame2);

  CmdUpdate = new QPushButton(tr("Update"));
  CmdUpdate->setObjectName(QStringLiteral("CmdUpdate"));
  LblLimits = new QLabel;
  LblLimits->setObjectName(QStringLiteral("LblLimits"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(LblLimits);
  buttons->addStretch();
  buttons->addWidget(CmdUpdate);
  layout->addLayout(buttons);

  connect(TxtUnit, &QComboBox::activated, this, [this](int) { unitActivated(); });
  for (int k = 1; k <= 6; ++k) {
    connect(HODec[k], &QRadioButton::clicked, this, [this, k] { highDecimalClicked(k); });
    connect(LODec[k], &QRadioButton::clicked, this, [this, k] { lowDecimalClicked(k); });
  }
  connect(CmdUpdate, &QPushButton::clicked, this, [this] { updateClicked(); });
  connect(TxtUnit, &QComboBox::currentIndexChanged, this, [this] { refreshLimits(); });
  for (int k = 1; k <= 6; ++k) {
    for (QComboBox* box : {HighO[k], LowO[k]})
      connect(box, &QComboBox::currentIndexChanged, this, [this] { refreshLimits(); });
    for (QRadioButton* option : {HODec[k], LODec[k]})
      connect(option, &QRadioButton::toggled, this, [this] { refreshLimits(); });
  }
  refreshLimits();

  adjustSize();
  placeBesidePanel();
}

Comparator* Comparator::find(Context& ctx) {
  QList<Comparator*> candidates;
  if (ctx.panel) candidates = ctx.panel->findChildren<Comparator*>();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* c = qobject_cast<Comparator*>(w)) candidates.append(c);
  for (Comparator* c : candidates)
    if (!c->unloaded_ && &c->ctx_ == &ctx) return c;
  return nullptr;
}

Comparator* Comparator::showFresh(Context& ctx) {
  if (Comparator* old = find(ctx); old && old->isVisible()) old->close();
  auto* w = new Comparator(ctx, ctx.panel);
  w->show();
  return w;
}

void Comparator::placeBesidePanel() {
  if (!ctx_.panel) return;
  const QRect p = ctx_.panel->frameGeometry();
  move(p.x() + p.width(), p.y());
}

void Comparator::closeEvent(QCloseEvent* event) {
  unloaded_ = true;
  QWidget::closeEvent(event);
  if (exchangesRunning_ == 0) deleteLater();
}

void Comparator::exchange(const std::function<void()>& handler) {
  QPointer<Comparator> self(this);
  ctx_.link.runCommand([self, handler] {
    // Clicked inside a poll tick's wait, this runs after the tick: the window may be gone.
    if (!self) return;
    ++self->exchangesRunning_;
    struct Done {
      QPointer<Comparator> self;
      ~Done() {
        if (!self) return;
        --self->exchangesRunning_;
        // Closed during the exchange's waits: the window goes only now that its handler is done.
        if (self->unloaded_ && self->exchangesRunning_ == 0) self->deleteLater();
      }
    } done{self};
    handler();
  });
}

void Comparator::unitActivated() {
  if (TxtUnit->currentText() == kLux) {
    // Lux has no d.ddd range; a selection left there from foot-candles would show a range
    // the meter is not sent, so it goes with the option.
    HODec[1]->setChecked(false);
    LODec[1]->setChecked(false);
    HODec[1]->setEnabled(false);
    LODec[1]->setEnabled(false);
    HODec[6]->setEnabled(true);
    LODec[6]->setEnabled(true);
  } else {
    HODec[1]->setEnabled(true);
    LODec[1]->setEnabled(true);
    HODec[6]->setChecked(false);
    LODec[6]->setChecked(false);
    HODec[6]->setEnabled(false);
    LODec[6]->setEnabled(false);
    setBoxEmpty(HighO[6]);
    setBoxEmpty(LowO[6]);
    HighO[6]->setEnabled(false);
    LowO[6]->setEnabled(false);
  }
}

void Comparator::selectOption(Row row, int k) {
  auto& options = row == Row::High ? HODec : LODec;
  for (int i = 1; i <= 6; ++i) options[i]->setChecked(i == k);
}

void Comparator::decimalClicked(Row clicked, int k) {
  // A click keeps its option selected (a second click does not clear it), and the other row
  // follows: both limits always share one range.
  selectOption(clicked, k);
  const auto& from = clicked == Row::High ? HODec : LODec;
  auto& to = clicked == Row::High ? LODec : HODec;
  for (int i = 1; i <= 6; ++i) to[i]->setChecked(from[i]->isChecked());
  applyRangeToBoxes(k);
}

void Comparator::applyRangeToBoxes(int k) {
  for (auto* digits : {&HighO, &LowO}) {
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
  const QString high = limit(HighO);
  const QString low = limit(LowO);
  if (high.isEmpty() || low.isEmpty()) {
    LblLimits->setText(option ? QString() : tr("Choose the range"));
    return;
  }
  const QString unit = TxtUnit->currentText();
  LblLimits->setText(QStringLiteral("HIGH %1 %3   LOW %2 %3").arg(high, low, unit).trimmed());
}

int Comparator::selectedOption() const {
  for (int i = 1; i <= 6; ++i)
    if (HODec[i]->isChecked()) return i;
  return 0;
}

QByteArray Comparator::updatePayload() const {
  auto digits = [](const std::array<QComboBox*, 7>& boxes) {
    std::array<std::string, 4> texts;
    for (int i = 1; i <= 4; ++i) texts[i - 1] = boxes[i]->currentText().toStdString();
    return limitFromDigitTexts(texts);
  };
  const std::string p = encodeComparatorPayload(TxtUnit->currentText() == kLux, selectedOption(),
                                                digits(HighO), digits(LowO));
  return QByteArray(p.data(), static_cast<qsizetype>(p.size()));
}

void Comparator::fillFromSettingsBlock(const SettingsBlock& block) {
  const std::string high = limitDigitsText(block.high);
  const std::string low = limitDigitsText(block.low);
  for (int i = 1; i <= 4; ++i) {
    HighO[i]->setCurrentIndex(high[i - 1] - '0');
    LowO[i]->setCurrentIndex(low[i - 1] - '0');
  }
  const bool lux = block.lux();
  TxtUnit->setCurrentIndex(TxtUnit->findText(lux ? kLux : kFootCandle));
  unitActivated();
  // In lux the five flags stand for options 2-6, in foot-candles for options 1-5. Where the
  // meter reports more than one flag the last one holds, as successive selections would.
  const int first = lux ? 2 : 1;
  int chosen = 0;
  for (int i = 1; i <= 5; ++i)
    if (block.decimalFlag(i)) chosen = i + first - 1;
  selectOption(Row::High, chosen);
  selectOption(Row::Low, chosen);
  if (chosen) applyRangeToBoxes(chosen);
}

void Comparator::updateClicked() {
  exchange([this] {
    const QByteArray payload = updatePayload();
    bool answered = backToNormalDisplay(ctx_) && sendToMeter(ctx_, Command::SetComparator, payload);
    if (answered) {
      ctx_.link.waitSeconds(0.2);
      answered = sendToMeter(ctx_, Command::KeyComp);
    }
    if (!answered) ctx_.dialogs.message(meterSilentMessage());
  });
}

}  // namespace lux
