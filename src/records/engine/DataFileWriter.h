#pragma once
// The data file of a running recording. Every line goes to the operating system as soon as it
// is written, so a program that is killed loses no line it has counted; a line is written whole
// or not at all, so a full disk never leaves half a record behind.
#include <sys/types.h>
#include <QString>
#include <string>

namespace lux {

class DataFileWriter {
 public:
  DataFileWriter() = default;
  ~DataFileWriter();
  DataFileWriter(const DataFileWriter&) = delete;
  DataFileWriter& operator=(const DataFileWriter&) = delete;

  // Creates or truncates the file; a name that is not a plain file (a pipe, a device, a
  // folder) is refused. On failure returns false with the reason.
  bool open(const QString& path, QString* reason);
  // Writes one whole line. On failure (disk full, medium gone, the file removed, renamed,
  // replaced, emptied or overwritten by another program) nothing of the line stays in the file
  // and the reason is returned; when the file was removed, what had been written is put back
  // under the same name where possible. A line never lands beyond the file's end, so a file
  // cut short under us gets no hole.
  bool writeLine(const std::string& bytes, QString* reason);
  void close();
  // True when the file under our name is still the one written here (or the copy put back
  // after a removal) and holds every line written so far.
  bool linesKept() const;
  // Where every line written so far is to be found: our name, the name the file was renamed
  // or moved to, or empty when no file holds them all any more. Known only while open.
  QString keptIn() const;
  bool isOpen() const { return fd_ >= 0; }
  const QString& path() const { return path_; }
  qint64 size() const { return static_cast<qint64>(size_); }

 private:
  bool stillOurFile(QString* reason);
  bool unchangedSinceLastLine(QString* reason) const;
  bool restoreRemovedFile();
  QString currentName() const;

  int fd_ = -1;
  QString path_;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  off_t size_ = 0;
  dev_t restoredDev_ = 0;
  ino_t restoredIno_ = 0;
  std::string lastLine_;  // what the file must hold just before size_
};

}  // namespace lux
