// The toolbar's Hold, CD and Comp exchanges against the simulated meter: the bytes the meter
// receives, what it holds afterwards, and what the user is asked and told.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include "MeterBench.h"
#include "settings/Comparator.h"
#include "settings/MeterExchange.h"
#include "settings/ParameterInputs.h"

namespace lux::test {
namespace {

const QString kInvalid = QStringLiteral("Invalid, comply with the data format properly\r\n");

class ParameterInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    installParameterInputs(b.ctx);
    b.forget();
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<Comparator*>(w)) delete w;
  }
  void click(ToolbarCommand key) { b.ctx.hooks.commands.run(key); }

  MeterBench b;
};

TEST_F(ParameterInputs, HoldSendsMinutesAndSecondsAsPackedBcd) {
  b.dialogs.answerInput("5:7");
  click(ToolbarCommand::Hold);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HS");
  EXPECT_EQ(b.payloadOf('S'), bytes({0x05, 0x07}));
  EXPECT_EQ(b.meter.holdMinutes(), 5);
  EXPECT_EQ(b.meter.holdSeconds(), 7);
  ASSERT_EQ(b.dialogs.shown().size(), 1u);
  const auto& box = b.dialogs.shown()[0];
  EXPECT_EQ(box.text, QStringLiteral("Enter the TIME to Hold\r\n (MM:SS) "));
  EXPECT_EQ(box.title, QStringLiteral("Input Hold Time"));
  EXPECT_EQ(box.defaultText, QStringLiteral("00:00"));
  EXPECT_FALSE(b.link.lineHeld()) << "the command gave the line back";
  EXPECT_EQ(b.state.link.pollCount, 0) << "the next tick restarts the display stream";

  b.forget();
  b.dialogs.answerInput("75:80");
  click(ToolbarCommand::Hold);
  EXPECT_EQ(b.payloadOf('S'), bytes({0x59, 0x59}));
  EXPECT_EQ(b.meter.holdMinutes(), 59);
  EXPECT_EQ(b.meter.holdSeconds(), 59);
}

TEST_F(ParameterInputs, HoldAsksAgainAfterEachInvalidEntry) {
  b.dialogs.answerInput(":30").expectMessage().answerInput("130").expectMessage();
  b.dialogs.answerInput("1:2:3").expectMessage().answerInput("12:").expectMessage();
  b.dialogs.answerInput("2:30");
  click(ToolbarCommand::Hold);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>(4, kInvalid));
  for (const auto& s : b.dialogs.shown())
    if (s.kind == ScriptedDialogs::Kind::Input) {
      EXPECT_EQ(s.defaultText, "00:00");
    }
  EXPECT_EQ(withoutHandshakes(b.letters()), "HS");
  EXPECT_EQ(b.payloadOf('S'), bytes({0x02, 0x30}));
}

TEST_F(ParameterInputs, HoldCancelledOrNegativeSendsNoHoldTime) {
  b.meter.setHoldTime(3, 3);
  b.dialogs.answerInput("");
  click(ToolbarCommand::Hold);
  b.dialogs.answerInput("-1:30");
  click(ToolbarCommand::Hold);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HH");
  EXPECT_EQ(b.meter.holdMinutes(), 3);
  EXPECT_TRUE(b.dialogs.messages().empty());
}

TEST_F(ParameterInputs, DistanceProposesTheMetersOwnAndSendsTheEntry) {
  b.meter.settings().distance100 = 0x012C;
  b.state.display.unitText = "Fc";
  b.dialogs.answerInput("0.5");
  click(ToolbarCommand::CD);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HZI");
  EXPECT_EQ(b.payloadOf('I'), bytes({0x00, 0x32}));
  EXPECT_EQ(b.meter.settings().distance100, 50);
  ASSERT_EQ(b.dialogs.shown().size(), 1u);
  const auto& box = b.dialogs.shown()[0];
  EXPECT_EQ(box.text,
            QStringLiteral("Enter the distance from the Light Source (0.01~9.99)\r\nft ( Fc )"));
  EXPECT_EQ(box.title, QStringLiteral("Input the distance"));
  EXPECT_EQ(box.defaultText, QStringLiteral("03.00"));

  // The new distance is what the next CD proposes; the unit word follows the display.
  b.state.display.unitText = "Lx";
  b.forget();
  b.dialogs.answerInput("12.34");
  click(ToolbarCommand::CD);
  EXPECT_EQ(b.dialogs.shown()[1].defaultText, QStringLiteral("00.50"));
  EXPECT_EQ(b.dialogs.shown()[1].text,
            QStringLiteral("Enter the distance from the Light Source (0.01~9.99)\r\nm ( Lx )"));
  EXPECT_EQ(b.payloadOf('I'), bytes({0x03, 0xA6}));
  EXPECT_EQ(b.meter.settings().distance100, 934);

  b.forget();
  b.dialogs.answerInput("0.00");
  click(ToolbarCommand::CD);
  EXPECT_EQ(b.payloadOf('I'), bytes({0x00, 0x00}));
  EXPECT_EQ(b.meter.settings().distance100, 0);
}

TEST_F(ParameterInputs, DistanceInvalidEntriesAskAgainWithTheSameDefault) {
  b.meter.settings().distance100 = 150;
  b.dialogs.answerInput(".5").expectMessage().answerInput("1.").expectMessage();
  b.dialogs.answerInput("1.2.3").expectMessage().answerInput("");
  click(ToolbarCommand::CD);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>(3, kInvalid));
  for (const auto& s : b.dialogs.shown())
    if (s.kind == ScriptedDialogs::Kind::Input) {
      EXPECT_EQ(s.defaultText, "01.50");
    }
  EXPECT_FALSE(b.payloadOf('I'));
  EXPECT_EQ(b.meter.settings().distance100, 150);
}

TEST_F(ParameterInputs, ComparatorWindowShowsTheMetersLimits) {
  b.meter.settings().high = 12345;
  b.meter.settings().low = 42;
  b.meter.settings().comparator = 0x44;  // lux, third flag: option 4 (dddd)
  click(ToolbarCommand::Comp);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HZ");
  Comparator* w = Comparator::find(b.ctx);
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->isVisible());
  const char* high = "2345";
  const char* low = "0042";
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(w->highO()[i]->currentText(), QString(QChar(high[i - 1]))) << i;
    EXPECT_EQ(w->lowO()[i]->currentText(), QString(QChar(low[i - 1]))) << i;
  }
  EXPECT_EQ(w->txtUnit()->currentText(), "Lx");
  EXPECT_EQ(w->selectedOption(), 4);
  EXPECT_TRUE(w->loDec()[4]->isChecked());
  EXPECT_FALSE(w->hoDec()[1]->isEnabled());
  EXPECT_FALSE(w->loDec()[1]->isEnabled());
  EXPECT_TRUE(w->hoDec()[6]->isEnabled());
  // Sent back unchanged, the limits are what the meter had (high as its four digits).
  EXPECT_EQ(w->updatePayload(), QByteArray("\x44\x09\x29\x00\x2A", 5));
}

TEST_F(ParameterInputs, ComparatorInFootCandlesUsesOptionsOneToFive) {
  b.meter.settings().high = 9000;
  b.meter.settings().low = 100;
  b.meter.settings().comparator = 0x10;  // foot-candles, fifth flag: option 5 (dddd0)
  click(ToolbarCommand::Comp);
  Comparator* w = Comparator::find(b.ctx);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->txtUnit()->currentText(), "Fc");
  EXPECT_EQ(w->selectedOption(), 5);
  EXPECT_TRUE(w->loDec()[5]->isChecked());
  EXPECT_TRUE(w->hoDec()[1]->isEnabled());
  EXPECT_FALSE(w->hoDec()[6]->isEnabled());
  EXPECT_EQ(w->highO()[5]->currentText(), "0");
  EXPECT_EQ(w->highO()[6]->currentText(), "");
  EXPECT_FALSE(w->highO()[6]->isEnabled());
  EXPECT_EQ(w->updatePayload(), QByteArray("\x30\x23\x28\x00\x64", 5));
  EXPECT_EQ(w->lblLimits()->text(), "HIGH 90000 Fc   LOW 1000 Fc");
}

TEST_F(ParameterInputs, CompReplacesAVisibleComparatorWindow) {
  click(ToolbarCommand::Comp);
  QPointer<Comparator> first = Comparator::find(b.ctx);
  ASSERT_TRUE(first);
  first->highO()[1]->setCurrentIndex(9);  // an edit that was never sent
  b.meter.settings().high = 4321;
  click(ToolbarCommand::Comp);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull()) << "the first window was closed";
  Comparator* second = Comparator::find(b.ctx);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->highO()[1]->currentText(), "4");
  int open = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<Comparator*>(w)) ++open;
  EXPECT_EQ(open, 1);
}

TEST_F(ParameterInputs, InterleavedBytesDoNotPassForTheSettingsBlock) {
  // The poll keeps running during these exchanges, so a display frame, the tail of one, or the
  // start of one can sit in front of the answer to "Z": such a read is not a settings block and
  // the request is repeated.
  b.meter.settings().distance100 = 777;
  b.meter.settings().high = 4321;
  const QByteArray frame("\x02\x10\x20\x30\x40\x50\x60\x70\x05\x00\x00\x00\x00\x03", 14);
  const QByteArray tail("\x44\x00\x03", 3);
  for (const QByteArray& noise : {frame, tail, QByteArray("\x02\x01", 2)}) {
    b.forget();
    b.port.noiseLetter = 'Z';
    b.port.noiseTimes = 2;
    b.port.noise = noise;
    auto block = readMeterBlock(b.ctx);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->distance, 777);
    EXPECT_EQ(block->high, 4321);
    EXPECT_EQ(withoutHandshakes(b.letters()), "ZZZ") << "two spoiled answers, then a clean one";
  }
}

// A meter that answers the handshake but never "Z", and one that answers nothing at all.
TEST_F(ParameterInputs, SilentMeterEndsEachCommandWithAMessageAfterTheBound) {
  b.port.unheard = {'Z'};
  for (ToolbarCommand key : {ToolbarCommand::CD, ToolbarCommand::Comp}) {
    b.dialogs.expectMessage();
    const double start = b.clock.elapsed();
    click(key);
    const double took = b.clock.elapsed() - start;
    EXPECT_GE(took, kMeterAnswerBoundSeconds) << toolbarKey(key);
    EXPECT_LT(took, kMeterAnswerBoundSeconds + 1.0) << toolbarKey(key);
    EXPECT_EQ(b.dialogs.messages().back(), meterSilentMessage()) << toolbarKey(key);
    EXPECT_TRUE(b.poll.pollEnabled()) << toolbarKey(key);
  }
  EXPECT_FALSE(Comparator::find(b.ctx));
  EXPECT_FALSE(b.payloadOf('I'));

  b.port.unheard.clear();
  b.meter.goSilent(60);
  for (ToolbarCommand key : {ToolbarCommand::Hold, ToolbarCommand::CD, ToolbarCommand::Comp}) {
    b.dialogs.expectMessage();
    const double start = b.clock.elapsed();
    click(key);
    const double took = b.clock.elapsed() - start;
    EXPECT_GE(took, kMeterAnswerBoundSeconds) << toolbarKey(key);
    EXPECT_LT(took, kMeterAnswerBoundSeconds + 1.0) << toolbarKey(key);
    EXPECT_TRUE(b.poll.pollEnabled()) << toolbarKey(key);
  }
  EXPECT_EQ(b.dialogs.messages().size(), 5u);
  EXPECT_TRUE(b.poll.history.empty());
}

}  // namespace
}  // namespace lux::test
