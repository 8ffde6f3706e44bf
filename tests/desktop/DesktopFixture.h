#pragma once
// The real panel with its toolbar, the records subsystem and the menu bar, on the test rig
// (support/MeterRig.h): the simulated meter on a fake clock; dialogs and the desktop's services
// are scripted.
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

#include "app/MenuBar.h"
#include "panel/Panel.h"
#include "panel/Toolbar.h"
#include "records/Install.h"
#include "records/engine/RecordingEngine.h"
#include "support/MeterRig.h"

namespace lux::test {

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() : rig(desktopRig()) {
    EXPECT_TRUE(rig.openedAtStart);
    panel = std::make_unique<Panel>(rig.session, dialogs);
    // The session is the poll switch and the panel the placement reference, as in the program.
    rig.poll.forward = &rig.sessionPoll;
    rig.ctx.setPanel(panel.get());
    panel->setContext(ctx);
    installToolbar(*ctx);
    engine = installRecords(*ctx);
    DesktopServices services;
    services.openUrl = [this](const QUrl& url) {
      opened.push_back(url);
      return openAnswer;
    };
    services.about = [this](QWidget*, const QString& title, const QString& text) {
      aboutTitle = title;
      aboutText = text;
    };
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

  // A menu's own item by its objectName ("MenuPrint").
  QAction* menuItem(const char* name) {
    return menuBar ? menuBar->findChild<QAction*>(QLatin1String(name)) : nullptr;
  }
  // The item of a toolbar command: the panel's own action, found in the menus.
  QAction* menuItem(ToolbarCommand c) {
    QAction* shared = panel->commandAction(c);
    for (QMenu* m : menuBar ? menuBar->findChildren<QMenu*>() : QList<QMenu*>())
      if (m->actions().contains(shared)) return shared;
    return nullptr;
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

  // A meter that holds its reading; its random overloads stay on, as these tests always had it.
  static RigOptions desktopRig() {
    RigOptions o;
    o.meter = sim::SimMeter::Options{};
    o.meter.drift = false;
    return o;
  }

  MeterRig rig;
  std::unique_ptr<RecordingEngine> engine;
  // The names these tests have always used for the rig's parts.
  FakeClock& clock = rig.clock;  // starts on 2026-03-09 08:05:07
  sim::SimMeter* const meter = &rig.meter;
  MeterLink* const link = &rig.link;
  AppState& state = rig.state;
  ScriptedDialogs& dialogs = rig.dialogs;
  std::unique_ptr<Panel> panel;
  AppContext* const ctx = &rig.ctx;
  QMenuBar* menuBar = nullptr;
  QTemporaryDir dir;
  std::vector<QUrl> opened;
  bool openAnswer = true;
  QString aboutTitle, aboutText;
};

}  // namespace lux::test
