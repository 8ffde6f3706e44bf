// luxpanel: the companion program of the digital light meter.
#include <QApplication>
#include <QLocale>
#include <QStringList>

#include "app/AppIcon.h"
#include "app/Program.h"
#include "app/Translations.h"

namespace {

void nameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("luxpanel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));
  QCoreApplication::setOrganizationName(QStringLiteral("luxpanel"));
}

}  // namespace

int main(int argc, char** argv) {
  nameApplication();
  // The command line is read before QApplication asks for a display, so --help, --version and a
  // mistyped option answer on a console, over ssh or in a build chroot.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  lux::ProgramOptions options;
  lux::ParseOutcome outcome;
  {
    // A console-only application for the answer, so that it speaks the user's language too.
    // Its own command line is just the program's name, which the usage line shows.
    int consoleArgc = 1;
    char name[] = "luxpanel";
    char* consoleArgv[] = {name, nullptr};
    QCoreApplication console(consoleArgc, consoleArgv);
    lux::installTranslations(console, QLocale::system());
    outcome = lux::parseCommandLine(arguments, options);
  }
  if (outcome != lux::ParseOutcome::Run) return outcome == lux::ParseOutcome::ExitOk ? 0 : 2;

  QApplication app(argc, argv);
  // The windows speak the user's language where a translation is shipped, English otherwise.
  lux::installTranslations(app, QLocale::system());

  // No application display name: Qt would append it to every title the window manager shows,
  // and each window's title is its own caption and nothing more.
  QGuiApplication::setDesktopFileName(QStringLiteral("luxpanel"));
  // Every window of the program carries the meter's icon.
  QApplication::setWindowIcon(lux::applicationIcon());
  return lux::runProgram(app, options);
}
