// luxpanel-probe: luxpanel with the handles its scripts and end-to-end tests use (probe/Probe.h).
#include <QApplication>
#include <cstdio>

#include "app/Program.h"
#include "probe/Probe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Named as the program itself is, so that its windows and files look the same.
  QCoreApplication::setApplicationName(QStringLiteral("luxpanel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));
  QCoreApplication::setOrganizationName(QStringLiteral("luxpanel"));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("luxpanel"));

  lux::probe::ProbeOptions probe;
  lux::probe::readEnvironment(probe);
  QStringList arguments = app.arguments();
  QString reason;
  if (!lux::probe::takeProbeArguments(arguments, probe, &reason)) {
    std::fprintf(stderr, "luxpanel-probe: %s\n", qPrintable(reason));
    return 2;
  }
  lux::ProgramOptions options;
  const lux::ParseOutcome outcome = lux::parseCommandLine(arguments, options);
  if (outcome != lux::ParseOutcome::Run) return outcome == lux::ParseOutcome::ExitOk ? 0 : 2;
  return lux::runProgram(app, options, lux::probe::probeExtension(probe));
}
