#include "cli/Recorder.h"

#include <QEventLoop>
#include <QFileInfo>
#include <string_view>

#include "cli/CliFormat.h"
#include "cli/CliMeter.h"
#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/OutputFile.h"
#include "cli/SignalWatch.h"
#include "cli/Subcommands.h"
#include "records/DataFormat.h"

namespace lux::cli {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QString clockText(const QDateTime& t) {
  return t.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

Recorder::Recorder(CliMeter& session, RecordSettings settings, std::function<QDateTime()> now)
    : session_(session), settings_(std::move(settings)), now_(std::move(now)) {
  connect(&session_.link(), &MeterLink::portCaptionChanged, this, &Recorder::reportLinkCaption);
}

Recorder::~Recorder() {
  session_.bound().disarm();
}

QString formatName(RecordFormat format) {
  switch (format) {
    case RecordFormat::Tsv:
      return QStringLiteral("tsv");
    case RecordFormat::Csv:
      return QStringLiteral("csv");
    case RecordFormat::JsonLines:
      return QStringLiteral("jsonl");
  }
  return {};
}

int Recorder::begin() {
  QString reason;
  if (settings_.path != QLatin1String("-")) {
    const Claim claim = claimOutputFile(settings_.path, settings_.force, &reason, &created_);
    if (claim != Claim::Ok) {
      complain(claimText(claim, settings_.path, reason));
      return claim == Claim::Exists ? kExitUsage : kExitFailure;
    }
  }
  const int begun = beginRecording();
  if (begun >= 0) discardUnusedFile();
  return begun;
}

int Recorder::beginRecording() {
  const DisplayState& d = session_.display();
  // Made before the first reading, so that the reading that answers counts as fresh for the
  // first sampling moment.
  recording_.samplingTicks = static_cast<float>(settings_.everySeconds);
  recording_.samplingTickCount = 0;
  engine_ = std::make_unique<RecordingEngine>(session_.session(), recording_);
  const double firstBound = settings_.timeoutSeconds > 0 ? settings_.timeoutSeconds : kAnswerBound;
  if (!session_.readDisplay(firstBound)) {
    const QString banner = session_.bannerInstead();
    if (banner.isEmpty()) {
      complain(settings_.timeoutSeconds > 0
                   ? QStringLiteral("no reading from the meter on %1 within %2 s")
                         .arg(session_.linkState().portName)
                         .arg(settings_.timeoutSeconds)
                   : noAnswerText(session_));
      return kExitFailure;
    }
    if (settings_.format == RecordFormat::Tsv) {
      complain(QStringLiteral("the meter shows %1: a tsv recording starts only in plain "
                              "measuring mode (csv and jsonl record from the first reading after "
                              "it)")
                   .arg(banner));
      return kExitFailure;
    }
    awaitingReading_ = true;
    note(QStringLiteral("The meter shows %1: recording begins with its first reading after it.\n")
             .arg(banner));
  }
  // A signal that came while the meter was asked ends the run before anything is written.
  if (finished_) return exitCode_;
  if (settings_.format == RecordFormat::Tsv && !d.plainMode()) {
    complain(QStringLiteral("the meter shows %1: a tsv recording starts only in plain measuring "
                            "mode (csv and jsonl record in any mode)")
                 .arg(q(joinModes(litModes(d)))));
    return kExitFailure;
  }
  connect(engine_.get(), &RecordingEngine::statusChanged, this, &Recorder::engineStatus);
  connect(engine_.get(), &RecordingEngine::recordWritten, this, [this](long number) {
    written_ = number;
    lastRecord_ = now_();
    // The span the summary gives is the records', not the wait for the first sampling moment.
    if (!firstRecord_.isValid()) firstRecord_ = lastRecord_;
  });
  connect(engine_.get(), &RecordingEngine::tickDue, this, &Recorder::momentDue);
  connect(engine_.get(), &RecordingEngine::tickDone, this, &Recorder::momentDone);
  if (awaitingReading_) {
    // Still the banner of the start: the recording begins with the first reading after it,
    // which the next sampling moment takes.
    connect(&session_.session(), &MeterSession::readingDecoded, this, [this] {
      if (!awaitingReading_ || finished_) return;
      awaitingReading_ = false;
      recording_.samplingTickCount = 0;
      const int started = startSink();
      if (started >= 0) finish(QStringLiteral("the recording could not start"), started);
    });
  } else {
    const int started = startSink();
    if (started >= 0) return started;
  }
  if (settings_.timeoutSeconds > 0) {
    // Every reading moves the bound on; a meter silent for that long ends the run.
    session_.bound().arm(settings_.timeoutSeconds, [this] {
      finish(QStringLiteral("no reading from the meter for %1 s").arg(settings_.timeoutSeconds),
             kExitFailure);
    });
    connect(&session_.session(), &MeterSession::readingDecoded, this,
            [this] { session_.bound().extend(settings_.timeoutSeconds); });
  }
  note(QStringLiteral("Recording %1 every %2 s into %3 (%4); Ctrl+C ends it.\n")
           .arg(startUnit_.isEmpty() || awaitingReading_ ? QStringLiteral("the reading")
                                                         : startUnit_)
           .arg(settings_.everySeconds)
           .arg(settings_.path == QLatin1String("-") ? QStringLiteral("the standard output")
                                                     : settings_.path,
                formatName(settings_.format)));
  return -1;
}

int Recorder::startSink() {
  const DisplayState& d = session_.display();
  startUnit_ = q(d.unitText);
  std::unique_ptr<RecordSink> sink;
  switch (settings_.format) {
    case RecordFormat::Tsv:
      header_ = QByteArray::fromStdString(dataFileHeaderLine(d.unitText));
      sink = dataFileSink(settings_.path);
      break;
    case RecordFormat::Csv:
      header_ = QByteArray(kRecordCsvHeader);
      sink = csvSink(settings_.path);
      break;
    case RecordFormat::JsonLines:
      header_.clear();
      sink = jsonLinesSink(settings_.path);
      break;
  }
  QString reason;
  if (!engine_->startSink(std::move(sink), &reason)) {
    complain(QStringLiteral("cannot record to %1: %2").arg(settings_.path, reason));
    return kExitFailure;
  }
  return -1;
}

void Recorder::pollOnce() {
  if (finished_) return;
  session_.session().pollTick();
}

void Recorder::samplingTick() {
  if (finished_ || !engine_) return;
  engine_->runTick();
}

void Recorder::momentDue() {
  ++ticks_;
  if (settings_.forSeconds > 0 && static_cast<double>(ticks_ - 1) >= settings_.forSeconds)
    finish(QStringLiteral("the %1 s asked for are over").arg(settings_.forSeconds));
}

void Recorder::momentDone() {
  if (!finished_ && settings_.count > 0 && written_ >= settings_.count)
    finish(QStringLiteral("%1 record(s) were asked for").arg(settings_.count));
}

void Recorder::moment(bool fresh, const QDateTime& when) {
  if (!fresh) {
    ++outageMoments_;
    if (!outage_) {
      outage_ = true;
      const QString banner = bannerName(session_.display());
      if (banner.isEmpty())
        note(QStringLiteral("%1 no reading from the meter: nothing is recorded until it sends "
                            "again\n")
                 .arg(clockText(when)));
      else
        note(QStringLiteral("%1 the meter shows %2: nothing is recorded until it shows a "
                            "reading again\n")
                 .arg(clockText(when), banner));
    }
    return;
  }
  if (outage_) {
    outage_ = false;
    note(QStringLiteral("%1 readings again; %2 sampling moment(s) had no reading\n")
             .arg(clockText(when))
             .arg(outageMoments_));
    outageMoments_ = 0;
  }
}

QString Recorder::stopText(RecordingStop why) const {
  const DisplayState& d = session_.display();
  switch (why) {
    case RecordingStop::StopMode:
      return QStringLiteral("the meter shows %1").arg(q(joinModes(litModes(d))));
    case RecordingStop::UnitChange:
      return QStringLiteral("the unit changed from %1 to %2")
          .arg(startUnit_.isEmpty() ? QStringLiteral("none") : startUnit_,
               d.unitText.empty() ? QStringLiteral("none") : q(d.unitText));
    case RecordingStop::RecordCap:
      return QStringLiteral("a tsv file holds at most %1 records")
          .arg(RecordingEngine::kMaxRecords);
    case RecordingStop::WriteFailed:
    case RecordingStop::Manual:
    case RecordingStop::None:
      break;
  }
  return QStringLiteral("the recording stopped");
}

void Recorder::engineStatus(const RecordingStatus& status) {
  if (finished_) return;
  const QDateTime when = now_();
  if (status.missedMoments > missed_) {
    missed_ = status.missedMoments;
    moment(false, when);
  } else if (status.recording) {
    moment(true, when);
  }
  if (status.recording) return;
  if (status.stopped == RecordingStop::WriteFailed) {
    finish(status.message.simplified(), kExitFailure);
  } else if (status.stopped != RecordingStop::None && status.stopped != RecordingStop::Manual) {
    finish(stopText(status.stopped));
  }
}

void Recorder::reportLinkCaption(const QString& caption) {
  if (finished_) return;
  if (caption == QLatin1String("No COM"))
    note(QStringLiteral("%1 the meter is silent on %2; trying to reach it\n")
             .arg(clockText(now_()), session_.linkState().portName));
  else
    note(QStringLiteral("%1 the meter answers again\n").arg(clockText(now_())));
}

void Recorder::finish(const QString& reason, int exitCode) {
  if (finished_) return;
  finished_ = true;
  exitCode_ = exitCode;
  endReason_ = reason;
  session_.bound().disarm();
  session_.session().stop();
  if (engine_) {
    engine_->stop();
    if (recording_.fileRecording) engine_->stopFile();
  }
  discardUnusedFile();
  // Whatever wait is on the stack (a poll inside a silent meter's reconnection) unwinds now.
  session_.link().abort();
  emit ended();
}

void Recorder::discardUnusedFile() {
  if (written_ > 0 || !created_.created) return;
  if (removeUnusedFile(settings_.path, created_, header_))
    note(QStringLiteral("Nothing was recorded; %1 is not kept.\n").arg(settings_.path));
  created_ = {};
}

QString Recorder::summary() const {
  // A recording that failed says so first: its records may be gone with the file.
  QString text =
      (exitCode_ == 0 ? QStringLiteral("Recorded %1 record(s) into %2")
                      : QStringLiteral("Recording failed after %1 record(s) into %2"))
          .arg(written_)
          .arg(settings_.path == QLatin1String("-") ? QStringLiteral("the standard output")
                                                    : settings_.path);
  if (written_ > 0)
    text += QStringLiteral(", %1 to %2")
                .arg(firstRecord_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                     lastRecord_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
  text += QStringLiteral("; %1 sampling moment(s) had no reading. Ended: %2.\n")
              .arg(missed_)
              .arg(endReason_);
  return text;
}

int Recorder::run() {
  SignalWatch watch([this](int signal) {
    finish(signal == SIGINT   ? QStringLiteral("interrupted (Ctrl+C)")
           : signal == SIGHUP ? QStringLiteral("asked to stop (SIGHUP)")
                              : QStringLiteral("asked to stop (SIGTERM)"));
  });
  try {
    const int begun = begin();
    if (begun >= 0) {
      if (finished_) note(summary());
      return begun;
    }
  } catch (const LinkAborted&) {
    // Stopped while waiting for the first reading: nothing was recorded.
    discardUnusedFile();
    note(summary());
    return exitCode_;
  }
  QEventLoop loop;
  connect(this, &Recorder::ended, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  if (!finished_) {
    // The engine's clock first, then the poll, as in the panel. The first record comes at the
    // engine's first moment, within a second, with the reading just read: taken here and now,
    // at any point of its second, it could share its stamp with the next one.
    engine_->start();
    session_.session().start();
    loop.exec();
  }
  note(summary());
  return exitCode_;
}

int runRecord(const QStringList& arguments) {
  QCommandLineParser parser;
  MeterOptions meter;
  meter.addTo(parser);
  const QCommandLineOption every(QStringLiteral("every"),
                                 QStringLiteral("Seconds between two records (1 to 86400)."),
                                 QStringLiteral("SECONDS"));
  const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("End after N records."),
                                 QStringLiteral("N"));
  const QCommandLineOption forTime(
      QStringLiteral("for"),
      QStringLiteral("End after this long: seconds, or a number with s, m, h or d (1h30m)."),
      QStringLiteral("DURATION"));
  const QCommandLineOption format(
      QStringLiteral("format"),
      QStringLiteral("tsv (the panel's data file, the default for a file), csv (RFC 4180) or "
                     "jsonl (one JSON object per line, the default for -)."),
      QStringLiteral("tsv|csv|jsonl"));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Overwrite FILE if it exists."));
  const QCommandLineOption timeout(
      QStringLiteral("timeout"),
      QStringLiteral("Fail (exit 1) when the meter sends no reading for SECONDS, from the start "
                     "on."),
      QStringLiteral("SECONDS"));
  parser.addOptions({every, count, forTime, format, force, timeout});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli record --every SECONDS [--count N | --for DURATION] "
                     "[--format tsv|csv|jsonl] [--timeout SECONDS] [--force] "
                     "(--port NAME | --simulate) FILE|-"),
      QStringLiteral(
          "Records the meter's reading every SECONDS into FILE (- for the standard output, "
          "line by line), one whole line per record. tsv writes the panel's data file and ends, "
          "as the panel's recording does, on a unit change, on REL, REF, %, cd, fc-h, lx-h or "
          "SET UP, or after 100000 records. csv (number,time,value,unit,modes) and jsonl "
          "(sequence, time, value, text, unit, modes, overload) carry on across units and "
          "modes. A sampling moment without a fresh reading writes nothing and the outage is "
          "told on stderr. SIGINT, SIGTERM or SIGHUP end the recording after the current line. A "
          "run "
          "that records nothing leaves no file behind."),
      1, 1);
  if (parsed >= 0) return parsed;

  RecordSettings s;
  s.path = parser.positionalArguments().at(0);
  if (!parser.isSet(every)) {
    complain(QStringLiteral("record needs --every SECONDS"));
    return kExitUsage;
  }
  bool ok = false;
  s.everySeconds = parser.value(every).toInt(&ok);
  if (!ok || s.everySeconds < 1 || s.everySeconds > 86400) {
    complain(QStringLiteral("--every wants whole seconds from 1 to 86400, not '%1'")
                 .arg(parser.value(every)));
    return kExitUsage;
  }
  if (parser.isSet(count) && parser.isSet(forTime)) {
    complain(QStringLiteral("--count and --for exclude each other"));
    return kExitUsage;
  }
  if (parser.isSet(count)) {
    s.count = parser.value(count).toLong(&ok);
    if (!ok || s.count < 1) {
      complain(QStringLiteral("--count wants a number of records from 1, not '%1'")
                   .arg(parser.value(count)));
      return kExitUsage;
    }
  }
  if (parser.isSet(forTime)) {
    const auto seconds = parseDuration(parser.value(forTime).toStdString());
    if (!seconds) {
      complain(QStringLiteral("--for wants a duration such as 90, 90s, 15m, 2h, 7d or 1h30m, not "
                              "'%1'")
                   .arg(parser.value(forTime)));
      return kExitUsage;
    }
    s.forSeconds = *seconds;
  }
  const bool toStdout = s.path == QLatin1String("-");
  const QString f = parser.isSet(format) ? parser.value(format)
                    : toStdout           ? QStringLiteral("jsonl")
                                         : QStringLiteral("tsv");
  if (f == QLatin1String("tsv")) {
    s.format = RecordFormat::Tsv;
  } else if (f == QLatin1String("csv")) {
    s.format = RecordFormat::Csv;
  } else if (f == QLatin1String("jsonl")) {
    s.format = RecordFormat::JsonLines;
  } else {
    complain(QStringLiteral("--format is tsv, csv or jsonl, not '%1'").arg(f));
    return kExitUsage;
  }
  if (toStdout && s.format != RecordFormat::JsonLines) {
    complain(QStringLiteral("- streams JSON lines to the standard output: give --format jsonl "
                            "or a FILE for %1")
                 .arg(f));
    return kExitUsage;
  }
  s.force = parser.isSet(force);
  const int timed = readTimeout(parser, timeout, &s.timeoutSeconds);
  if (timed >= 0) return timed;

  LiveMeter live;
  const int opened = openMeter(live.session, parser, meter);
  if (opened >= 0) return opened;
  Recorder recorder(live.session, s);
  try {
    return recorder.run();
  } catch (const LinkAborted&) {
    return recorder.finished() ? recorder.exitCode() : kExitFailure;
  }
}

}  // namespace lux::cli
