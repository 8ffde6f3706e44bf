// The meter clock window against the simulated meter: its captions, the clock it reads and
// sets, and the panel's poll held off for the window's whole life.
#include <gtest/gtest.h>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

#include "MeterBench.h"
#include "settings/Install.h"
#include "settings/Setup.h"

namespace lux::test {
namespace {

class ClockWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    w = new lux::Setup(b.ctx);
    b.forget();
  }
  void TearDown() override { delete w; }

  MeterBench b;  // fake clock at 2026/03/09 08:05:07
  lux::Setup* w = nullptr;
};

TEST_F(ClockWindow, OpensWithDesignCaptionsItsTimerAndThePollOff) {
  EXPECT_EQ(w->windowTitle(), "Setup");
  EXPECT_EQ(w->frameTime()->title(), "Time");
  EXPECT_EQ(w->lblMeterTime()->text(), "Meter Time");
  EXPECT_EQ(w->lblPcTime()->text(), "PC System Time");
  EXPECT_EQ(w->cmdSetTime()->text(), "Set Meter Time To System Time");
  EXPECT_EQ(w->cmdExit()->text(), "Exit");
  EXPECT_TRUE(w->timer1()->isActive());
  EXPECT_EQ(w->timer1()->interval(), 350);
  EXPECT_FALSE(b.poll.pollEnabled());
  EXPECT_FALSE(w->meterTimeShown());
  EXPECT_FALSE(w->pcTimeShown());
}

TEST_F(ClockWindow, SetsTheMeterClockToThePcClock) {
  b.meter.setClock({1, 0, 0, 0}, b.clock.elapsed());
  w->cmdSetTime()->click();
  // "M" first: the display tells whether the meter logs, then "H" and "T".
  EXPECT_EQ(withoutHandshakes(b.letters()), "MHT");
  EXPECT_EQ(b.payloadOf('T'), bytes({0x09, 0x08, 0x05, 0x07}));
  const sim::MeterTime t = b.meter.clock(b.clock.elapsed());
  EXPECT_EQ(t.day, 9);
  EXPECT_EQ(t.hour, 8);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 7);
  EXPECT_TRUE(w->timer1()->isActive()) << "the window's timer runs again after the setting";
  EXPECT_FALSE(b.poll.pollEnabled());
}

TEST_F(ClockWindow, LabelsSwitchTheirClocksOnAndOff) {
  b.meter.setClock({31, 23, 59, 59}, b.clock.elapsed());
  w->lblMeterTime()->clicked();  // as a click on the label does
  w->pcTimeClicked();
  w->clockTick();
  EXPECT_EQ(w->lblMeterTime()->text(), "31 23:59:59");
  // "M" after the reply: the display frames come again until the next request.
  EXPECT_EQ(withoutHandshakes(b.letters()), "YM");
  EXPECT_EQ(w->lblPcTime()->text(),
            b.clock.localDateTime().toString("dd hh:mm:ss"));  // the read took a moment
  EXPECT_TRUE(w->lblPcTime()->text().startsWith("09 08:05:0"));

  b.clock.advance(1.0);
  w->clockTick();
  EXPECT_EQ(w->lblMeterTime()->text(), "01 00:00:00") << "the meter's day rolls over";

  w->meterTimeClicked();
  w->pcTimeClicked();
  b.forget();
  w->clockTick();
  EXPECT_EQ(w->lblMeterTime()->text(), "Meter Time");
  EXPECT_EQ(w->lblPcTime()->text(), "PC System Time");
  EXPECT_EQ(b.letters(), "") << "nothing is asked of the meter while its clock is hidden";
  EXPECT_FALSE(b.poll.pollEnabled()) << "the poll stays off while the window is open";
}

TEST_F(ClockWindow, MeterRecordingClosesTheWindowAndThePollResumes) {
  b.state.display.annIntv = true;
  b.dialogs.expectMessage();
  w->clockTick();
  EXPECT_EQ(b.dialogs.messages(),
            std::vector<QString>{"Recording mode, stop record then try again !"});
  EXPECT_TRUE(w->unloaded());
  EXPECT_FALSE(w->timer1()->isActive());
  EXPECT_TRUE(b.poll.pollEnabled());
}

TEST_F(ClockWindow, ExitResumesThePollOnce) {
  w->cmdExit()->click();
  EXPECT_TRUE(w->unloaded());
  EXPECT_TRUE(b.poll.pollEnabled());
  EXPECT_EQ(b.poll.history, (std::vector<bool>{false, true}));
  w->clockTick();  // a tick that was already due does nothing more
  EXPECT_EQ(b.letters(), "");
}

TEST_F(ClockWindow, MeterThatNeverAnswersYEndsWithAMessageAndThePollRunning) {
  b.port.unheard = {'Y'};
  w->meterTimeClicked();
  b.dialogs.expectMessage();
  const double start = b.clock.elapsed();
  w->clockTick();
  const double took = b.clock.elapsed() - start;
  EXPECT_GE(took, kMeterAnswerBoundSeconds);
  EXPECT_LT(took, kMeterAnswerBoundSeconds + 1.0);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  EXPECT_TRUE(w->unloaded());
  EXPECT_TRUE(b.poll.pollEnabled());
  EXPECT_EQ(w->lblMeterTime()->text(), "Meter Time");
}

TEST_F(ClockWindow, MeterThePollFoundSilentEndsTheWindowAtOnce) {
  b.meter.goSilent(600);
  b.state.link.meterSilent = true;  // what the panel's poll found before the click
  w->meterTimeClicked();
  b.dialogs.expectMessage();
  const double start = b.clock.elapsed();
  w->clockTick();
  EXPECT_LE(b.clock.elapsed() - start, 0.05);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  EXPECT_TRUE(w->unloaded());
  EXPECT_TRUE(b.poll.pollEnabled());
}

TEST_F(ClockWindow, ClockReplyMixedWithDisplayBytesIsNotShown) {
  // The meter streams frames for a while after the poll stopped asking; a read that starts
  // inside one must not put frame bytes up as the meter's clock.
  b.meter.setClock({7, 14, 55, 57}, b.clock.elapsed());
  b.port.noiseLetter = 'Y';
  b.port.noiseTimes = 1;
  b.port.noise = QByteArray("\x02\x12\x34\x56\x78\x00\x00\x03", 8).mid(3);
  w->meterTimeClicked();
  w->clockTick();
  EXPECT_EQ(w->lblMeterTime()->text(), "07 14:55:57");
  EXPECT_EQ(withoutHandshakes(b.letters()), "YYM");
}

TEST_F(ClockWindow, SetClickedWhileATickReadsRunsAfterTheRead) {
  bool clicked = false;
  b.clock.onIdle = [&] {
    if (clicked || b.letters().find('Y') == std::string::npos) return;
    clicked = true;
    w->cmdSetTime()->click();
    EXPECT_EQ(b.payloadOf('T'), std::nullopt) << "not inside the tick's read";
  };
  w->meterTimeClicked();
  w->clockTick();
  b.clock.onIdle = nullptr;
  EXPECT_TRUE(clicked);
  EXPECT_EQ(withoutHandshakes(b.letters()), "YMHT");
  ASSERT_TRUE(b.payloadOf('T'));
  EXPECT_EQ(b.payloadOf('T')->size(), 4u);
  EXPECT_TRUE(w->timer1()->isActive());
  EXPECT_TRUE(b.dialogs.messages().empty());
}

// The panel's poll is off while the window is open, so the window watches the meter's display
// itself: a meter that starts logging (INTV) is noticed from the frames between the window's
// requests, and the window closes with the same words as a click refused while INTV is shown.
TEST_F(ClockWindow, AMeterThatStartsLoggingWhileTheWindowIsOpenClosesIt) {
  w->meterTimeClicked();
  for (int i = 0; i < 4; ++i) {
    w->clockTick();
    b.clock.advance(0.35);
  }
  EXPECT_EQ(withoutHandshakes(b.letters()), "YMYMYMYM");
  b.meter.startLogging(b.clock.elapsed());
  b.clock.advance(0.35);
  b.forget();
  b.dialogs.expectMessage();
  w->clockTick();
  EXPECT_EQ(b.dialogs.messages(),
            std::vector<QString>{"Recording mode, stop record then try again !"});
  EXPECT_TRUE(w->unloaded());
  EXPECT_FALSE(w->timer1()->isActive());
  EXPECT_TRUE(b.poll.pollEnabled());
  // Not one more request to the logging meter.
  w->clockTick();
  EXPECT_EQ(b.letters(), "");
}

TEST_F(ClockWindow, SetMeterTimeIsRefusedOnceTheMeterLogs) {
  // The meter's clock hidden: nothing was asked of the meter, and its display stream has run
  // out. "Set Meter Time" looks at the display first and does not touch a logging meter's clock.
  b.meter.setClock({1, 0, 0, 0}, b.clock.elapsed());
  b.clock.advance(15);
  b.meter.startLogging(b.clock.elapsed());
  b.clock.advance(5);
  b.forget();
  b.dialogs.expectMessage();
  w->cmdSetTime()->click();
  EXPECT_EQ(withoutHandshakes(b.letters()), "M");
  EXPECT_EQ(b.payloadOf('T'), std::nullopt);
  EXPECT_EQ(b.meter.clock(b.clock.elapsed()).day, 1);
  EXPECT_EQ(b.dialogs.messages(),
            std::vector<QString>{"Recording mode, stop record then try again !"});
  EXPECT_TRUE(w->unloaded());
  EXPECT_TRUE(b.poll.pollEnabled());
}

TEST(TimeSetCommand, RefusedWhileTheMeterLogs) {
  MeterBench b;
  installSettings(b.ctx);
  ASSERT_TRUE(b.ctx.hooks.commands.has(ToolbarCommand::TimeSet));
  b.state.display.annIntv = true;
  b.dialogs.expectMessage();
  b.ctx.hooks.commands.run(ToolbarCommand::TimeSet);
  EXPECT_EQ(b.dialogs.messages(),
            std::vector<QString>{"Recording mode, stop record then try again !"});
  EXPECT_TRUE(b.poll.history.empty());
}

TEST(TimeSetCommand, ShowsTheClockWindowModallyAndResumesThePollAfter) {
  MeterBench b;
  QWidget panel;
  panel.setGeometry(50, 20, 600, 400);
  panel.show();
  b.ctx.setPanel(&panel);
  installSettings(b.ctx);
  bool sawModal = false;
  bool pollOffMeanwhile = false;
  QPoint placedAt;
  int width = 0;
  QTimer::singleShot(0, [&] {
    auto* modal = qobject_cast<lux::Setup*>(QApplication::activeModalWidget());
    sawModal = modal != nullptr;
    pollOffMeanwhile = !b.poll.pollEnabled();
    if (!modal) return;
    placedAt = modal->pos();
    width = modal->frameGeometry().width();
    modal->cmdExit()->click();
  });
  b.ctx.hooks.commands.run(ToolbarCommand::TimeSet);
  EXPECT_TRUE(sawModal);
  EXPECT_TRUE(pollOffMeanwhile);
  EXPECT_TRUE(b.poll.pollEnabled());
  const QRect p = panel.frameGeometry();
  EXPECT_EQ(placedAt, QPoint(p.x() + (p.width() - width) / 2, p.y() + 67))
      << "centred over the panel, 1000 twips (67 px at 96 dpi) below its top";
  EXPECT_TRUE(panel.findChildren<lux::Setup*>().isEmpty()) << "the window is gone once closed";
}

}  // namespace
}  // namespace lux::test
