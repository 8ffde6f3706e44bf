#pragma once
// Where the survey gets its readings: each new frame the panel's poll decoded, as a Reading, and
// whether the meter has fallen silent. The one place that knows where readings come from; its
// signals carry the names of the meter session's, which can take its place.
#include <QObject>
#include <QTimer>
#include <optional>

#include "link/Clock.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "link/Reading.h"

namespace lux::survey {

class SurveyFeed : public QObject {
  Q_OBJECT
 public:
  SurveyFeed(const DisplayState& display, MeterLink& link, Clock& clock, QObject* parent = nullptr)
      : QObject(parent), display_(display), link_(link), clock_(clock) {
    connect(&link_, &MeterLink::meterSilenceChanged, this, &SurveyFeed::silenceChanged);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &SurveyFeed::check);
  }
  void start() { timer_.start(); }
  void stop() { timer_.stop(); }

  std::optional<Reading> latest() const { return latest_; }
  bool silent() const { return link_.state().meterSilent; }

  // Looks at the display state once: a frame decoded since the last look, or a banner that came
  // up (banner frames do not count as decoded readings), is handed on.
  void check();

 signals:
  void readingDecoded(const lux::Reading& reading);
  void silenceChanged(bool silent);

 private:
  const DisplayState& display_;
  MeterLink& link_;
  Clock& clock_;
  QTimer timer_;
  std::optional<Reading> latest_;
  unsigned long seenFrames_ = 0;
  bool seenBanner_ = false;
};

}  // namespace lux::survey
