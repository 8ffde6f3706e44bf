#pragma once
// Where the survey gets its readings: the meter's session, one reading per decoded frame, a
// banner when the meter shows one, and whether the meter has fallen silent. Without a session
// (a program driving the link by hand) the survey hears nothing and says the meter is silent.
#include <QObject>
#include <QPointer>
#include <optional>

#include "link/Clock.h"
#include "link/MeterSession.h"
#include "link/Reading.h"

namespace lux::survey {

class SurveyFeed : public QObject {
  Q_OBJECT
 public:
  SurveyFeed(MeterSession* session, Clock& clock, QObject* parent = nullptr);

  std::optional<Reading> latest() const { return latest_; }
  bool silent() const { return !session_ || session_->silent(); }

 signals:
  void readingDecoded(const lux::Reading& reading);
  void silenceChanged(bool silent);

 private:
  void take(const Reading& r);
  // A banner is no decoded reading but it is what the meter shows: handed on as a reading
  // that says so, so a take is refused with the banner named.
  void banner();

  QPointer<MeterSession> session_;
  Clock& clock_;
  std::optional<Reading> latest_;
};

}  // namespace lux::survey
