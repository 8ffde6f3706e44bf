#pragma once
// `record`: the reading sampled at PC sampling moments into a file, one whole line per record.
// tsv is the panel's own recording (its engine: same header, lines and stop rules, so the panel
// opens the file); csv carries on across unit and mode changes and says the unit and modes on
// every line. A sampling moment that brought no fresh display frame writes nothing: the gap in
// the stamps shows the outage, which is also told on stderr.
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "cli/OutputFile.h"
#include "link/TickGuard.h"
#include "records/RecordingState.h"
#include "records/engine/RecordingEngine.h"

namespace lux {
class DataFileWriter;
}

namespace lux::cli {

class MeterSession;

enum class RecordFormat { Tsv, Csv };

struct RecordSettings {
  QString path;
  int everySeconds = 1;
  long count = 0;         // records to write; 0 = no limit
  double forSeconds = 0;  // how long to record; 0 = no limit
  RecordFormat format = RecordFormat::Tsv;
  bool force = false;
};

class Recorder : public QObject {
  Q_OBJECT
 public:
  Recorder(
      MeterSession& session, RecordSettings settings,
      std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); });
  ~Recorder() override;

  // Claims the file, waits for the first reading and writes the header. -1 when the recording
  // can start, else the exit code (the reason was told).
  int begin();
  // One poll of the meter (the panel's 250 ms tick).
  void pollOnce();
  // One second of the sampling clock: a sample every `everySeconds` ticks, the first at once.
  void samplingTick();
  // Ends the recording after the current line; the summary tells `reason`.
  void finish(const QString& reason, int exitCode = 0);

  // begin(), then the two timers until finish(); prints the summary. Returns the exit code.
  int run();

  bool finished() const { return finished_; }
  int exitCode() const { return exitCode_; }
  long written() const { return written_; }
  long missed() const { return missed_; }
  QString endReason() const { return endReason_; }
  // What the recording did and how it ended, for stderr once it is over.
  QString summary() const;

 signals:
  void ended();

 private:
  // begin() once the file is claimed.
  int beginRecording();
  // A csv sampling moment: written when a fresh frame came in since the one before.
  void csvMoment();
  bool writeCsvLine(const QDateTime& when);
  // How the engine's status changed at a tsv sampling moment.
  void tsvStatus(const RecordingStatus& status);
  // Tells stderr where an outage begins and ends.
  void moment(bool fresh, const QDateTime& when);
  QString stopText(RecordingStop why) const;
  void reportLinkCaption(const QString& caption);
  // A file this run created and wrote no record into is taken back.
  void discardUnusedFile();

  MeterSession& session_;
  RecordSettings settings_;
  std::function<QDateTime()> now_;
  RecordingState recording_;                 // tsv: the engine's state
  std::unique_ptr<RecordingEngine> engine_;  // tsv
  std::unique_ptr<DataFileWriter> file_;     // csv
  QString startUnit_;
  CreatedFile created_;  // the file, when this run created it
  QByteArray header_;    // the header line written into it
  // csv started while the meter showed its banner: the first reading after it is recorded at
  // once, and the moments before it are no outage.
  bool awaitingReading_ = false;
  unsigned long framesAtLastMoment_ = 0;  // csv: frames decoded at the previous moment
  int tickCount_ = 0;    // csv: ticks since the last sample; 0 = sample at the next tick
  bool outage_ = false;  // the last sampling moment had no fresh frame
  long outageMoments_ = 0;
  long ticks_ = 0;  // sampling ticks since the start
  long written_ = 0;
  long missed_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
  QString endReason_;
  QDateTime started_, lastRecord_;
  QTimer pollTimer_, samplingTimer_;
  TickGuard pollGuard_, samplingGuard_;
};

}  // namespace lux::cli
