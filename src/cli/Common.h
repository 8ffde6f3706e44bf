#pragma once
// What every subcommand of luxpanel-cli shares: exit codes, messages on stderr, the --port and
// --simulate options and the opening of the meter they name.
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace lux::cli {

class CliMeter;

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,  // the meter did not answer, the port or a file failed
  kExitUsage = 2,    // the command line asks for something that is not offered or allowed
  kExitDamaged = 3,  // download: the set files are written, but the dump held damaged sets
};

// "luxpanel-cli: <text>" on stderr.
void complain(const QString& text);
// Text as it stands on stderr (progress, summaries); nothing under --quiet.
void note(const QString& text);
// --quiet: no progress and no summaries, only the data and the complaints.
void setQuiet(bool quiet);
bool quiet();

struct MeterOptions {
  QCommandLineOption port{QStringLiteral("port"),
                          QStringLiteral("Serial port of the meter: COM1..COM16, Auto, or a device "
                                         "path such as /dev/ttyUSB0 or /dev/serial/by-id/..."),
                          QStringLiteral("NAME")};
  QCommandLineOption simulate{QStringLiteral("simulate"),
                              QStringLiteral("Use a simulated meter on a pseudo-terminal.")};
  void addTo(QCommandLineParser& parser) const {
    parser.addOption(port);
    parser.addOption(simulate);
  }
};

// Parses the arguments of one subcommand (`arguments` starts with the program name). Prints
// the help and returns kExitOk for --help, complains and returns kExitUsage for a mistake;
// returns -1 when the subcommand should run.
// `exitStatus` replaces the help's common line on the exit status.
int parseSubcommand(QCommandLineParser& parser, const QStringList& arguments, const QString& usage,
                    const QString& description, int maxPositional, int minPositional = 0,
                    const char* exitStatus = nullptr);

// Opens the meter named by --port or --simulate. Returns -1 when it is open, else the exit code
// (usage for a missing or unknown port name, failure for a port that cannot be opened).
int openMeter(CliMeter& session, const QCommandLineParser& parser, const MeterOptions& o);

// "the meter does not answer on /dev/ttyUSB0 (3 s)" and friends.
QString noAnswerText(CliMeter& session);
// --timeout SECONDS: a number of seconds from 0.1 to 86400 into `seconds` (left as it is when the
// option is not given). -1 when fine, else the exit code (the reason was told).
int readTimeout(const QCommandLineParser& parser, const QCommandLineOption& option,
                double* seconds);

}  // namespace lux::cli
