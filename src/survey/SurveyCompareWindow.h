#pragma once
// Two surveys side by side: their figures with the change between them, the plan with each
// point's change on a diverging scale, and the table of points, with the plan as PNG or SVG and
// the table as CSV.
#include <QWidget>

#include "survey/engine/SurveyCompare.h"

class QLabel;
class QTableWidget;
class QTabWidget;

namespace lux {
class Dialogs;
}

namespace lux::survey {

class ComparisonPlanView : public QWidget {
  Q_OBJECT
 public:
  ComparisonPlanView(const Survey& a, const Survey& b, const Comparison& c,
                     QWidget* parent = nullptr);
  QSize sizeHint() const override { return {640, 460}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  const Survey &a_, &b_;
  const Comparison& c_;
};

// One side of a comparison: the survey and the name it goes by (its file, or "this survey").
struct ComparedSurvey {
  Survey survey;
  QString name;
};

class SurveyCompareWindow : public QWidget {
  Q_OBJECT
 public:
  // `comparison` is that of a with b (compareSurveys(a.survey, b.survey)).
  SurveyCompareWindow(Dialogs& dialogs, ComparedSurvey a, ComparedSurvey b, Comparison comparison,
                      QWidget* parent = nullptr);

  const Comparison& comparison() const { return comparison_; }
  const ComparedSurvey& a() const { return a_; }
  const ComparedSurvey& b() const { return b_; }

  // B becomes the reference and A the survey compared.
  void swapClicked();
  void exportPlanClicked();
  void exportCsvClicked();
  void reportClicked();

 private:
  void fill();

  Dialogs& dialogs_;
  ComparedSurvey a_, b_;
  Comparison comparison_;
  QLabel *lblA_, *lblB_, *lblPaired_;
  QTableWidget *gridStats_, *gridPoints_;
  QTabWidget* tabs_;
  ComparisonPlanView* plan_;
};

}  // namespace lux::survey
