#pragma once
// The real panel with its toolbar, the records subsystem and the menu bar, on the simulated
// meter and a fake clock; dialogs and the desktop's services are scripted.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/AppContext.h"
#include "app/AppState.h"
#include "app/MenuBar.h"
#include "link/MeterLink.h"
#include "panel/Panel.h"
#include "panel/Toolbar.h"
#include "records/Install.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"

namespace lux::test {

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() {
    sim::SimMeter::Options o;
    o.drift = false;
    meter = std::make_unique<sim::SimMeter>(o);
    port = std::make_unique<test::SimSerialPort>(*meter, [this] { return clock.elapsed(); });
    state.link.portName = QStringLiteral("sim");
    link = std::make_unique<MeterLink>(*port, clock, state.link);
    QString reason;
    EXPECT_TRUE(link->openLink(&reason)) << reason.toStdString();
    panel = std::make_unique<Panel>(state.display, *link, dialogs);
    ctx = std::make_unique<AppContext>(
        Context{*link, state.display, dialogs, clock, *panel, panel.get(), hooks}, state);
    panel->setContext(ctx.get());
    installToolbar(*ctx);
    installRecords(*ctx);
    DesktopServices services;
    services.openUrl = [this](const QUrl& url) {
      opened.push_back(url);
      return openAnswer;
    };
    services.about = [this](QWidget*, const QString& title, const QString& text) {
      aboutTitle = title;
      aboutText = text;
    };
    services.programFolder = dir.filePath(QStringLiteral("bin"));
    menuBar = installMenuBar(*ctx, services);
    state.display.unitText = "Lx";
    state.display.mainValueText = "123.4";
    state.display.mainValue = 123.4f;
    EXPECT_TRUE(dir.isValid());
  }

  ~DesktopTest() override {
    // Windows belong to the panel; the context they point at goes after them.
    panel.reset();
  }

  QAction* menuItem(const char* name) {
    return menuBar ? menuBar->findChild<QAction*>(QLatin1String(name)) : nullptr;
  }
  QMenu* menu(const char* name) {
    return menuBar ? menuBar->findChild<QMenu*>(QLatin1String(name)) : nullptr;
  }
  QString path(const QString& name) const { return dir.filePath(name); }
  static QByteArray readFile(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void writeFile(const QString& p, const QByteArray& bytes) {
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  // One Timer2 tick, one second of PC time, with a display frame decoded in that second (the
  // recording writes only readings that a frame brought).
  void tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      clock.advance(1.0);
      ++state.display.framesDecoded;
      ctx->hooks.recordingTick();
    }
  }

  // FakeClock starts on 2026-03-09 08:05:07.
  FakeClock clock;
  std::unique_ptr<sim::SimMeter> meter;
  std::unique_ptr<test::SimSerialPort> port;
  std::unique_ptr<MeterLink> link;
  AppState state;
  ScriptedDialogs dialogs;
  std::unique_ptr<Panel> panel;
  Hooks hooks;
  std::unique_ptr<AppContext> ctx;
  QMenuBar* menuBar = nullptr;
  QTemporaryDir dir;
  std::vector<QUrl> opened;
  bool openAnswer = true;
  QString aboutTitle, aboutText;
};

}  // namespace lux::test
