// luxpanel-probe: luxpanel with the handles its scripts and end-to-end tests use (probe/Probe.h).
#include <QApplication>
#include <QLocale>
#include <QStringList>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/Program.h"
#include "app/Translations.h"
#include "probe/Probe.h"

int main(int argc, char** argv) {
  // Named and dressed as the program itself is (src/app/main.cpp), so that its windows, titles
  // and remembered choices are the same.
  QCoreApplication::setApplicationName(QStringLiteral("luxpanel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));
  QCoreApplication::setOrganizationName(QStringLiteral("luxpanel"));

  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  lux::probe::ProbeOptions probe;
  lux::probe::readEnvironment(probe);
  QString reason;
  if (!lux::probe::takeProbeArguments(arguments, probe, &reason)) {
    std::fprintf(stderr, "luxpanel-probe: %s\n", qPrintable(reason));
    return 2;
  }
  lux::ProgramOptions options;
  const lux::ParseOutcome outcome = lux::parseCommandLine(arguments, options);
  if (outcome != lux::ParseOutcome::Run) return outcome == lux::ParseOutcome::ExitOk ? 0 : 2;

  QApplication app(argc, argv);
  lux::installTranslations(app, QLocale::system());

  QGuiApplication::setApplicationDisplayName(QStringLiteral("luxpanel"));
  QGuiApplication::setDesktopFileName(QStringLiteral("luxpanel"));
  QApplication::setWindowIcon(lux::applicationIcon());
  return lux::runProgram(app, options, lux::probe::probeExtension(probe));
}
