// The Survey window from the Meter's command to the report, against the simulated meter on the
// fake clock: a 6 m × 4 m room with its border band, every point taken (one skipped), the live
// results, the file saved and reopened, the CSV and the pictures, and the PDF report read back
// with pdftotext. With SURVEY_SCREENSHOTS=DIR set it also leaves pictures of the window and the
// report there (and SURVEY_LOCALE=de_DE shows them in German).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <string_view>
#include <utility>

#include "app/Translations.h"
#include "panel/Panel.h"
#include "support/MeterRig.h"
#include "survey/Install.h"
#include "survey/SurveyCompareWindow.h"
#include "survey/SurveyFeed.h"
#include "survey/SurveyPictures.h"
#include "survey/SurveyReport.h"
#include "survey/SurveyWindow.h"
#include "survey/engine/SurveyFile.h"
#include "ui/Dialogs.h"

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
      rig.session.pollTick();
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
  SurveyWindow* window = nullptr;
};

TEST_F(SurveyRoom, ASixByFourRoomFromStartToReport) {
  // Taking the pictures in another language, the English texts are not there to check.
  const bool english = !qEnvironmentVariableIsSet("SURVEY_LOCALE");
  fillForm();
  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS")) {
    window->show();
    QTest::qWait(200);
    window->grab().save(qEnvironmentVariable("SURVEY_SCREENSHOTS") + "/survey-form.png");
  }
  if (english) {
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
    if (english) {
      EXPECT_TRUE(child<QLabel>("LblWait")->text().startsWith("Waiting for a steady reading"));
    }
    run(1.0);
    ASSERT_TRUE(window->survey().points[i].taken) << i;
  }
  const Stats st = window->survey().stats();
  EXPECT_EQ(st.taken, 44);
  EXPECT_EQ(st.skipped, 1);
  EXPECT_DOUBLE_EQ(st.max, 640);  // the middle point stands right under the lamp
  EXPECT_EQ(child<QLabel>("LblVerdict")->text(), english ? "Result: PASS" : "Ergebnis: BESTANDEN");
  if (english) {
    EXPECT_TRUE(child<QLabel>("LblResults")->text().contains("pass"));
  }

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
  if (english) {
    EXPECT_TRUE(pdf.contains("Lighting survey: Example Ltd, Main Street 1, Office 2.14"))
        << pdf.toStdString();
  }
  EXPECT_TRUE(pdf.contains(english ? "Result: PASS" : "Ergebnis: BESTANDEN"));
  EXPECT_TRUE(pdf.contains(QStringLiteral("%1 lx").arg(QLocale().toString(st.mean, 'f', 0))));
  EXPECT_TRUE(pdf.contains(QStringLiteral("%1 lx").arg(QLocale().toString(st.min, 'f', 0))));
  EXPECT_TRUE(pdf.contains(QLocale().toString(*st.u0, 'f', 2)));
  if (english) {
    EXPECT_TRUE(pdf.contains("Point 7 skipped: cupboard"));
  }
  EXPECT_TRUE(pdf.contains("luxpanel 8.0.0"));
  EXPECT_TRUE(pdf.contains("check against your copy"));
  if (english) {
    EXPECT_TRUE(pdf.contains("0.80 m above the floor"));
  }
  if (english) {
    EXPECT_TRUE(pdf.contains("d = 5.00 m"));
  }
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
    QFile::copy(dir.filePath("office.luxsurvey"), shots + "/survey.luxsurvey");
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
  rig.dialogs.answerSave(SaveChoice::Cancel);
  click("CmdNew");
  EXPECT_TRUE(window->survey().points[0].taken);
  EXPECT_TRUE(child<QPushButton>("CmdTake")->isVisibleTo(window));
}

TEST_F(SurveyRoom, TakesTheReadingsTheMeterSessionEmitted) {
  fillForm();
  click("CmdStart");
  child<QCheckBox>("OptSteady")->setChecked(false);
  std::vector<Reading> emitted;
  QObject::connect(&rig.session, &MeterSession::readingDecoded, window,
                   [&emitted](const Reading& r) { emitted.push_back(r); });
  rig.meter.setReading(523.4, 1);
  run(0.5);
  ASSERT_FALSE(emitted.empty());
  EXPECT_EQ(emitted.back().text, "523.4");
  EXPECT_EQ(child<QLabel>("LblReading")->text(), "Meter: 523.4 lx");
  click("CmdTake");
  const SurveyPoint& first = window->survey().points[0];
  ASSERT_TRUE(first.taken);
  EXPECT_DOUBLE_EQ(first.lux, 523.4);
  EXPECT_EQ(first.shownText, "523.4");
  EXPECT_EQ(first.time, emitted.back().pcTime);

  // The session's reading keeps its minus sign, and the survey will not have it.
  rig.meter.setReading(-5.0, 1);
  run(0.5);
  EXPECT_EQ(emitted.back().text, "-5.0");
  EXPECT_DOUBLE_EQ(emitted.back().value, -5.0);
  EXPECT_EQ(child<QLabel>("LblReading")->text(), "Meter: -5.0 Lx (cannot be taken)");
  rig.dialogs.expectMessage();
  click("CmdTake");
  EXPECT_EQ(rig.dialogs.messages().back(),
            "The meter shows a negative reading, which is no illuminance.");
  EXPECT_FALSE(window->survey().points[1].taken);

  rig.meter.setOverload(true);
  run(0.5);
  EXPECT_TRUE(emitted.back().overload);
  rig.dialogs.expectMessage();
  click("CmdTake");
  EXPECT_TRUE(rig.dialogs.messages().back().startsWith("The meter shows an overload (OL)"));
  EXPECT_FALSE(window->survey().points[1].taken);
  rig.meter.setOverload(false);

  // Foot-candles go in as lux: 50.0 fc = 538.195 lx.
  rig.meter.setLux(false);
  rig.meter.setReading(50.0, 1);
  run(0.5);
  EXPECT_EQ(child<QLabel>("LblReading")->text(), "Meter: 50.0 fc = 538.2 lx");
  click("CmdTake");
  EXPECT_NEAR(window->survey().points[1].lux, 538.195, 1e-3);
  EXPECT_EQ(window->survey().points[1].shownUnit, "Fc");
  EXPECT_EQ(window->survey().current, 2);
}

TEST_F(SurveyRoom, SpaceAndEnterTakeTheCurrentPoint) {
  fillForm();
  click("CmdStart");
  child<QCheckBox>("OptSteady")->setChecked(false);
  window->show();
  QApplication::setActiveWindow(window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  // The focus stays on Skip after a skip: Space still takes the point, it does not skip again.
  auto* skip = child<QPushButton>("CmdSkip");
  skip->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), skip);
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    double lux;
  } presses[] = {{Qt::Key_Space, Qt::NoModifier, 480.0},
                 {Qt::Key_Return, Qt::NoModifier, 490.0},
                 {Qt::Key_Enter, Qt::KeypadModifier, 505.0}};
  int point = 0;
  for (const auto& press : presses) {
    rig.meter.setReading(press.lux, 1);
    run(0.5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(press.key), press.modifiers);
    const SurveyPoint& p = window->survey().points[std::size_t(point)];
    EXPECT_TRUE(p.taken) << press.key;
    EXPECT_DOUBLE_EQ(p.lux, press.lux) << press.key;
    EXPECT_FALSE(p.skipped);
    ++point;
    EXPECT_EQ(window->survey().current, point);
  }
  EXPECT_TRUE(rig.dialogs.shown().empty()) << "no skip asked, nothing refused";
  // With the wait for a steady reading on, Space starts the wait and a second Space ends it.
  child<QCheckBox>("OptSteady")->setChecked(true);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_TRUE(window->capture().waiting());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_FALSE(window->capture().waiting());
  EXPECT_FALSE(window->survey().points[3].taken);
}

TEST(SurveyOnASilentMeter, AWindowOpenedOnASilentMeterSaysSoAndTakesNothing) {
  test::MeterRig rig;
  installSurvey(rig.ctx);
  rig.meter.setReading(500.0, 1);
  rig.session.pollTick();
  SurveyWindow* window = nullptr;
  QString shown;
  // The user opens the window while the poll waits for a meter that went quiet.
  QObject::connect(&rig.session, &MeterSession::silenceChanged, [&](bool silent) {
    if (!silent || window) return;
    rig.hooks.showSurvey();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* s = qobject_cast<SurveyWindow*>(w)) window = s;
    ASSERT_NE(window, nullptr);
    shown = window->findChild<QLabel*>("LblReading")->text();
    ASSERT_TRUE(window->startSurvey());
    window->capture().settings.waitSteady = false;
    rig.dialogs.expectMessage();
    window->findChild<QPushButton*>("CmdTake")->click();
  });
  rig.meter.goSilent(10.0);
  for (int i = 0; i < 80 && !window; ++i) {
    rig.session.pollTick();
    rig.clock.advance(0.25);
  }
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(shown, "Meter: not answering, no reading to take");
  ASSERT_EQ(rig.dialogs.messages().size(), 1u);
  EXPECT_EQ(rig.dialogs.messages()[0], "No fresh reading: the meter is not answering.");
  EXPECT_FALSE(window->survey().points[0].taken);

  // Once the meter speaks again its reading is shown and taken.
  for (int i = 0; i < 80 && rig.session.silent(); ++i) {
    rig.session.pollTick();
    rig.clock.advance(0.25);
  }
  ASSERT_FALSE(rig.session.silent());
  rig.session.pollTick();
  EXPECT_EQ(window->findChild<QLabel*>("LblReading")->text(), "Meter: 500.0 lx");
  window->findChild<QPushButton*>("CmdTake")->click();
  EXPECT_TRUE(window->survey().points[0].taken);
  EXPECT_DOUBLE_EQ(window->survey().points[0].lux, 500.0);
  for (auto& f : rig.hooks.onShutdown) f();
}

// The answers to "save before you leave it?" when the window closes.
TEST_F(SurveyRoom, ClosingAnUnsavedSurveyAsksAndEachAnswerHolds) {
  using Kind = test::ScriptedDialogs::Kind;
  QTemporaryDir dir;
  fillForm();
  window->show();
  // Only the form: nothing to lose, nothing asked.
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(rig.dialogs.shown().empty());
  rig.hooks.showSurvey();
  click("CmdStart");
  window->capture().settings.waitSteady = false;
  click("CmdTake");
  ASSERT_TRUE(window->survey().points[0].taken);

  // Cancel: the window and its readings stay.
  rig.dialogs.answerSave(SaveChoice::Cancel);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(rig.dialogs.shown().size(), 1u);
  EXPECT_EQ(rig.dialogs.shown()[0].kind, Kind::AskSave);
  EXPECT_EQ(rig.dialogs.shown()[0].text,
            "This survey has never been saved. Save it before you leave it?");
  EXPECT_TRUE(window->survey().points[0].taken);

  // Save, but the Save As dialog is cancelled: nothing is lost either.
  rig.dialogs.answerSave(SaveChoice::Save).answerSaveFile(std::nullopt);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());

  // Save: the Save As dialog names the file, the file holds the reading, the window closes.
  rig.dialogs.answerSave(SaveChoice::Save).answerSaveFile(dir.filePath("room"));
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  QString error;
  const auto saved = loadSurvey(dir.filePath("room.luxsurvey"), &error);
  ASSERT_TRUE(saved) << error.toStdString();
  EXPECT_TRUE(saved->points[0].taken);
  EXPECT_DOUBLE_EQ(saved->points[0].lux, 500.0);

  // Saved and unchanged: closes without a word.
  rig.hooks.showSurvey();
  const std::size_t asked = rig.dialogs.shown().size();
  EXPECT_TRUE(window->close());
  EXPECT_EQ(rig.dialogs.shown().size(), asked);

  // Discard: the window closes and the survey is gone (the form comes back).
  rig.hooks.showSurvey();
  click("CmdNew");
  click("CmdStart");
  rig.dialogs.answerSave(SaveChoice::Discard);
  EXPECT_TRUE(window->close());
  rig.hooks.showSurvey();
  EXPECT_FALSE(window->unsaved());
  EXPECT_TRUE(child<QPushButton>("CmdStart")->isVisibleTo(window));
  EXPECT_TRUE(window->close());
}

TEST_F(SurveyRoom, QuittingWithAnUnsavedSurveyAsksAndCancelKeepsTheProgram) {
  Panel panel(rig.session, rig.dialogs);
  panel.setContext(&rig.ctx);
  panel.show();
  fillForm();
  window->show();
  click("CmdStart");
  window->capture().settings.waitSteady = false;
  click("CmdTake");
  QSignalSpy closing(&panel, &Panel::closing);

  rig.dialogs.answerSave(SaveChoice::Cancel);
  EXPECT_FALSE(panel.close());
  EXPECT_EQ(closing.count(), 0);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->survey().points[0].taken);

  QTemporaryDir dir;
  rig.dialogs.answerSave(SaveChoice::Save).answerSaveFile(dir.filePath("quit"));
  EXPECT_TRUE(panel.close());
  EXPECT_EQ(closing.count(), 1);
  QString error;
  const auto saved = loadSurvey(dir.filePath("quit.luxsurvey"), &error);
  ASSERT_TRUE(saved) << error.toStdString();
  EXPECT_DOUBLE_EQ(saved->points[0].lux, 500.0);
}

TEST_F(SurveyRoom, QuittingMayDiscardTheSurvey) {
  Panel panel(rig.session, rig.dialogs);
  panel.setContext(&rig.ctx);
  panel.show();
  fillForm();
  click("CmdStart");
  QSignalSpy closing(&panel, &Panel::closing);
  rig.dialogs.answerSave(SaveChoice::Discard);
  EXPECT_TRUE(panel.close());
  EXPECT_EQ(closing.count(), 1);
  EXPECT_TRUE(rig.dialogs.allAnswered());
}

// Another survey over an unsaved one, from Open or from the command line.
TEST_F(SurveyRoom, OpeningAnotherSurveyOverAnUnsavedOneAsksFirst) {
  QTemporaryDir dir;
  fillForm();
  click("CmdStart");
  window->capture().settings.waitSteady = false;
  rig.meter.setReading(321.0, 1);
  run(0.5);
  click("CmdTake");
  QString error;
  ASSERT_TRUE(saveSurvey(window->survey(), dir.filePath("other.luxsurvey"), &error));
  window->survey().site = "Unsaved site";
  click("CmdTake");
  ASSERT_TRUE(window->survey().points[1].taken);

  // Open, Cancel: no Open dialog, the survey stays.
  rig.dialogs.answerSave(SaveChoice::Cancel);
  click("CmdOpen");
  EXPECT_EQ(rig.dialogs.shown().size(), 1u);
  EXPECT_TRUE(window->survey().points[1].taken);
  // The command line, Cancel: the file is not opened over it.
  rig.dialogs.answerSave(SaveChoice::Cancel);
  rig.hooks.openSurvey(dir.filePath("other.luxsurvey"));
  EXPECT_EQ(window->survey().site, "Unsaved site");
  EXPECT_TRUE(window->survey().points[1].taken);
  // The command line, Save: saved first under its new name, then the file is opened.
  rig.dialogs.answerSave(SaveChoice::Save).answerSaveFile(dir.filePath("mine"));
  rig.hooks.openSurvey(dir.filePath("other.luxsurvey"));
  EXPECT_FALSE(window->survey().points[1].taken);
  const auto mine = loadSurvey(dir.filePath("mine.luxsurvey"), &error);
  ASSERT_TRUE(mine) << error.toStdString();
  EXPECT_EQ(mine->site, "Unsaved site");
  EXPECT_TRUE(mine->points[1].taken);
  // Open, Discard: the Open dialog follows and the file replaces the unsaved survey.
  click("CmdNew");  // the opened survey keeps its file up to date: nothing to ask
  click("CmdStart");
  click("CmdTake");
  EXPECT_TRUE(window->unsaved());
  rig.dialogs.answerSave(SaveChoice::Discard).answerOpenFile(dir.filePath("mine.luxsurvey"));
  click("CmdOpen");
  EXPECT_EQ(window->survey().site, "Unsaved site");
  EXPECT_FALSE(window->unsaved());
  EXPECT_TRUE(rig.dialogs.allAnswered());
}

// Scripted answers, with a second request to quit arriving while the save question is up.
class QuitAgainDialogs : public test::ScriptedDialogs {
 public:
  std::function<void()> during;
  SaveChoice askSave(const QString& text, const QString& title) override {
    if (during) std::exchange(during, nullptr)();
    return ScriptedDialogs::askSave(text, title);
  }
};

TEST(SurveyOnQuit, ASecondQuitWhileTheQuestionIsUpAsksNothingMore) {
  test::MeterRig rig;
  QuitAgainDialogs dialogs;
  Hooks hooks;
  Context ctx{rig.link, rig.state.display, dialogs, rig.clock,
              rig.poll, nullptr,           hooks,   &rig.session};
  installSurvey(ctx);
  hooks.showSurvey();
  SurveyWindow* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* s = qobject_cast<SurveyWindow*>(w); s && s->isVisible()) window = s;
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->startSurvey());
  std::vector<bool> again;
  dialogs.during = [&] {
    for (const auto& ask : hooks.mayClose) again.push_back(ask());
  };
  dialogs.answerSave(SaveChoice::Cancel);
  bool quit = true;
  for (const auto& ask : hooks.mayClose) quit = quit && ask();
  EXPECT_FALSE(quit);
  EXPECT_EQ(again, std::vector<bool>{false});
  EXPECT_EQ(dialogs.shown().size(), 1u);
  // Asked again later, the question comes again.
  dialogs.answerSave(SaveChoice::Discard);
  for (const auto& ask : hooks.mayClose) EXPECT_TRUE(ask());
  for (const auto& f : hooks.onShutdown) f();
}

TEST_F(SurveyRoom, ASurveyWhoseFileWentAwayIsSavedElsewhereOnLeaving) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("stick"));
  fillForm();
  click("CmdStart");
  window->capture().settings.waitSteady = false;
  rig.dialogs.answerSaveFile(dir.filePath("stick/room"));
  click("CmdSaveAs");
  ASSERT_FALSE(window->unsaved());
  // The folder goes (a USB stick pulled): the save after the point fails and says so.
  ASSERT_TRUE(QDir(dir.filePath("stick")).removeRecursively());
  rig.dialogs.expectMessage();
  click("CmdTake");
  ASSERT_TRUE(window->survey().points[0].taken);
  EXPECT_TRUE(window->unsaved());
  window->show();
  rig.dialogs.answerSave(SaveChoice::Save).expectMessage().answerSaveFile(dir.filePath("rescued"));
  EXPECT_TRUE(window->close());
  QString error;
  const auto rescued = loadSurvey(dir.filePath("rescued.luxsurvey"), &error);
  ASSERT_TRUE(rescued) << error.toStdString();
  EXPECT_DOUBLE_EQ(rescued->points[0].lux, 500.0);
  EXPECT_TRUE(rig.dialogs.allAnswered());
}

// The same office a year earlier: 400 lx everywhere but a dark corner at point 1 (0 lx), and the
// last point never taken; now 500 lx everywhere with point 7 behind a cupboard.
TEST_F(SurveyRoom, ComparedWithLastYearsSurveyShowsBothFiguresThePlanAndThePoints) {
  const bool english = !qEnvironmentVariableIsSet("SURVEY_LOCALE");
  fillForm();
  click("CmdStart");
  Survey& now = window->survey();
  ASSERT_EQ(now.points.size(), 45u);
  Survey before = now;
  for (std::size_t i = 0; i < 45; ++i) {
    now.points[i].taken = i != 6;
    now.points[i].skipped = i == 6;
    now.points[i].lux = 500;
    before.points[i].taken = i != 44;
    before.points[i].lux = i == 0 ? 0 : 400;
  }
  QTemporaryDir dir;
  ASSERT_TRUE(saveSurvey(before, dir.filePath("2025.luxsurvey"), nullptr));
  rig.dialogs.answerSaveFile(dir.filePath("2026"));
  click("CmdSaveAs");

  rig.dialogs.answerOpenFile(dir.filePath("2025.luxsurvey"));
  click("CmdCompare");
  auto* compare = window->findChild<SurveyCompareWindow*>();
  ASSERT_NE(compare, nullptr);
  ASSERT_TRUE(rig.dialogs.allAnswered());
  EXPECT_TRUE(compare->isVisible());
  EXPECT_EQ(compare->a().name, "2025.luxsurvey");  // the file chosen is the reference
  EXPECT_EQ(compare->b().name, "2026.luxsurvey");
  auto* stats = compare->findChild<QTableWidget*>("GridCompareStats");
  auto* points = compare->findChild<QTableWidget*>("GridComparePoints");
  ASSERT_TRUE(stats && points);
  auto at = [](QTableWidget* t, int r, int c) {
    return t->item(r, c) ? t->item(r, c)->text().toStdString() : std::string("(none)");
  };
  // Before: 44 taken, 17200 lx / 44 = 390.9 lx, Emin 0; now 44 × 500 lx.
  const QString num = QLocale().toString(390.9, 'f', 0);
  EXPECT_EQ(at(stats, 2, 0), QStringLiteral("%1 lx").arg(num).toStdString());
  EXPECT_EQ(at(stats, 2, 1), "500 lx");
  EXPECT_EQ(at(stats, 2, 2), "+109 lx (+28 %)");  // 109.1 lx, 27.9 % of 390.9
  EXPECT_EQ(at(stats, 3, 2), "+500 lx");          // Emin from 0 to 500 lx
  EXPECT_EQ(at(stats, 5, 2), QLocale().toString(1.0, 'f', 2).prepend('+').toStdString());
  if (english) {
    EXPECT_EQ(at(stats, 0, 0), "44 of 45");
    EXPECT_EQ(at(stats, 7, 0), "NOT COMPLETE (1 point(s) left)");
    EXPECT_EQ(at(stats, 7, 1), "PASS");
    EXPECT_EQ(compare->findChild<QLabel*>("LblComparePaired")->text(),
              "45 point(s) in the same place in both surveys.");
  }
  ASSERT_EQ(points->rowCount(), 45);
  EXPECT_EQ(at(points, 0, 4), QLocale().toString(0.0, 'f', 2).toStdString());
  EXPECT_EQ(at(points, 0, 6), "+500");
  if (english) {
    EXPECT_EQ(at(points, 0, 7), "none (A: 0 lx)");  // no percentage of 0 lx
    EXPECT_EQ(at(points, 6, 5), "skipped");
    EXPECT_EQ(at(points, 44, 4), "not taken");
  }
  EXPECT_EQ(at(points, 1, 6), "+100");
  EXPECT_EQ(at(points, 1, 7), "+25 %");
  EXPECT_EQ(at(points, 6, 6), "–");

  // The table as CSV, the plan as PNG and SVG (with the signed figures in it).
  rig.dialogs.answerSaveFile(dir.filePath("change"));
  compare->findChild<QPushButton*>("CmdExportCompareCsv")->click();
  QFile csv(dir.filePath("change.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  ASSERT_EQ(lines.size(), 47);  // the header, 45 points, and nothing after the last line end
  EXPECT_EQ(lines[1], "1,1,0.778,0.800,taken,0.00,taken,500.00,500.00,\r");
  EXPECT_EQ(lines[7], "7,7,4.111,0.800,taken,400.00,skipped,,,\r");
  rig.dialogs.answerSaveFile(dir.filePath("change.png"));
  compare->findChild<QPushButton*>("CmdExportComparePlan")->click();
  const QImage png(dir.filePath("change.png"));
  ASSERT_FALSE(png.isNull());
  // More light is blue, less is red, no change near white; the largest gain (point 1, +500 lx)
  // is the full blue of the scale's end, +100 lx a fifth of the way there.
  const QColor gain = differenceColour(1.0), loss = differenceColour(-1.0);
  EXPECT_GT(gain.blue(), 2 * gain.red());
  EXPECT_GT(loss.red(), 2 * loss.blue());
  EXPECT_GT(differenceColour(0.0).lightnessF(), 0.9);
  EXPECT_LT(differenceColour(0.2).lightnessF(), differenceColour(0.0).lightnessF());
  EXPECT_GT(differenceColour(0.2).lightnessF(), gain.lightnessF());
  rig.dialogs.answerSaveFile(dir.filePath("change.svg"));
  compare->findChild<QPushButton*>("CmdExportComparePlan")->click();
  QFile svg(dir.filePath("change.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray svgText = svg.readAll();
  EXPECT_TRUE(svgText.contains("+100")) << svgText.left(400).toStdString();
  EXPECT_TRUE(svgText.contains("+500"));

  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS")) {
    const QString shots = qEnvironmentVariable("SURVEY_SCREENSHOTS");
    compare->resize(1000, 820);
    QTest::qWait(200);
    compare->grab().save(shots + "/survey-compare.png");
    compare->findChild<QTabWidget*>("CompareTabs")->setCurrentIndex(1);
    QTest::qWait(200);
    compare->grab().save(shots + "/survey-compare-points.png");
    compare->findChild<QTabWidget*>("CompareTabs")->setCurrentIndex(0);
    QFile::copy(dir.filePath("change.png"), shots + "/survey-compare-plan.png");
  }

  // The comparison as a PDF page: both averages and the change are in its text.
  rig.dialogs.answerSaveFile(dir.filePath("change-report"));
  compare->findChild<QPushButton*>("CmdCompareReport")->click();
  ASSERT_TRUE(rig.dialogs.allAnswered());
  EXPECT_TRUE(rig.dialogs.messages().empty());
  QProcess text;
  text.start("pdftotext", {"-layout", dir.filePath("change-report.pdf"), "-"});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(pdf.contains(QStringLiteral("%1 lx").arg(num))) << pdf.toStdString();
  EXPECT_TRUE(pdf.contains("500 lx"));
  EXPECT_TRUE(pdf.contains("+109 lx (+28 %)"));
  EXPECT_TRUE(pdf.contains("+25 %"));  // the plan's percentage at the 400 lx points
  EXPECT_TRUE(pdf.contains("2025.luxsurvey"));
  if (english) {
    EXPECT_TRUE(pdf.contains("Comparison of two lighting surveys"));
    EXPECT_TRUE(pdf.contains("NOT COMPLETE"));  // A, with a point left
  }
  EXPECT_EQ(pageCount(dir.filePath("change-report.pdf")), 1);
  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS"))
    QFile::copy(dir.filePath("change-report.pdf"),
                qEnvironmentVariable("SURVEY_SCREENSHOTS") + "/survey-compare-report.pdf");

  // Swapped: this year is the reference, the change turns round.
  compare->findChild<QPushButton*>("CmdSwap")->click();
  EXPECT_EQ(compare->a().name, "2026.luxsurvey");
  EXPECT_EQ(at(stats, 2, 2), "-109 lx (-22 %)");  // 109.1 lx of 500
  EXPECT_EQ(at(points, 0, 6), "-500");
  EXPECT_EQ(at(points, 0, 7), "-100 %");

  // A second comparison replaces the first window.
  rig.dialogs.answerOpenFile(dir.filePath("2025.luxsurvey"));
  click("CmdCompare");
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->findChildren<SurveyCompareWindow*>().size(), 1);
}

TEST_F(SurveyRoom, ComparingWithABadOrUnrelatedFileSaysWhyAndKeepsTheSurvey) {
  fillForm();
  click("CmdStart");
  window->survey().points[0].taken = true;
  window->survey().points[0].lux = 321;
  QTemporaryDir dir;
  // Garbage, a survey cut short, and a survey of another room whose points never meet these.
  QFile garbage(dir.filePath("garbage.luxsurvey"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
  garbage.close();
  const QByteArray whole = surveyToJson(window->survey());
  QFile cut(dir.filePath("cut.luxsurvey"));
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(whole.left(whole.size() / 2));
  cut.close();
  Survey other = window->survey();
  other.grid.kind = GridKind::ByHand;
  other.grid.border = 0.3;  // points at x 1.65 and 4.35, y 1.15 and 2.85
  other.grid.rows = 2;
  other.grid.columns = 2;
  other.resetPoints();
  ASSERT_TRUE(saveSurvey(other, dir.filePath("other.luxsurvey"), nullptr));

  const bool english = !qEnvironmentVariableIsSet("SURVEY_LOCALE");
  for (const char* name : {"garbage.luxsurvey", "cut.luxsurvey", "other.luxsurvey"}) {
    rig.dialogs.answerOpenFile(dir.filePath(name)).expectMessage();
    click("CmdCompare");
    EXPECT_TRUE(rig.dialogs.allAnswered()) << name;
    EXPECT_EQ(window->findChild<SurveyCompareWindow*>(), nullptr) << name;
  }
  const std::vector<QString> said = rig.dialogs.messages();
  ASSERT_EQ(said.size(), 3u);
  if (english) {
    EXPECT_EQ(said[0], "This is not a luxpanel survey file (no survey data could be read).");
    EXPECT_EQ(said[1], said[0]);
    EXPECT_EQ(said[2],
              "The two surveys have no point in the same place (within 5 cm): there is nothing to "
              "compare.");
  }
  // The same words as Open gives for the same file.
  rig.dialogs.expectMessage();
  EXPECT_FALSE(window->openSurvey(dir.filePath("garbage.luxsurvey")));
  EXPECT_EQ(rig.dialogs.messages().back(), said[0]);
  EXPECT_DOUBLE_EQ(window->survey().points[0].lux, 321.0);
  // Cancelling the file choice does nothing at all.
  rig.dialogs.answerOpenFile(std::nullopt);
  click("CmdCompare");
  EXPECT_EQ(rig.dialogs.messages().size(), 4u);
}

TEST_F(SurveyRoom, ASmallerEarlierGridPairsWhereItsPointsStandAndTheRestAreListed) {
  fillForm();
  child<QComboBox>("TxtGridKind")->setCurrentIndex(1);
  child<QSpinBox>("TxtRows")->setValue(4);
  child<QSpinBox>("TxtColumns")->setValue(6);
  child<QDoubleSpinBox>("TxtBorder")->setValue(0.0);
  click("CmdStart");
  Survey& now = window->survey();
  ASSERT_EQ(now.points.size(), 24u);  // 1 m cells, points at 0.5 … 5.5 m by 0.5 … 3.5 m
  for (SurveyPoint& p : now.points) {
    p.taken = true;
    p.lux = 300;
  }
  // Last year only the corner by the window: 2 × 3 points of the same 1 m cells.
  Survey corner = now;
  corner.grid.length = 3;
  corner.grid.width = 2;
  corner.grid.rows = 2;
  corner.grid.columns = 3;
  corner.resetPoints();
  for (SurveyPoint& p : corner.points) {
    p.taken = true;
    p.lux = 400;
  }
  QTemporaryDir dir;
  ASSERT_TRUE(saveSurvey(corner, dir.filePath("corner.luxsurvey"), nullptr));
  rig.dialogs.answerOpenFile(dir.filePath("corner.luxsurvey"));
  click("CmdCompare");
  auto* compare = window->findChild<SurveyCompareWindow*>();
  ASSERT_NE(compare, nullptr);
  EXPECT_EQ(compare->comparison().matched, 6);
  EXPECT_EQ(compare->comparison().onlyB, 18);
  if (!qEnvironmentVariableIsSet("SURVEY_LOCALE")) {
    EXPECT_EQ(compare->findChild<QLabel*>("LblComparePaired")->text(),
              "6 point(s) in the same place in both surveys; 0 in A only, 18 in B only.");
  }
  auto* points = compare->findChild<QTableWidget*>("GridComparePoints");
  ASSERT_EQ(points->rowCount(), 24);
  EXPECT_EQ(points->item(0, 6)->text(), "-100");
  EXPECT_EQ(points->item(0, 7)->text(), "-25 %");
  EXPECT_EQ(points->item(6, 0)->text(), "–");  // B's 4th point, x 3.5 m, is not in A
  EXPECT_EQ(points->item(6, 1)->text(), "4");
  EXPECT_EQ(points->item(6, 6)->text(), "–");
  if (qEnvironmentVariableIsSet("SURVEY_SCREENSHOTS")) {
    QString error;
    ASSERT_TRUE(exportComparisonPlan(
        qEnvironmentVariable("SURVEY_SCREENSHOTS") + "/survey-compare-partial.png",
        compare->a().survey, compare->b().survey, compare->comparison(), &error));
  }
}

}  // namespace
}  // namespace lux::survey
