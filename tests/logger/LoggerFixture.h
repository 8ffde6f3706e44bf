#pragma once
// The logger as the program wires it: the simulated meter behind MeterLink on a fake clock,
// scripted dialogs, a panel widget to place windows by, and the "Memory" command installed.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Context.h"
#include "link/MeterLink.h"
#include "logger/Install.h"
#include "logger/Logger.h"
#include "logger/LoggerWindows.h"
#include "sim/SimMeter.h"
#include "sim/SimSerialPort.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

namespace lux::test {

class LoggerPoll : public PollControl {
 public:
  void setPollEnabled(bool enabled) override {
    enabled_ = enabled;
    if (!enabled) ++pauses;
  }
  bool pollEnabled() const override { return enabled_; }
  int pauses = 0;

 private:
  bool enabled_ = true;
};

// Every caption a window named `name` takes, in order.
class CaptionLog : public QObject {
 public:
  explicit CaptionLog(QString name) : name_(std::move(name)) {}
  std::vector<QString> captions;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::WindowTitleChange && o->objectName() == name_) {
      if (auto* w = qobject_cast<QWidget*>(o)) captions.push_back(w->windowTitle());
    }
    return false;
  }

 private:
  QString name_;
};

class LoggerTest : public ::testing::Test {
 protected:
  LoggerTest() {
    sim::SimMeter::Options o;
    o.drift = false;
    meter = std::make_unique<sim::SimMeter>(o);
    port = std::make_unique<sim::SimSerialPort>(*meter, [this] { return clock.elapsed(); });
    state.link.portName = QStringLiteral("sim");
    link = std::make_unique<MeterLink>(*port, clock, state.link);
    QString reason;
    EXPECT_TRUE(link->openLink(&reason)) << reason.toStdString();
    panel = std::make_unique<QWidget>();
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setGeometry(40, 30, 480, 360);
    ctx = std::make_unique<Context>(Context{state, *link, dialogs, clock, poll, panel.get(), {}});
    installLogger(*ctx);
    EXPECT_TRUE(dir.isValid());
  }

  ~LoggerTest() override {
    // Windows belong to the panel; the context they point at goes after them.
    panel.reset();
  }

  void memoryCommand() { ctx->hooks.commands.at(QStringLiteral("Memory"))(); }

  MemoryWindow* memoryWindow() {
    return qobject_cast<MemoryWindow*>(state.logger.memoryWindow.data());
  }
  DataListWindow* dataList() {
    return qobject_cast<DataListWindow*>(state.logger.dataListWindow.data());
  }

  // One poll tick as the panel runs it, after the logger handed the line back.
  void pollOnce() {
    link->pollTick([](const QByteArray&) { return false; });
  }

  // Letters the meter took since the last clearReceived().
  std::string letters() const { return meter->receivedLetters(); }

  QString path(const QString& name) const { return dir.filePath(name); }

  FakeClock clock;  // 2026-03-09 08:05:07
  std::unique_ptr<sim::SimMeter> meter;
  std::unique_ptr<sim::SimSerialPort> port;
  AppState state;
  std::unique_ptr<MeterLink> link;
  ScriptedDialogs dialogs;
  LoggerPoll poll;
  std::unique_ptr<QWidget> panel;
  std::unique_ptr<Context> ctx;
  QTemporaryDir dir;
};

// A logger set header and records as the meter stores them.
inline std::string loggerSetBytes(std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                                  std::uint8_t second, std::uint8_t intervalMinutes,
                                  std::uint8_t intervalSecondsBcd,
                                  const std::vector<std::array<std::uint8_t, 3>>& records) {
  std::string s("\x00\x55\xAA\x00", 4);
  for (std::uint8_t b : {day, hour, minute, second, intervalMinutes, intervalSecondsBcd})
    s += static_cast<char>(b);
  for (const auto& r : records)
    for (std::uint8_t b : r) s += static_cast<char>(b);
  return s;
}

}  // namespace lux::test
