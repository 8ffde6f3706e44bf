#pragma once
// The PC-timed recording without any window: the sampling clock (the one-second timer
// "Timer2"), the sampling moments, the fresh-reading rule, the stop rules and the counts, into
// a sink (the data file, csv or JSON lines). The panel, the live list and luxpanel-cli all run
// it and follow it through its signals; it samples the display state a meter's session keeps.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "core/RecordingStatus.h"
#include "link/Clock.h"
#include "link/DisplayState.h"
#include "link/TickGuard.h"
#include "records/RecordingState.h"
#include "records/engine/RecordSink.h"

namespace lux {

class MeterSession;

// One record as it goes to the file and the live list.
struct RecordSample {
  std::string stamp;  // "DD-hh:nn:ss"
  std::string value;  // the reading as the meter shows it, signed ("-5.0"), or "OL"
};

class RecordingEngine : public QObject {
  Q_OBJECT
 public:
  static constexpr long kMaxRecords = 100000;

  // Records what `session` reads, on its clock.
  RecordingEngine(MeterSession& session, RecordingState& state, QObject* parent = nullptr);
  // Records from a display state that someone else keeps current.
  RecordingEngine(RecordingState& state, const DisplayState& display, Clock& clock,
                  QObject* parent = nullptr);

  // Starts a file recording into `path` in the unit shown now: creates or truncates the file
  // and writes its header line. On failure returns false with the reason; nothing starts.
  bool startFile(const QString& path, QString* reason);
  // The same into any sink: the data file's stop rules hold only for the data file.
  bool startSink(std::unique_ptr<RecordSink> sink, QString* reason);
  // Ends a running file recording (a click on "Stop Recording").
  void stopFile();
  // The file the records go to while one is open (nothing for the standard output).
  const DataFileWriter* dataFile() const;
  // The program is closing: every line is already in the file, so this only lets go of it.
  void releaseFile();
  // One tick of the one-second recording timer.
  void tick();
  // The sampling clock: Timer2 ticks every second from start() until stop(), in the middle of
  // the PC's seconds, the first within a second of start(); runTick() is its handler (a tick
  // that falls due inside its own wait is skipped, a failure ends that tick).
  void start();
  void stop();
  void runTick();
  QTimer* samplingTimer() const { return samplingTimer_; }
  const DisplayState& display() const { return display_; }

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
  // Timer2 fell due; a handler may stop the engine here, and then no moment is taken.
  void tickDue();
  // A tick of Timer2 is over (its status is published).
  void tickDone();

 private:
  // Keeps the ticks in the middle of the PC's seconds.
  void aimNextTick();
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
  QDateTime momentTime_;  // the sampling moment being taken
  std::unique_ptr<RecordSink> sink_;
  QTimer* samplingTimer_ = nullptr;
  TickGuard tickGuard_;
  bool stopped_ = false;
};

// The text of the end-of-recording note on sampling moments without a reading; empty for 0.
QString missedMomentsText(long missed);

}  // namespace lux
