#pragma once
// The survey's figures as the window and the report show them, and the report itself: one A4
// page for a room of up to 20 × 20 points (skipped points and notes may run onto a second),
// readable in black and white, as PDF or on paper.
#include <QString>
#include <vector>

#include "survey/engine/Survey.h"
#include "survey/engine/SurveyCompare.h"

class QPrinter;

namespace lux::survey {

struct ResultLine {
  QString label;
  QString value;
  QString requirement;  // "≥ 500 lx"; empty when the figure is not judged
  Verdict verdict = Verdict::Open;
  bool judged = false;
};

std::vector<ResultLine> resultLines(const Survey& survey);
// "PASS", "FAIL" or "NOT COMPLETE (12 points left)", translated.
QString verdictText(const Survey& survey);
// How the grid was laid out, in words ("automatic: d = 5.00 m, p ≤ 0.62 m; 9 × 5 points ...").
QString gridDescription(const Survey& survey);

// Draws the report on a printer set up by the caller (paper or PDF).
bool paintReport(QPrinter& printer, const Survey& survey, QString* error);
bool writeReportPdf(const QString& path, const Survey& survey, QString* error);

// A page comparing two surveys: which two, both surveys' figures with the change, and the plan
// of changes. `nameA` and `nameB` say which file each survey came from.
bool paintComparisonReport(QPrinter& printer, const Survey& a, const QString& nameA,
                           const Survey& b, const QString& nameB, const Comparison& comparison,
                           QString* error);
bool writeComparisonPdf(const QString& path, const Survey& a, const QString& nameA, const Survey& b,
                        const QString& nameB, const Comparison& comparison, QString* error);

}  // namespace lux::survey
