// luxpanel: the companion program of the digital light meter.
#include <QApplication>
#include <cstring>

#include "app/Program.h"

namespace {

void nameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("luxpanel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));
  QCoreApplication::setOrganizationName(QStringLiteral("luxpanel"));
}

bool asksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    for (const char* o : {"-h", "--help", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], o) == 0) return true;
  return false;
}

int exitCode(lux::ParseOutcome outcome) {
  return outcome == lux::ParseOutcome::ExitOk ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  lux::ProgramOptions options;
  // --help and --version work on a console without a display.
  if (asksForHelpOrVersion(argc, argv)) {
    QCoreApplication console(argc, argv);
    nameApplication();
    return exitCode(lux::parseCommandLine(console.arguments(), options));
  }
  // QApplication takes its own options (-platform, -style...) out of the list first.
  QApplication app(argc, argv);
  // No application display name: Qt would append it to every title the window manager shows,
  // and each window's title is its own caption and nothing more.
  nameApplication();
  const lux::ParseOutcome outcome = lux::parseCommandLine(app.arguments(), options);
  if (outcome != lux::ParseOutcome::Run) return exitCode(outcome);
  return lux::runProgram(app, options);
}
