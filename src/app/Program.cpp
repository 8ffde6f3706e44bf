#include "app/Program.h"

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/AppContext.h"
#include "app/AppState.h"
#include "app/LineDialogs.h"
#include "app/MenuBar.h"
#include "app/PortWindow.h"
#include "app/RememberedChoices.h"
#include "graphs/GraphWindows.h"
#include "graphs/Install.h"
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/PortChoice.h"
#include "link/QtSerialPort.h"
#include "link/SystemClock.h"
#include "logger/Install.h"
#include "logger/engine/LoggerDownload.h"
#include "panel/Panel.h"
#include "panel/Toolbar.h"
#include "publish/Install.h"
#include "records/Install.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/engine/RecordingEngine.h"
#include "settings/Install.h"
#include "settings/ParameterInputs.h"
#include "sim/PtyServer.h"
#include "survey/Install.h"
#include "ui/Accessibility.h"
#include "ui/QtDialogs.h"

namespace lux {

ParseOutcome parseCommandLine(const QStringList& arguments, ProgramOptions& options) {
  QCommandLineParser parser;
  // Qt's own options are single-dash words (-platform, -style); "-h" and "-v" stay what they are.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QCoreApplication::translate(
      "CommandLine",
      "Companion program of the digital light meter: mirrors its display, records readings, "
      "draws graphs, downloads its data logger and sets its parameters."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption port(
      QStringLiteral("port"),
      QCoreApplication::translate("CommandLine",
                                  "Serial port of the meter (COM1..COM16, Auto, or a device path "
                                  "such as /dev/ttyUSB0); skips the port window."),
      QStringLiteral("NAME"));
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QCoreApplication::translate(
          "CommandLine",
          "Run against a simulated meter on a pseudo-terminal instead of a real one."));
  const QCommandLineOption verbose(
      QStringList{QStringLiteral("verbose")},
      QCoreApplication::translate("CommandLine",
                                  "Report on stderr what happens on the line and in the program "
                                  "(the port, lost and found meters, dropped bytes, failures)."));
  parser.addOption(port);
  parser.addOption(simulate);
  parser.addOption(verbose);
  parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QCoreApplication::translate("CommandLine",
                                  "A data file to open in the file list after the port window."),
      QStringLiteral("[FILE]"));
  // QApplication takes these out of the command line itself; they are known here only so that
  // they and their values are not mistaken for the program's own.
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                           "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                           "geometry", "style", "stylesheet", "qmljsdebugger"}) {
    QCommandLineOption qt(QLatin1String(name), QString(), QStringLiteral("VALUE"));
    qt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(qt);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
    QCommandLineOption qt{QString(QLatin1String(name))};
    qt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(qt);
  }

  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "luxpanel: %s\nTry 'luxpanel --help'.\n", qPrintable(parser.errorText()));
    return ParseOutcome::ExitError;
  }
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    // No application object exists yet to name the program in the usage line.
    QString text = parser.helpText();
    text.replace(QLatin1String("<executable_name>"), QLatin1String("luxpanel"));
    std::printf("%s", qPrintable(text));
    return ParseOutcome::ExitOk;
  }
  if (parser.isSet(version)) {
    std::printf("luxpanel %s\n", LUXPANEL_VERSION);
    return ParseOutcome::ExitOk;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fprintf(
        stderr, "luxpanel: %s\nTry 'luxpanel --help'.\n",
        qPrintable(QCoreApplication::translate("CommandLine", "one data file at a time, not '%1'")
                       .arg(files.at(1))));
    return ParseOutcome::ExitError;
  }
  options.file = files.isEmpty() ? QString() : files.first();
  if (parser.isSet(port) && parser.isSet(simulate)) {
    std::fprintf(stderr, "luxpanel: %s\n",
                 qPrintable(QCoreApplication::translate(
                     "CommandLine", "--port and --simulate exclude each other")));

    return ParseOutcome::ExitError;
  }
  options.port = parser.value(port);
  options.simulate = parser.isSet(simulate);
  options.verbose = parser.isSet(verbose);
  return ParseOutcome::Run;
}

void openDataFile(AppContext& ctx, const QString& path) {
  if (ctx.state.recording.fileRecording) {
    ctx.dialogs.message(
        QCoreApplication::translate("Program", "Recording Mode!\nPlease stop recording!"));
    return;
  }
  readFileIntoFileList(ctx, path);
}

Subsystems::Subsystems() = default;
Subsystems::Subsystems(Subsystems&&) noexcept = default;
Subsystems& Subsystems::operator=(Subsystems&&) noexcept = default;
Subsystems::~Subsystems() = default;

Subsystems installSubsystems(AppContext& ctx, Panel& panel) {
  Subsystems owned;
  installToolbar(ctx);
  installParameterInputs(ctx);
  owned.recording = installRecords(ctx.records);
  QObject::connect(&recordingEngine(ctx.records), &RecordingEngine::statusChanged, &panel,
                   &Panel::showRecording);
  owned.graphs = installGraphs(ctx, ctx.state.graphs);
  owned.logger = installLogger(ctx.logger);
  installSettings(ctx);
  installSurvey(ctx);
  for (ToolbarCommand c : ctx.hooks.commands.missing())
    qCCritical(lcApp, "the toolbar command %s has no handler", toolbarKey(c));
  return owned;
}

namespace {

// A signal handler may only do async-signal-safe work: it writes one byte into this pipe and the
// event loop does the rest. The descriptors are the one thing that has to outlive any object.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM (logout, shutdown, kill) and SIGINT (Ctrl+C in a terminal) close the panel as a click
// on its close box does: waits end, windows close, a running recording's file is closed.
void closeOnTerminationSignals(QWidget* panel) {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, panel);
  QObject::connect(notifier, &QSocketNotifier::activated, panel, [panel] {
    char buffer[16];
    while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    panel->close();
  });
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void applyPortText(LinkState& link, const QString& text) {
  PortChoice current;
  current.comPortNumber = link.comPortNumber;
  current.deviceName = link.portName.toStdString();
  const PortChoice choice = choosePort(text.toStdString(), current);
  link.comPortNumber = choice.comPortNumber;
  link.portName = QString::fromStdString(choice.deviceName);
}

// The port given could not be opened while the panel shows a file: the port window comes
// again, beside the panel, with what was tried. OK points the poll, which keeps trying, at the
// port chosen; closing the window leaves the panel waiting on the old one.
void offerPortAgain(QWidget& panel, MeterLink& link, LinkState& linkState,
                    RememberedChoices& remembered, const QString& tried) {
  auto* window = new PortWindow(linkState, &panel);
  window->setAttribute(Qt::WA_DeleteOnClose);
  preselectPort(window->txtCom(), tried);
  QObject::connect(window, &PortWindow::chosen, &panel, [&link, &linkState, &remembered, window] {
    const QString text = window->txtCom()->currentText();
    // Remembered once the meter is reached on it, as a port opened at the start is.
    auto* watch = new QObject(&link);
    QObject::connect(&link, &MeterLink::portCaptionChanged, watch,
                     [&linkState, &remembered, text, watch] {
                       if (!linkState.linkUp) return;
                       remembered.setLastPort(text);
                       watch->deleteLater();
                     });
  });
  window->show();
}

}  // namespace

int runProgram(QApplication& app, const ProgramOptions& options,
               const ProgramExtension& extension) {
  // The program ends when the main panel closes, not when the port window does.
  app.setQuitOnLastWindowClosed(false);
  if (options.verbose) enableVerboseLogging();

  AppState state;
  SystemClock clock;
  QtSerialPort serial;
  // The meter's session keeps its link and display state in the program's state, which the
  // windows read.
  MeterSession session(serial, clock, state.link, state.display);
  MeterLink& link = session.link();
  QtDialogs dialogs;
  RememberedChoices remembered;
  remembered.watchWindows();
  if (!remembered.lastFolder().isEmpty()) dialogs.setStartFolder(remembered.lastFolder());
  dialogs.folderChosen = [&remembered](const QString& folder) { remembered.setLastFolder(folder); };
  QString portText = options.port;

  std::unique_ptr<sim::PtyServer> simulator;
  if (options.simulate) {
    simulator = std::make_unique<sim::PtyServer>();
    std::string error;
    if (!simulator->start({}, &error)) {
      dialogs.message(
          QCoreApplication::translate("Program", "The simulated meter could not be started.\n") +
          QString::fromStdString(error));
      return 1;
    }
    applyPortText(state.link, QString::fromStdString(simulator->portPath()));
  } else if (!options.port.isEmpty()) {
    applyPortText(state.link, options.port);
  } else {
    PortWindow portWindow(state.link);
    preselectPort(portWindow.txtCom(), remembered.lastPort());
    QEventLoop loop;
    QObject::connect(&portWindow, &PortWindow::chosen, &loop, &QEventLoop::quit);
    QObject::connect(&portWindow, &PortWindow::cancelled, &loop, &QEventLoop::quit);
    portWindow.show();
    loop.exec();
    if (!portWindow.accepted()) return 0;
    portText = portWindow.txtCom()->currentText();
  }

  // The panel goes before the context: windows parented to it may still use the context while
  // they are destroyed.
  auto owned = std::make_unique<Panel>(session, dialogs);
  Panel& panel = *owned;
  dialogs.setParent(&panel);
  // Commands show their boxes through this layer, which gives the line to the poll while a box
  // waits for the user.
  LineDialogs commandDialogs(dialogs, link);
  dialogs.answered = [&link] { link.boxAnswered(); };
  Hooks hooks;
  SessionPoll poll(session);
  AppContext ctx(Context{link, state.display, commandDialogs, clock, poll, &panel, hooks, &session},
                 state);
  panel.setContext(&ctx);
  ctx.hooks.showPortNote = [&panel, &link](const QString& note) {
    panel.setPortCaption(note.isEmpty() ? link.portCaption() : note);
  };
  QObject::connect(&panel, &Panel::closing, &app, &QCoreApplication::quit, Qt::QueuedConnection);

  Subsystems subsystems = installSubsystems(ctx, panel);
  // Readings to an MQTT broker; the status row says whether the broker has them.
  auto publishing =
      installPublishing(ctx, remembered.settings(), DesktopPublishing::defaultStateDir());
  QObject::connect(publishing.get(), &DesktopPublishing::statusChanged, &panel,
                   &Panel::showPublishing);
  if (extension.installed) extension.installed(ctx);
  installKeyboardConveniences(&panel);
  installMenuBar(ctx);
  closeOnTerminationSignals(&panel);

  panel.show();
  // A data file to show needs no meter: the panel comes up whatever the port does.
  const bool fileGiven = !options.file.isEmpty();
  if (!panel.startUp(fileGiven)) {
    panel.close();
    owned.reset();
    return 1;
  }
  if (state.link.linkUp) {
    // The port opened: the next start offers it first (a simulator's pty is gone by then).
    if (!options.simulate) remembered.setLastPort(portText);
  } else {
    offerPortAgain(panel, link, state.link, remembered, portText);
  }

  if (!options.file.isEmpty()) {
    // As the toolbar's Open would, once the panel is up and running.
    const QString path = QFileInfo(options.file).absoluteFilePath();
    QTimer::singleShot(0, &panel, [&ctx, path] {
      if (path.endsWith(QLatin1String(".luxsurvey"), Qt::CaseInsensitive) && ctx.hooks.openSurvey)
        ctx.hooks.openSurvey(path);
      else
        openDataFile(ctx, path);
    });
  }

  // Publishing that was on when the program last ended goes on.
  publishing->resume();
  if (extension.started) extension.started(ctx);

  const int code = app.exec();
  // From here on a further signal ends the program the plain way.
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  owned.reset();
  if (simulator) simulator->stop();
  return code;
}

}  // namespace lux
