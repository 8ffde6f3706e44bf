// The comparator window: the unit and range rules on its controls, the twin option rows, and the
// bytes "Update" sends to the simulated meter.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "MeterBench.h"
#include "settings/Comparator.h"

namespace lux::test {
namespace {

class ComparatorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    w = new Comparator(b.ctx);
    b.forget();
  }
  void TearDown() override { delete w; }

  void chooseUnit(const char* unit) {
    w->txtUnit()->setCurrentIndex(w->txtUnit()->findText(unit));
    emit w->txtUnit()->activated(w->txtUnit()->currentIndex());  // as the user's pick does
  }
  void setDigits(const std::array<QComboBox*, 7>& row, const char* digits) {
    for (int i = 1; i <= 4; ++i) row[i]->setCurrentIndex(digits[i - 1] - '0');
  }
  int checkedCount(const std::array<QRadioButton*, 7>& row) {
    int n = 0;
    for (int i = 1; i <= 6; ++i) n += row[i]->isChecked();
    return n;
  }

  MeterBench b;
  Comparator* w = nullptr;
};

TEST_F(ComparatorWindow, LoadsEmptyWithItsCaptionsAndDigitItems) {
  EXPECT_EQ(w->windowTitle(), "Comparator");
  EXPECT_EQ(w->txtUnit()->currentText(), "");
  EXPECT_EQ(w->txtUnit()->count(), 2);
  EXPECT_EQ(w->lblLimits()->text(), "Choose the range");
  EXPECT_EQ(w->ssFrame1()->title(), "HIGH");
  EXPECT_EQ(w->ssFrame2()->title(), "LOW");
  EXPECT_EQ(w->cmdUpdate()->text(), "Update");
  for (int k = 1; k <= 6; ++k) {
    ASSERT_EQ(w->highO()[k]->count(), 10);
    EXPECT_EQ(w->highO()[k]->itemText(9), "9");
    EXPECT_EQ(w->findChild<QComboBox*>(QStringLiteral("LowO%1").arg(k)), w->lowO()[k]);
    EXPECT_EQ(w->findChild<QRadioButton*>(QStringLiteral("HODec%1").arg(k)), w->hoDec()[k]);
  }
  EXPECT_FALSE(w->highO()[5]->isEnabled());
  EXPECT_FALSE(w->lowO()[6]->isEnabled());
}

TEST_F(ComparatorWindow, UpdateSendsTheLuxExampleAndTheMeterTakesIt) {
  chooseUnit("Lx");
  w->hoDec()[3]->click();
  setDigits(w->highO(), "1234");
  setDigits(w->lowO(), "0050");
  EXPECT_EQ(w->lblLimits()->text(), "HIGH 123.4 Lx   LOW 5.0 Lx");
  w->cmdUpdate()->click();
  EXPECT_EQ(withoutHandshakes(b.letters()), "HVX");
  EXPECT_EQ(b.payloadOf('V'), bytes({0x42, 0x04, 0xD2, 0x00, 0x32}));
  EXPECT_EQ(b.meter.settings().comparator, 0x42);
  EXPECT_EQ(b.meter.settings().high, 1234);
  EXPECT_EQ(b.meter.settings().low, 50);
  EXPECT_TRUE(b.meter.annunciator(sim::Annunciator::Comp)) << "the closing X switches COMP on";
  EXPECT_TRUE(b.dialogs.messages().empty());
  EXPECT_TRUE(w->isEnabled());

  // A LOW above HIGH goes as entered.
  b.forget();
  setDigits(w->lowO(), "9999");
  w->updateClicked();
  EXPECT_EQ(b.payloadOf('V'), bytes({0x42, 0x04, 0xD2, 0x27, 0x0F}));
}

TEST_F(ComparatorWindow, FootCandlesWithTheWidestRange) {
  chooseUnit("Fc");
  EXPECT_TRUE(w->hoDec()[1]->isEnabled());
  EXPECT_FALSE(w->hoDec()[6]->isEnabled());
  w->hoDec()[5]->click();
  for (auto* row : {&w->highO(), &w->lowO()}) {
    EXPECT_EQ((*row)[5]->currentText(), "0");
    EXPECT_EQ((*row)[6]->currentText(), "");
    EXPECT_FALSE((*row)[5]->isEnabled());
  }
  EXPECT_EQ(static_cast<unsigned char>(w->updatePayload()[0]), 0x30);
}

TEST_F(ComparatorWindow, FootCandlesAfterOptionSixLeavesNoRangeAndSendsTheFifth) {
  chooseUnit("Lx");
  EXPECT_FALSE(w->hoDec()[1]->isEnabled());
  EXPECT_TRUE(w->hoDec()[6]->isEnabled());
  w->loDec()[6]->click();
  EXPECT_EQ(w->highO()[5]->currentText(), "0");
  EXPECT_EQ(w->highO()[6]->currentText(), "0");
  EXPECT_EQ(static_cast<unsigned char>(w->updatePayload()[0]), 64 + 16);
  chooseUnit("Fc");
  EXPECT_EQ(checkedCount(w->hoDec()), 0);
  EXPECT_EQ(checkedCount(w->loDec()), 0);
  EXPECT_EQ(w->highO()[6]->currentText(), "");
  EXPECT_EQ(w->lowO()[6]->currentText(), "");
  EXPECT_FALSE(w->highO()[6]->isEnabled());
  EXPECT_FALSE(w->hoDec()[6]->isEnabled());
  w->cmdUpdate()->click();
  ASSERT_TRUE(b.payloadOf('V'));
  EXPECT_EQ(static_cast<unsigned char>((*b.payloadOf('V'))[0]), 32 + 16);
}

TEST_F(ComparatorWindow, BothRowsAlwaysShareOneRange) {
  chooseUnit("Lx");
  w->hoDec()[2]->click();
  w->loDec()[4]->click();  // a LOW option moves HIGH along
  EXPECT_TRUE(w->hoDec()[4]->isChecked());
  EXPECT_EQ(checkedCount(w->hoDec()), 1);
  EXPECT_EQ(checkedCount(w->loDec()), 1);
  EXPECT_EQ(w->selectedOption(), 4);
  w->hoDec()[4]->click();  // a second click keeps the option
  EXPECT_TRUE(w->hoDec()[4]->isChecked());
  EXPECT_TRUE(w->loDec()[4]->isChecked());
  w->hoDec()[6]->click();
  EXPECT_TRUE(w->loDec()[6]->isChecked());
  EXPECT_EQ(w->lowO()[5]->currentText(), "0");
  w->loDec()[3]->click();  // back to a narrow range: the trailing zeros go
  EXPECT_EQ(w->highO()[5]->currentText(), "");
  EXPECT_EQ(w->highO()[6]->currentText(), "");
  EXPECT_EQ(static_cast<unsigned char>(w->updatePayload()[0]), 64 + 2);
}

TEST_F(ComparatorWindow, LuxAfterFootCandleOptionOneShowsNoRangeItDoesNotSend) {
  chooseUnit("Fc");
  w->hoDec()[1]->click();
  chooseUnit("Lx");
  EXPECT_FALSE(w->hoDec()[1]->isChecked());
  EXPECT_FALSE(w->loDec()[1]->isChecked());
  EXPECT_EQ(static_cast<unsigned char>(w->updatePayload()[0]), 64 + 16);
}

TEST_F(ComparatorWindow, SitsAtThePanelsRightEdge) {
  QWidget panel;
  panel.setGeometry(40, 30, 500, 380);
  panel.show();
  b.ctx.setPanel(&panel);
  Comparator* placed = Comparator::showFresh(b.ctx);
  const QRect p = panel.frameGeometry();
  EXPECT_EQ(placed->pos(), QPoint(p.x() + p.width(), p.y()));
  EXPECT_EQ(Comparator::find(b.ctx), placed);
  placed->close();
  EXPECT_EQ(Comparator::find(b.ctx), w) << "a window that is closing is not the open one";
  w->close();
  EXPECT_EQ(Comparator::find(b.ctx), nullptr);
  b.ctx.setPanel(nullptr);
}

TEST_F(ComparatorWindow, UpdateToASilentMeterSaysSo) {
  chooseUnit("Lx");
  w->hoDec()[2]->click();
  b.meter.goSilent(60);
  b.dialogs.expectMessage();
  w->cmdUpdate()->click();
  EXPECT_EQ(b.dialogs.messages().back(), meterSilentMessage());
  EXPECT_FALSE(b.payloadOf('V'));
}

}  // namespace
}  // namespace lux::test
