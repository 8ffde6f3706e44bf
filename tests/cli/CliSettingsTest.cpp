// luxpanel-cli's "set" and "press" against the panel's own inputs: for the same entry, the
// simulated meter behind each receives the same letters and the same payload bytes, and the CLI
// refuses what the panel refuses.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <utility>
#include <vector>

#include "cli/SettingsCommands.h"
#include "records/SamplingChoice.h"
#include "settings/Btn.h"
#include "settings/Comparator.h"
#include "settings/ParameterInputs.h"
#include "support/MeterRig.h"

namespace lux::test {
namespace {

using Wire = std::vector<std::pair<char, std::string>>;

// What the meter took, letter by letter with the bytes behind each.
Wire wire(const MeterRig& r) {
  Wire w;
  for (const sim::Received& x : r.meter.received()) w.emplace_back(x.letter, x.payload);
  return w;
}

std::string shown(const Wire& w) {
  std::string s;
  for (const auto& [letter, payload] : w) {
    s += letter;
    for (unsigned char c : payload) {
      static const char* hex = "0123456789ABCDEF";
      s += ' ';
      s += hex[c >> 4];
      s += hex[c & 15];
    }
    s += ' ';
  }
  return s;
}

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

class CliAgainstPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    installParameterInputs(panel.ctx);
    panel.forget();
    cli.forget();
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<Comparator*>(w) || qobject_cast<Btn*>(w)) delete w;
  }

  cli::SettingOutcome set(const QStringList& words, const QString& unit = {},
                          const QString& range = {}) {
    const cli::SettingRequest r = cli::parseSettingRequest(words, unit, range);
    EXPECT_TRUE(r.refusal.isEmpty()) << r.refusal.toStdString();
    return cli::applySetting(cli.link, r, &refusal);
  }

  // The comparator window as the user leaves it before Update: unit, range, the two limits.
  void updateComparator(const char* unit, int range, const char* high, const char* low) {
    panel.ctx.hooks.commands.run(ToolbarCommand::Comp);
    Comparator* w = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
      if (auto* c = qobject_cast<Comparator*>(t); c && c->isVisible()) w = c;
    ASSERT_NE(w, nullptr);
    if (unit) {
      w->txtUnit()->setCurrentIndex(w->txtUnit()->findText(QLatin1String(unit)));
      emit w->txtUnit()->activated(w->txtUnit()->currentIndex());
    }
    if (range) w->hoDec()[range]->click();
    for (int i = 1; i <= 4; ++i) {
      w->highO()[i]->setCurrentIndex(high[i - 1] - '0');
      w->lowO()[i]->setCurrentIndex(low[i - 1] - '0');
    }
    w->updateClicked();
  }

  MeterRig panel;
  MeterRig cli;
  QString refusal;
};

TEST_F(CliAgainstPanel, HoldTimeSendsThePanelsBytes) {
  for (const char* entry : {"5:7", "75:80", "0:0", "12:30"}) {
    panel.forget();
    cli.forget();
    panel.dialogs.answerInput(QLatin1String(entry));
    panel.ctx.hooks.commands.run(ToolbarCommand::Hold);
    ASSERT_EQ(set({"hold", QLatin1String(entry)}), cli::SettingOutcome::Done) << entry;
    EXPECT_EQ(shown(wire(cli)), shown(wire(panel))) << entry;
  }
  EXPECT_EQ(cli.payloadOf('S'), bytes({0x12, 0x30}));
  EXPECT_EQ(cli.meter.holdMinutes(), 12);
}

TEST_F(CliAgainstPanel, DistanceSendsThePanelsBytes) {
  for (const char* entry : {"0.5", "12.34", "0.00", "1.257", "9.99"}) {
    panel.forget();
    cli.forget();
    panel.dialogs.answerInput(QLatin1String(entry));
    panel.ctx.hooks.commands.run(ToolbarCommand::CD);
    ASSERT_EQ(set({"distance", QLatin1String(entry)}), cli::SettingOutcome::Done) << entry;
    EXPECT_EQ(shown(wire(cli)), shown(wire(panel))) << entry;
    if (std::string(entry) == "12.34") {
      EXPECT_EQ(cli.payloadOf('I'), bytes({0x03, 0xA6}));
    }
  }
}

TEST_F(CliAgainstPanel, ComparatorSendsTheWindowsBytes) {
  struct Case {
    const char* unit;  // the window's pick and the CLI's --unit ("lx"/"fc"), or the meter's
    int range;         // 0: the meter's own
    const char* high;
    const char* low;
  };
  // The third case keeps the unit and range the second left on the meter (lux, ddd.d).
  for (const Case& c : {Case{"Fc", 5, "9999", "0000"}, Case{"Lx", 3, "1234", "0050"},
                        Case{nullptr, 0, "0042", "0007"}, Case{"Fc", 1, "0100", "0020"}}) {
    panel.forget();
    cli.forget();
    updateComparator(c.unit, c.range, c.high, c.low);
    const QString unit = c.unit ? QString::fromLatin1(c.unit).toLower() : QString();
    const QString range = c.range ? QString::number(c.range) : QString();
    ASSERT_EQ(set({"comparator", QLatin1String(c.high), QLatin1String(c.low)}, unit, range),
              cli::SettingOutcome::Done)
        << c.high;
    EXPECT_EQ(shown(wire(cli)), shown(wire(panel))) << c.high;
  }
  EXPECT_EQ(cli.meter.settings().high, 100);
  EXPECT_EQ(cli.meter.settings().low, 20);
}

TEST_F(CliAgainstPanel, SamplingSendsTheWindowsBytes) {
  for (const char* entry : {"3:10", "2:75", "1:30", "0:0"}) {
    panel.forget();
    cli.forget();
    panel.dialogs.answerInput(QLatin1String(entry));
    {
      SamplingChoice w(panel.ctx.records);
      w.okClicked();
    }
    ASSERT_EQ(set({"sampling", QLatin1String(entry)}), cli::SettingOutcome::Done) << entry;
    EXPECT_EQ(shown(wire(cli)), shown(wire(panel))) << entry;
  }
  EXPECT_EQ(cli.payloadOf('W'), bytes({0x00, 0x00}));
}

TEST_F(CliAgainstPanel, EveryKeySendsTheKeypadsBytesAndMeetsItsRefusals) {
  auto* keypad = new Btn(panel.ctx);
  const char* buttons[] = {"CmdPower", "CmdSet",  "CmdTime", "CmdLxFc",  "CmdH",
                           "CmdRead",  "CmdCD",   "CmdMem",  "CmdMMM",   "CmdPercent",
                           "CmdAVG",   "CmdComp", "CmdUp",   "CmdEnter", "CmdDown"};
  for (bool logging : {false, true}) {
    panel.state.display.annIntv = logging;
    cli.state.display.annIntv = logging;
    for (const KeypadKeyInfo& k : kKeypadKeys) {
      if (k.key == KeypadKey::Power) continue;  // below: the panel then waits for the meter
      panel.forget();
      cli.forget();
      auto* button =
          keypad->findChild<QPushButton*>(QLatin1String(buttons[static_cast<int>(k.key)]));
      ASSERT_NE(button, nullptr);
      button->click();
      const cli::SettingOutcome out = cli::pressKey(cli.link, k.key, &cli.state.display);
      EXPECT_EQ(shown(wire(cli)), shown(wire(panel))) << k.name << " logging " << logging;
      const bool sends = k.key != KeypadKey::Set && !(logging && k.refusedWhileLogging);
      EXPECT_EQ(out == cli::SettingOutcome::Done, sends) << k.name << " logging " << logging;
      EXPECT_EQ(cli.meter.received().empty(), !sends) << k.name;
    }
  }
  // The power key: the same letter; the panel then waits for the meter to come back.
  panel.forget();
  cli.forget();
  keypad->findChild<QPushButton*>(QStringLiteral("CmdPower"))->click();
  EXPECT_EQ(cli::pressKey(cli.link, KeypadKey::Power, &cli.state.display),
            cli::SettingOutcome::Done);
  EXPECT_EQ(cli.letters(), "AO");
  EXPECT_EQ(panel.letters().substr(0, 2), "AO");
  delete keypad;
}

TEST(CliSetRequest, RefusesWhatThePanelRefusesBeforeTalkingToTheMeter) {
  // The panel's invalid entries: the message and a new box there, a usage error here.
  for (const char* bad : {":30", "130", "1:2:3", "12:", ""}) {
    EXPECT_FALSE(cli::parseSettingRequest({"hold", QLatin1String(bad)}).refusal.isEmpty()) << bad;
    EXPECT_FALSE(cli::parseSettingRequest({"sampling", QLatin1String(bad)}).refusal.isEmpty())
        << bad;
  }
  // A negative hold time ends the panel's command without sending; the sampling window sends
  // a negative minute as 0.
  EXPECT_FALSE(cli::parseSettingRequest({"hold", "-1:20"}).refusal.isEmpty());
  EXPECT_EQ(cli::parseSettingRequest({"sampling", "-1:20"}).payload, QByteArray::fromHex("0020"));
  for (const char* bad : {".5", "1.", "1.2.3", "5", "-1.5"})
    EXPECT_FALSE(cli::parseSettingRequest({"distance", QLatin1String(bad)}).refusal.isEmpty())
        << bad;
  // Four digits per limit, as the window's boxes hold.
  EXPECT_FALSE(cli::parseSettingRequest({"comparator", "10000", "5"}).refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"comparator", "12a4", "5"}).refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"comparator", "1", "2"}, "lux").refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"comparator", "1", "2"}, {}, "7").refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"hold", "1:00"}, "lx").refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"colour", "red"}).refusal.isEmpty());
  EXPECT_FALSE(cli::parseSettingRequest({"hold"}).refusal.isEmpty());
  // The window offers lux no range 1 and foot-candles no range 6.
  EXPECT_TRUE(cli::comparatorRangeRefusal(true, 1));
  EXPECT_TRUE(cli::comparatorRangeRefusal(false, 6));
  EXPECT_FALSE(cli::comparatorRangeRefusal(true, 6));
  EXPECT_FALSE(cli::comparatorRangeRefusal(false, 1));

  const cli::SettingRequest hold = cli::parseSettingRequest({"hold", "75:80"});
  EXPECT_EQ(hold.payload, QByteArray::fromHex("5959"));
  EXPECT_EQ(hold.shown, "59:59");
  const cli::SettingRequest sampling = cli::parseSettingRequest({"sampling", "2:75"});
  EXPECT_EQ(sampling.payload, QByteArray::fromHex("0215"));
  EXPECT_EQ(sampling.shown, "02:15");
}

TEST_F(CliAgainstPanel, ASilentMeterFailsWithinTheBound) {
  cli.port.unheard.insert('A');  // the meter never hears the handshake
  const double start = cli.clock.elapsed();
  EXPECT_EQ(set({"hold", "1:00"}), cli::SettingOutcome::NoAnswer);
  EXPECT_LE(cli.clock.elapsed() - start, 4.0);
  EXPECT_EQ(cli.letters().find('S'), std::string::npos);
}

}  // namespace
}  // namespace lux::test
