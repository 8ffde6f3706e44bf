#include "records/engine/RecordingEngine.h"

#include <QDateTime>
#include <QFileInfo>

#include "link/MeterSession.h"
#include "link/Reading.h"
#include "records/DataFormat.h"
#include "records/engine/DataFileWriter.h"

namespace lux {

QString missedMomentsText(long missed) {
  if (missed <= 0) return {};
  return RecordingEngine::tr(
      "%n sampling moment(s) had no reading from the meter; nothing was recorded for them.",
      nullptr, static_cast<int>(missed));
}

RecordingEngine::RecordingEngine(MeterSession& session, RecordingState& state, QObject* parent)
    : RecordingEngine(state, session.display(), session.link().clock(), parent) {}

RecordingEngine::RecordingEngine(RecordingState& state, const DisplayState& display, Clock& clock,
                                 QObject* parent)
    : QObject(parent), state_(state), display_(display), clock_(clock) {
  // A frame decoded before the engine existed is no reason to record at its first moment.
  framesAtLastMoment_ = display_.framesDecoded;
  samplingTimer_ = new QTimer(this);
  samplingTimer_->setObjectName(QStringLiteral("Timer2"));
  samplingTimer_->setInterval(1000);
  // The sampling moments are stamped to the second: a coarse timer may move a tick by up to
  // 50 ms to fit its schedule.
  samplingTimer_->setTimerType(Qt::PreciseTimer);
  connect(samplingTimer_, &QTimer::timeout, this, &RecordingEngine::runTick);
}

namespace {

// Where in its second a sampling moment falls. The moments are stamped to the second, and one
// close to a second's end is carried into the next second by a tick a few tens of ms late (a
// busy machine): two records stamped alike beside a second with none.
constexpr int kMidSecond = 500;

// From `now` to the middle of the next second: 501 to 1500 ms, about a tick's period, and never
// the middle of the second `now` lies in, so that no second is sampled twice.
int msecsToNextMidSecond(const QDateTime& now) {
  return 1000 + kMidSecond - now.time().msec();
}

}  // namespace

void RecordingEngine::start() {
  stopped_ = false;
  // The first moment at the first middle of a second still to come, within a second: whoever
  // starts the recording sees its first record as soon as it can be stamped safely.
  samplingTimer_->start(msecsToNextMidSecond(clock_.preciseLocalDateTime()) % 1000);
}

void RecordingEngine::aimNextTick() {
  if (!samplingTimer_->isActive()) return;  // ticked by hand
  // Each tick aims the next at the middle of the next second of the PC's clock: a late tick does
  // not move the ones after it, and the timer, which runs on the system's steady clock, cannot
  // wander away from the PC's clock, which is slewed to stay right.
  samplingTimer_->start(msecsToNextMidSecond(clock_.preciseLocalDateTime()));
}

void RecordingEngine::stop() {
  stopped_ = true;
  samplingTimer_->stop();
}

void RecordingEngine::runTick() {
  if (stopped_) return;
  aimNextTick();
  emit tickDue();
  if (stopped_) return;
  tickGuard_.run([this] {
    tick();
    emit tickDone();
  });
}

bool RecordingEngine::startFile(const QString& path, QString* reason) {
  return startSink(dataFileSink(path), reason);
}

bool RecordingEngine::startSink(std::unique_ptr<RecordSink> sink, QString* reason) {
  RecordingState& r = state_;
  const QString unit = QString::fromStdString(display_.unitText);
  const QString path = sink->target();
  if (!sink->begin(display_.unitText, reason)) {
    r.fileNameChosen = false;
    return false;
  }
  sink_ = std::move(sink);
  r.fileRecordingUnit = unit;
  r.dataFileTitle = QFileInfo(path).fileName();
  r.dataFileNumber = 1;
  r.fileRecording = true;
  r.fileRecordCount = 0;
  status_ = RecordingStatus{};
  status_.recording = true;
  status_.fileTitle = r.dataFileTitle;
  status_.filePath = path;
  publish();
  return true;
}

const DataFileWriter* RecordingEngine::dataFile() const {
  return sink_ ? sink_->writer() : nullptr;
}

void RecordingEngine::releaseFile() {
  if (DataFileWriter* w = sink_ ? sink_->writer() : nullptr) w->close();
}

void RecordingEngine::stopFile() {
  endFile(RecordingStop::Manual);
  state_.fileNameChosen = false;
  publish();
}

void RecordingEngine::endFile(RecordingStop why) {
  RecordingState& r = state_;
  const bool wasRecording = r.fileRecording;
  r.fileRecording = false;
  r.fileRecordCount = 0;
  if (sink_) sink_->end();
  sink_.reset();
  r.dataFileNumber = 0;
  status_.recording = false;
  status_.outage = false;
  if (!wasRecording) return;
  status_.stopped = why;
  // Which moments had no reading is seen in the gaps of the stamps; how many is said here.
  if (why != RecordingStop::WriteFailed) status_.message = missedMomentsText(status_.missedMoments);
}

bool RecordingEngine::samplingMomentDue() {
  RecordingState& r = state_;
  if (r.samplingTickCount == 0 || r.samplingTickCount >= r.samplingTicks) return true;
  ++r.samplingTickCount;
  return false;
}

RecordSample RecordingEngine::takeSample() {
  momentTime_ = clock_.preciseLocalDateTime();
  const QDateTime& now = momentTime_;
  const QTime t = now.time();
  const std::string stamp = sampleTimeStamp(now.date().day(), t.hour(), t.minute(), t.second());
  state_.sampleTimeText = QString::fromLatin1(stamp.c_str());
  // The minus annunciator is part of the reading: "-5.0", as luxpanel-cli writes it too.
  return {stamp, Reading::fromDisplay(display_, now).text.toStdString()};
}

// The reading is the meter's only when a display frame came in since the previous sampling
// moment; otherwise it is the last one before a silence, a lost port or a paused poll.
bool RecordingEngine::freshReading() {
  const bool fresh = display_.framesDecoded != framesAtLastMoment_;
  framesAtLastMoment_ = display_.framesDecoded;
  return fresh;
}

RecordingStop RecordingEngine::fileStopReason() const {
  // csv and JSON lines say the unit and the modes on every line and carry on.
  if (!sink_ || !sink_->endsOnModeOrUnit()) return RecordingStop::None;
  if (state_.fileRecordCount >= kMaxRecords) return RecordingStop::RecordCap;
  if (display_.stopMode()) return RecordingStop::StopMode;
  if (QString::fromStdString(display_.unitText) != state_.fileRecordingUnit)
    return RecordingStop::UnitChange;
  return RecordingStop::None;
}

bool RecordingEngine::listMustStop() const {
  return state_.listRecordCount >= kMaxRecords || display_.stopMode() ||
         QString::fromStdString(display_.unitText) != state_.listRecordingUnit;
}

QString RecordingEngine::writeFailureMessage(const QString& reason, long kept) const {
  const DataFileWriter* w = dataFile();
  const QString path = w ? w->path() : sink_ ? sink_->target() : state_.dataFileName;
  QString text = tr("Recording stopped: the data file could not be written (%1).\r\n").arg(reason);
  const int count = static_cast<int>(kept);
  if (kept == 0) {
    text += tr("No record had been written to %1 yet.").arg(path);
  } else if (const QString kept = w ? w->keptIn() : QString(); !kept.isEmpty()) {
    text += tr("The %n record(s) written before are kept in %1", nullptr, count).arg(kept);
  } else if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
    text += tr("The %n record(s) written before were lost with the folder %1", nullptr, count)
                .arg(QFileInfo(path).absolutePath());
  } else {
    text += tr("The %n record(s) written before were lost: %1 no longer holds them", nullptr, count)
                .arg(path);
  }

  const QString missed = missedMomentsText(status_.missedMoments);
  if (!missed.isEmpty()) text += QStringLiteral("\r\n") + missed;
  return text;
}

void RecordingEngine::sampleIntoFile(const RecordSample& sample, bool fresh) {
  RecordingState& r = state_;
  if (!r.fileRecording) return;
  const RecordingStop why = fileStopReason();
  if (why != RecordingStop::None) {
    endFile(why);
    return;
  }
  if (!fresh) {
    ++status_.missedMoments;
    status_.outage = true;
    return;
  }
  status_.outage = false;
  const long number = static_cast<long>(r.fileRecordCount) + 1;
  QString reason;
  // A record counts only once the system has taken its whole line.
  if (sink_ && sink_->write(number, RecordMoment{momentTime_, sample.stamp, sample.value, display_},
                            &reason)) {
    r.fileRecordCount = static_cast<float>(number);
    status_.records = number;
    emit recordWritten(number, sample);
    return;
  }
  const QString message = writeFailureMessage(reason, number - 1);
  endFile(RecordingStop::WriteFailed);
  r.fileNameChosen = false;
  status_.message = message;
}

void RecordingEngine::sampleIntoList(const RecordSample& sample, bool fresh) {
  RecordingState& r = state_;
  if (!r.listRecording) return;
  if (fresh) {
    const long number = static_cast<long>(r.listRecordCount) + 1;
    if (!liveList_.append || !liveList_.append(number, sample)) {
      // The window went away without its close handler (the program is closing).
      r.listRecording = false;
      r.listRecordCount = 0;
      return;
    }
    r.listRecordCount = static_cast<float>(number);
  }
  // Tested after the row is in, so that the 100000th row is shown. A moment without a new
  // reading adds no row but still ends the list as it ends the file: the SET UP banner brings
  // no reading at all, and the list would otherwise outlive the episode the file stopped for.
  if (listMustStop()) {
    r.listRecordCount = 0;
    r.listRecording = false;
    if (liveList_.close) liveList_.close();
  }
}

void RecordingEngine::tick() {
  status_.message.clear();
  if (!samplingMomentDue()) return;
  const RecordSample sample = takeSample();
  const bool fresh = freshReading();
  sampleIntoFile(sample, fresh);
  if (!state_.fileRecording) state_.fileRecordCount = 0;
  sampleIntoList(sample, fresh);
  state_.samplingTickCount = 1;
  publish();
}

void RecordingEngine::publish() {
  emit statusChanged(status_);
}

}  // namespace lux
