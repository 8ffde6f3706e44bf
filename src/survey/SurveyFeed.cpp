#include "survey/SurveyFeed.h"

namespace lux::survey {

SurveyFeed::SurveyFeed(MeterSession* session, Clock& clock, QObject* parent)
    : QObject(parent), session_(session), clock_(clock) {
  if (!session) return;
  connect(session, &MeterSession::readingDecoded, this, &SurveyFeed::take);
  connect(session, &MeterSession::bannerShown, this, &SurveyFeed::banner);
  connect(session, &MeterSession::silenceChanged, this, &SurveyFeed::silenceChanged);
}

void SurveyFeed::take(const Reading& r) {
  latest_ = r;
  emit readingDecoded(r);
}

void SurveyFeed::banner() {
  Reading r = Reading::fromDisplay(session_->display(), clock_.localDateTime());
  r.banner = true;
  latest_ = r;
  emit readingDecoded(r);
}

}  // namespace lux::survey
