#include "survey/engine/SurveyCapture.h"

#include <cmath>

namespace lux::survey {

namespace {

// The reading in lux from the digits as shown: the value the frame carries is single
// precision, which would turn "523.4" into 523.4000244.
double luxOf(const Reading& r) {
  double lux = 0.0;
  r.inLux(&lux);
  bool ok = false;
  const double shown = r.text.toDouble(&ok);
  if (!ok) return lux;
  return r.unit == QLatin1String("Fc") ? shown * kLuxPerFootCandle : shown;
}

}  // namespace

SurveyCapture::SurveyCapture(Survey& survey, Clock& clock, QObject* parent)
    : QObject(parent), survey_(&survey), clock_(clock) {}

void SurveyCapture::setSurvey(Survey& survey) {
  cancelWait();
  survey_ = &survey;
  emit changed();
}

std::optional<QString> SurveyCapture::refusal(const Reading& r) const {
  if (r.banner)
    return tr("The meter shows a banner (SET UP, CLEAR or RS232): there is no reading to take.");
  if (r.overload)
    return tr(
        "The meter shows an overload (OL): there is no reading to take. Choose a higher "
        "range.");
  if (!r.plainIlluminance()) {
    QStringList modes;
    if (r.rel) modes << QStringLiteral("REL");
    if (r.ref) modes << QStringLiteral("REF");
    if (r.percent) modes << QStringLiteral("%");
    if (r.candela) modes << QStringLiteral("cd");
    if (r.fcHour) modes << QStringLiteral("fc-h");
    if (r.lxHour) modes << QStringLiteral("lx-h");
    return tr("The meter shows %1, which is no illuminance: switch it back to plain lux or "
              "foot-candles.")
        .arg(modes.join(QStringLiteral(", ")));
  }
  double lux = 0.0;
  if (!r.inLux(&lux))
    return tr("The reading carries no lux or fc unit: there is no illuminance to take.");
  if ((r.hold || r.timeHold) && !settings.allowHold)
    return tr("The meter holds its reading (HOLD): release it, or allow held readings.");
  if (r.negative || lux < 0.0)
    return tr("The meter shows a negative reading, which is no illuminance.");
  return std::nullopt;
}

void SurveyCapture::offer(const Reading& r) {
  latest_ = r;
  latestAt_ = clock_.monotonicSeconds();
  silent_ = false;
  if (!waiting_) return;
  if (const auto why = refusal(r)) {
    endWait(*why);
    return;
  }
  if (r.frameNumber != 0 && r.frameNumber == lastFrame_) return;  // the same frame again
  lastFrame_ = r.frameNumber;
  window_.push_back(luxOf(r));
  while (int(window_.size()) > settings.steadyCount) window_.pop_front();
  const int run = steadyRun();
  if (run >= settings.steadyCount) {
    waiting_ = false;
    window_.clear();
    emit waitProgress(QString());
    store(r);
    return;
  }
  tick();
  if (waiting_)
    emit waitProgress(tr("Waiting for a steady reading: %1 of %2 within ±%3 %")
                          .arg(run)
                          .arg(settings.steadyCount)
                          .arg(settings.steadyPercent));
}

// The most recent readings that agree within the tolerance of their own average.
int SurveyCapture::steadyRun() const {
  const int n = int(window_.size());
  for (int k = n; k >= 1; --k) {
    double sum = 0.0;
    for (int i = n - k; i < n; ++i) sum += window_[std::size_t(i)];
    const double mean = sum / k;
    bool ok = true;
    for (int i = n - k; i < n && ok; ++i)
      ok = std::fabs(window_[std::size_t(i)] - mean) <=
           settings.steadyPercent / 100.0 * std::fabs(mean) + 1e-12;
    if (ok) return k;
  }
  return 0;
}

void SurveyCapture::setSilent(bool silent) {
  silent_ = silent;
  if (silent && waiting_) endWait(tr("No fresh reading: the meter is not answering."));
}

bool SurveyCapture::take() {
  if (waiting_) return false;
  if (!validIndex(survey_->current)) {
    emit refused(tr("This survey has no point to take."));
    return false;
  }
  // A banner stays up without new frames: it is what the meter shows, however long ago it came.
  const bool stale =
      !latest_ || (!latest_->banner && clock_.monotonicSeconds() - latestAt_ > settings.freshness);
  if (silent_ || stale) {
    emit refused(tr("No fresh reading: the meter is not answering."));
    return false;
  }
  if (const auto why = refusal(*latest_)) {
    emit refused(*why);
    return false;
  }
  if (!settings.waitSteady || settings.steadyCount <= 1) {
    store(*latest_);
    return true;
  }
  waiting_ = true;
  waitStart_ = clock_.monotonicSeconds();
  window_.clear();
  window_.push_back(luxOf(*latest_));
  lastFrame_ = latest_->frameNumber;
  emit waitProgress(tr("Waiting for a steady reading: %1 of %2 within ±%3 %")
                        .arg(1)
                        .arg(settings.steadyCount)
                        .arg(settings.steadyPercent));
  return false;
}

void SurveyCapture::tick() {
  if (!waiting_) return;
  if (clock_.monotonicSeconds() - waitStart_ >= settings.steadyBound)
    endWait(tr("No steady reading within %1 s: the readings vary by more than ±%2 %. Take the "
               "point again, or switch off the wait for a steady reading.")
                .arg(settings.steadyBound)
                .arg(settings.steadyPercent));
}

void SurveyCapture::cancelWait() {
  if (!waiting_) return;
  waiting_ = false;
  window_.clear();
  emit waitProgress(QString());
}

void SurveyCapture::endWait(const QString& why) {
  cancelWait();
  emit refused(why);
}

void SurveyCapture::store(const Reading& r) {
  const int i = survey_->current;
  if (!validIndex(i)) return;
  SurveyPoint& p = survey_->points[std::size_t(i)];
  const double lux = luxOf(r);
  p.taken = true;
  p.skipped = false;
  p.skipReason.clear();
  p.lux = lux;
  p.shownText = r.text;
  p.shownUnit = r.unit;
  p.time = r.pcTime;
  const int next = survey_->nextOpen(i);
  if (next >= 0) survey_->current = next;
  emit pointStored(i);
  emit changed();
}

void SurveyCapture::setCurrent(int index) {
  if (!validIndex(index)) return;
  cancelWait();
  survey_->current = index;
  emit changed();
}

void SurveyCapture::skip(int index, const QString& reason) {
  if (!validIndex(index)) return;
  cancelWait();
  SurveyPoint& p = survey_->points[std::size_t(index)];
  p.skipped = true;
  p.taken = false;
  p.skipReason = reason;
  if (index == survey_->current) {
    const int next = survey_->nextOpen(index);
    if (next >= 0) survey_->current = next;
  }
  emit changed();
}

void SurveyCapture::retake(int index) {
  // The old reading stays until a new one replaces it: a refused take loses nothing.
  setCurrent(index);
}

void SurveyCapture::setNote(int index, const QString& note) {
  if (!validIndex(index)) return;
  survey_->points[std::size_t(index)].note = note;
  emit changed();
}

}  // namespace lux::survey
