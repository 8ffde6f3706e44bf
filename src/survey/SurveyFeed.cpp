#include "survey/SurveyFeed.h"

namespace lux::survey {

void SurveyFeed::check() {
  const bool banner = display_.bannerShown();
  if (display_.framesDecoded == seenFrames_ && banner == seenBanner_) return;
  seenFrames_ = display_.framesDecoded;
  seenBanner_ = banner;
  latest_ = Reading::fromDisplay(display_, clock_.localDateTime());
  emit readingDecoded(*latest_);
}

}  // namespace lux::survey
