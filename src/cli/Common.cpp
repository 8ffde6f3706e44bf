#include "cli/Common.h"

#include <cstdio>

#include "cli/CliMeter.h"
#include "link/PortChoice.h"

namespace lux::cli {

void complain(const QString& text) {
  std::fprintf(stderr, "luxpanel-cli: %s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
}

namespace {
bool quietRun = false;
}  // namespace

void setQuiet(bool quiet) {
  quietRun = quiet;
}

bool quiet() {
  return quietRun;
}

void note(const QString& text) {
  if (quietRun) return;
  std::fputs(text.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

int parseSubcommand(QCommandLineParser& parser, const QStringList& arguments, const QString& usage,
                    const QString& description, int maxPositional, int minPositional,
                    const char* exitStatus) {
  parser.setApplicationDescription(description);
  const QCommandLineOption help = parser.addHelpOption();
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  if (!parser.parse(arguments)) {
    complain(parser.errorText());
    complain(QStringLiteral("usage: %1 (see --help)").arg(usage));
    return kExitUsage;
  }
  if (parser.isSet(help)) {
    // QCommandLineParser's own first line names the program only; ours shows the subcommand.
    QString text = parser.helpText();
    const qsizetype firstLineEnd = text.indexOf('\n');
    text = QStringLiteral("Usage: ") + usage + text.mid(firstLineEnd);
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputs(exitStatus ? exitStatus
                          : "\nExit status: 0 done, 1 the meter did not answer or the port or a "
                            "file failed, 2 wrong usage.\n",
               stdout);
    return kExitOk;
  }
  const qsizetype n = parser.positionalArguments().size();
  if (n > maxPositional) {
    complain(QStringLiteral("unexpected argument '%1'")
                 .arg(parser.positionalArguments().at(maxPositional)));
    complain(QStringLiteral("usage: %1 (see --help)").arg(usage));
    return kExitUsage;
  }
  if (n < minPositional) {
    complain(QStringLiteral("usage: %1 (see --help)").arg(usage));
    return kExitUsage;
  }
  return -1;
}

int openMeter(CliMeter& session, const QCommandLineParser& parser, const MeterOptions& o) {
  const bool simulate = parser.isSet(o.simulate);
  if (simulate && parser.isSet(o.port)) {
    complain(QStringLiteral("--port and --simulate exclude each other"));
    return kExitUsage;
  }
  QString reason;
  if (simulate) {
    if (!session.openSimulated(&reason)) {
      complain(reason);
      return kExitFailure;
    }
    return -1;
  }
  if (!parser.isSet(o.port)) {
    complain(
        QStringLiteral("which meter? Give --port NAME (COM1..COM16, Auto or a device path) "
                       "or --simulate"));
    return kExitUsage;
  }
  const QString name = parser.value(o.port);
  const PortChoice choice = choosePort(name.toStdString());
  if (choice.deviceName.empty()) {
    complain(QStringLiteral("no port is called '%1': the names are COM1..COM16 (exactly so "
                            "written), Auto, or a device path such as /dev/ttyUSB0")
                 .arg(name));
    return kExitUsage;
  }
  const QString device = QString::fromStdString(choice.deviceName);
  if (!session.open(device, choice.comPortNumber, &reason)) {
    if (device == name)
      complain(QStringLiteral("cannot open %1: %2").arg(device, reason));
    else
      complain(QStringLiteral("cannot open %1 (%2): %3").arg(name, device, reason));
    return kExitFailure;
  }
  return -1;
}

QString noAnswerText(CliMeter& session) {
  return QStringLiteral(
             "the meter does not answer on %1 (nothing within %2 s); is it switched on "
             "and connected?")
      .arg(session.linkState().portName)
      .arg(kAnswerBound);
}

int readTimeout(const QCommandLineParser& parser, const QCommandLineOption& option,
                double* seconds) {
  if (!parser.isSet(option)) return -1;
  bool ok = false;
  const double value = parser.value(option).toDouble(&ok);
  if (!ok || !(value >= 0.1) || value > 86400) {
    complain(QStringLiteral("--timeout wants seconds from 0.1 to 86400, not '%1'")
                 .arg(parser.value(option)));
    return kExitUsage;
  }
  *seconds = value;
  return -1;
}

}  // namespace lux::cli
