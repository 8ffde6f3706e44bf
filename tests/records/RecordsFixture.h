#pragma once
// A panel as the records subsystem sees it (toolbar "Toolbar1", the three status labels) on the
// test rig (support/MeterRig.h): the simulated meter behind MeterLink on a fake clock, and
// scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "panel/RecordingLook.h"
#include "panel/Toolbar.h"
#include "records/Install.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/engine/RecordingEngine.h"
#include "support/MeterRig.h"

namespace lux::test {

using TestPoll = RecordingPoll;

class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest() : rig(RigOptions{steadyMeter(), true, QRect(10, 10, 480, 360)}) {
    EXPECT_TRUE(rig.openedAtStart);
    auto* layout = new QVBoxLayout(panel.get());
    auto* bar = new QToolBar(panel.get());
    bar->setObjectName(QStringLiteral("Toolbar1"));
    layout->addWidget(bar);
    for (const char* name : {"LblFileName", "LblRec", "LblCount"}) {
      auto* l = new QLabel(panel.get());
      l->setObjectName(QLatin1String(name));
      layout->addWidget(l);
    }
    label("LblRec")->setText(QStringLiteral("Rec."));
    panel->setGeometry(10, 10, 480, 360);

    actions = installToolbar(*ctx, *bar);
    engine = installRecords(*ctx);
    // The panel's toolbar button and labels follow the recording as the real panel's do.
    QObject::connect(&recordingEngine(*ctx), &RecordingEngine::statusChanged, panel.get(),
                     [this](const RecordingStatus& s) {
                       showRecordingStatus(
                           {saveButton(), label("LblFileName"), label("LblRec"), label("LblCount")},
                           s);
                     });

    state.display.unitText = "Lx";
    state.display.mainValueText = "123.4";
    EXPECT_TRUE(dir.isValid());
  }

  ~RecordsTest() override {
    // Windows belong to the panel; the context they point at goes after them.
    panel.reset();
  }

  QLabel* label(const char* name) { return panel->findChild<QLabel*>(QLatin1String(name)); }
  QString labelText(const char* name) { return label(name)->text(); }
  // What the user sees: a hidden label shows nothing.
  QString shownText(const char* name) {
    return label(name)->isVisibleTo(panel.get()) ? label(name)->text() : QString();
  }
  QAction* saveButton() { return actions[indexOf(ToolbarCommand::Save)]; }

  // One Timer2 tick, one second of PC time, in which the poll decoded a display frame.
  void tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      ++state.display.framesDecoded;
      clock.advance(1.0);
      recordingEngine(*ctx).runTick();  // as Timer2 runs it
    }
  }
  // A tick in which no frame came in (a silent meter, a lost port, a paused poll).
  void silentTick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      clock.advance(1.0);
      recordingEngine(*ctx).runTick();  // as Timer2 runs it
    }
  }

  QString path(const QString& name) const { return dir.filePath(name); }
  static QByteArray readFile(const QString& p) {
    QFile f(p);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
  }
  static void writeFile(const QString& p, const QByteArray& bytes) {
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }

  // Reads a data file into the file list to its end, letting the event loop run the steps of
  // the reading as it does between poll ticks.
  ListWindow* readWholeFile(const QString& file) {
    ListWindow* w = readFileIntoFileList(*ctx, file);
    while (w && w->loading()) QCoreApplication::processEvents();
    return w;
  }

  // Starts a file recording through the toolbar's "Save" and its Save As dialog.
  void startRecording(const QString& file) {
    dialogs.answerSaveFile(file);
    toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  }

  CommandActions actions{};
  MeterRig rig;
  std::unique_ptr<RecordingEngine> engine;
  // The names these tests have always used for the rig's parts.
  FakeClock& clock = rig.clock;
  sim::SimMeter* const meter = &rig.meter;
  SimSerialPort* const port = &rig.simPort;
  MeterLink* const link = &rig.link;
  AppState& state = rig.state;
  ScriptedDialogs& dialogs = rig.dialogs;
  RecordingPoll& poll = rig.poll;
  std::unique_ptr<QWidget>& panel = rig.panel;
  AppContext* const ctx = &rig.ctx;
  QTemporaryDir dir;
};

}  // namespace lux::test
