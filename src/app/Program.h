#pragma once
// The program's start and end: the port choice (window or --port), the optional simulated meter
// on a pseudo-terminal, the objects every window works with, the subsystems' installation and
// the main panel whose closing ends it all.
#include <QString>
#include <QStringList>
#include <memory>

class QApplication;

namespace lux {

struct ProgramOptions {
  QString port;                  // --port: skip the port window and use this text as if typed there
  bool simulate = false;         // --simulate: serve a simulated meter on a pty and use it
  QString screenshotPath;        // --screenshot: save a picture of the panel, then end
  double screenshotDelay = 3.0;  // seconds after start-up before that picture is taken
  QString file;                  // a data file to open in the file list once the panel runs
};

enum class ParseOutcome { Run, ExitOk, ExitError };

// Reads the command line, before any window system is asked for: --help and --version print and
// give ExitOk; a bad option prints the reason to stderr and gives ExitError. The toolkit's own
// options (-platform, -style, -display, ...) are let through for QApplication.
ParseOutcome parseCommandLine(const QStringList& arguments, ProgramOptions& options);

struct Context;
// A data file named on the command line (the desktop hands files over that way): refused during
// a file recording as the toolbar's Open is, otherwise read into a new file list.
void openDataFile(Context& ctx, const QString& path);

// Runs the program until the main panel closes; returns the exit code.
int runProgram(QApplication& app, const ProgramOptions& options);

}  // namespace lux
