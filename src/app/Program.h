#pragma once
// The program's start and end: the port choice (window or --port), the optional simulated meter
// on a pseudo-terminal, the objects every window works with, the subsystems' installation and
// the main panel whose closing ends it all.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QApplication;

namespace lux {

struct AppContext;
class GraphWindows;
class LoggerDownload;
class Panel;
class RecordingEngine;

struct ProgramOptions {
  QString port;           // --port: skip the port window and use this text as if typed there
  bool simulate = false;  // --simulate: serve a simulated meter on a pty and use it
  QString file;           // a data file to open in the file list once the panel runs
  bool verbose = false;   // --verbose: the log categories on stderr
};

// Steps a program built around this one (a driver that watches or steers the running panel)
// adds from the outside: `installed` runs once every subsystem is installed and before the panel
// starts up, `started` once it has started. Empty steps do nothing.
struct ProgramExtension {
  std::function<void(AppContext&)> installed;
  std::function<void(AppContext&)> started;
};

enum class ParseOutcome { Run, ExitOk, ExitError };

// Reads the command line, before any window system is asked for: --help and --version print and
// give ExitOk; a bad option prints the reason to stderr and gives ExitError. The toolkit's own
// options (-platform, -style, -display, ...) are let through for QApplication.
ParseOutcome parseCommandLine(const QStringList& arguments, ProgramOptions& options);

// A data file named on the command line (the desktop hands files over that way): refused during
// a file recording as the toolbar's Open is, otherwise read into a new file list.
void openDataFile(AppContext& ctx, const QString& path);

// The objects of the subsystems that have one, made at installation and owned by the program
// for its whole run (the windows belong to the panel, the state to AppState).
struct Subsystems {
  std::unique_ptr<RecordingEngine> recording;
  std::unique_ptr<GraphWindows> graphs;
  std::unique_ptr<LoggerDownload> logger;
  Subsystems();
  Subsystems(Subsystems&&) noexcept;
  Subsystems& operator=(Subsystems&&) noexcept;
  ~Subsystems();
};

// Installs every subsystem on the panel as the program runs them: the toolbar and its commands,
// the recording, the graphs, the logger, the settings and the survey. Afterwards every toolbar
// command has its handler (`ctx.hooks.commands.missing()` is empty). The result lives as long as
// `ctx`.
Subsystems installSubsystems(AppContext& ctx, Panel& panel);

// Runs the program until the main panel closes; returns the exit code.
int runProgram(QApplication& app, const ProgramOptions& options,
               const ProgramExtension& extension = {});

}  // namespace lux
