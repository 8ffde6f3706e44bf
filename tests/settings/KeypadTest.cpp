// The on-screen keypad against the simulated meter: each key's letter, the refusals while the
// meter's logger records, the candela key's re-sent distance, and the power key's reconnection.
#include <gtest/gtest.h>
#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QPushButton>

#include "MeterBench.h"
#include "settings/Btn.h"
#include "settings/Install.h"

namespace lux::test {
namespace {

struct Key {
  const char* name;
  const char* caption;
  char letter;  // 0: sends nothing
  bool refusedWhileLogging;
};

const Key kPlainKeys[] = {
    {"CmdTime", "Time", 'B', false}, {"CmdLxFc", "Lx/Fc", 'F', true},
    {"CmdH", "H", 'C', true},        {"CmdRead", "READ", 'L', true},
    {"CmdMem", "M", 'P', true},      {"CmdMMM", "m", 'J', true},
    {"CmdPercent", "%", 'G', true},  {"CmdAVG", "AVG", 'D', true},
    {"CmdComp", "Comp", 'X', true},  {"CmdUp", "", 'K', true},
    {"CmdEnter", "", 'H', false},    {"CmdDown", "", 'N', true},
};

class Keypad : public ::testing::Test {
 protected:
  void SetUp() override {
    w = new Btn(b.ctx);
    b.forget();
  }
  void TearDown() override { delete w; }
  QPushButton* key(const char* name) {
    auto* k = w->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_TRUE(k) << name;
    return k;
  }

  MeterBench b;
  Btn* w = nullptr;
};

TEST_F(Keypad, EachPlainKeySendsItsLetterWithThePollPausedAroundIt) {
  for (const Key& k : kPlainKeys) {
    b.forget();
    b.poll.history.clear();
    key(k.name)->click();
    EXPECT_EQ(b.letters(), std::string("A") + k.letter) << k.name;
    EXPECT_EQ(b.poll.history, (std::vector<bool>{false, true})) << k.name;
  }
  EXPECT_TRUE(b.dialogs.messages().empty());
}

TEST_F(Keypad, WhileTheMeterLogsOnlyTimeEnterAndPowerAct) {
  b.state.display.annIntv = true;
  for (const Key& k : kPlainKeys) {
    b.forget();
    key(k.name)->click();
    if (k.refusedWhileLogging) {
      EXPECT_EQ(b.letters(), "") << k.name;
    } else {
      EXPECT_EQ(b.letters(), std::string("A") + k.letter) << k.name;
    }
  }
  b.forget();
  key("CmdCD")->click();
  EXPECT_EQ(b.letters(), "");
  b.forget();
  key("CmdAVG")->click();
  EXPECT_EQ(b.letters(), "");
  EXPECT_FALSE(b.meter.annunciator(sim::Annunciator::Avg));
}

TEST_F(Keypad, KeysActOnTheMeter) {
  key("CmdAVG")->click();
  EXPECT_TRUE(b.meter.annunciator(sim::Annunciator::Avg));
  const bool luxBefore = b.meter.lux();
  key("CmdLxFc")->click();
  EXPECT_NE(b.meter.lux(), luxBefore);
  key("CmdMem")->click();
  EXPECT_TRUE(b.meter.loggerRecording());
}

TEST_F(Keypad, SetSendsNothing) {
  key("CmdSet")->click();
  EXPECT_EQ(b.letters(), "");
  EXPECT_TRUE(b.poll.history.empty());
}

TEST_F(Keypad, CandelaKeyResendsTheMetersOwnDistance) {
  b.meter.settings().distance100 = 0x01F4;
  key("CmdCD")->click();
  EXPECT_EQ(withoutHandshakes(b.letters()), "HZI");
  EXPECT_EQ(b.payloadOf('I'), bytes({0x01, 0xF4}));
  EXPECT_EQ(b.meter.settings().distance100, 0x01F4);
  EXPECT_FALSE(b.link.lineHeld()) << "the command gave the line back";
  EXPECT_EQ(b.state.link.pollCount, 0) << "the next tick restarts the display stream";
}

TEST_F(Keypad, CandelaKeyGivesUpOnAMeterThatNeverSendsItsSettings) {
  b.port.unheard = {'Z'};
  b.dialogs.expectMessage();
  const double start = b.clock.elapsed();
  key("CmdCD")->click();
  EXPECT_GE(b.clock.elapsed() - start, kMeterAnswerBoundSeconds);
  EXPECT_LT(b.clock.elapsed() - start, kMeterAnswerBoundSeconds + 1.0);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  EXPECT_FALSE(b.payloadOf('I'));
  EXPECT_TRUE(b.poll.pollEnabled());
}

TEST_F(Keypad, PowerKeyWaitsForTheMeterThenThePollTakesItUpAfresh) {
  b.state.link.pollCount = 7;
  QString caption;
  QObject::connect(&b.link, &MeterLink::portCaptionChanged,
                   [&](const QString& c) { caption += c + "|"; });
  const double start = b.clock.elapsed();
  key("CmdPower")->click();
  EXPECT_EQ(b.letters().substr(0, 2), "AO");
  EXPECT_GE(b.clock.elapsed() - start, 2.0) << "the meter is off for two seconds";
  EXPECT_LT(b.clock.elapsed() - start, 10.0);
  EXPECT_TRUE(caption.contains("No COM")) << caption.toStdString();
  EXPECT_TRUE(b.state.link.linkUp);
  EXPECT_EQ(b.state.link.pollCount, 0) << "the next poll tick handshakes and sends M";
  EXPECT_EQ(b.poll.history, (std::vector<bool>{false, true}));
  EXPECT_FALSE(w->waitingForMeter());
}

TEST_F(Keypad, KeysLeaveAPollSomebodyElseStoppedStopped) {
  b.poll.setPollEnabled(false);
  b.poll.history.clear();
  key("CmdTime")->click();
  key("CmdPower")->click();
  EXPECT_FALSE(b.poll.pollEnabled());
}

TEST_F(Keypad, KeysWaitWhileALoggerDownloadReadsTheDump) {
  {
    LineHold dump(b.link);  // what the download holds for the whole dump
    ASSERT_TRUE(dump.owns());
    for (const char* name : {"CmdAVG", "CmdTime", "CmdEnter", "CmdCD", "CmdPower"}) {
      key(name)->click();
    }
    EXPECT_EQ(b.letters(), "") << "nothing may fall into the dump being read";
  }
  key("CmdAVG")->click();
  EXPECT_EQ(b.letters(), "AD");
}

TEST_F(Keypad, SilentMeterIsReportedAndThePollRunsAgain) {
  b.meter.goSilent(60);
  b.dialogs.expectMessage().expectMessage();
  key("CmdAVG")->click();
  key("CmdPower")->click();
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>(2, meterSilentMessage()));
  EXPECT_TRUE(b.poll.pollEnabled());
  EXPECT_EQ(withoutHandshakes(b.letters()), "") << "no key letter without a handshake answer";
}

TEST_F(Keypad, CaptionsToolTipsAndPictures) {
  EXPECT_EQ(w->windowTitle(), "Control Panel");
  EXPECT_EQ(w->findChildren<QPushButton*>().size(), 15);
  for (const Key& k : kPlainKeys) EXPECT_EQ(key(k.name)->text(), k.caption) << k.name;
  EXPECT_EQ(key("CmdPower")->text(), "Pwr");
  EXPECT_EQ(key("CmdSet")->text(), "SET");
  EXPECT_EQ(key("CmdCD")->text(), "cd");
  EXPECT_EQ(key("CmdMem")->toolTip(), "Automatically Record");
  EXPECT_EQ(key("CmdMMM")->toolTip(), "Manually Record");
  for (const char* picture : {"CmdUp", "CmdEnter", "CmdDown"}) {
    EXPECT_FALSE(key(picture)->icon().isNull()) << picture;
    EXPECT_FALSE(key(picture)->icon().pixmap(24, 24).isNull()) << picture;
  }
}

TEST(ButtonsCommand, ShowsOneKeypadBelowThePanel) {
  MeterBench b;
  QWidget panel;
  panel.setGeometry(0, 0, 480, 360);
  panel.show();
  b.ctx.setPanel(&panel);
  installSettings(b.ctx);
  ASSERT_TRUE(b.ctx.hooks.commands.has(ToolbarCommand::Buttons));
  b.ctx.hooks.commands.run(ToolbarCommand::Buttons);
  b.ctx.hooks.commands.run(ToolbarCommand::Buttons);
  const auto keypads = panel.findChildren<Btn*>();
  ASSERT_EQ(keypads.size(), 1);
  Btn* k = keypads.front();
  EXPECT_TRUE(k->isVisible());
  const QRect p = panel.frameGeometry();
  EXPECT_EQ(k->pos().y(), p.y() + p.height());
  EXPECT_EQ(k->pos().x(), (p.width() - k->frameGeometry().width()) / 2);
  k->close();
  b.ctx.hooks.commands.run(ToolbarCommand::Buttons);
  EXPECT_NE(Btn::find(b.ctx), k) << "a closed keypad is replaced by a new one";
  EXPECT_TRUE(Btn::find(b.ctx)->isVisible());
}

}  // namespace
}  // namespace lux::test

namespace lux::test {
namespace {

TEST(KeypadClosing, ClosedWhilePowerWaitsIsDeletedOnlyAfterTheKeyIsDone) {
  MeterBench b;
  QPointer<Btn> k = new Btn(b.ctx);
  k->show();
  bool closed = false;
  bool aliveWhileWaiting = true;
  b.clock.onIdle = [&] {
    if (!closed && b.letters().find('O') != std::string::npos) {
      closed = true;
      k->close();
    } else if (closed) {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      aliveWhileWaiting = aliveWhileWaiting && !k.isNull();
    }
  };
  k->findChild<QPushButton*>("CmdPower")->click();
  b.clock.onIdle = nullptr;
  EXPECT_TRUE(closed);
  EXPECT_TRUE(aliveWhileWaiting);
  EXPECT_TRUE(b.poll.pollEnabled());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(k.isNull()) << "the closed keypad goes once its key is done";
}

}  // namespace
}  // namespace lux::test
