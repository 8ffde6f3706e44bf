// Every window of the program, built as the program builds it, checked for what screen readers,
// UI automation and keyboard users rely on: the named controls, an accessible name on every
// control, toolbars and buttons reachable with Tab and pressed with Enter, a tab order that
// follows the window's layout, and Esc closing secondary windows but never the main panel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <map>
#include <memory>

#include "app/AppState.h"
#include "app/PortWindow.h"
#include "app/RememberedChoices.h"
#include "app/Translations.h"
#include "core/Context.h"
#include "graphs/GraphViewer.h"
#include "graphs/GraphWindows.h"
#include "graphs/Install.h"
#include "graphs/LiveGraph.h"
#include "link/MeterLink.h"
#include "logger/Install.h"
#include "logger/LoggerWindows.h"
#include "panel/Panel.h"
#include "panel/Toolbar.h"
#include "records/Install.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/SamplingChoice.h"
#include "records/engine/RecordingEngine.h"
#include "settings/Btn.h"
#include "settings/Comparator.h"
#include "settings/Install.h"
#include "settings/ParameterInputs.h"
#include "settings/Setup.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/MeterRig.h"
#include "support/ScriptedDialogs.h"
#include "ui/Accessibility.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

namespace lux {
namespace {

// The program's objects around the in-process simulated meter on a fake clock, with the main
// panel and its toolbar installed as the program installs them.
class ProgramWindows : public ::testing::Test {
 protected:
  ProgramWindows() {
    panel = std::make_unique<Panel>(rig.session, dialogs);
    // The session is the poll switch and the panel the placement reference, as in the program.
    rig.poll.forward = &rig.sessionPoll;
    rig.ctx.setPanel(panel.get());
    panel->setContext(ctx);
    installToolbar(*ctx);
    installParameterInputs(*ctx);
    engine = installRecords(*ctx);
    QObject::connect(&recordingEngine(*ctx), &RecordingEngine::statusChanged, panel.get(),
                     &Panel::showRecording);
    installSettings(*ctx);
    download = installLogger(*ctx);
    graphs = std::make_unique<GraphWindows>(state.graphs, state.display, dialogs, panel.get());
    // As the program does; the filter goes with this test's panel.
    installKeyboardConveniences(panel.get());
  }

  ~ProgramWindows() override {
    graphs.reset();
    portWindow.reset();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != panel.get() && w->isVisible()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    panel.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Builds and shows the window `name` the way the program does.
  QWidget* open(const QString& name) {
    QWidget* w = nullptr;
    if (name == "Panel") {
      w = panel.get();
    } else if (name == "Port") {
      portWindow = std::make_unique<PortWindow>(state.link);
      w = portWindow.get();
    } else if (name == "RealTimeList") {
      listCommand(*ctx);
      w = realTimeList(*ctx);
    } else if (name == "FileList") {
      w = readFileIntoFileList(*ctx, writeDataFile());
    } else if (name == "RealTimeAll") {
      graphs->graphCommand();
      w = graphs->liveGraph();
    } else if (name == "RealTimeGraph") {
      const float values[] = {500, 510, 505};
      ViewerFill fill;
      fill.unit = QStringLiteral("Lx");
      fill.y = values;
      fill.count = 3;
      fill.xMax = 3;
      fill.yMin = 500;
      fill.yMax = 510;
      graphs->realTimeGraph(true).fill(fill);
      w = graphs->realTimeGraphWindow();
    } else if (name == "Plot") {
      PlotRequest request;
      request.unitText = QStringLiteral("Fc");
      request.values = {12.5f, 13.0f, 12.75f};
      request.yMin = 12.5f;
      request.yMax = 13.0f;
      graphs->showPlot(request);
      w = graphs->plotWindow();
    } else if (name == "SamplingChoice") {
      auto* d = new SamplingChoice(*ctx);
      d->setAttribute(Qt::WA_DeleteOnClose);
      w = d;
    } else if (name == "Memory") {
      w = new MemoryWindow(*ctx, panel.get());
    } else if (name == "DataList") {
      w = new DataListWindow(*ctx, panel.get());
    } else if (name == "Setup") {
      auto* d = new lux::Setup(*ctx, panel.get());
      d->setAttribute(Qt::WA_DeleteOnClose);
      w = d;
    } else if (name == "Comparator") {
      w = Comparator::showFresh(*ctx);
    } else if (name == "Btn") {
      w = Btn::showKeypad(*ctx);
    }
    if (w) w->show();
    return w;
  }

  QString writeDataFile() {
    const QString path = dir.filePath(QStringLiteral("run.txt"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Lx\tTime\tValue\r\n1\t07-14:23:05\t123.4\r\n2\t07-14:23:07\tOL\r\n");
    return path;
  }

  test::MeterRig rig;
  test::FakeClock& clock = rig.clock;
  sim::SimMeter& meter = rig.meter;
  AppState& state = rig.state;
  MeterLink& link = rig.link;
  test::ScriptedDialogs& dialogs = rig.dialogs;
  std::unique_ptr<Panel> panel;
  AppContext* const ctx = &rig.ctx;
  std::unique_ptr<RecordingEngine> engine;
  std::unique_ptr<GraphWindows> graphs;
  std::unique_ptr<LoggerDownload> download;
  std::unique_ptr<PortWindow> portWindow;
  QTemporaryDir dir;
};

const QStringList kWindows = {"Panel",       "Port",          "RealTimeList", "FileList",
                              "RealTimeAll", "RealTimeGraph", "Plot",         "SamplingChoice",
                              "Memory",      "DataList",      "Setup",        "Comparator",
                              "Btn"};

QStringList numbered(const QString& stem, int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << stem + QString::number(i);
  return out;
}

struct WindowDesign {
  QString title;
  QStringList controls;     // objectNames that must exist somewhere in the window
  QStringList toolbarKeys;  // Toolbar1's buttons left to right (none: no toolbar)
};

std::map<QString, WindowDesign> designs() {
  const QStringList viewer = {"CWGraph1",  "FrmGraphic", "SSFrame4",  "Label3",         "LblUnit",
                              "Label6",    "Label5",     "AxisMin_1", "AxisMax_1",      "AxisMin_2",
                              "AxisMax_2", "SSFrame3",   "Combo1",    "txtDescription", "SSFrame2",
                              "Label1",    "XPosition",  "Label2",    "YPosition",      "CmdReset",
                              "CmdPrint"};
  QStringList panel = {
      "Toolbar1",   "LblCOM",         "LblFileName", "LblRec",       "LblCount", "ShapeSetUp",
      "LblSetUp",   "LblBP1",         "LblBP2",      "LblBP3",       "LblComma", "LblNeg",
      "LblBigPlus", "LblComp",        "LblCal",      "LblZero",      "LblUAvg",  "LblHold",
      "LblRef",     "ImgRel",         "LblCD",       "LblUpPercent", "LblFc",    "LblFch",
      "LblLx",      "LblLxh",         "LblStray",    "LblSmallPlus", "LblLight", "ImgAuto",
      "ImgBt",      "LblCCF",         "LblDH",       "Lblms",        "LblTH",    "LblSP1",
      "LblSP2",     "LblSP3",         "LblTimeDot",  "LblDateDot",   "LblCycle", "LblMem",
      "LblRead",    "MemoryDigit",    "LblDAvg",     "LblNo",        "LblStart", "LblIntv",
      "LblStop",    "LblDownPercent", "Lblft",       "Lblm"};
  panel << numbered("MainDigit", 0, 5) << numbered("TimeDigit", 0, 3);
  QStringList comparator = {"TxtUnit", "SSFrame1", "SSFrame2", "CmdUpdate"};
  comparator << numbered("HighO", 1, 6) << numbered("LowO", 1, 6) << numbered("HODec", 1, 6)
             << numbered("LODec", 1, 6);
  return {
      {"Panel",
       {"Panel  V8.00",
        panel,
        {"Save", "Open", "PC", "List", "Graph", "TimeSet", "Memory", "CD", "Comp", "Hold",
         "Buttons", "ESC"}}},
      {"Port", {"COM Port", {"TxtCOM", "CmdOK", "CmdCancel"}, {}}},
      {"RealTimeList", {"Real Time List", {"Toolbar1", "Grid"}, {"Save", "Print"}}},
      // Once loaded, the file list is captioned with the file's title.
      {"FileList", {"run.txt", {"Toolbar1", "Grid"}, {"Plot", "Print"}}},
      {"RealTimeAll", {"Real Time Graph", {"CWGraph1"}, {}}},
      {"RealTimeGraph", {"Real Time Graph", viewer, {}}},
      {"Plot", {"Plot", viewer, {}}},
      {"SamplingChoice", {"Sampling Rate", {"OptPC", "OptMeter", "CmdOK"}, {}}},
      {"Memory",
       {"Data Logger",
        {"GridSet", "LblSize", "LblRemain", "LblMessage", "SSPanel1", "SSPanel2", "CmdCompare",
         "Grid"},
        {}}},
      {"DataList",
       {"Data List", {"Toolbar1", "GridM", "GridI"}, {"Save", "Plot", "Print", "Unit"}}},
      {"Setup",
       {"Setup",
        {"FrameTime", "LblMeterTime", "LblPCTime", "CmdSetTime", "CmdExit", "Timer1"},
        {}}},
      {"Comparator", {"Comparator", comparator, {}}},
      {"Btn",
       {"Control Panel",
        {"CmdPower", "CmdSet", "CmdTime", "CmdLxFc", "CmdH", "CmdRead", "CmdCD", "CmdMem", "CmdMMM",
         "CmdPercent", "CmdAVG", "CmdComp", "CmdUp", "CmdEnter", "CmdDown"},
        {}}},
  };
}

// The name a screen reader is given for the widget.
QString spoken(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) : QString();
}

// Controls a user types into, picks from or reads as a whole; their objectName is no name for a
// person.
bool isInput(QWidget* w) {
  return qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
         qobject_cast<QAbstractItemView*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
         qobject_cast<QProgressBar*>(w) || w->objectName() == QLatin1String("CWGraph1");
}

// Widgets a user meets as one control. The parts Qt builds inside a control (the line edit of a
// spin box, a table's headers, scroll bars and viewport) are named through the control itself.
bool isControl(QWidget* w) {
  if (w->objectName().startsWith(QLatin1String("qt_"))) return false;
  QWidget* parent = w->parentWidget();
  if (parent && (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent) ||
                 qobject_cast<QAbstractItemView*>(parent)))
    return false;
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
         qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
         qobject_cast<QAbstractItemView*>(w) || qobject_cast<QGroupBox*>(w) ||
         qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
         qobject_cast<QProgressBar*>(w) || w->objectName() == QLatin1String("CWGraph1");
}

// The widgets Tab visits in `window`, in order, starting from the first one after the window.
QStringList tabChain(QWidget* window) {
  QStringList names;
  QWidget* w = window->nextInFocusChain();
  for (int guard = 0; w && w != window && guard < 500; ++guard, w = w->nextInFocusChain()) {
    if (w->window() != window || !w->isVisibleTo(window) || !w->isEnabled()) continue;
    if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy()) continue;
    if (w->objectName().startsWith(QLatin1String("qt_"))) continue;
    QString name = w->objectName();
    if (auto* b = qobject_cast<QToolButton*>(w); b && b->defaultAction())
      name = b->defaultAction()->objectName();
    names << name;
  }
  return names;
}

// Each subsystem sets its own start state as it is installed, whatever an earlier run left.
TEST(ProgramStart, EachSubsystemStartsFromItsOwnState) {
  test::MeterRig rig;
  rig.state.recording.fileRecording = true;
  rig.state.recording.samplingTicks = 60;
  rig.state.graphs.liveGraphOpen = true;
  rig.state.logger.memoryFormOpen = true;
  const auto engine = installRecords(rig.ctx);
  const auto graphs = installGraphs(rig.ctx, rig.state.graphs);
  const auto download = installLogger(rig.ctx);
  EXPECT_FALSE(rig.state.recording.fileRecording);
  EXPECT_EQ(rig.state.recording.samplingTicks, 2);
  EXPECT_FALSE(rig.state.graphs.liveGraphOpen);
  EXPECT_FALSE(rig.state.logger.memoryFormOpen);
  for (const auto& f : rig.ctx.hooks.onShutdown) f();
}

TEST_F(ProgramWindows, EveryWindowCarriesItsNamedControlsAndCaption) {
  // The panel's two timers keep their names where they live now: the poll in the meter's
  // session, the recording's clock in its engine.
  EXPECT_EQ(rig.session.findChild<QTimer*>(QStringLiteral("Timer1")), rig.session.pollTimer());
  EXPECT_EQ(recordingEngine(rig.ctx.records).samplingTimer()->objectName(),
            QStringLiteral("Timer2"));
  const auto all = designs();
  for (const QString& name : kWindows) {
    SCOPED_TRACE(name.toStdString());
    QWidget* w = open(name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), name);
    const WindowDesign& design = all.at(name);
    EXPECT_EQ(w->windowTitle(), design.title);
    for (const QString& control : design.controls)
      EXPECT_NE(w->findChild<QObject*>(control), nullptr) << "no " << control.toStdString();
    if (design.toolbarKeys.isEmpty()) continue;
    auto* bar = w->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    ASSERT_NE(bar, nullptr);
    QStringList keys;
    for (QAction* a : bar->actions())
      if (!a->isSeparator()) keys << a->objectName();
    EXPECT_EQ(keys, design.toolbarKeys);
  }
}

TEST_F(ProgramWindows, EveryVisibleControlHasAnAccessibleName) {
  for (const QString& name : kWindows) {
    SCOPED_TRACE(name.toStdString());
    QWidget* w = open(name);
    ASSERT_NE(w, nullptr);
    nameForAccessibility(w);
    EXPECT_EQ(spoken(w), w->windowTitle());
    int controls = 0;
    for (QWidget* c : w->findChildren<QWidget*>()) {
      if (!c->isVisibleTo(w) || !isControl(c)) continue;
      // A label that shows nothing yet has nothing to say; it speaks its text once it has one.
      if (auto* l = qobject_cast<QLabel*>(c); l && l->text().isEmpty() && l->pixmap().isNull())
        continue;
      ++controls;
      const QString said = spoken(c);
      EXPECT_FALSE(said.trimmed().isEmpty())
          << c->metaObject()->className() << " " << c->objectName().toStdString();
      if (isInput(c)) {
        EXPECT_NE(said, c->objectName()) << "an internal name is no name for a person";
      }
    }
    EXPECT_GT(controls, 0);
  }
}

TEST_F(ProgramWindows, ToolbarButtonsAreNamedByTheirToolTipsAndFoundByKey) {
  open(QStringLiteral("Panel"));
  nameForAccessibility(panel.get());
  auto* bar = panel->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
  ASSERT_NE(bar, nullptr);
  const std::map<QString, QString> tips = {
      {"Save", "Save As"},          {"Open", "Open File to Read"}, {"PC", "PC Sampling Rate"},
      {"Graph", "Graphic Display"}, {"Memory", "Data Logger"},     {"ESC", "Back to Normal Mode"}};
  for (const auto& [key, tip] : tips) {
    SCOPED_TRACE(key.toStdString());
    // UI automation looks the button up by its key, as the toolbar dispatches on it.
    auto* button = bar->findChild<QToolButton*>(key);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(spoken(button), tip);
  }
}

TEST_F(ProgramWindows, SaveButtonIsCalledStopRecordingWhileRecording) {
  open(QStringLiteral("Panel"));
  nameForAccessibility(panel.get());
  auto* save = panel->findChild<QToolButton*>(QStringLiteral("Save"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(spoken(save), "Save As");
  dialogs.answerSaveFile(dir.filePath(QStringLiteral("live.txt")));
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  ASSERT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(spoken(save), "Stop Recording");
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_EQ(spoken(save), "Save As");
}

TEST_F(ProgramWindows, ToolbarsAreReachableWithTabInTheirOrder) {
  for (const char* name : {"Panel", "RealTimeList", "FileList", "DataList"}) {
    SCOPED_TRACE(name);
    QWidget* w = open(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr);
    auto* bar = w->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    ASSERT_NE(bar, nullptr);
    QStringList keys;
    for (QAction* a : bar->actions()) {
      QWidget* button = bar->widgetForAction(a);
      ASSERT_NE(button, nullptr);
      EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << a->objectName().toStdString();
      keys << a->objectName();
    }
    // Tab walks the toolbar left to right in one go. The chain is a ring (Tab from the last
    // control comes back to the first), so it is read from the first key on.
    QStringList chain = tabChain(w);
    const qsizetype first = chain.indexOf(keys.first());
    ASSERT_GE(first, 0) << chain.join(' ').toStdString();
    chain = chain.mid(first) + chain.mid(0, first);
    EXPECT_EQ(chain.mid(0, keys.size()), keys) << chain.join(' ').toStdString();
  }
}

TEST_F(ProgramWindows, TabOrderFollowsEachWindowsLayout) {
  const std::map<QString, QStringList> expected = {
      {"Port", {"TxtCOM", "CmdOK", "CmdCancel"}},
      {"SamplingChoice", {"OptPC", "OptMeter", "CmdOK"}},
      // Row by row, each digit followed by the decimal point after it.
      {"Comparator",
       {"TxtUnit", "HighO1", "HODec1", "HighO2", "HODec2", "HighO4", "HODec4", "HODec6", "LowO1",
        "LODec1", "LowO4", "LODec6", "CmdUpdate"}},
      {"Setup", {"LblMeterTime", "LblPCTime", "CmdSetTime", "CmdExit"}},
      {"Btn",
       {"CmdPower", "CmdSet", "CmdTime", "CmdLxFc", "CmdH", "CmdRead", "CmdCD", "CmdMem", "CmdMMM",
        "CmdPercent", "CmdAVG", "CmdComp", "CmdUp", "CmdEnter", "CmdDown"}},
      {"Plot",
       {"AxisMin_1", "AxisMax_1", "AxisMin_2", "AxisMax_2", "Combo1", "CmdReset", "CmdPrint",
        "CmdSave"}},
  };
  for (const auto& [name, order] : expected) {
    SCOPED_TRACE(name.toStdString());
    QWidget* w = open(name);
    ASSERT_NE(w, nullptr);
    QStringList chain = tabChain(w);
    // Only the order of the named controls is fixed; others may sit between them.
    QStringList named;
    for (const QString& c : chain)
      if (order.contains(c)) named << c;
    EXPECT_EQ(named, order) << chain.join(' ').toStdString();
  }
}

// Every visible control under `root` lies inside its parent, has at least the size its content
// asks for (no cut text, no squeezed arrows) and overlaps none of its visible siblings.
void expectControlsKeepTheirRoom(QWidget* root) {
  const QList<QWidget*> all = root->findChildren<QWidget*>();
  for (QWidget* parent : QList<QWidget*>{root} + all) {
    // The frames hold the controls; the insides of a control are Qt's.
    if (parent != root && !qobject_cast<QGroupBox*>(parent)) continue;
    if (!parent->isVisibleTo(root->window())) continue;
    QList<QWidget*> kids;
    for (QObject* o : parent->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && !w->isWindow() && w->isVisibleTo(parent) &&
          !w->objectName().startsWith(QLatin1String("qt_")))
        kids << w;
    }
    for (qsizetype i = 0; i < kids.size(); ++i) {
      QWidget* a = kids[i];
      const std::string name = a->objectName().toStdString();
      EXPECT_TRUE(parent->rect().contains(a->geometry())) << name << " sticks out of its frame";
      const QSize least = a->minimumSizeHint();
      if (least.isValid()) {
        EXPECT_GE(a->width(), least.width()) << name << " is squeezed";
        EXPECT_GE(a->height(), least.height()) << name << " is squeezed";
      }
      for (qsizetype j = i + 1; j < kids.size(); ++j)
        EXPECT_FALSE(a->geometry().intersects(kids[j]->geometry()))
            << name << " overlaps " << kids[j]->objectName().toStdString();
    }
  }
}

// At any screen scale (the test also runs at 200 % on a 1600 x 1000 screen, below) and in
// English and German: every window lies on the available screen, and the graph viewers'
// controls keep their room.
TEST_F(ProgramWindows, EveryWindowFitsTheScreenAndTheViewersControlsKeepTheirRoom) {
  QSettings::setDefaultFormat(QSettings::IniFormat);
  RememberedChoices remembered(std::make_unique<QSettings>(
      dir.filePath(QStringLiteral("luxpanel.conf")), QSettings::IniFormat));
  remembered.watchWindows();  // as the program does: every window that shows is kept on screen
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect available = screen->availableGeometry();
  if (qEnvironmentVariableIsSet("LUXPANEL_SCREEN_1600x1000")) {
    EXPECT_EQ(available.size() * qApp->devicePixelRatio(), QSize(1600, 1000));
  }
  for (const bool german : {false, true}) {
    SCOPED_TRACE(german ? "German" : "English");
    installTranslations(*qApp, german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
    open(QStringLiteral("Panel"));
    for (const QString& name : kWindows) {
      SCOPED_TRACE(name.toStdString());
      QWidget* w = open(name);
      ASSERT_NE(w, nullptr);
      QCoreApplication::processEvents();
      const QRect frame = w->frameGeometry();
      std::string needs;  // what the viewer's parts ask for, to see which one pushes it
      for (const char* part : {"FrmGraphic", "SSFrame4", "SSFrame3", "SSFrame2", "CmdReset"})
        if (auto* p = w->findChild<QWidget*>(QLatin1String(part)))
          needs += std::string(" ") + part + " " + std::to_string(p->minimumSizeHint().width()) +
                   "x" + std::to_string(p->minimumSizeHint().height());
      EXPECT_TRUE(available.contains(frame))
          << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
          << " on " << available.width() << "x" << available.height() << needs;
      if (name == QLatin1String("Plot") || name == QLatin1String("RealTimeGraph")) {
        auto* controls = w->findChild<QWidget*>(QStringLiteral("FrmGraphic"));
        ASSERT_NE(controls, nullptr);
        expectControlsKeepTheirRoom(controls);
        EXPECT_TRUE(w->rect().contains(controls->geometry()));
        EXPECT_GE(controls->width(), controls->minimumSizeHint().width());
        EXPECT_GE(controls->height(), controls->minimumSizeHint().height());
        auto* graph = w->findChild<QWidget*>(QStringLiteral("CWGraph1"));
        ASSERT_NE(graph, nullptr);
        EXPECT_FALSE(graph->geometry().intersects(controls->geometry()));
        EXPECT_GE(graph->height(), 100) << "the graph keeps a usable height";
      }
      if (w != panel.get()) w->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  installTranslations(*qApp, QLocale::c());
}

TEST_F(ProgramWindows, EscClosesSecondaryWindowsButNeverThePanel) {
  open(QStringLiteral("Panel"));
  for (const QString& name : kWindows) {
    if (name == "Panel") continue;
    SCOPED_TRACE(name.toStdString());
    QWidget* w = open(name);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible());
    QWidget* target = w->focusWidget() ? w->focusWidget() : w;
    const QStringList chain = tabChain(w);
    if (!chain.isEmpty())
      if (auto* first = w->findChild<QWidget*>(chain.first())) target = first;
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QTest::keyClick(panel.get(), Qt::Key_Escape);
  EXPECT_TRUE(panel->isVisible());
}

TEST_F(ProgramWindows, EnterPressesTheFocusedToolbarButtonAndKey) {
  open(QStringLiteral("Panel"));
  auto* bar = panel->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
  ASSERT_NE(bar, nullptr);
  auto* buttons = bar->findChild<QToolButton*>(QStringLiteral("Buttons"));
  ASSERT_NE(buttons, nullptr);
  ASSERT_EQ(Btn::find(*ctx), nullptr);
  QTest::keyClick(buttons, Qt::Key_Return);
  Btn* keypad = Btn::find(*ctx);
  ASSERT_NE(keypad, nullptr) << "Enter on \"Control Panel\" opens the keypad";
  EXPECT_TRUE(keypad->isVisible());

  meter.clearReceived();
  auto* time = keypad->findChild<QPushButton*>(QStringLiteral("CmdTime"));
  ASSERT_NE(time, nullptr);
  QTest::keyClick(time, Qt::Key_Enter);
  EXPECT_NE(meter.receivedLetters().find('B'), std::string::npos)
      << "Enter on the Time key sends its letter; the meter took " << meter.receivedLetters();
}

TEST_F(ProgramWindows, EnterOnTheLiveGraphOpensTheRunSoFar) {
  open(QStringLiteral("Panel"));
  QWidget* live = open(QStringLiteral("RealTimeAll"));
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(tabChain(live), QStringList{QStringLiteral("CWGraph1")});
  ASSERT_EQ(graphs->realTimeGraphWindow(), nullptr);
  auto* graph = live->findChild<QWidget*>(QStringLiteral("CWGraph1"));
  ASSERT_NE(graph, nullptr);
  QTest::keyClick(graph, Qt::Key_Return);
  ASSERT_NE(graphs->realTimeGraphWindow(), nullptr);
  EXPECT_TRUE(graphs->realTimeGraphWindow()->isVisible());
}

TEST_F(ProgramWindows, MemoryWindowListsASetAndOffersTheEraseFromTheKeyboard) {
  meter.preloadLoggerSets(2, 5);
  open(QStringLiteral("Panel"));
  toolbarActionTriggered(*ctx, ToolbarCommand::Memory);
  auto* memory = qobject_cast<MemoryWindow*>(ctx->logger.memoryWindow.data());
  ASSERT_NE(memory, nullptr);
  ASSERT_TRUE(memory->isVisible());

  // Enter on a set lists it exactly as a click on it does.
  GridView& sets = memory->gridSetView();
  const QModelIndex second = sets.model()->index(sets.model()->rowCount() - 1, 0);
  ASSERT_TRUE(second.isValid());
  emit sets.clicked(second);
  auto* clicked = qobject_cast<DataListWindow*>(ctx->logger.dataListWindow.data());
  ASSERT_NE(clicked, nullptr);
  const int rowsByClick = clicked->gridM().rows();
  EXPECT_GT(rowsByClick, 1) << "the set's records are listed";
  clicked->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  sets.setCurrentIndex(second);
  QTest::keyClick(&sets, Qt::Key_Return);
  auto* entered = qobject_cast<DataListWindow*>(ctx->logger.dataListWindow.data());
  ASSERT_NE(entered, nullptr);
  EXPECT_TRUE(entered->isVisible());
  EXPECT_EQ(entered->gridM().rows(), rowsByClick);

  // The free-memory figure (its click erases the memory) is in the Tab chain, and Enter on it
  // asks first; a Cancel erases nothing.
  EXPECT_TRUE(tabChain(memory).contains(QStringLiteral("LblRemain")));
  dialogs.answerConfirm(false);
  meter.clearReceived();
  QTest::keyClick(&memory->lblRemain(), Qt::Key_Return);
  ASSERT_FALSE(dialogs.shown().empty());
  EXPECT_EQ(dialogs.shown().back().kind, test::ScriptedDialogs::Kind::Confirm);
  EXPECT_EQ(meter.receivedLetters().find('E'), std::string::npos);
  EXPECT_TRUE(dialogs.allAnswered());
}

}  // namespace
}  // namespace lux
