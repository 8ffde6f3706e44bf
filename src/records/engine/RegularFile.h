#pragma once
// Opening a file the user named, on the condition that it is a plain file (or a new name).
// A named pipe, a device or a folder under that name would make open() or the first read or
// write wait for another program, with the poll and the recording stopped meanwhile; such
// names are refused at once with a reason the user can act on.
#include <QString>

namespace lux {

enum class FileAccess {
  Read,           // an existing file, read only
  WriteTruncate,  // created, or emptied when it exists; opened for reading and writing
};

// Returns the open descriptor (close-on-exec, blocking again once it is known to be a plain
// file), or -1 with the reason in `reason`.
int openRegularFile(const QString& path, FileAccess access, QString* reason);

}  // namespace lux
