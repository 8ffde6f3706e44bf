// The toolbar's setting commands and the keypad while the panel's poll really runs: a poll tick
// falls due every 250 ms of meter time, also inside the commands' waits, as the panel's timer
// does. The interleaved frames and answers must neither corrupt what is sent nor what is read,
// and the poll must go on decoding frames afterwards.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "MeterBench.h"
#include "app/LineDialogs.h"
#include "link/FrameDecoder.h"
#include "link/TickGuard.h"
#include "logger/Install.h"
#include "panel/Toolbar.h"
#include "settings/Btn.h"
#include "settings/Comparator.h"
#include "settings/Install.h"
#include "settings/ParameterInputs.h"
#include "settings/Setup.h"
#include "ui/QtDialogs.h"

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
        if (onFrame) onFrame();
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
  std::function<void()> onFrame;  // after each frame the poll took
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

TEST_F(WithPoll, AClickInsideAnotherExchangeWaitsForIt) {
  // Clicks that land inside the comparator's update wait for it and then run in turn: none is
  // ignored, and none mixes its letters into the update.
  Comparator* w = new Comparator(b.ctx);
  w->txtUnit()->setCurrentIndex(0);
  w->unitActivated();
  w->hoDec()[3]->click();
  bool clickedInside = false;
  bool clockWindowOpened = false;
  QTimer closer;  // the user closes the clock window again
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
  b.dialogs.answerInput("1:02");
  b.forget();
  w->cmdUpdate()->click();
  b.port.onWrite = nullptr;
  EXPECT_TRUE(clickedInside);
  EXPECT_TRUE(b.dialogs.shown().empty()) << "no box inside the update";
  for (int i = 0; i < 50 && !(clockWindowOpened && b.dialogs.allAnswered() &&
                              b.meter.annunciator(sim::Annunciator::Avg));
       ++i)
    b.clock.idle(0.02);
  closer.stop();
  const std::string sent = withoutHandshakes(b.letters());
  EXPECT_EQ(sent.substr(0, 3), "HVX") << sent;
  EXPECT_EQ(b.meter.settings().comparator, 0x42);
  // Then each click in turn: the hold time, the clock window, the keypad's AVG.
  EXPECT_TRUE(b.dialogs.allAnswered());
  EXPECT_EQ(b.meter.holdMinutes(), 1);
  EXPECT_EQ(b.meter.holdSeconds(), 2);
  EXPECT_TRUE(clockWindowOpened);
  EXPECT_TRUE(b.meter.annunciator(sim::Annunciator::Avg));
  EXPECT_NE(sent.find('S', 3), std::string::npos) << sent;
  EXPECT_NE(sent.find('D', 3), std::string::npos) << sent;
  EXPECT_TRUE(b.dialogs.messages().empty());
  delete w;
}

TEST_F(WithPoll, ACommandClicked80msAfterCompRunsWhenCompIsDone) {
  b.meter.settings().high = 1234;
  b.meter.settings().comparator = 0x42;
  double compClickedAt = -1;
  bool second = false;
  b.clock.onIdle = [&] {
    maybePoll();
    if (!second && compClickedAt >= 0 && b.clock.elapsed() >= compClickedAt + 0.08) {
      second = true;
      ASSERT_TRUE(b.link.lineHeld());
      b.link.runOutsidePoll([this] { toolbarActionTriggered(b.ctx, ToolbarCommand::Hold); });
    }
  };
  b.dialogs.answerInput("3:04");
  b.forget();
  compClickedAt = b.clock.elapsed();
  toolbarActionTriggered(b.ctx, ToolbarCommand::Comp);
  ASSERT_TRUE(second);
  ASSERT_TRUE(Comparator::find(b.ctx));
  EXPECT_EQ(b.payloadOf('S'), std::nullopt) << "not inside the comparator's exchange";
  b.clock.idle(0);  // the event loop: the hold time's turn
  EXPECT_EQ(b.meter.holdMinutes(), 3);
  EXPECT_EQ(b.meter.holdSeconds(), 4);
  EXPECT_EQ(withoutHandshakes(b.letters()), "HZHS");
  EXPECT_TRUE(b.dialogs.allAnswered());
  EXPECT_TRUE(b.dialogs.messages().empty());
}

// The input boxes on real Qt dialogs, as the program shows them: while a box waits for the
// user the command lends the line to the poll, whose ticks come from the box's event loop. When
// the meter falls silent meanwhile, a tick waits for it for as long as it stays away; OK must
// still apply the setting or refuse it at once with the silent-meter message, never send it
// when the meter speaks again.
class WithRealBoxes : public WithPoll {
 protected:
  struct Seen {
    double okAt = -1;  // meter time of the click on OK
    std::vector<std::pair<double, QString>> messages;
  };

  // Runs `command` as the toolbar does, with the panel's timer (a real timer here) polling on
  // the fake clock, and a user who answers `entry` once the meter has been silent for a while.
  // `meanwhile` runs once, in the silence, before the box is answered.
  Seen runWithSilentMeter(void (*command)(Context&), const QString& entry,
                          const std::function<void()>& meanwhile = {}) {
    QtDialogs qt;
    LineDialogs boxes(qt, b.link);
    qt.answered = [this] { b.link.boxAnswered(); };
    Context ctx{b.link, b.state.display, boxes, b.clock, b.poll, nullptr, b.hooks};
    Seen seen;
    bool silenced = false, didMeanwhile = false;
    double silentFrom = -1;
    QTimer panelTimer;  // the panel's Timer1
    panelTimer.setInterval(0);
    QObject::connect(&panelTimer, &QTimer::timeout, [&] {
      // The timer fires every 250 ms of meter time; between the click on OK and the box's
      // return no such time passes.
      if (guard.running() || (seen.okAt >= 0 && seen.messages.empty())) return;
      b.clock.advance(0.25);
      maybePoll();
    });
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.messages.emplace_back(b.clock.elapsed(), box->text());
        box->button(QMessageBox::Ok)->click();
        return;
      }
      auto* input = qobject_cast<QInputDialog*>(modal);
      if (!input) return;
      if (!silenced) {
        // The box is open and the poll runs: now the meter falls silent.
        silenced = true;
        b.meter.goSilent(60);
        return;
      }
      if (silentFrom < 0 && b.state.link.meterSilent) silentFrom = b.clock.elapsed();
      if (silentFrom < 0 || b.clock.elapsed() < silentFrom + 1.0 || seen.okAt >= 0) return;
      if (meanwhile && !didMeanwhile) {
        didMeanwhile = true;
        meanwhile();
        return;
      }
      input->setTextValue(entry);
      seen.okAt = b.clock.elapsed();
      input->accept();
    });
    panelTimer.start();
    user.start();
    b.link.runCommand([&] { command(ctx); });
    user.stop();
    panelTimer.stop();
    return seen;
  }
};

TEST_F(WithRealBoxes, HoldAndDistanceOkWithASilentMeterAreRefusedAtOnce) {
  for (auto [name, command, entry] :
       {std::tuple{"Hold", &holdTimeCommand, "4:56"}, std::tuple{"CD", &distanceCommand, "1.01"}}) {
    b.meter.goSilent(0);
    for (int i = 0; i < 8; ++i) {
      b.clock.advance(0.25);
      maybePoll();
    }
    ASSERT_FALSE(b.state.link.meterSilent) << name;
    b.forget();
    const Seen seen = runWithSilentMeter(command, QString::fromLatin1(entry));
    ASSERT_GE(seen.okAt, 0) << name << ": the box was never answered";
    ASSERT_EQ(seen.messages.size(), 1u) << name;
    EXPECT_EQ(seen.messages[0].second.toStdString(), meterSilentMessage().toStdString()) << name;
    EXPECT_LE(seen.messages[0].first - seen.okAt, 0.1) << name << ": the answer came late";
    // Nothing reaches the meter, now or when it speaks again.
    b.meter.goSilent(0);
    for (int i = 0; i < 400; ++i) {
      b.clock.advance(0.25);
      maybePoll();
    }
    EXPECT_EQ(b.payloadOf('S'), std::nullopt) << name;
    EXPECT_EQ(b.payloadOf('I'), std::nullopt) << name;
    EXPECT_FALSE(b.link.lineHeld()) << name;
  }
}

TEST_F(WithRealBoxes, OkWhileTheMeterAnswersLetsTheTickTakeItsFrameFirst) {
  // The meter streams; the user clicks OK in the middle of a poll tick running inside the box's
  // event loop. That tick still takes its frame, and the command's bytes follow it at once.
  for (auto [name, command, entry, letter] : {std::tuple{"Hold", &holdTimeCommand, "4:56", 'S'},
                                              std::tuple{"CD", &distanceCommand, "1.01", 'I'}}) {
    QtDialogs qt;
    LineDialogs boxes(qt, b.link);
    qt.answered = [this] { b.link.boxAnswered(); };
    Context ctx{b.link, b.state.display, boxes, b.clock, b.poll, nullptr, b.hooks};
    b.forget();
    double okAt = -1;
    int framesAtOk = -1;
    int ticksSeen = 0;
    std::string lettersAtOk, lettersAtFrameAfterOk = "-";
    double frameAfterOkAt = -1;
    onFrame = [&] {
      ++ticksSeen;
      if (okAt >= 0 && frameAfterOkAt < 0) {
        frameAfterOkAt = b.clock.elapsed();
        lettersAtFrameAfterOk = b.letters();
      }
    };
    QTimer panelTimer;
    panelTimer.setInterval(0);
    QObject::connect(&panelTimer, &QTimer::timeout, [&] {
      if (guard.running() || okAt >= 0) return;
      b.clock.advance(0.25);
      maybePoll();
    });
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
      auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      // A few ticks with the box open, then OK from inside a tick's collection.
      if (!input || okAt >= 0 || ticksSeen < 3 || !guard.running()) return;
      input->setTextValue(QString::fromLatin1(entry));
      okAt = b.clock.elapsed();
      framesAtOk = frames;
      lettersAtOk = b.letters();
      input->accept();
    });
    panelTimer.start();
    user.start();
    b.link.runCommand([&] { command(ctx); });
    user.stop();
    panelTimer.stop();
    onFrame = nullptr;

    ASSERT_GE(okAt, 0) << name << ": the box was never answered";
    EXPECT_EQ(frames, framesAtOk + 1) << name << ": the tick under the box lost its frame";
    EXPECT_LE(frameAfterOkAt - okAt, 0.15) << name;
    EXPECT_EQ(lettersAtFrameAfterOk, lettersAtOk)
        << name << ": the command spoke before the tick's frame";
    EXPECT_EQ(withoutHandshakes(b.letters().substr(lettersAtOk.size())), std::string(1, letter))
        << name;
    EXPECT_TRUE(b.payloadOf(letter).has_value()) << name;
    EXPECT_FALSE(b.link.lineHeld()) << name;
  }
  EXPECT_EQ(b.meter.holdMinutes(), 4);
  EXPECT_EQ(b.meter.holdSeconds(), 56);
  EXPECT_EQ(b.meter.settings().distance100, 101);
}

TEST_F(WithRealBoxes, AComparatorClickWhileTheBoxWaitsDropsNeitherCommand) {
  // The user clicks Comp while the hold box is open and the meter silent: the comparator says
  // the meter does not answer, then OK in the hold box gets its own answer.
  b.dialogs.expectMessage();  // the comparator's, through the program's other dialogs
  const Seen seen = runWithSilentMeter(&holdTimeCommand, QStringLiteral("2:02"), [this] {
    b.link.runOutsidePoll([this] { toolbarActionTriggered(b.ctx, ToolbarCommand::Comp); });
  });
  ASSERT_GE(seen.okAt, 0);
  EXPECT_EQ(b.dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  ASSERT_EQ(seen.messages.size(), 1u);
  EXPECT_EQ(seen.messages[0].second.toStdString(), meterSilentMessage().toStdString());
  EXPECT_LE(seen.messages[0].first - seen.okAt, 0.1);
  EXPECT_EQ(b.payloadOf('S'), std::nullopt);
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
