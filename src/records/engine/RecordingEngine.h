#pragma once
// The PC-timed recording without any window: the sampling moments, the data file, the stop
// rules and the counts. The panel, the live list and a command-line program all follow it
// through its signals; it needs only the display state the poll keeps current and a clock.
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "core/RecordingStatus.h"
#include "link/Clock.h"
#include "link/DisplayState.h"
#include "records/RecordingState.h"

namespace lux {

// One record as it goes to the file and the live list.
struct RecordSample {
  std::string stamp;  // "DD-hh:nn:ss"
  std::string value;  // the reading as the meter shows it, signed ("-5.0"), or "OL"
};

class RecordingEngine : public QObject {
  Q_OBJECT
 public:
  static constexpr long kMaxRecords = 100000;

  RecordingEngine(RecordingState& state, const DisplayState& display, Clock& clock,
                  QObject* parent = nullptr);

  // Starts a file recording into `path` in the unit shown now: creates or truncates the file
  // and writes its header line. On failure returns false with the reason; nothing starts.
  bool startFile(const QString& path, QString* reason);
  // Ends a running file recording (a click on "Stop Recording").
  void stopFile();
  // One tick of the one-second recording timer.
  void tick();

  RecordingStatus status() const { return status_; }

  // The live list, while it is open: `append` adds one row (false when the window is gone),
  // `close` closes it when its stop rule holds. Either may be empty.
  struct LiveList {
    std::function<bool(long number, const RecordSample& sample)> append;
    std::function<void()> close;
  };
  void setLiveList(LiveList list) { liveList_ = std::move(list); }

 signals:
  // After every change the panel shows: a start, a stop, each sampling moment.
  void statusChanged(const lux::RecordingStatus& status);
  // A record's whole line is in the file.
  void recordWritten(long number, const lux::RecordSample& sample);

 private:
  bool samplingMomentDue();
  RecordSample takeSample();
  bool freshReading();
  RecordingStop fileStopReason() const;
  bool listMustStop() const;
  void sampleIntoFile(const RecordSample& sample, bool fresh);
  void sampleIntoList(const RecordSample& sample, bool fresh);
  void endFile(RecordingStop why);
  QString writeFailureMessage(const QString& reason, long kept) const;
  void publish();

  RecordingState& state_;
  const DisplayState& display_;
  Clock& clock_;
  LiveList liveList_;
  RecordingStatus status_;
  unsigned long framesAtLastMoment_ = 0;
};

// The text of the end-of-recording note on sampling moments without a reading; empty for 0.
QString missedMomentsText(long missed);

}  // namespace lux
