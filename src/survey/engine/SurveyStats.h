#pragma once
// The figures a lighting survey is judged by, over the points taken so far: average, minimum,
// maximum, uniformity, and the verdict against the requirement the surveyor chose. Plain C++.
#include <optional>
#include <string>
#include <vector>

namespace lux::survey {

struct Sample {
  double lux = 0.0;
  bool taken = false;    // a reading is stored
  bool skipped = false;  // left out on purpose (an obstacle); counts as neither taken nor left
  bool centreLine = true;
};

struct Stats {
  int total = 0, taken = 0, skipped = 0, left = 0;
  // Over the taken points; meaningful only when taken > 0.
  double mean = 0.0, min = 0.0, max = 0.0;
  std::optional<double> u0;          // Emin / Ē; none when Ē is 0
  std::optional<double> minOverMax;  // Emin / Emax; none when Emax is 0
  // Over the taken points on a route's centre line.
  int centreTaken = 0;
  double centreMin = 0.0, centreMax = 0.0;
  std::optional<double> centreMaxOverMin;  // none when the centre-line minimum is 0
};

Stats computeStats(const std::vector<Sample>& samples);

struct Requirement {
  bool route = false;
  // Room: maintained illuminance Ē (lx) and uniformity U0 that the area needs.
  double meanLux = 0.0;
  double u0 = 0.0;
  // Route: the least illuminance on the centre line (lx) and the largest max/min on it.
  double minLux = 0.0;
  double maxRatio = 0.0;
  std::string task;    // what the surveyor chose ("Offices: writing, typing, reading")
  std::string source;  // where the figures come from, as the surveyor gave it
};

enum class Verdict { Pass, Fail, Open };  // Open: nothing taken, or points still left

struct Verdicts {
  // Room: Ē and U0. Route: the centre-line minimum and max/min. Each judged on what is taken;
  // the overall verdict stays Open while points are left.
  Verdict first = Verdict::Open;
  Verdict second = Verdict::Open;
  Verdict overall = Verdict::Open;
};

Verdicts judge(const Stats& stats, const Requirement& requirement);

const char* verdictName(Verdict v);  // "PASS", "FAIL", "OPEN"

}  // namespace lux::survey
