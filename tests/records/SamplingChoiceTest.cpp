// The "Sampling Rate" window through the scripted dialog layer: the PC period and the meter's
// logger sampling time, with the bytes the simulated meter receives.
#include <QRadioButton>
#include <deque>

#include "RecordsFixture.h"
#include "link/Commands.h"
#include "records/SamplingChoice.h"

namespace lux::test {
namespace {

using Sampling = RecordsTest;

const QString kTitle = QStringLiteral("Input Sampling Time");
const QString kPcPrompt =
    QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) ");
const QString kMeterPrompt = QStringLiteral("Enter the SAMPLING TIME of the Meter\r\n (MM:SS) ");
const QString kInvalid = QStringLiteral("Invalid, comply with the data format properly\r\n");

class SamplingWindow : public Sampling {
 protected:
  // Runs the window once: option chosen, OK, closed (its unload restores the poll).
  void runPc() {
    SamplingChoice w(*ctx);
    w.optPC().setChecked(true);
    w.okClicked();
  }
  void runMeter() {
    SamplingChoice w(*ctx);
    EXPECT_TRUE(w.optMeter().isChecked()) << "the meter path is preselected";
    w.okClicked();
  }
  // The "W" commands the meter received, as their two payload bytes.
  std::vector<std::string> wPayloads() const {
    std::vector<std::string> out;
    for (const sim::Received& r : meter->received())
      if (r.letter == 'W') out.push_back(r.payload);
    return out;
  }
};

TEST_F(SamplingWindow, PcAnswersAreRoundedClampedAndResetThePhase) {
  struct Case {
    const char* answer;
    float stored;
  } cases[] = {{"0", 1}, {"100000", 86400}, {"2.5", 2}, {"3.5", 4}, {"60", 60}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    state.recording.samplingTickCount = 5;
    dialogs.answerInput(QLatin1String(c.answer));
    runPc();
    EXPECT_EQ(state.recording.samplingTicks, c.stored);
    EXPECT_EQ(state.recording.samplingTickCount, 0);
  }
  const auto& last = dialogs.shown().back();
  EXPECT_EQ(last.text, kPcPrompt);
  EXPECT_EQ(last.title, kTitle);
  EXPECT_EQ(last.defaultText, "4");  // the value stored by the answer before
  EXPECT_TRUE(meter->receivedLetters().empty()) << "the PC path never talks to the meter";
}

TEST_F(SamplingWindow, PcCancelAndWordsChangeNothing) {
  state.recording.samplingTicks = 7;
  state.recording.samplingTickCount = 3;
  dialogs.answerInput(QString());
  runPc();
  EXPECT_EQ(state.recording.samplingTicks, 7);
  EXPECT_EQ(state.recording.samplingTickCount, 3);

  dialogs.answerInput(QStringLiteral("ten")).expectMessage().answerInput(QString());
  runPc();
  EXPECT_EQ(state.recording.samplingTicks, 7);
  EXPECT_EQ(state.recording.samplingTickCount, 3);
  EXPECT_EQ(dialogs.messages(), std::vector<QString>{kInvalid});
  EXPECT_TRUE(poll.pollEnabled());
}

TEST_F(SamplingWindow, MeterDefaultTextAndCancelSendsNothing) {
  meter->setSampling(1, 5);
  meter->clearReceived();
  bool pollOffDuringExchange = true;
  clock.onIdle = [&] { pollOffDuringExchange &= !poll.pollEnabled(); };
  dialogs.answerInput(QString());
  runMeter();
  clock.onIdle = nullptr;
  EXPECT_TRUE(pollOffDuringExchange);
  EXPECT_TRUE(poll.pollEnabled()) << "the window's unload restores the poll";
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text, kMeterPrompt);
  EXPECT_EQ(dialogs.shown()[0].title, kTitle);
  EXPECT_EQ(dialogs.shown()[0].defaultText, "01:05");
  EXPECT_EQ(meter->receivedLetters(), "AY");
  EXPECT_TRUE(wPayloads().empty());
}

TEST_F(SamplingWindow, MeterAnswersGoOutAsBcdBytes) {
  struct Case {
    const char* answer;
    std::string bytes;
    int minutes, seconds;
  } cases[] = {{"3:10", std::string("\x03\x00", 2), 3, 0},
               {"2:75", "\x02\x15", 2, 15},
               {"1:30", "\x01\x30", 1, 30},
               {"0:0", std::string("\x00\x00", 2), 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    meter->clearReceived();
    dialogs.answerInput(QLatin1String(c.answer));
    runMeter();
    EXPECT_EQ(meter->receivedLetters(), "AYAHAW");
    ASSERT_EQ(wPayloads().size(), 1u);
    EXPECT_EQ(wPayloads()[0], c.bytes);
    EXPECT_EQ(meter->samplingMinutes(), c.minutes);
    EXPECT_EQ(meter->samplingSeconds(), c.seconds);
  }
  // The next reading shows what was set.
  dialogs.answerInput(QString());
  runMeter();
  EXPECT_EQ(dialogs.shown().back().defaultText, "00:00");
}

TEST_F(SamplingWindow, MalformedMeterAnswersAskAgainWithTheSameDefault) {
  meter->setSampling(2, 30);
  meter->clearReceived();
  for (const char* bad : {"130", ":30", "1:", "1:2:3", "1"})
    dialogs.answerInput(QLatin1String(bad)).expectMessage();
  dialogs.answerInput(QStringLiteral("1:5"));
  runMeter();
  EXPECT_EQ(dialogs.messages().size(), 5u);
  for (const QString& m : dialogs.messages()) EXPECT_EQ(m, kInvalid);
  for (const auto& s : dialogs.shown()) {
    if (s.kind == ScriptedDialogs::Kind::Input) {
      EXPECT_EQ(s.defaultText, "02:30");
    }
  }
  ASSERT_EQ(wPayloads().size(), 1u);
  EXPECT_EQ(wPayloads()[0], std::string("\x01\x05", 2));
  EXPECT_TRUE(poll.pollEnabled());
}

// A meter that answers the handshake but never gives the 8 bytes of "Y".
class ShortReplyPort : public SerialPort {
 public:
  bool open(const QString&, QString*) override { return open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void write(const QByteArray& bytes) override {
    for (char c : bytes) {
      written += c;
      if (c == 'A') pending_ += QByteArray("\x02\xAA\x00\x04\xFF\x03", 6);
      if (c == 'Y') pending_ += QByteArray("\x02\x09\x08", 3);
    }
  }
  QByteArray readAll() override { return std::exchange(pending_, {}); }
  qint64 bytesWaiting() override { return pending_.size(); }
  void discardInput() override { pending_.clear(); }
  std::string written;

 private:
  bool open_ = false;
  QByteArray pending_;
};

TEST_F(SamplingWindow, MeterThatNeverAnswersYGivesUpWithAMessage) {
  // The rig's line leads to this meter from now on, opened as the program opens its port.
  ShortReplyPort shortPort;
  rig.port.routeTo(shortPort);
  state.link.portName = QStringLiteral("short");
  QString reason;
  ASSERT_TRUE(link->openLink(&reason));
  const double before = clock.elapsed();
  dialogs.expectMessage();
  {
    SamplingChoice w(*ctx);
    w.okClicked();
    EXPECT_FALSE(poll.pollEnabled());
  }
  const double took = clock.elapsed() - before;
  EXPECT_GE(took, kMeterReadTimeoutSeconds);
  EXPECT_LT(took, kMeterReadTimeoutSeconds + 2.0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0], "The meter did not answer, try again !");
  EXPECT_EQ(shortPort.written.find('W'), std::string::npos);
  EXPECT_GT(std::count(shortPort.written.begin(), shortPort.written.end(), 'Y'), 3);
  EXPECT_TRUE(poll.pollEnabled());
}

TEST_F(SamplingWindow, ClosingWithoutOkRestoresThePoll) {
  poll.setPollEnabled(false);
  { SamplingChoice w(*ctx); }
  EXPECT_TRUE(poll.pollEnabled());
  SamplingChoice w(*ctx);
  EXPECT_EQ(w.windowTitle(), "Sampling Rate");
  EXPECT_EQ(w.optPC().text(), "PC Sampling Rate");
  EXPECT_EQ(w.optMeter().text(), "Meter Sampling Rate");
}

}  // namespace
}  // namespace lux::test
