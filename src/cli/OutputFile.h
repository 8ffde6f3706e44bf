#pragma once
// The rule for every file luxpanel-cli writes: a file that exists is overwritten only when the
// user said --force, and only regular files are written (a named pipe or a device would block
// the program or swallow the data).
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace lux::cli {

enum class Claim {
  Ok,        // the path is free (now created empty) or a regular file the user lets us overwrite
  Exists,    // a file is there and --force was not given
  NotAFile,  // something that is not a regular file is there
  Failed,    // the system refused (reason given)
};

// The file a claim created, so that it can be taken back when nothing was written into it.
struct CreatedFile {
  bool created = false;
  std::uint64_t device = 0, inode = 0;
};

Claim claimOutputFile(const QString& path, bool force, QString* reason,
                      CreatedFile* created = nullptr);

// Removes the file a claim created when it holds nothing but `header` (or nothing at all) and is
// still the file we created: a failed or empty start leaves no file behind that the next run
// would need --force for. A file that was there before, holds records or was replaced meanwhile
// stays. True when it was removed.
bool removeUnusedFile(const QString& path, const CreatedFile& created, const QByteArray& header);

// The message for a claim that is not Ok.
QString claimText(Claim claim, const QString& path, const QString& reason);

}  // namespace lux::cli
