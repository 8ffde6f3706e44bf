// The Survey window from the Meter's command to the report, against the simulated meter on the
// fake clock: a 6 m × 4 m room with its border band, every point taken (one skipped), the live
// results, the file saved and reopened, the CSV and the pictures, and the PDF report read back
// with pdftotext. With SURVEY_SCREENSHOTS=DIR set it also leaves pictures of the window and the
// report there (and SURVEY_LOCALE=de_DE shows them in German).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <string_view>

#include "app/Translations.h"
#include "link/FrameDecoder.h"
#include "link/TickGuard.h"
#include "support/MeterRig.h"
#include "survey/Install.h"
#include "survey/SurveyFeed.h"
#include "survey/SurveyReport.h"
#include "survey/SurveyWindow.h"
#include "survey/engine/SurveyFile.h"

namespace lux::survey {
namespace {

int pageCount(const QString& pdf) {
  QProcess info;
  info.start("pdfinfo", {pdf});
  if (!info.waitForFinished(20000)) return -1;
  const QRegularExpressionMatch m =
      QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromUtf8(info.readAllStandardOutput()));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class SurveyRoom : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool translated =
        qEnvironmentVariableIsSet("SURVEY_LOCALE") &&
        installTranslations(*qApp, QLocale(qEnvironmentVariable("SURVEY_LOCALE")));
    (void)translated;
    installSurvey(rig.ctx);
    rig.hooks.showSurvey();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* s = qobject_cast<SurveyWindow*>(w)) window = s;
    ASSERT_NE(window, nullptr);
    window->resize(1100, 700);
    rig.meter.setReading(500.0, 1);
    run(1.0);
  }
  void TearDown() override {
    for (auto& f : rig.hooks.onShutdown) f();
  }

  template <class T>
  T* child(const char* name) {
    T* w = window->findChild<T*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void click(const char* name) { child<QPushButton>(name)->click(); }

  void run(double seconds) {
    const double end = rig.clock.elapsed() + seconds;
    while (rig.clock.elapsed() < end) {
      guard.run([this] {
        rig.link.pollTick([this](const QByteArray& frame) {
          const auto result = decodeFrame(
              rig.state.display,
              std::string_view(frame.constData(), static_cast<std::size_t>(frame.size())));
          if (result == DecodeResult::Complete) ++rig.state.display.framesDecoded;
          return result == DecodeResult::Banner;
        });
      });
      window->feed().check();
      window->capture().tick();
      rig.clock.advance(0.25);
    }
  }

  void fillForm() {
    child<QLineEdit>("TxtSite")->setText("Example Ltd, Main Street 1");
    child<QLineEdit>("TxtArea")->setText("Office 2.14");
    child<QLineEdit>("TxtNote")->setText("blinds open, overcast");
    child<QLineEdit>("TxtMeter")->setText("simulated meter");
    child<QComboBox>("TxtGridKind")->setCurrentIndex(0);
    child<QDoubleSpinBox>("TxtLength")->setValue(6.0);
    child<QDoubleSpinBox>("TxtWidth")->setValue(4.0);
    child<QDoubleSpinBox>("TxtBorder")->setValue(0.5);
    auto* task = child<QComboBox>("TxtTask");
    task->setCurrentIndex(task->findText("Offices: writing, typing, reading, data processing"));
    ASSERT_GE(task->currentIndex(), 0);
  }

  // The lamp is brightest in the middle of the room.
  static double luxAt(double x, double y) {
    return 640.0 - 40.0 * (std::abs(x - 3) + std::abs(y - 2));
  }

  test::MeterRig rig;
  TickGuard guard;
  SurveyWindow* window = nullptr;
};

TEST_F(SurveyRoom, ASixByFourRoomFromStartToReport) {
  fillForm();
  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS")) {
    window->show();
    QTest::qWait(200);
    window->grab().save(qEnvironmentVariable("SURVEY_SCREENSHOTS") + "/survey-form.png");
  }
  if (!qEnvironmentVariableIsSet("SURVEY_LOCALE")) {
    EXPECT_EQ(child<QLabel>("LblGridPreview")->text(), "45 point(s): 9 × 5, cells 0.56 m × 0.60 m");
  }
  // The task's figures and source came from the table.
  EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("TxtMeanLux")->value(), 500.0);
  EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("TxtU0")->value(), 0.6);
  EXPECT_TRUE(child<QLineEdit>("TxtSource")->text().contains("check against your copy"));
  click("CmdStart");
  ASSERT_EQ(window->survey().points.size(), 45u);
  ASSERT_TRUE(child<QCheckBox>("OptSteady")->isChecked());

  // The meter shows REL: refused with the reason.
  rig.meter.setAnnunciator(sim::Annunciator::Rel, true);
  run(1.0);
  rig.dialogs.expectMessage();
  click("CmdTake");
  ASSERT_FALSE(rig.dialogs.messages().empty());
  EXPECT_TRUE(rig.dialogs.messages().back().contains("REL"));
  rig.meter.setAnnunciator(sim::Annunciator::Rel, false);

  const Grid g = window->survey().layout();
  for (int i = 0; i < 45; ++i) {
    ASSERT_EQ(window->survey().current, i);
    if (i == 6) {
      rig.dialogs.answerInput("cupboard");
      click("CmdSkip");
      continue;
    }
    rig.meter.setReading(luxAt(g.points[i].x, g.points[i].y), 1);
    run(0.5);
    click("CmdTake");  // waits for three agreeing readings
    EXPECT_TRUE(window->capture().waiting());
    EXPECT_TRUE(child<QLabel>("LblWait")->text().startsWith("Waiting for a steady reading"));
    run(1.0);
    ASSERT_TRUE(window->survey().points[i].taken) << i;
  }
  const Stats st = window->survey().stats();
  EXPECT_EQ(st.taken, 44);
  EXPECT_EQ(st.skipped, 1);
  EXPECT_DOUBLE_EQ(st.max, 640);  // the middle point stands right under the lamp
  EXPECT_EQ(child<QLabel>("LblVerdict")->text(), "Result: PASS");
  EXPECT_TRUE(child<QLabel>("LblResults")->text().contains("pass"));

  QTemporaryDir dir;
  // Saved, reopened in a fresh window: the same survey.
  rig.dialogs.answerSaveFile(dir.filePath("office"));
  click("CmdSaveAs");
  ASSERT_TRUE(QFile::exists(dir.filePath("office.luxsurvey")));
  EXPECT_FALSE(window->modified());
  SurveyWindow again(rig.ctx, dir.filePath("tasks.csv"));
  ASSERT_TRUE(again.openSurvey(dir.filePath("office.luxsurvey")));
  EXPECT_DOUBLE_EQ(again.survey().stats().mean, st.mean);
  EXPECT_EQ(again.survey().points[6].skipReason, "cupboard");
  // As a file named on the command line: the open hook shows the window with the survey.
  window->capture().setNote(0, QStringLiteral("changed since"));
  ASSERT_TRUE(rig.hooks.openSurvey);
  rig.hooks.openSurvey(dir.filePath("office.luxsurvey"));
  EXPECT_TRUE(window->survey().points[0].note.isEmpty());
  EXPECT_EQ(window->survey().points[6].skipReason, "cupboard");

  // CSV and pictures.
  rig.dialogs.answerSaveFile(dir.filePath("points.csv"));
  click("CmdExportCsv");
  QFile csv(dir.filePath("points.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().count('\n'), 46);
  rig.dialogs.answerSaveFile(dir.filePath("plan.png"));
  click("CmdExportPlan");
  EXPECT_FALSE(QImage(dir.filePath("plan.png")).isNull());
  rig.dialogs.answerSaveFile(dir.filePath("heat.svg"));
  click("CmdExportHeatMap");
  QFile svg(dir.filePath("heat.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  EXPECT_TRUE(svg.readAll().contains("<svg"));

  // The report: the figures and the verdict are in the PDF's text.
  rig.dialogs.answerSaveFile(dir.filePath("report.pdf"));
  click("CmdReport");
  QProcess text;
  text.start("pdftotext", {"-layout", dir.filePath("report.pdf"), "-"});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(pdf.contains("Lighting survey: Example Ltd, Main Street 1, Office 2.14"))
      << pdf.toStdString();
  EXPECT_TRUE(pdf.contains("Result: PASS"));
  EXPECT_TRUE(pdf.contains(QStringLiteral("%1 lx").arg(QLocale().toString(st.mean, 'f', 0))));
  EXPECT_TRUE(pdf.contains(QStringLiteral("%1 lx").arg(QLocale().toString(st.min, 'f', 0))));
  EXPECT_TRUE(pdf.contains(QLocale().toString(*st.u0, 'f', 2)));
  EXPECT_TRUE(pdf.contains("Point 7 skipped: cupboard"));
  EXPECT_TRUE(pdf.contains("luxpanel 8.0.0"));
  EXPECT_TRUE(pdf.contains("check against your copy"));
  EXPECT_TRUE(pdf.contains("0.80 m above the floor"));
  EXPECT_TRUE(pdf.contains("d = 5.00 m"));
  EXPECT_EQ(pageCount(dir.filePath("report.pdf")), 1);
  // Printing draws the same report (here on the PDF printer the dialog chose).
  rig.dialogs.answerPrinter(dir.filePath("printed.pdf"));
  click("CmdPrint");
  EXPECT_EQ(pageCount(dir.filePath("printed.pdf")), 1);

  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS")) {
    const QString shots = qEnvironmentVariable("SURVEY_SCREENSHOTS");
    window->show();
    QTest::qWait(200);
    window->grab().save(shots + "/survey-window.png");
    child<QTabWidget>("SurveyTabs")->setCurrentIndex(1);
    QTest::qWait(200);
    window->grab().save(shots + "/survey-heatmap.png");
    child<QTabWidget>("SurveyTabs")->setCurrentIndex(0);
    QFile::copy(dir.filePath("report.pdf"), shots + "/survey-report.pdf");
  }
}

TEST_F(SurveyRoom, TheReportOfTwentyByTwentyPointsFitsOnePage) {
  fillForm();
  child<QComboBox>("TxtGridKind")->setCurrentIndex(1);
  child<QSpinBox>("TxtRows")->setValue(20);
  child<QSpinBox>("TxtColumns")->setValue(20);
  child<QDoubleSpinBox>("TxtLength")->setValue(20);
  child<QDoubleSpinBox>("TxtWidth")->setValue(20);
  click("CmdStart");
  Survey& s = window->survey();
  ASSERT_EQ(s.points.size(), 400u);
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    s.points[i].taken = true;
    s.points[i].lux = 300 + double(i % 37) * 10;
    s.points[i].shownUnit = "Fc";  // as if read in foot-candles
  }
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(writeReportPdf(dir.filePath("big.pdf"), s, &error)) << error.toStdString();
  EXPECT_EQ(pageCount(dir.filePath("big.pdf")), 1);
  QProcess text;
  text.start("pdftotext", {dir.filePath("big.pdf"), "-"});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(pdf.contains("1 fc = 10.7639 lx"));
  EXPECT_TRUE(pdf.contains("Result: FAIL"));  // U0 = 300 / 476 = 0.63... against 500 lx Ē
  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS"))
    QFile::copy(dir.filePath("big.pdf"),
                qEnvironmentVariable("SURVEY_SCREENSHOTS") + "/survey-report-400.pdf");
}

TEST_F(SurveyRoom, AForeignFileIsRefusedWithAMessageAndTheSurveyStays) {
  fillForm();
  click("CmdStart");
  run(0.5);
  window->capture().settings.waitSteady = false;
  click("CmdTake");
  ASSERT_TRUE(window->survey().points[0].taken);
  QTemporaryDir dir;
  QFile f(dir.filePath("notes.luxsurvey"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Lx\tTime\tValue\r\n1\t07-14:23:05\t123.4\r\n");
  f.close();
  rig.dialogs.expectMessage();
  EXPECT_FALSE(window->openSurvey(dir.filePath("notes.luxsurvey")));
  EXPECT_EQ(rig.dialogs.messages().back(),
            "This is not a luxpanel survey file (no survey data could be read).");
  EXPECT_TRUE(window->survey().points[0].taken);
  // Leaving a survey with unsaved readings asks first; Cancel keeps it.
  rig.dialogs.answerConfirm(false);
  click("CmdNew");
  EXPECT_TRUE(window->survey().points[0].taken);
  EXPECT_TRUE(child<QPushButton>("CmdTake")->isVisibleTo(window));
}

}  // namespace
}  // namespace lux::survey
