// luxpanel-cli: the light meter without a window, for scripts, services and a terminal.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "cli/Common.h"
#include "cli/Subcommands.h"
#include "link/Logging.h"

namespace {

const char kUsage[] =
    "Usage: luxpanel-cli COMMAND [OPTIONS]\n"
    "The digital light meter without a window.\n"
    "\n"
    "Commands:\n"
    "  ports                     the serial ports of this system, with their descriptions\n"
    "  read [--json] [--timeout SECONDS]\n"
    "                            one reading as the panel shows it\n"
    "  record --every SECONDS [--count N | --for DURATION] [--format tsv|csv|jsonl]\n"
    "         [--timeout SECONDS] [--force] FILE|-\n"
    "                            records the reading at PC sampling moments into FILE\n"
    "                            (- streams JSON lines to stdout)\n"
    "  download DIR [--format tsv|csv] [--unit lx|fc] [--raw FILE] [--quiet] [--force]\n"
    "                            downloads the logger memory, one file per logger set\n"
    "  clock [--set]             the meter's time beside the PC's; --set sets it\n"
    "  erase --yes [--quiet]     empties the logger memory\n"
    "  set hold M:S | set distance METRES | set sampling M:S\n"
    "  set comparator HIGH LOW [--unit lx|fc] [--range N]\n"
    "                            changes a setting of the meter as the panel does\n"
    "  press KEY                 presses a key of the meter as the panel's keypad does\n"
    "  survey grid --length L --width W [--border B] [--route] [--format csv|json]\n"
    "                            the measuring points of a lighting survey, in walking order\n"
    "  survey stats FILE         Em, Emin, Emax, U0 and the verdict of a survey (exit 3: not\n"
    "                            passed)\n"
    "  survey compare A B [--json]\n"
    "                            two surveys point by point, the change (exit 3: B not passed)\n"
    "  publish (--meter NAME=PORT ... | --config FILE) [--broker URL]\n"
    "                            publishes readings to an MQTT broker (Home Assistant too)\n"
    "\n"
    "Before or after the command: -q/--quiet (no progress, no summaries), -v/--verbose (what\n"
    "happens on the line and in the program, on stderr; QT_LOGGING_RULES=\"lux.link.wire=true\"\n"
    "adds every byte).\n"
    "Every command but ports, survey and publish takes --port NAME (COM1..COM16, Auto, or a\n"
    "device path such as /dev/ttyUSB0) or --simulate (a simulated meter on a pseudo-terminal),\n"
    "and --help.\n"
    "Data go to stdout or the file, messages to stderr.\n"
    "Exit status: 0 done, 1 the meter did not answer or the port or a file failed, 2 wrong "
    "usage,\n3 download wrote the set files but the dump holds damaged sets.\n";

}  // namespace

int main(int argc, char** argv) {
  // Qt's own event loop rather than GLib's: every watch of a port switched on or off made the
  // GLib loop wake itself once more, about a hundred needless system calls a second with eight
  // meters publishing. Nothing headless here needs GLib's loop; a user may still ask for it.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("luxpanel-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUXPANEL_VERSION));

  // The switches every command takes, wherever they stand.
  QStringList args;
  for (const QString& a : app.arguments()) {
    if (a == QLatin1String("-q") || a == QLatin1String("--quiet")) {
      lux::cli::setQuiet(true);
    } else if (a == QLatin1String("-v") || a == QLatin1String("--verbose")) {
      lux::enableVerboseLogging();
    } else {
      args << a;
    }
  }
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return lux::cli::kExitUsage;
  }
  const QString command = args.at(1);
  if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
      command == QLatin1String("help")) {
    std::fputs(kUsage, stdout);
    return lux::cli::kExitOk;
  }
  if (command == QLatin1String("--version") || command == QLatin1String("-V")) {
    std::printf("luxpanel-cli %s\n", LUXPANEL_VERSION);
    return lux::cli::kExitOk;
  }
  // The subcommand's parser sees "luxpanel-cli <command> ..." minus the command word.
  QStringList rest = args;
  rest.removeAt(1);
  using Run = int (*)(const QStringList&);
  const std::pair<const char*, Run> commands[] = {
      {"ports", lux::cli::runPorts},   {"read", lux::cli::runRead},
      {"record", lux::cli::runRecord}, {"download", lux::cli::runDownload},
      {"clock", lux::cli::runClock},   {"erase", lux::cli::runErase},
      {"set", lux::cli::runSet},       {"press", lux::cli::runPress},
      {"survey", lux::cli::runSurvey}, {"publish", lux::cli::runPublish},
  };
  for (const auto& [name, run] : commands)
    if (command == QLatin1String(name)) return run(rest);
  lux::cli::complain(QStringLiteral("unknown command '%1'").arg(command));
  std::fputs(kUsage, stderr);
  return lux::cli::kExitUsage;
}
