// luxpanel: the companion program of the digital light meter.
#include <QApplication>

#include "app/Program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("luxpanel"));
  QApplication::setApplicationDisplayName(QStringLiteral("luxpanel"));
  QApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));
  QApplication::setOrganizationName(QStringLiteral("luxpanel"));

  lux::ProgramOptions options;
  switch (lux::parseCommandLine(app, options)) {
    case lux::ParseOutcome::ExitOk:
      return 0;
    case lux::ParseOutcome::ExitError:
      return 2;
    case lux::ParseOutcome::Run:
      break;
  }
  return lux::runProgram(app, options);
}
