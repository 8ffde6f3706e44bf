#pragma once
// Taking a survey's readings: the current point, the reading the meter shows now, the checks
// that keep anything but a plain illuminance out of the survey, and the wait for a steady
// reading. Fed with every fresh reading; waits are measured on the injectable clock.
#include <QObject>
#include <QString>
#include <deque>
#include <optional>

#include "link/Clock.h"
#include "link/Reading.h"
#include "survey/engine/Survey.h"

namespace lux::survey {

struct CaptureSettings {
  bool waitSteady = true;      // take only after `steadyCount` readings agree
  int steadyCount = 3;         // consecutive readings
  double steadyPercent = 5.0;  // each within ± this of their average
  double steadyBound = 30.0;   // seconds before the wait gives up
  bool allowHold = false;      // a held reading (HOLD, TIME HOLD) may be taken
  double freshness = 2.0;      // seconds a reading counts as the meter's current one
};

class SurveyCapture : public QObject {
  Q_OBJECT
 public:
  SurveyCapture(Survey& survey, Clock& clock, QObject* parent = nullptr);

  CaptureSettings settings;

  // Why `r` cannot go into a survey; nothing when it can.
  std::optional<QString> refusal(const Reading& r) const;

  // Every fresh reading of the meter (one per decoded frame).
  void offer(const Reading& r);
  // The meter fell silent (or spoke again): a silent meter has no current reading.
  void setSilent(bool silent);
  // Take, Space, Enter: stores the current reading at the current point, or starts the wait
  // for a steady one. False when refused (refused() says why) or when waiting.
  bool take();
  // Gives up a wait that has run past its bound; call it from a timer.
  void tick();
  void cancelWait();
  bool waiting() const { return waiting_; }

  void setCurrent(int index);
  int current() const { return survey_->current; }
  // The point leaves the survey's figures, with the surveyor's reason.
  void skip(int index, const QString& reason);
  // Makes a taken or skipped point the current one; its reading stays until a new one is
  // stored there.
  void retake(int index);
  void setNote(int index, const QString& note);

  // Switches to another survey document (a new or reopened one).
  void setSurvey(Survey& survey);

 signals:
  void pointStored(int index);
  void refused(const QString& message);
  // What the wait has seen so far ("2 of 3 readings within ±5 %"); empty when not waiting.
  void waitProgress(const QString& text);
  void changed();

 private:
  void store(const Reading& r);
  int steadyRun() const;
  void endWait(const QString& why);
  bool validIndex(int i) const { return i >= 0 && i < int(survey_->points.size()); }

  Survey* survey_;
  Clock& clock_;
  std::optional<Reading> latest_;
  double latestAt_ = 0.0;
  bool silent_ = false;
  bool waiting_ = false;
  double waitStart_ = 0.0;
  std::deque<double> window_;  // lux of the readings seen while waiting
  std::uint64_t lastFrame_ = 0;
};

}  // namespace lux::survey
