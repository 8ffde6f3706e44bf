// The settings exchanges as a program without a screen uses them: the meter exchanges with the
// link, a clock and a dialog layer of its own, linked against Qt's core only. It reads the
// settings block, sends a hold time, gives up on a silent meter within the bound, and checks
// that neither Qt's widgets nor its GUI library were loaded with it.
#include <QCoreApplication>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/Context.h"
#include "settings/MeterExchange.h"
#include "sim/SimMeter.h"
#include "support/SimSerialPort.h"

namespace {

class StepClock : public lux::Clock {
 public:
  double secondsSinceMidnight() override { return 8 * 3600 + t_; }
  double monotonicSeconds() override { return t_; }
  QDateTime localDateTime() override { return QDateTime(QDate(2026, 5, 31), QTime(8, 0)); }
  void idle(double seconds) override { t_ += seconds; }
  double t_ = 0;
};

class NoDialogs : public lux::Dialogs {
 public:
  void message(const QString& text) override { messages.push_back(text); }
  bool confirm(const QString&, const QString&) override { return false; }
  QString input(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> saveFileName(const QString&) override { return std::nullopt; }
  std::optional<QString> openFileName(const QString&) override { return std::nullopt; }
  bool printerSetup(QPrinter&) override { return false; }
  void setBusy(bool) override {}
  std::vector<QString> messages;
};

class Poll : public lux::PollControl {
 public:
  void setPollEnabled(bool enabled) override { on_ = enabled; }
  bool pollEnabled() const override { return on_; }

 private:
  bool on_ = true;
};

int fail(const char* what) {
  std::fprintf(stderr, "FAIL: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find("libQt6Widgets") != std::string::npos) return fail("QtWidgets is loaded");
    if (line.find("libQt6Gui") != std::string::npos) return fail("QtGui is loaded");
  }

  StepClock clock;
  lux::sim::SimMeter::Options options;
  options.drift = false;
  lux::sim::SimMeter meter(options);
  lux::test::SimSerialPort port(meter, [&clock] { return clock.t_; });
  lux::LinkState linkState;
  linkState.portName = QStringLiteral("sim");
  lux::MeterLink link(port, clock, linkState);
  QString reason;
  if (!link.openLink(&reason)) return fail("the simulated port does not open");
  lux::DisplayState display;
  NoDialogs dialogs;
  Poll poll;
  lux::Hooks hooks;
  lux::Context ctx{link, display, dialogs, clock, poll, nullptr, hooks};

  const auto block = lux::requestSettingsBlock(ctx);
  if (!block) return fail("no settings block from an answering meter");
  if (block->distance != 150) return fail("the block's distance is not the meter's 1.50");
  if (!block->lux()) return fail("the block does not say lux");

  meter.clearReceived();
  if (!lux::sendToMeter(ctx, lux::Command::SetHoldTime, QByteArray("\x01\x30", 2)))
    return fail("the hold time was not sent");
  if (meter.receivedLetters().find('A') == std::string::npos ||
      meter.receivedLetters().back() != static_cast<char>(lux::Command::SetHoldTime))
    return fail("the hold time did not go out as handshake and letter");

  port.unplug();
  const double before = clock.t_;
  if (lux::requestSettingsBlock(ctx)) return fail("a block from an unplugged meter");
  if (clock.t_ - before > lux::kMeterAnswerBoundSeconds + 1)
    return fail("the silent meter held the exchange past its bound");
  std::puts("settings exchanges without widgets: ok");
  return 0;
}
