#include "survey/engine/SurveyStats.h"

#include <algorithm>

namespace lux::survey {

Stats computeStats(const std::vector<Sample>& samples) {
  Stats s;
  s.total = int(samples.size());
  double sum = 0.0;
  for (const Sample& p : samples) {
    if (p.skipped) {
      ++s.skipped;
      continue;
    }
    if (!p.taken) {
      ++s.left;
      continue;
    }
    if (s.taken == 0) {
      s.min = s.max = p.lux;
    } else {
      s.min = std::min(s.min, p.lux);
      s.max = std::max(s.max, p.lux);
    }
    ++s.taken;
    sum += p.lux;
    if (p.centreLine) {
      if (s.centreTaken == 0) {
        s.centreMin = s.centreMax = p.lux;
      } else {
        s.centreMin = std::min(s.centreMin, p.lux);
        s.centreMax = std::max(s.centreMax, p.lux);
      }
      ++s.centreTaken;
    }
  }
  if (s.taken > 0) {
    s.mean = sum / s.taken;
    if (s.mean > 0.0) s.u0 = s.min / s.mean;
    if (s.max > 0.0) s.minOverMax = s.min / s.max;
  }
  if (s.centreTaken > 0 && s.centreMin > 0.0) s.centreMaxOverMin = s.centreMax / s.centreMin;
  return s;
}

namespace {

Verdict atLeast(double value, double required) {
  return value >= required ? Verdict::Pass : Verdict::Fail;
}

}  // namespace

Verdicts judge(const Stats& s, const Requirement& r) {
  Verdicts v;
  if (r.route) {
    if (s.centreTaken == 0) return v;
    v.first = atLeast(s.centreMin, r.minLux);
    // A zero on the centre line makes max/min endless: no ratio passes then.
    v.second =
        s.centreMaxOverMin && *s.centreMaxOverMin <= r.maxRatio ? Verdict::Pass : Verdict::Fail;
  } else {
    if (s.taken == 0) return v;
    v.first = atLeast(s.mean, r.meanLux);
    // All readings 0 leave U0 undefined: only a requirement of 0 is met then.
    v.second = s.u0 ? atLeast(*s.u0, r.u0) : (r.u0 <= 0.0 ? Verdict::Pass : Verdict::Fail);
  }
  // Points still to take can move every figure either way.
  if (s.left > 0)
    v.overall = Verdict::Open;
  else if (v.first == Verdict::Fail || v.second == Verdict::Fail)
    v.overall = Verdict::Fail;
  else
    v.overall = Verdict::Pass;
  return v;
}

const char* verdictName(Verdict v) {
  switch (v) {
    case Verdict::Pass:
      return "PASS";
    case Verdict::Fail:
      return "FAIL";
    case Verdict::Open:
      break;
  }
  return "OPEN";
}

}  // namespace lux::survey
