#pragma once
// The rule for every file luxpanel-cli writes: a file that exists is overwritten only when the
// user said --force, and only regular files are written (a named pipe or a device would block
// the program or swallow the data).
#include <QString>

namespace lux::cli {

enum class Claim {
  Ok,        // the path is free (now created empty) or a regular file the user lets us overwrite
  Exists,    // a file is there and --force was not given
  NotAFile,  // something that is not a regular file is there
  Failed,    // the system refused (reason given)
};

Claim claimOutputFile(const QString& path, bool force, QString* reason);

// The message for a claim that is not Ok.
QString claimText(Claim claim, const QString& path, const QString& reason);

}  // namespace lux::cli
