#include "records/engine/RecordSink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/Reading.h"
#include "records/CsvFormat.h"
#include "records/DataFormat.h"
#include "records/RecordLines.h"
#include "records/engine/DataFileWriter.h"

namespace lux {

namespace {

std::string isoTime(const QDateTime& when) {
  const QDate day = when.date();
  const QTime t = when.time();
  return isoLocalTime(day.year(), day.month(), day.day(), t.hour(), t.minute(), t.second(),
                      t.msec(), when.offsetFromUtc());
}

// Records into a plain file, one whole line per write.
class FileSink : public RecordSink {
 public:
  explicit FileSink(QString path) : path_(std::move(path)) {}
  bool begin(const std::string& unit, QString* reason) override {
    const std::string header = headerFor(unit);
    if (!writer_.open(path_, reason) || (!header.empty() && !writer_.writeLine(header, reason))) {
      writer_.close();
      return false;
    }
    return true;
  }
  bool write(long number, const RecordMoment& m, QString* reason) override {
    return writer_.writeLine(lineFor(number, m), reason);
  }
  void end() override { writer_.close(); }
  QString target() const override { return path_; }
  DataFileWriter* writer() override { return &writer_; }

 protected:
  virtual std::string headerFor(const std::string& unit) const = 0;
  virtual std::string lineFor(long number, const RecordMoment& m) const = 0;

 private:
  QString path_;
  DataFileWriter writer_;
};

class DataFileSink : public FileSink {
 public:
  using FileSink::FileSink;
  bool endsOnModeOrUnit() const override { return true; }

 protected:
  std::string headerFor(const std::string& unit) const override {
    return dataFileHeaderLine(QString::fromStdString(unit).toLatin1().toStdString());
  }
  std::string lineFor(long number, const RecordMoment& m) const override {
    return dataFileRecordLine(number, m.stamp, m.value);
  }
};

class CsvSink : public FileSink {
 public:
  using FileSink::FileSink;

 protected:
  std::string headerFor(const std::string&) const override { return kRecordCsvHeader; }
  std::string lineFor(long number, const RecordMoment& m) const override {
    const DisplayState& d = m.display;
    return csvLine({std::to_string(number), isoTime(m.when), signedValueText(d), d.unitText,
                    joinModes(litModes(d))});
  }
};

class JsonFileSink : public FileSink {
 public:
  using FileSink::FileSink;

 protected:
  std::string headerFor(const std::string&) const override { return {}; }
  std::string lineFor(long number, const RecordMoment& m) const override {
    return jsonRecord(number, m.when, m.display) + "\n";
  }
};

// The standard output, for a pipe into another program: each line goes out whole as soon as it
// is made, so the reader sees every reading when it comes.
class JsonStdoutSink : public RecordSink {
 public:
  bool begin(const std::string&, QString*) override { return true; }
  bool write(long number, const RecordMoment& m, QString* reason) override {
    const std::string line = jsonRecord(number, m.when, m.display) + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
      const ssize_t n = ::write(STDOUT_FILENO, line.data() + done, line.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (reason)
          *reason = n < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                          : QStringLiteral("nothing was written");
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  void end() override {}
  QString target() const override { return QStringLiteral("-"); }
};

}  // namespace

std::string jsonRecord(long number, const QDateTime& when, const DisplayState& display) {
  const Reading r = Reading::fromDisplay(display, when);
  std::string value = "null";
  bool isNumber = false;
  // The digits the meter shows, not the float they were decoded into: 523.4 stays 523.4.
  const double shown = r.text.toDouble(&isNumber);
  if (!r.overload && isNumber) {
    const qsizetype point = r.text.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : static_cast<int>(r.text.size() - point - 1);
    value = QString::number(shown, 'f', decimals).toStdString();
  }
  std::string modes = "[";
  for (const std::string& m : litModes(display)) {
    if (modes.size() > 1) modes += ',';
    modes += jsonString(m);
  }
  modes += ']';
  return "{\"sequence\":" + std::to_string(number) + ",\"time\":" + jsonString(isoTime(when)) +
         ",\"value\":" + value + ",\"text\":" + jsonString(r.text.toStdString()) +
         ",\"unit\":" + jsonString(r.unit.toStdString()) + ",\"modes\":" + modes +
         ",\"overload\":" + (r.overload ? "true" : "false") + "}";
}

std::unique_ptr<RecordSink> dataFileSink(const QString& path) {
  return std::make_unique<DataFileSink>(path);
}

std::unique_ptr<RecordSink> csvSink(const QString& path) {
  return std::make_unique<CsvSink>(path);
}

std::unique_ptr<RecordSink> jsonLinesSink(const QString& path) {
  if (path == QLatin1String("-")) return std::make_unique<JsonStdoutSink>();
  return std::make_unique<JsonFileSink>(path);
}

}  // namespace lux
