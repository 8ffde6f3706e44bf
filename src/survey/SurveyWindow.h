#pragma once
// The Survey window: a new survey's form (site, area, grid, requirement), then the plan with the
// current point, the controls to take, skip and annotate points, the live results, the heat
// map, and the files, pictures and report.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "survey/engine/SurveyCapture.h"
#include "survey/engine/SurveyFile.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;

namespace lux {
struct Context;
class Dialogs;
}  // namespace lux

namespace lux::survey {

class SurveyFeed;
class SurveyCompareWindow;

// The plan as a widget: paints the survey and reports a click on a point.
class PlanView : public QWidget {
  Q_OBJECT
 public:
  explicit PlanView(const Survey& survey, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {560, 400}; }

 signals:
  void pointClicked(int index);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  const Survey& survey_;
};

class SurveyWindow : public QWidget {
  Q_OBJECT
 public:
  // `taskTablePath`: the user's own copy of the task areas (read when there, written on edit).
  SurveyWindow(Context& ctx, const QString& taskTablePath, QWidget* parent = nullptr);
  ~SurveyWindow() override;

  Survey& survey() { return survey_; }
  SurveyCapture& capture() { return capture_; }
  SurveyFeed& feed() { return *feed_; }
  const std::vector<TaskArea>& taskAreas() const { return tasks_; }
  bool modified() const { return modified_; }
  // A survey under way that was never saved, or changed since it was: leaving it loses work.
  bool unsaved() const;
  // Asks to save an unsaved survey before it goes (closed, replaced, the program quits): true
  // when it was saved or discarded, false when the user keeps it (Cancel, or the save failed).
  bool maySetAside();

  // The form's "Start Survey": a new survey from the form; false (with a message) when the
  // grid cannot be made.
  bool startSurvey();
  bool openSurvey(const QString& path);
  bool saveSurveyTo(const QString& path);
  // "Compare With…": the survey in `path` as A (the reference) and this one as B, in a window
  // of their own; nullptr (with the message Open gives, or why nothing pairs) when refused.
  SurveyCompareWindow* compareWith(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* buildForm();
  QWidget* buildWork();
  void gridKindChanged();
  void taskChanged();
  void updatePreview();
  void refresh();
  void readingShown(const Reading& r);
  void takeClicked();
  void skipClicked();
  void noteClicked();
  void newClicked();
  void openClicked();
  void saveClicked();
  void saveAsClicked();
  void exportCsvClicked();
  void compareClicked();
  void exportPlanClicked();
  void exportHeatMapClicked();
  void reportClicked();
  void printClicked();
  void editTasksClicked();
  void loadTasks();
  void autosave();
  void silenceShown(bool silent);
  GridSpec formGrid() const;

  Context& ctx_;
  Dialogs& dialogs_;
  QString taskTablePath_;
  std::vector<TaskArea> tasks_;
  Survey survey_;
  SurveyCapture capture_;
  SurveyFeed* feed_ = nullptr;  // a child of the window
  QTimer waitTimer_;
  QString path_;
  bool modified_ = false;
  QPointer<SurveyCompareWindow> comparison_;

  QStackedWidget* pages_ = nullptr;
  // Form
  QLineEdit *txtSite_, *txtArea_, *txtNote_, *txtMeter_, *txtSource_;
  QDoubleSpinBox *txtHeight_, *txtLength_, *txtWidth_, *txtBorder_, *txtMeanLux_, *txtU0_,
      *txtMinLux_, *txtMaxRatio_;
  QSpinBox *txtRows_, *txtColumns_;
  QComboBox *txtGridKind_, *txtTask_;
  QCheckBox* optBandEdges_;
  QLabel* lblPreview_;
  // Work
  PlanView* plan_ = nullptr;
  QCustomPlot* heatMap_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLabel *lblCurrent_, *lblReading_, *lblWait_, *lblResults_, *lblVerdict_, *lblTitle_;
  QPushButton *cmdTake_, *cmdSkip_, *cmdNote_;
  QCheckBox *optSteady_, *optAllowHold_;
  QSpinBox* txtSteadyCount_;
  QDoubleSpinBox* txtSteadyPercent_;
};

}  // namespace lux::survey
