#pragma once
// What a file recording is doing, as the recording publishes it after every change, for the
// panel and any other observer that shows it.
#include <QString>

namespace lux {

// Why the file recording is not running (None while it runs, or before the first one).
enum class RecordingStop {
  None,
  Manual,       // the user (or the program) stopped it
  RecordCap,    // 100000 records written
  StopMode,     // the meter showed REL, REF, % (upper), cd, fc-h, lx-h or SET UP
  UnitChange,   // the unit differs from the one the recording started with
  WriteFailed,  // the data file could not be written
};

struct RecordingStatus {
  bool recording = false;
  QString fileTitle;  // the file's name without its folder
  QString filePath;
  long records = 0;  // records in the file (after a stop: how many it ended with)
  // Sampling moments of this recording that came with no new reading from the meter, so that
  // nothing was written for them.
  long missedMoments = 0;
  bool outage = false;  // the latest sampling moment had no reading
  RecordingStop stopped = RecordingStop::None;
  // What the user must be told once the tick is over (a failure, or readings missed); empty
  // when nothing went wrong.
  QString message;
};

}  // namespace lux
