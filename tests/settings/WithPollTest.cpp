// The toolbar's setting commands and the keypad while the panel's poll really runs: a poll tick
// falls due every 250 ms of meter time, also inside the commands' waits, as the panel's timer
// does. The interleaved frames and answers must neither corrupt what is sent nor what is read,
// and the poll must go on decoding frames afterwards.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "MeterBench.h"
#include "link/FrameDecoder.h"
#include "link/TickGuard.h"
#include "logger/Install.h"
#include "panel/Toolbar.h"
#include "settings/Btn.h"
#include "settings/Comparator.h"
#include "settings/Install.h"
#include "settings/ParameterInputs.h"
#include "settings/Setup.h"

namespace lux::test {
namespace {

class WithPoll : public ::testing::Test {
 protected:
  void SetUp() override {
    installEscCommand(b.ctx);
    installParameterInputs(b.ctx);
    installSettings(b.ctx);
    download = installLogger(b.ctx);
    b.clock.onIdle = [this] { maybePoll(); };
    // Let the poll get the meter streaming first.
    for (int i = 0; i < 8; ++i) {
      b.clock.advance(0.25);
      maybePoll();
    }
    ASSERT_GT(frames, 0);
    b.forget();
  }
  void TearDown() override {
    b.clock.onIdle = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<Comparator*>(w) || qobject_cast<Btn*>(w)) delete w;
  }

  void maybePoll() {
    if (!b.poll.pollEnabled() || b.clock.elapsed() < nextTick) return;
    nextTick = b.clock.elapsed() + 0.25;
    guard.run([this] {
      b.link.pollTick([this](const QByteArray& frame) {
        ++frames;
        decodeFrame(b.state.display,
                    std::string_view(frame.constData(), static_cast<std::size_t>(frame.size())));
        return false;
      });
    });
  }

  MeterBench b;
  std::unique_ptr<LoggerDownload> download;
  TickGuard guard;
  double nextTick = 0;
  int frames = 0;
};

TEST_F(WithPoll, HoldDistanceAndComparatorReachTheMeterIntact) {
  const int atStart = frames;
  b.dialogs.answerInput("4:25");
  toolbarActionTriggered(b.ctx, ToolbarCommand::Hold);
  EXPECT_EQ(b.meter.holdMinutes(), 4);
  EXPECT_EQ(b.meter.holdSeconds(), 25);

  b.meter.settings().distance100 = 0x012C;
  b.dialogs.answerInput("2.75");
  toolbarActionTriggered(b.ctx, ToolbarCommand::CD);
  EXPECT_EQ(b.dialogs.shown().back().defaultText, "03.00");
  EXPECT_EQ(b.meter.settings().distance100, 275);

  b.meter.settings().high = 12345;
  b.meter.settings().low = 42;
  b.meter.settings().comparator = 0x42;
  toolbarActionTriggered(b.ctx, ToolbarCommand::Comp);
  Comparator* w = Comparator::find(b.ctx);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->highO()[1]->currentText() + w->highO()[2]->currentText() +
                w->highO()[3]->currentText() + w->highO()[4]->currentText(),
            "2345");
  EXPECT_EQ(w->lowO()[3]->currentText() + w->lowO()[4]->currentText(), "42");
  EXPECT_EQ(w->selectedOption(), 3);
  w->highO()[1]->setCurrentIndex(7);
  w->cmdUpdate()->click();
  EXPECT_EQ(b.meter.settings().comparator, 0x42);
  EXPECT_EQ(b.meter.settings().high, 7345);
  EXPECT_EQ(b.meter.settings().low, 42);

  EXPECT_TRUE(b.dialogs.messages().empty());
  EXPECT_TRUE(b.poll.pollEnabled());
  EXPECT_EQ(frames, atStart) << "no poll tick takes the line inside a command";
  const int before = frames;
  for (int i = 0; i < 8; ++i) {
    b.clock.advance(0.25);
    maybePoll();
  }
  EXPECT_GT(frames, before) << "the poll goes on decoding frames";
}

TEST_F(WithPoll, KeypadKeysAndTheCandelaKeyWhilePolling) {
  toolbarActionTriggered(b.ctx, ToolbarCommand::Buttons);
  Btn* k = Btn::find(b.ctx);
  ASSERT_TRUE(k);
  k->findChild<QPushButton*>("CmdAVG")->click();
  EXPECT_TRUE(b.meter.annunciator(sim::Annunciator::Avg));
  b.meter.settings().distance100 = 0x01F4;
  k->findChild<QPushButton*>("CmdCD")->click();
  EXPECT_EQ(b.payloadOf('I'), bytes({0x01, 0xF4}));
  k->findChild<QPushButton*>("CmdPower")->click();
  EXPECT_EQ(b.state.link.pollCount, 0);
  EXPECT_TRUE(b.poll.pollEnabled());
  EXPECT_TRUE(b.dialogs.messages().empty());
  const int before = frames;
  for (int i = 0; i < 8; ++i) {
    b.clock.advance(0.25);
    maybePoll();
  }
  EXPECT_GT(frames, before) << "after the power key the poll restarts the meter's stream";
}

TEST_F(WithPoll, APollTickDueInACommandsWaitChangesNeitherItsBytesNorItsTiming) {
  struct Run {
    std::string letters;
    double seconds;
    std::vector<QString> messages;
  };
  auto run = [this](const char* key, bool forceTick) {
    b.forget();
    const std::size_t messagesBefore = b.dialogs.messages().size();
    // A tick falls due right after "H", inside the command's 0.2 s wait.
    b.port.onWrite = [this, forceTick](const QByteArray& bytes) {
      if (forceTick && bytes == "H") nextTick = 0;
    };
    if (QLatin1String(key) == QLatin1String("Hold")) b.dialogs.answerInput("5:7");
    if (QLatin1String(key) == QLatin1String("CD")) b.dialogs.answerInput("0.5");
    const int framesBefore = frames;
    const double start = b.clock.elapsed();
    toolbarActionTriggered(b.ctx, commandKeyed(key));
    b.port.onWrite = nullptr;
    EXPECT_EQ(frames, framesBefore) << key;
    auto all = b.dialogs.messages();
    return Run{b.letters(), b.clock.elapsed() - start,
               std::vector<QString>(all.begin() + static_cast<long>(messagesBefore), all.end())};
  };
  for (const char* key : {"Hold", "CD", "Comp"}) {
    b.poll.setPollEnabled(false);
    const Run quiet = run(key, false);
    b.poll.setPollEnabled(true);
    const Run polled = run(key, true);
    EXPECT_EQ(polled.letters, quiet.letters) << key;
    EXPECT_NEAR(polled.seconds, quiet.seconds, 0.021) << key;
    EXPECT_TRUE(polled.messages.empty()) << key << ": " << polled.messages.front().toStdString();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<Comparator*>(w)) delete w;
  }
}

TEST_F(WithPoll, AClickInsideAPollTickRunsRightAfterIt) {
  // The click lands in the tick's collection wait: the tick ends at its next step and the
  // command runs from the event loop, holding the line, with nothing of the tick left between.
  bool clicked = false;
  b.dialogs.answerInput("5:7");
  b.state.link.pollCount = 1;
  b.port.onWrite = nullptr;
  b.clock.onIdle = [this, &clicked] {
    if (!clicked && guard.running()) {
      clicked = true;
      b.ctx.link.runOutsidePoll([this] { toolbarActionTriggered(b.ctx, ToolbarCommand::Hold); });
    }
  };
  b.forget();
  nextTick = 0;
  maybePoll();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(b.letters(), "") << "the command did not run inside the tick";
  b.clock.onIdle = [this] { maybePoll(); };
  b.clock.idle(0);  // the event loop again: the command runs now
  EXPECT_EQ(b.meter.holdMinutes(), 5);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HS");
  EXPECT_TRUE(b.dialogs.messages().empty());
  EXPECT_EQ(b.state.link.pollCount, 0) << "the next tick restarts the display stream";
}

TEST_F(WithPoll, APollTickDueBetweenALetterAndItsDataWaits) {
  // Make a tick fall due right after each setting letter, one that starts with "A" and "M".
  b.port.onWrite = [this](const QByteArray& bytes) {
    if (bytes == "S" || bytes == "I" || bytes == "V") {
      b.state.link.pollCount = 0;
      nextTick = 0;
    }
  };
  b.dialogs.answerInput("5:7");
  toolbarActionTriggered(b.ctx, ToolbarCommand::Hold);
  EXPECT_EQ(b.payloadOf('S'), bytes({0x05, 0x07}));
  EXPECT_EQ(b.meter.holdMinutes(), 5);
  EXPECT_EQ(b.meter.holdSeconds(), 7);
  b.dialogs.answerInput("0.5");
  toolbarActionTriggered(b.ctx, ToolbarCommand::CD);
  EXPECT_EQ(b.payloadOf('I'), bytes({0x00, 0x32}));
  EXPECT_EQ(b.meter.settings().distance100, 50);
  b.port.onWrite = nullptr;
  EXPECT_TRUE(b.poll.pollEnabled());
}

TEST_F(WithPoll, AClickInsideAnotherExchangeIsIgnored) {
  Comparator* w = new Comparator(b.ctx);
  w->txtUnit()->setCurrentIndex(0);
  w->unitActivated();
  w->hoDec()[3]->click();
  bool clickedInside = false;
  // Were the clock window to open anyway, it is closed again so that the test fails instead of
  // waiting for a user.
  bool clockWindowOpened = false;
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* modal = qobject_cast<lux::Setup*>(QApplication::activeModalWidget())) {
      clockWindowOpened = true;
      modal->close();
    }
  });
  closer.start();
  b.port.onWrite = [&](const QByteArray& bytes) {
    if (bytes != "V" || clickedInside) return;
    clickedInside = true;
    // No input box, no clock window, no key letter: the ScriptedDialogs would fail the test
    // on any dialog, and the meter's log shows no stray letter.
    toolbarActionTriggered(b.ctx, ToolbarCommand::Hold);
    toolbarActionTriggered(b.ctx, ToolbarCommand::TimeSet);
    toolbarActionTriggered(b.ctx, ToolbarCommand::Buttons);
    Btn::find(b.ctx)->findChild<QPushButton*>("CmdAVG")->click();
  };
  b.forget();
  w->cmdUpdate()->click();
  b.port.onWrite = nullptr;
  closer.stop();
  EXPECT_TRUE(clickedInside);
  EXPECT_FALSE(clockWindowOpened);
  const std::string sent = withoutHandshakes(b.letters());
  EXPECT_EQ(sent.substr(0, 3), "HVX") << sent;
  EXPECT_EQ(sent.find('D'), std::string::npos) << sent;
  EXPECT_EQ(b.meter.settings().comparator, 0x42);
  delete w;
}

// A meter switched off while the panel polls: once the poll has found it silent, each command
// that needs the meter says so at once instead of asking for seconds, and sends nothing past
// the handshake; once frames come again the same commands work.
class WithSilentMeter : public WithPoll {
 protected:
  struct Outcome {
    double seconds = -1;  // meter time from the end of the tick to the end of the command
    std::string letters;
    std::vector<QString> messages;
  };

  // Clicks inside a poll tick's wait (as a user would while the poll waits for the meter),
  // then lets the event loop run the command that the tick gave the line up for.
  Outcome clickWhileSilent(const std::function<void()>& click) {
    bool clicked = false;
    b.clock.onIdle = [&] {
      if (!clicked && b.state.link.meterSilent) {
        clicked = true;
        click();
      }
    };
    nextTick = 0;
    maybePoll();
    b.clock.onIdle = [this] { maybePoll(); };
    EXPECT_TRUE(clicked);
    b.forget();
    b.dialogs.expectMessage();
    const std::size_t before = b.dialogs.messages().size();
    const double from = b.clock.elapsed();
    b.clock.idle(0);
    Outcome out;
    out.seconds = b.clock.elapsed() - from;
    out.letters = b.letters();
    const auto all = b.dialogs.messages();
    out.messages.assign(all.begin() + static_cast<long>(before), all.end());
    return out;
  }

  void toolbarClick(const char* key) {
    const ToolbarCommand k = commandKeyed(key);
    b.link.runOutsidePoll([this, k] { toolbarActionTriggered(b.ctx, k); });
  }
};

TEST_F(WithSilentMeter, CommandsSayAtOnceThatTheMeterDoesNotAnswer) {
  b.meter.goSilent(1e5);
  toolbarActionTriggered(b.ctx, ToolbarCommand::Buttons);
  Btn* keypad = Btn::find(b.ctx);
  ASSERT_TRUE(keypad);
  const std::vector<std::pair<std::string, std::function<void()>>> clicks = {
      {"Hold", [this] { toolbarClick("Hold"); }},
      {"CD", [this] { toolbarClick("CD"); }},
      {"Comp", [this] { toolbarClick("Comp"); }},
      {"ESC", [this] { toolbarClick("ESC"); }},
      {"Memory", [this] { toolbarClick("Memory"); }},
      {"keypad AVG", [keypad] { keypad->findChild<QPushButton*>("CmdAVG")->click(); }},
      {"keypad cd", [keypad] { keypad->findChild<QPushButton*>("CmdCD")->click(); }},
      {"keypad Pwr", [keypad] { keypad->findChild<QPushButton*>("CmdPower")->click(); }},
  };
  for (const auto& [name, click] : clicks) {
    const Outcome o = clickWhileSilent(click);
    EXPECT_GE(o.seconds, 0) << name;
    EXPECT_LE(o.seconds, 0.1) << name;
    EXPECT_EQ(withoutHandshakes(o.letters), "") << name;
    ASSERT_EQ(o.messages.size(), 1u) << name;
    EXPECT_EQ(o.messages[0].toStdString(), meterSilentMessage().toStdString()) << name;
  }
  EXPECT_FALSE(Comparator::find(b.ctx));
  EXPECT_FALSE(b.state.logger.memoryFormOpen);
  EXPECT_TRUE(b.poll.pollEnabled());

  // The meter is switched on again: the poll's next frame ends the silence, and the commands
  // reach it as before.
  b.meter.goSilent(0);
  for (int i = 0; i < 8 && b.state.link.meterSilent; ++i) {
    b.clock.advance(0.25);
    maybePoll();
  }
  ASSERT_FALSE(b.state.link.meterSilent);
  b.forget();
  b.dialogs.answerInput("1:30");
  toolbarActionTriggered(b.ctx, ToolbarCommand::Hold);
  EXPECT_EQ(b.meter.holdMinutes(), 1);
  EXPECT_EQ(b.meter.holdSeconds(), 30);
  keypad->findChild<QPushButton*>("CmdAVG")->click();
  EXPECT_EQ(withoutHandshakes(b.letters()), "HSD");
  EXPECT_TRUE(b.meter.annunciator(sim::Annunciator::Avg));
  EXPECT_EQ(b.dialogs.messages().size(), 8u) << "no message more";
}

}  // namespace
}  // namespace lux::test
