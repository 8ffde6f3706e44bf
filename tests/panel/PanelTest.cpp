// The main panel: how a frame shows on the LCD picture, the banner, the unit marks, the port
// caption and title, start-up, the timers and the program's end.
#include <gtest/gtest.h>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <deque>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "core/Context.h"
#include "link/FrameDecoder.h"
#include "link/MeterLink.h"
#include "panel/Panel.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/Frames.h"
#include "support/MeterRig.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"

namespace lux {
namespace {

using test::encodeFrame;
using test::frameForReading;
using test::FrameSpec;

// A port that refuses to open with a fixed reason (what the system reports for a real port).
class RefusingPort : public SerialPort {
 public:
  explicit RefusingPort(QString reason) : reason_(std::move(reason)) {}
  bool open(const QString&, QString* reason) override {
    if (reason) *reason = reason_;
    return false;
  }
  bool isOpen() const override { return false; }
  void close() override {}
  void write(const QByteArray&) override {}
  QByteArray readAll() override { return {}; }
  qint64 bytesWaiting() override { return 0; }
  void discardInput() override {}

 private:
  QString reason_;
};

// A meter that answers the handshake and then hands out the frames queued here, one for each
// collection that follows a discard (so the poll's discard cannot swallow them).
class FramePort : public SerialPort {
 public:
  explicit FramePort(test::FakeClock& clock) : clock_(clock) {}
  std::deque<std::string> frames;

  bool open(const QString&, QString*) override { return open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void write(const QByteArray& bytes) override {
    if (bytes == "A") pending_ = QByteArray("\x02\xAA\x00\x04\xFF\x03", 6);
    if (bytes == "M") streaming_ = true;
  }
  QByteArray readAll() override {
    QByteArray out = pending_;
    pending_.clear();
    if (streaming_ && !frames.empty() && clock_.elapsed() >= releaseAt_) {
      out += QByteArray::fromStdString(frames.front());
      frames.pop_front();
      releaseAt_ = 1e18;
    }
    return out;
  }
  qint64 bytesWaiting() override { return pending_.size(); }
  void discardInput() override {
    pending_.clear();
    releaseAt_ = clock_.elapsed() + 0.01;
  }

 private:
  test::FakeClock& clock_;
  bool open_ = false;
  bool streaming_ = false;
  QByteArray pending_;
  double releaseAt_ = 1e18;
};

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    state.link.comPortNumber = 3;
    state.link.portName = "/dev/ttyS2";
    panel = std::make_unique<Panel>(rig.session, dialogs);
    // The session is the poll switch and the panel the placement reference, as in the program.
    rig.poll.forward = &rig.sessionPoll;
    rig.ctx.setPanel(panel.get());
    panel->setContext(ctx);
  }

  // Decodes one frame as the poll does and refreshes the picture.
  DecodeResult show(const FrameSpec& picture) {
    const std::string frame = encodeFrame(picture);
    const DecodeResult r = decodeFrame(state.display, frame);
    if (r != DecodeResult::StoppedEarly) panel->refreshPanel();
    return r;
  }

  bool shown(const char* name) const { return panel->elementShown(name); }
  QString text(const char* name) const { return panel->elementText(name); }
  std::string mainDigits() const {
    QString s;
    for (int i = 0; i < 6; ++i) {
      const QString t = text(qPrintable(QString("MainDigit%1").arg(i)));
      s += t.isEmpty() ? QString("_") : t;
    }
    return s.toStdString();
  }

  // The panel opens the link itself at its start-up.
  test::MeterRig rig{test::RigOptions{test::steadyMeter(), false, {}}};
  test::FakeClock& clock = rig.clock;
  sim::SimMeter* const meter = &rig.meter;
  test::SimSerialPort* const port = &rig.simPort;
  AppState& state = rig.state;
  MeterLink* const link = &rig.link;
  test::ScriptedDialogs& dialogs = rig.dialogs;
  std::unique_ptr<Panel> panel;
  AppContext* const ctx = &rig.ctx;
};

TEST_F(PanelTest, WindowHasItsNamesTitleAndEveryLcdElement) {
  EXPECT_EQ(panel->objectName(), "Panel");
  EXPECT_EQ(panel->windowTitle(), "Panel  V8.00");
  auto* toolbar = panel->findChild<QToolBar*>("Toolbar1");
  ASSERT_NE(toolbar, nullptr);
  for (const char* name :
       {"LblComp",    "LblCal",     "LblZero",    "LblUAvg",     "LblHold",        "LblRef",
        "ImgRel",     "MainDigit0", "MainDigit5", "LblBP1",      "LblBP2",         "LblBP3",
        "LblComma",   "LblNeg",     "LblBigPlus", "LblCD",       "LblUpPercent",   "LblFc",
        "LblFch",     "LblLx",      "LblLxh",     "LblStray",    "LblSmallPlus",   "LblLight",
        "ImgAuto",    "ImgBt",      "LblCCF",     "LblDH",       "Lblms",          "LblTH",
        "TimeDigit0", "TimeDigit3", "LblSP1",     "LblSP2",      "LblSP3",         "LblTimeDot",
        "LblDateDot", "LblCycle",   "LblMem",     "LblRead",     "MemoryDigit",    "LblDAvg",
        "LblNo",      "LblStart",   "LblIntv",    "LblStop",     "LblDownPercent", "Lblft",
        "Lblm",       "ShapeSetUp", "LblSetUp",   "LblFileName", "LblRec",         "LblCount",
        "LblCOM"}) {
    QWidget* w = panel->findChild<QWidget*>(name);
    EXPECT_NE(w, nullptr) << name;
    EXPECT_EQ(panel->element(name), w) << name;
  }
  EXPECT_EQ(text("LblCOM"), "No COM");
  EXPECT_EQ(text("LblRec"), "Rec.");
  EXPECT_EQ(panel->findChild<QLabel*>("MainDigit4")->property("index").toInt(), 4);
  // Positions are twips of the LCD area: MainDigit 1 sits 1755 twips from the left.
  const double dpi = panel->logicalDpiX();
  EXPECT_NEAR(panel->element("MainDigit1")->x(), 1755 * dpi / 1440, 1);
  EXPECT_NEAR(panel->element("LblCOM")->x(), 5040 * dpi / 1440, 1);
  EXPECT_NEAR(panel->centralWidget()->width(), 7200 * dpi / 1440, 1);
  EXPECT_NEAR(panel->centralWidget()->height(), 5415 * panel->logicalDpiY() / 1440, 1);
}

TEST_F(PanelTest, LcdFontIsARealBoldFontAtTheDesignedSizes) {
  const QFont digit = panel->element("MainDigit0")->font();
  EXPECT_FALSE(QFontInfo(digit).family().isEmpty());
  EXPECT_TRUE(digit.bold());
  EXPECT_DOUBLE_EQ(digit.pointSizeF(), 72);
  EXPECT_DOUBLE_EQ(panel->element("TimeDigit0")->font().pointSizeF(), 60);
  EXPECT_DOUBLE_EQ(panel->element("MemoryDigit")->font().pointSizeF(), 48);
  EXPECT_DOUBLE_EQ(panel->element("LblBigPlus")->font().pointSizeF(), 36);
  EXPECT_DOUBLE_EQ(panel->element("LblStray")->font().pointSizeF(), 15.75);
  EXPECT_DOUBLE_EQ(panel->element("Lblft")->font().pointSizeF(), 12);
  EXPECT_DOUBLE_EQ(panel->element("LblIntv")->font().pointSizeF(), 9.75);
}

TEST_F(PanelTest, ReadingShowsItsDigitsAndHidesBlankOnes) {
  FrameSpec f = frameForReading(5.0, 1, true);
  f.memoryDigits = {' ', '7'};
  f.secondaryDigits = {'1', '2', '3', '4'};
  f.flags.annHold = true;
  ASSERT_EQ(show(f), DecodeResult::Complete);
  EXPECT_EQ(mainDigits(), "____50");
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(shown(qPrintable(QString("MainDigit%1").arg(i))));
  EXPECT_TRUE(shown("MainDigit4"));
  EXPECT_TRUE(shown("MainDigit5"));
  EXPECT_TRUE(shown("LblBP3"));
  EXPECT_FALSE(shown("LblBP1"));
  EXPECT_FALSE(shown("LblBP2"));
  EXPECT_TRUE(shown("LblLx"));
  EXPECT_FALSE(shown("LblFc"));
  EXPECT_TRUE(shown("LblHold"));
  EXPECT_TRUE(shown("ImgAuto"));
  EXPECT_EQ(text("MemoryDigit"), "7");
  EXPECT_EQ(text("TimeDigit0") + text("TimeDigit1") + text("TimeDigit2") + text("TimeDigit3"),
            "1234");

  // A longer reading lights the digits again; the shorter one's hidden digits come back.
  ASSERT_EQ(show(frameForReading(1234.5, 1, true)), DecodeResult::Complete);
  EXPECT_EQ(mainDigits(), "_12345");
  EXPECT_TRUE(shown("MainDigit1"));
  EXPECT_FALSE(shown("LblHold"));
  EXPECT_EQ(text("MemoryDigit"), "");
}

TEST_F(PanelTest, OverloadShowsOLWhateverTheOtherDigits) {
  FrameSpec f = frameForReading(0, 0, true, true);
  f.mainDigits = {'1', '2', '3', '4', '5', '6'};
  ASSERT_EQ(show(f), DecodeResult::Complete);
  EXPECT_EQ(text("MainDigit2"), "O");
  EXPECT_EQ(text("MainDigit3"), "L");
  EXPECT_TRUE(shown("MainDigit2"));
  EXPECT_TRUE(shown("MainDigit3"));
  EXPECT_EQ(state.display.mainValueText, "OL");
}

TEST_F(PanelTest, BannerCoversTheDigitsAndKeepsEverythingUnderneath) {
  FrameSpec normal = frameForReading(523.4, 1, true);
  normal.flags.annMem = true;
  ASSERT_EQ(show(normal), DecodeResult::Complete);
  EXPECT_FALSE(shown("ShapeSetUp"));
  EXPECT_FALSE(shown("LblSetUp"));

  for (auto [flag, caption] :
       {std::pair{&DisplayState::annSetUp, "SET UP"}, std::pair{&DisplayState::annClear, "CLEAR"},
        std::pair{&DisplayState::annRs232, "RS232"}}) {
    FrameSpec banner = frameForReading(9.876, 3, false);
    banner.flags.*flag = true;
    banner.flags.annHold = true;  // would show if the refresh went on
    show(banner);
    EXPECT_TRUE(shown("ShapeSetUp")) << caption;
    EXPECT_TRUE(shown("LblSetUp")) << caption;
    EXPECT_EQ(text("LblSetUp"), caption);
    EXPECT_EQ(mainDigits(), "__5234") << caption;  // 523.4 right-aligned, still there
    EXPECT_TRUE(shown("LblBP3")) << caption;
    EXPECT_FALSE(shown("LblBP1")) << caption;
    EXPECT_FALSE(shown("LblHold")) << caption;
    EXPECT_TRUE(shown("LblLx")) << caption;
    EXPECT_FALSE(shown("LblFc")) << caption;
    EXPECT_TRUE(shown("LblMem")) << caption;
  }

  ASSERT_EQ(show(frameForReading(9.876, 3, false)), DecodeResult::Complete);
  EXPECT_FALSE(shown("ShapeSetUp"));
  EXPECT_FALSE(shown("LblSetUp"));
  EXPECT_EQ(mainDigits(), "__9876");
  EXPECT_TRUE(shown("LblBP1"));
  EXPECT_FALSE(shown("LblBP3"));
  EXPECT_TRUE(shown("LblFc"));
  EXPECT_FALSE(shown("LblLx"));
  EXPECT_FALSE(shown("LblMem"));
}

TEST_F(PanelTest, HourUnitsFollowTheirOwnRule) {
  // fc-h: "fc" and its "-h" show, the lx "-h" hides, "lx" keeps what it had.
  FrameSpec lux = frameForReading(100, 0, true);
  lux.flags.annLxHour = true;
  show(lux);
  EXPECT_TRUE(shown("LblLx"));
  EXPECT_TRUE(shown("LblLxh"));
  EXPECT_FALSE(shown("LblFc"));
  EXPECT_FALSE(shown("LblFch"));

  FrameSpec fch = frameForReading(100, 0, false);
  fch.flags.annFcHour = true;
  fch.flags.annLxHour = true;  // fc-h wins
  show(fch);
  EXPECT_TRUE(shown("LblFc"));
  EXPECT_TRUE(shown("LblFch"));
  EXPECT_FALSE(shown("LblLxh"));
  EXPECT_TRUE(shown("LblLx"));  // kept from the previous frame

  // lx-h: "lx" and its "-h" show; "fc" and its "-h" keep their state.
  FrameSpec lxh = frameForReading(100, 0, true);
  lxh.flags.annLxHour = true;
  show(lxh);
  EXPECT_TRUE(shown("LblLx"));
  EXPECT_TRUE(shown("LblLxh"));
  EXPECT_TRUE(shown("LblFc"));
  EXPECT_TRUE(shown("LblFch"));

  // Plain units again: both "-h" hide and each unit follows its own flag.
  show(frameForReading(100, 0, false));
  EXPECT_FALSE(shown("LblFch"));
  EXPECT_FALSE(shown("LblLxh"));
  EXPECT_TRUE(shown("LblFc"));
  EXPECT_FALSE(shown("LblLx"));
}

TEST_F(PanelTest, EachAnnunciatorFollowsItsFlag) {
  const std::pair<bool DisplayState::*, const char*> pairs[] = {
      {&DisplayState::annRel, "ImgRel"},
      {&DisplayState::annComp, "LblComp"},
      {&DisplayState::annCal, "LblCal"},
      {&DisplayState::annZero, "LblZero"},
      {&DisplayState::annUpperAvg, "LblUAvg"},
      {&DisplayState::annRef, "LblRef"},
      {&DisplayState::annUpperPercent, "LblUpPercent"},
      {&DisplayState::annCd, "LblCD"},
      {&DisplayState::annLight, "LblLight"},
      {&DisplayState::annSmallPlus, "LblSmallPlus"},
      {&DisplayState::annStray, "LblStray"},
      {&DisplayState::annComma, "LblComma"},
      {&DisplayState::annBattery, "ImgBt"},
      {&DisplayState::annBigPlus, "LblBigPlus"},
      {&DisplayState::annCycle, "LblCycle"},
      {&DisplayState::annRead, "LblRead"},
      {&DisplayState::annLowerAvg, "LblDAvg"},
      {&DisplayState::annNo, "LblNo"},
      {&DisplayState::annStart, "LblStart"},
      {&DisplayState::annIntv, "LblIntv"},
      {&DisplayState::annStop, "LblStop"},
      {&DisplayState::annDH, "LblDH"},
      {&DisplayState::annMs, "Lblms"},
      {&DisplayState::annTimeHold, "LblTH"},
      {&DisplayState::annLowerPercent, "LblDownPercent"},
      {&DisplayState::annFt, "Lblft"},
      {&DisplayState::annM, "Lblm"},
      {&DisplayState::annSubPoint1, "LblSP1"},
      {&DisplayState::annSubPoint2, "LblSP2"},
      {&DisplayState::annSubPoint3, "LblSP3"},
      {&DisplayState::annDateDot, "LblDateDot"},
      {&DisplayState::annTimeDot, "LblTimeDot"},
      {&DisplayState::annMem, "LblMem"}};
  for (const auto& [flag, name] : pairs) {
    FrameSpec on = frameForReading(12, 0, true);
    on.flags.*flag = true;
    show(on);
    EXPECT_TRUE(shown(name)) << name;
    show(frameForReading(12, 0, true));
    EXPECT_FALSE(shown(name)) << name;
  }
  EXPECT_TRUE(shown("LblCCF"));  // the fixed label never changes
}

TEST_F(PanelTest, ClickOnThePortCaptionTogglesTheTitle) {
  QLabel* com = panel->findChild<QLabel*>("LblCOM");
  ASSERT_NE(com, nullptr);
  panel->show();
  QTest::mouseClick(com, Qt::LeftButton);
  EXPECT_EQ(panel->windowTitle(), "Panel  V8.00   130108");
  QTest::mouseClick(com, Qt::LeftButton);
  EXPECT_EQ(panel->windowTitle(), "Panel  V8.00");
  // A click elsewhere on the LCD leaves the title alone.
  QTest::mouseClick(panel->element("LblCCF"), Qt::LeftButton);
  EXPECT_EQ(panel->windowTitle(), "Panel  V8.00");
}

TEST_F(PanelTest, StartUpOpensTheLinkAndStartsTheSessionsPoll) {
  panel->move(200, 150);
  EXPECT_FALSE(rig.session.pollEnabled());
  int starts = 0;
  QObject::connect(&rig.session, &MeterSession::starting, [&] {
    ++starts;
    EXPECT_FALSE(rig.session.pollTimer()->isActive()) << "what samples the poll starts first";
  });
  ASSERT_TRUE(panel->startUp());
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(panel->pos(), QPoint(0, 0));
  EXPECT_TRUE(port->isOpen());
  EXPECT_EQ(port->openedName(), "/dev/ttyS2");
  EXPECT_EQ(text("LblCOM"), "COM3");
  EXPECT_EQ(state.link.pollCount, 0);
  EXPECT_TRUE(rig.session.pollTimer()->isActive());
  EXPECT_EQ(rig.session.pollTimer()->interval(), 250);
  EXPECT_EQ(starts, 1);

  // The windows that talk to the meter switch the poll off and on through the session.
  PollControl& poll = rig.sessionPoll;
  poll.setPollEnabled(false);
  EXPECT_FALSE(rig.session.pollTimer()->isActive());
  EXPECT_FALSE(poll.pollEnabled());
  poll.setPollEnabled(true);
  EXPECT_TRUE(rig.session.pollTimer()->isActive());
}

TEST_F(PanelTest, APortThatCannotBeOpenedEndsTheStartWithTheMessage) {
  port->unplug();
  dialogs.expectMessage();
  EXPECT_FALSE(panel->startUp());
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const QString message = dialogs.messages().front();
  EXPECT_TRUE(message.startsWith("No device found, try again!\n")) << qPrintable(message);
  EXPECT_GT(message.size(), QString("No device found, try again!\n").size());
  EXPECT_FALSE(rig.session.pollTimer()->isActive());
}

TEST_F(PanelTest, ATextThatNamesNoPortEndsTheStartWithTheMessage) {
  state.link.comPortNumber = 0;  // "com3" in the port window
  state.link.portName.clear();
  dialogs.expectMessage();
  EXPECT_FALSE(panel->startUp());
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages().front().startsWith("No device found, try again!"));
  EXPECT_EQ(port->openCount(), 0);
}

// The panel passes on what the port says about a refusal and adds no advice of its own: a
// busy port is not a reason to join a group, and the group the port names is the one to join.
TEST(PanelStartUp, TheMessageCarriesThePortsReasonAndNoAdviceOfItsOwn) {
  for (const char* why : {"the port is busy: another program has it open (Permission error "
                          "while locking the device)",
                          "permission denied: /dev/ttyS0 belongs to the group 'uucp'; add your "
                          "user to that group and log in again"}) {
    SCOPED_TRACE(why);
    // The rig's line leads to a port that refuses to open, instead of the simulated meter.
    test::MeterRig rig{test::RigOptions{test::steadyMeter(), false, {}}};
    RefusingPort refusing(QString::fromLatin1(why));
    rig.port.routeTo(refusing);
    rig.state.link.portName.clear();
    rig.state.link.comPortNumber = 1;
    test::ScriptedDialogs& dialogs = rig.dialogs;
    dialogs.expectMessage();
    Panel panel(rig.session, dialogs);
    EXPECT_FALSE(panel.startUp());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages().front().toStdString(),
              std::string("No device found, try again!\n") + why);
  }
}

TEST_F(PanelTest, PollTickMirrorsTheMeter) {
  meter->setReading(412.7, 1);
  ASSERT_TRUE(panel->startUp());
  rig.session.pollTimer()->stop();  // ticks are driven by hand on the fake clock
  rig.session.pollTick();
  EXPECT_EQ(rig.session.framesReceived(), 1u);
  EXPECT_EQ(QString::fromStdString(state.display.mainValueText), "412.7");
  EXPECT_EQ(mainDigits(), "__4127");
  EXPECT_TRUE(shown("LblBP3"));
  EXPECT_EQ(state.link.pollCount, 1);
  EXPECT_EQ(QString::fromStdString(meter->receivedLetters()).left(2), "AM");

  meter->setLux(false);
  meter->setReading(38.25, 2);
  rig.session.pollTick();
  EXPECT_EQ(rig.session.framesReceived(), 2u);
  EXPECT_EQ(mainDigits(), "__3825");
  EXPECT_TRUE(shown("LblFc"));
  EXPECT_FALSE(shown("LblLx"));
}

// A meter pause of 3.8 s is no silence yet: the note comes only after 4 s without a frame.
TEST_F(PanelTest, APauseShorterThanFourSecondsGetsNoNote) {
  meter->setReading(412.7, 1);
  ASSERT_TRUE(panel->startUp());
  rig.session.pollTimer()->stop();
  rig.session.pollTick();
  ASSERT_EQ(rig.session.framesReceived(), 1u);
  meter->goSilent(3.8);
  bool noted = false;
  clock.onIdle = [&] { noted = noted || shown("LblMeterNote"); };
  rig.session.pollTick();
  rig.session.pollTick();
  clock.onIdle = nullptr;
  EXPECT_FALSE(noted);
  EXPECT_GE(rig.session.framesReceived(), 2u) << "the meter was heard again";
  EXPECT_EQ(panel->lcd()->statusNote(), "");
}

// A meter that stops sending: within seconds the status row says so in words, the picture keeps
// the last reading, and the first frame after it takes the note away.
TEST_F(PanelTest, SilentMeterGetsAPlainNoteUntilFramesComeAgain) {
  meter->setReading(412.7, 1);
  ASSERT_TRUE(panel->startUp());
  rig.session.pollTimer()->stop();
  rig.session.pollTick();
  ASSERT_EQ(rig.session.framesReceived(), 1u);
  EXPECT_FALSE(shown("LblMeterNote"));
  EXPECT_EQ(panel->lcd()->statusNote(), "");

  const double quietFrom = clock.elapsed();
  meter->goSilent(30.0);
  double noteAt = -1, noComAt = -1;
  clock.onIdle = [&] {
    if (noteAt < 0 && shown("LblMeterNote")) noteAt = clock.elapsed() - quietFrom;
    if (noComAt < 0 && text("LblCOM") == "No COM") noComAt = clock.elapsed() - quietFrom;
  };
  rig.session.pollTick();  // waits for the meter until it is back
  clock.onIdle = nullptr;
  EXPECT_GE(noteAt, 4.0 - 0.01);
  EXPECT_LT(noteAt, 4.0 + 0.1);
  EXPECT_GT(noComAt, 12.0);
  EXPECT_EQ(mainDigits(), "__4127") << "the picture keeps the last frame";
  ASSERT_TRUE(shown("LblMeterNote")) << "no frame yet after the reconnection";
  EXPECT_EQ(text("LblMeterNote"), "The meter is not answering");
  EXPECT_EQ(panel->lcd()->statusNote(), "The meter is not answering");
  QWidget* note = panel->element("LblMeterNote");
  EXPECT_FALSE(note->toolTip().isEmpty());

  // In the status row inside the LCD area, clear of every other element, its words uncut.
  const QRect area = panel->lcd()->rect();
  EXPECT_TRUE(area.contains(note->geometry())) << note->geometry().x() << "," << note->y();
  // The publishing note shares the place and gives way while this note is up.
  panel->showPublishing(QStringLiteral("Publishing"), {});
  EXPECT_FALSE(shown("LblPublishNote"));
  for (QLabel* other : panel->lcd()->findChildren<QLabel*>()) {
    if (other == note || other->objectName() == QLatin1String("LblPublishNote")) continue;
    EXPECT_FALSE(note->geometry().intersects(other->geometry()))
        << other->objectName().toStdString();
  }
  const QFontMetrics fm(note->font(), note);
  EXPECT_LE(fm.horizontalAdvance(text("LblMeterNote")), note->width());
  EXPECT_LE(fm.height(), note->height() + 1);

  rig.session.pollTick();
  EXPECT_EQ(rig.session.framesReceived(), 2u);
  EXPECT_FALSE(shown("LblMeterNote"));
  EXPECT_EQ(panel->lcd()->statusNote(), "");
  EXPECT_EQ(text("LblCOM"), "COM3");
}

TEST_F(PanelTest, SetUpBannerFromTheMeterDoesNotCountTheTick) {
  meter->setReading(77.0, 1);
  ASSERT_TRUE(panel->startUp());
  rig.session.pollTimer()->stop();
  rig.session.pollTick();
  ASSERT_EQ(state.link.pollCount, 1);
  meter->setAnnunciator(sim::Annunciator::SetUp, true);
  meter->setReading(1.0, 1);
  rig.session.pollTick();
  EXPECT_TRUE(shown("LblSetUp"));
  EXPECT_EQ(text("LblSetUp"), "SET UP");
  EXPECT_EQ(mainDigits(), "___770");
  EXPECT_EQ(state.link.pollCount, 1);
}

TEST(PanelPoll, AFrameThatStopsDecodingEarlyLeavesThePictureAsItWas) {
  // The rig's line leads to a port that sends the frames a test queues.
  test::MeterRig rig{test::RigOptions{test::steadyMeter(), false, {}}};
  FramePort port(rig.clock);
  rig.port.routeTo(port);
  AppState& state = rig.state;
  state.link.portName = "/dev/ttyS0";
  state.link.comPortNumber = 1;
  Panel panel(rig.session, rig.dialogs);
  ASSERT_TRUE(panel.startUp());
  rig.session.pollTimer()->stop();

  port.frames.push_back(encodeFrame(frameForReading(523.4, 1, true)));
  rig.session.pollTick();
  ASSERT_EQ(rig.session.framesReceived(), 1u);
  ASSERT_EQ(panel.elementText("MainDigit5"), "4");
  ASSERT_TRUE(panel.elementShown("LblBP3"));

  // Three decimals but only one lit digit: the decoder stops early.
  FrameSpec early = frameForReading(5, 0, true);
  early.flags.annMainPoint1 = true;
  early.flags.annHold = true;
  port.frames.push_back(encodeFrame(early));
  rig.session.pollTick();
  EXPECT_EQ(rig.session.framesReceived(), 2u);
  EXPECT_EQ(panel.elementText("MainDigit2"), "5");
  EXPECT_EQ(panel.elementText("MainDigit5"), "4");
  EXPECT_TRUE(panel.elementShown("LblBP3"));
  EXPECT_FALSE(panel.elementShown("LblBP1"));
  EXPECT_FALSE(panel.elementShown("LblHold"));

  // The next whole frame refreshes everything again.
  port.frames.push_back(encodeFrame(frameForReading(7.25, 2, false)));
  rig.session.pollTick();
  EXPECT_EQ(rig.session.framesReceived(), 3u);
  EXPECT_EQ(panel.elementText("MainDigit3"), "7");
  EXPECT_TRUE(panel.elementShown("LblBP2"));
  EXPECT_FALSE(panel.elementShown("LblBP3"));
  EXPECT_TRUE(panel.elementShown("LblFc"));
}

TEST_F(PanelTest, ClosingThePanelAbortsTheLinkAndEndsEverything) {
  ASSERT_TRUE(panel->startUp());
  panel->show();
  QWidget other;  // a secondary window of the program
  other.show();
  int shutdownHooks = 0;
  ctx->hooks.onShutdown.push_back([&] { ++shutdownHooks; });
  ctx->hooks.onShutdown.push_back([] { throw std::runtime_error("window would not close"); });
  ctx->hooks.onShutdown.push_back([&] { ++shutdownHooks; });
  QSignalSpy closing(panel.get(), &Panel::closing);
  QSignalSpy stopped(&rig.session, &MeterSession::stopped);

  panel->close();
  EXPECT_EQ(stopped.count(), 1) << "the recording's clock stops with the poll";
  EXPECT_TRUE(link->aborted());
  EXPECT_THROW(link->waitSeconds(0.02), LinkAborted);
  EXPECT_EQ(shutdownHooks, 2);
  EXPECT_EQ(closing.count(), 1);
  EXPECT_FALSE(other.isVisible());
  // The poll no longer restarts once the program is ending.
  rig.sessionPoll.setPollEnabled(true);
  EXPECT_FALSE(rig.session.pollTimer()->isActive());
}

TEST_F(PanelTest, ClosingDuringATickEndsThatTicksWait) {
  ASSERT_TRUE(panel->startUp());
  bool afterWait = false;
  QObject::connect(&rig.session, &MeterSession::readingDecoded, [&] {
    panel->close();  // the user closes the panel while the tick waits for the meter
    link->waitSeconds(5);
    afterWait = true;
  });
  rig.session.pollTick();
  EXPECT_FALSE(afterWait);
  EXPECT_TRUE(link->aborted());
}

TEST(PanelPoll, OnlyReadingFramesCountAsFreshReadingsForTheRecording) {
  // The rig's line leads to a port that sends the frames a test queues.
  test::MeterRig rig{test::RigOptions{test::steadyMeter(), false, {}}};
  FramePort port(rig.clock);
  rig.port.routeTo(port);
  AppState& state = rig.state;
  state.link.portName = "/dev/ttyS0";
  state.link.comPortNumber = 1;
  Panel panel(rig.session, rig.dialogs);
  ASSERT_TRUE(panel.startUp());
  rig.session.pollTimer()->stop();

  port.frames.push_back(encodeFrame(frameForReading(523.4, 1, true)));
  rig.session.pollTick();
  ASSERT_EQ(state.display.framesDecoded, 1u);

  // While the meter shows CLEAR or RS232 its frames carry no reading: a sampling moment in that
  // time must not take the reading from before the banner for a new one.
  for (bool DisplayState::*flag : {&DisplayState::annClear, &DisplayState::annRs232}) {
    FrameSpec banner = frameForReading(9.876, 3, false);
    banner.flags.*flag = true;
    port.frames.push_back(encodeFrame(banner));
    rig.session.pollTick();
  }
  EXPECT_EQ(rig.session.framesReceived(), 3u);
  EXPECT_EQ(state.display.framesDecoded, 1u);

  port.frames.push_back(encodeFrame(frameForReading(7.25, 2, false)));
  rig.session.pollTick();
  EXPECT_EQ(state.display.framesDecoded, 2u);
}

}  // namespace
}  // namespace lux
