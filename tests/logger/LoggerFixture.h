#pragma once
// The logger as the program wires it, on the test rig (support/MeterRig.h): the simulated meter
// behind MeterLink on a fake clock, scripted dialogs, a panel widget to place windows by, and the
// "Memory" command installed.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "logger/Install.h"
#include "logger/Logger.h"
#include "logger/LoggerWindows.h"
#include "records/Install.h"
#include "records/engine/RecordingEngine.h"
#include "support/MeterRig.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

namespace lux::test {

using LoggerPoll = RecordingPoll;

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
  LoggerTest() : rig(RigOptions{steadyMeter(), true, QRect(40, 30, 480, 360)}) {
    EXPECT_TRUE(rig.openedAtStart);
    // The data list saves, prints and plots through the recording's grid routines, as in the
    // program.
    engine = installRecords(*ctx);
    download = installLogger(*ctx);
    EXPECT_TRUE(dir.isValid());
  }

  ~LoggerTest() override {
    // Windows belong to the panel; the context they point at goes after them.
    panel.reset();
  }

  void memoryCommand() { ctx->hooks.commands.run(ToolbarCommand::Memory); }

  MemoryWindow* memoryWindow() {
    return qobject_cast<MemoryWindow*>(ctx->logger.memoryWindow.data());
  }
  DataListWindow* dataList() {
    return qobject_cast<DataListWindow*>(ctx->logger.dataListWindow.data());
  }

  // One poll tick as the panel runs it, after the logger handed the line back.
  void pollOnce() {
    link->pollTick([](const QByteArray&) { return false; });
  }

  // Letters the meter took since the last clearReceived().
  std::string letters() const { return meter->receivedLetters(); }

  QString path(const QString& name) const { return dir.filePath(name); }

  MeterRig rig;
  std::unique_ptr<RecordingEngine> engine;
  std::unique_ptr<LoggerDownload> download;
  // The names these tests have always used for the rig's parts.
  FakeClock& clock = rig.clock;
  sim::SimMeter* const meter = &rig.meter;
  SimSerialPort* const port = &rig.simPort;
  AppState& state = rig.state;
  MeterLink* const link = &rig.link;
  ScriptedDialogs& dialogs = rig.dialogs;
  RecordingPoll& poll = rig.poll;
  std::unique_ptr<QWidget>& panel = rig.panel;
  AppContext* const ctx = &rig.ctx;
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
