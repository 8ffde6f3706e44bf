#pragma once
// The subcommands of luxpanel-cli. Each takes the whole argument list ("luxpanel-cli <name>
// ...") and returns the exit code.
#include <QStringList>

namespace lux::cli {

int runPorts(const QStringList& arguments);
int runRead(const QStringList& arguments);
int runRecord(const QStringList& arguments);
int runDownload(const QStringList& arguments);
int runClock(const QStringList& arguments);
int runErase(const QStringList& arguments);
int runSet(const QStringList& arguments);
int runPress(const QStringList& arguments);
int runSurvey(const QStringList& arguments);
int runPublish(const QStringList& arguments);

}  // namespace lux::cli
