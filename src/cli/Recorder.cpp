#include "cli/Recorder.h"

#include <QEventLoop>
#include <QFileInfo>
#include <string_view>

#include "cli/CliFormat.h"
#include "cli/Common.h"
#include "cli/LiveMeter.h"
#include "cli/MeterSession.h"
#include "cli/OutputFile.h"
#include "cli/SignalWatch.h"
#include "cli/Subcommands.h"
#include "link/FrameDecoder.h"
#include "records/DataFormat.h"
#include "records/engine/DataFileWriter.h"

namespace lux::cli {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QString clockText(const QDateTime& t) {
  return t.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

Recorder::Recorder(MeterSession& session, RecordSettings settings, std::function<QDateTime()> now)
    : session_(session), settings_(std::move(settings)), now_(std::move(now)) {
  pollTimer_.setInterval(250);
  samplingTimer_.setInterval(1000);
  samplingTimer_.setTimerType(Qt::PreciseTimer);
  connect(&pollTimer_, &QTimer::timeout, this, &Recorder::pollOnce);
  connect(&samplingTimer_, &QTimer::timeout, this, &Recorder::samplingTick);
  connect(&session_.link(), &MeterLink::portCaptionChanged, this, &Recorder::reportLinkCaption);
}

Recorder::~Recorder() = default;

int Recorder::begin() {
  QString reason;
  const Claim claim = claimOutputFile(settings_.path, settings_.force, &reason, &created_);
  if (claim != Claim::Ok) {
    complain(claimText(claim, settings_.path, reason));
    return claim == Claim::Exists ? kExitUsage : kExitFailure;
  }
  const int begun = beginRecording();
  if (begun >= 0) discardUnusedFile();
  return begun;
}

int Recorder::beginRecording() {
  QString reason;
  const DisplayState& d = session_.display();
  if (settings_.format == RecordFormat::Tsv) {
    // Made before the first reading, so that the reading that answers counts as fresh for the
    // first sampling moment.
    recording_.samplingTicks = static_cast<float>(settings_.everySeconds);
    recording_.samplingTickCount = 0;
    engine_ = std::make_unique<RecordingEngine>(recording_, d, session_.clock());
  }
  framesAtLastMoment_ = d.framesDecoded;
  if (!session_.readDisplay()) {
    const QString banner = session_.bannerInstead();
    if (banner.isEmpty()) {
      complain(noAnswerText(session_));
      return kExitFailure;
    }
    if (engine_) {
      complain(QStringLiteral("the meter shows %1: a tsv recording starts only in plain "
                              "measuring mode (csv records from the first reading after it)")
                   .arg(banner));
      return kExitFailure;
    }
    awaitingReading_ = true;
    note(QStringLiteral("The meter shows %1: recording begins with its first reading after it.\n")
             .arg(banner));
  }
  // A signal that came while the meter was asked ends the run before anything is written.
  if (finished_) return exitCode_;
  startUnit_ = q(d.unitText);
  if (engine_) {
    if (!d.plainMode()) {
      complain(QStringLiteral("the meter shows %1: a tsv recording starts only in plain measuring "
                              "mode (csv records in any mode)")
                   .arg(q(joinModes(litModes(d)))));
      return kExitFailure;
    }
    header_ = QByteArray::fromStdString(dataFileHeaderLine(d.unitText));
    if (!engine_->startFile(settings_.path, &reason)) {
      complain(QStringLiteral("cannot record to %1: %2").arg(settings_.path, reason));
      return kExitFailure;
    }
    connect(engine_.get(), &RecordingEngine::statusChanged, this, &Recorder::tsvStatus);
    connect(engine_.get(), &RecordingEngine::recordWritten, this, [this](long number) {
      written_ = number;
      lastRecord_ = now_();
    });
  } else {
    file_ = std::make_unique<DataFileWriter>();
    header_ = QByteArray(kRecordCsvHeader);
    if (!file_->open(settings_.path, &reason) || !file_->writeLine(kRecordCsvHeader, &reason)) {
      complain(QStringLiteral("cannot record to %1: %2").arg(settings_.path, reason));
      file_->close();
      return kExitFailure;
    }
  }
  started_ = now_();
  note(QStringLiteral("Recording %1 every %2 s into %3 (%4); Ctrl+C ends it.\n")
           .arg(startUnit_.isEmpty() || awaitingReading_ ? QStringLiteral("the reading")
                                                         : startUnit_)
           .arg(settings_.everySeconds)
           .arg(settings_.path, engine_ ? QStringLiteral("tsv") : QStringLiteral("csv")));
  return -1;
}

void Recorder::pollOnce() {
  if (finished_) return;
  pollGuard_.run([this] {
    session_.link().pollTick([this](const QByteArray& frame) {
      DisplayState& d = session_.display();
      const DecodeResult r = decodeFrame(
          d, std::string_view(frame.constData(), static_cast<std::size_t>(frame.size())));
      // Only a whole reading is a new one: a banner or an early stop leaves the old digits.
      if (r == DecodeResult::Complete) ++d.framesDecoded;
      return r == DecodeResult::Banner;
    });
  });
}

void Recorder::samplingTick() {
  if (finished_) return;
  samplingGuard_.run([this] {
    ++ticks_;
    if (settings_.forSeconds > 0 && static_cast<double>(ticks_ - 1) >= settings_.forSeconds) {
      finish(QStringLiteral("the %1 s asked for are over").arg(settings_.forSeconds));
      return;
    }
    if (engine_)
      engine_->tick();
    else
      csvMoment();
    if (!finished_ && settings_.count > 0 && written_ >= settings_.count)
      finish(QStringLiteral("%1 record(s) were asked for").arg(settings_.count));
  });
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

void Recorder::tsvStatus(const RecordingStatus& status) {
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

void Recorder::csvMoment() {
  if (!(tickCount_ == 0 || tickCount_ >= settings_.everySeconds)) {
    ++tickCount_;
    return;
  }
  tickCount_ = 1;
  const QDateTime when = now_();
  const DisplayState& d = session_.display();
  const bool fresh = d.framesDecoded != framesAtLastMoment_;
  framesAtLastMoment_ = d.framesDecoded;
  if (awaitingReading_) {
    // Still the banner of the start: the first reading is taken at the tick it arrives.
    if (!fresh) {
      tickCount_ = 0;
      return;
    }
    awaitingReading_ = false;
    startUnit_ = q(d.unitText);
  }
  if (!fresh) ++missed_;
  moment(fresh, when);
  if (fresh) writeCsvLine(when);
}

bool Recorder::writeCsvLine(const QDateTime& when) {
  const DisplayState& d = session_.display();
  const long number = written_ + 1;
  const QDate day = when.date();
  const QTime t = when.time();
  const std::string line =
      csvLine({std::to_string(number),
               isoLocalTime(day.year(), day.month(), day.day(), t.hour(), t.minute(), t.second(),
                            t.msec(), when.offsetFromUtc()),
               signedValueText(d), d.unitText, joinModes(litModes(d))});
  QString reason;
  if (!file_->writeLine(line, &reason)) {
    const QString kept = file_->keptIn();
    finish(QStringLiteral("the file could not be written (%1); %2")
               .arg(reason, !kept.isEmpty()
                                ? QStringLiteral("the %1 record(s) written before are kept in %2")
                                      .arg(written_)
                                      .arg(kept)
                                : QStringLiteral("the %1 record(s) written before were lost "
                                                 "with the file")
                                      .arg(written_)),
           kExitFailure);
    return false;
  }
  written_ = number;
  lastRecord_ = when;
  return true;
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
  pollTimer_.stop();
  samplingTimer_.stop();
  if (engine_ && recording_.fileRecording) engine_->stopFile();
  if (file_) file_->close();
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
  QString text = (exitCode_ == 0 ? QStringLiteral("Recorded %1 record(s) into %2")
                                 : QStringLiteral("Recording failed after %1 record(s) into %2"))
                     .arg(written_)
                     .arg(settings_.path);
  if (written_ > 0)
    text += QStringLiteral(", %1 to %2")
                .arg(started_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
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
  samplingTick();
  if (!finished_) {
    samplingTimer_.start();
    pollTimer_.start();
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
      QStringLiteral("tsv (the panel's data file, the default) or csv (RFC 4180)."),
      QStringLiteral("tsv|csv"), QStringLiteral("tsv"));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Overwrite FILE if it exists."));
  parser.addOptions({every, count, forTime, format, force});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli record --every SECONDS [--count N | --for DURATION] "
                     "[--format tsv|csv] [--force] (--port NAME | --simulate) FILE"),
      QStringLiteral(
          "Records the meter's reading every SECONDS into FILE, one whole line per record. "
          "tsv writes the panel's data file and ends, as the panel's recording does, on a unit "
          "change, on REL, REF, %, cd, fc-h, lx-h or SET UP, or after 100000 records. csv "
          "(number,time,value,unit,modes) carries on across units and modes. A sampling moment "
          "without a fresh reading writes nothing and the outage is told on stderr. SIGINT, "
          "SIGTERM or SIGHUP end the recording after the current line. A run that records "
          "nothing leaves no file behind."),
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
  const QString f = parser.value(format);
  if (f == QLatin1String("tsv")) {
    s.format = RecordFormat::Tsv;
  } else if (f == QLatin1String("csv")) {
    s.format = RecordFormat::Csv;
  } else {
    complain(QStringLiteral("--format is tsv or csv, not '%1'").arg(f));
    return kExitUsage;
  }
  s.force = parser.isSet(force);

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
