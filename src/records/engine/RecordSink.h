#pragma once
// Where a recording's records go. The engine decides when a record is due and whether it is
// fresh; a sink only turns a record into its line and writes it whole. The data file keeps the
// panel's bytes and rules (it ends on a unit change, a mode annunciator or its 100000th record);
// csv and JSON lines carry on across units and modes and say them on every line.
#include <QDateTime>
#include <QString>
#include <memory>
#include <string>

#include "link/DisplayState.h"

namespace lux {

class DataFileWriter;

// One sampling moment with a fresh reading.
struct RecordMoment {
  QDateTime when;     // the PC time of the moment, to the millisecond, with its UTC offset
  std::string stamp;  // "DD-hh:nn:ss"
  std::string value;  // the reading as the meter shows it, signed ("-5.0"), or "OL"
  const DisplayState& display;
};

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Opens the target and writes its header for a recording that starts in `unit`. False with
  // the reason when it cannot; nothing is left open then.
  virtual bool begin(const std::string& unit, QString* reason) = 0;
  // Writes record `number` as one whole line; false with the reason when the line did not go.
  virtual bool write(long number, const RecordMoment& moment, QString* reason) = 0;
  virtual void end() = 0;
  // The data file's rules: a unit change, a mode annunciator or the record cap ends it.
  virtual bool endsOnModeOrUnit() const { return false; }
  // The file as the user named it ("-" for the standard output).
  virtual QString target() const = 0;
  // The file writer, where the records go to a file (what a failure kept is told from it).
  virtual DataFileWriter* writer() { return nullptr; }
};

// The panel's data file: "unit TAB Time TAB Value" and "number TAB stamp TAB value", CR LF.
std::unique_ptr<RecordSink> dataFileSink(const QString& path);
// RFC 4180: number,time,value,unit,modes with the ISO 8601 time of the moment.
std::unique_ptr<RecordSink> csvSink(const QString& path);
// One JSON object per record and line; "-" streams to the standard output, line by line.
std::unique_ptr<RecordSink> jsonLinesSink(const QString& path);

// The JSON object of one record (without the line end).
std::string jsonRecord(long number, const QDateTime& when, const DisplayState& display);

}  // namespace lux
