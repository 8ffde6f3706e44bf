#pragma once
// `record`: the reading sampled at PC sampling moments into a file (or the standard output), one
// whole line per record, by the panel's own recording engine on the meter's session: the same
// sampling clock, fresh-reading rule and missed-moment count. tsv is the panel's data file (same
// header, lines and stop rules, so the panel opens the file); csv and JSON lines carry on across
// unit and mode changes and say the unit and modes on every line. A sampling moment that
// brought no fresh reading writes nothing: the gap in the stamps shows the outage, which is
// also told on stderr.
#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "cli/OutputFile.h"
#include "records/RecordingState.h"
#include "records/engine/RecordingEngine.h"

namespace lux::cli {

class CliMeter;

enum class RecordFormat { Tsv, Csv, JsonLines };

struct RecordSettings {
  QString path;  // "-": the standard output
  int everySeconds = 1;
  long count = 0;         // records to write; 0 = no limit
  double forSeconds = 0;  // how long to record; 0 = no limit
  // Seconds without a reading that end the run with a failure (also the wait for the first
  // reading); 0 = the first reading within the usual bound, then no limit.
  double timeoutSeconds = 0;
  RecordFormat format = RecordFormat::Tsv;
  bool force = false;
};

class Recorder : public QObject {
  Q_OBJECT
 public:
  Recorder(
      CliMeter& session, RecordSettings settings,
      std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); });
  ~Recorder() override;

  // Claims the file, waits for the first reading and writes the header. -1 when the recording
  // can start, else the exit code (the reason was told).
  int begin();
  // One poll of the meter (the session's 250 ms tick).
  void pollOnce();
  // One second of the engine's sampling clock, by hand: a sample every `everySeconds` ticks.
  void samplingTick();
  // Ends the recording after the current line; the summary tells `reason`.
  void finish(const QString& reason, int exitCode = 0);

  // begin(), then the session's poll and the engine's clock until finish(); prints the
  // summary. Returns the exit code.
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
  // Starts the engine's recording into its sink; -1 when it runs, else the exit code.
  int startSink();
  // The engine's clock fell due: ends the run once its duration is over.
  void momentDue();
  // A sampling moment is over: ends the run once its records are in.
  void momentDone();
  // How the engine's status changed at a sampling moment.
  void engineStatus(const RecordingStatus& status);
  // Tells stderr where an outage begins and ends.
  void moment(bool fresh, const QDateTime& when);
  QString stopText(RecordingStop why) const;
  void reportLinkCaption(const QString& caption);
  // A file this run created and wrote no record into is taken back.
  void discardUnusedFile();

  CliMeter& session_;
  RecordSettings settings_;
  std::function<QDateTime()> now_;
  RecordingState recording_;
  std::unique_ptr<RecordingEngine> engine_;
  QString startUnit_;
  CreatedFile created_;  // the file, when this run created it
  QByteArray header_;    // the header line written into it
  // csv or jsonl started while the meter showed its banner: the recording begins with the
  // first reading after it (taken at the next moment), and the moments before it are no outage.
  bool awaitingReading_ = false;
  bool outage_ = false;  // the last sampling moment had no fresh frame
  long outageMoments_ = 0;
  long ticks_ = 0;  // sampling ticks since the start
  long written_ = 0;
  long missed_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
  QString endReason_;
  QDateTime firstRecord_, lastRecord_;
};

// The name of a format as --format takes it.
QString formatName(RecordFormat format);

}  // namespace lux::cli
