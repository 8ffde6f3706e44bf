// luxpanel-cli survey as a script sees it: the grid's points on stdout, the figures and the
// verdict of a survey file or a CSV of points, and the exit status that tells pass from fail.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "survey/engine/SurveyFile.h"

namespace lux::survey {
namespace {

struct CliRun {
  int code = -1;
  QString out, err;
};

CliRun cli(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(LUXPANEL_CLI), args);
  CliRun r;
  if (!p.waitForFinished(20000)) return r;
  r.code = p.exitCode();
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(SurveyCli, GridPrintsThePointsInWalkingOrder) {
  const CliRun ten = cli({"survey", "grid", "--length", "10", "--width", "10", "--border", "0"});
  ASSERT_EQ(ten.code, 0) << ten.err.toStdString();
  const QStringList lines = ten.out.split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 101);
  EXPECT_EQ(lines[0], "point,x,y,row,column,centre");
  EXPECT_EQ(lines[1], "1,0.500,0.500,1,1,yes");
  EXPECT_EQ(lines[10], "10,9.500,0.500,1,10,yes");
  EXPECT_EQ(lines[11], "11,9.500,1.500,2,10,yes");  // the second row walks back

  const CliRun route =
      cli({"survey", "grid", "--length", "20", "--width", "2", "--route", "--format", "json"});
  ASSERT_EQ(route.code, 0);
  EXPECT_TRUE(route.out.contains("\"columns\": 13"));
  EXPECT_TRUE(route.out.contains("\"kind\": \"route\""));

  const CliRun band = cli({"survey", "grid", "--length", "6", "--width", "4", "--border", "2"});
  EXPECT_EQ(band.code, 2);
  EXPECT_TRUE(band.err.contains("the border band leaves no area to measure"));
  EXPECT_EQ(cli({"survey", "grid", "--length", "six", "--width", "4"}).code, 2);
  EXPECT_EQ(cli({"survey", "grid", "--width", "4"}).code, 2);
}

TEST(SurveyCli, StatsJudgeASurveyFileOrACsvOfPoints) {
  QTemporaryDir dir;
  Survey s;
  s.grid.kind = GridKind::ByHand;
  s.grid.length = 4;
  s.grid.width = 2;
  s.grid.border = 0;
  s.grid.rows = 1;
  s.grid.columns = 4;
  s.requirement.meanLux = 500;
  s.requirement.u0 = 0.6;
  s.requirement.source = "typed in";
  s.resetPoints();
  const double lux[] = {400, 500, 600, 700};
  for (int i = 0; i < 4; ++i) {
    s.points[i].taken = true;
    s.points[i].lux = lux[i];
  }
  ASSERT_TRUE(saveSurvey(s, dir.filePath("pass.luxsurvey"), nullptr));
  const CliRun pass = cli({"survey", "stats", dir.filePath("pass.luxsurvey")});
  EXPECT_EQ(pass.code, 0) << pass.err.toStdString();
  EXPECT_TRUE(pass.out.contains("Em         550.0 lx"));
  EXPECT_TRUE(pass.out.contains("Emin       400.0 lx"));
  EXPECT_TRUE(pass.out.contains("Emax       700.0 lx"));
  EXPECT_TRUE(pass.out.contains("U0         0.73"));
  EXPECT_TRUE(pass.out.contains("verdict    PASS"));
  // A stricter requirement on the command line fails it: exit 3.
  const CliRun strict =
      cli({"survey", "stats", dir.filePath("pass.luxsurvey"), "--em", "600", "--u0", "0.6"});
  EXPECT_EQ(strict.code, 3);
  EXPECT_TRUE(strict.out.contains("verdict    FAIL"));
  // Points left: not passed either.
  s.points[3].taken = false;
  ASSERT_TRUE(saveSurvey(s, dir.filePath("open.luxsurvey"), nullptr));
  const CliRun open = cli({"survey", "stats", dir.filePath("open.luxsurvey")});
  EXPECT_EQ(open.code, 3);
  EXPECT_TRUE(open.out.contains("verdict    OPEN"));

  write(dir.filePath("points.csv"), "x,y,lux,skipped\r\n1,1,2.0,no\r\n2,1,1.0,no\r\n3,1,,yes\r\n");
  const CliRun csvRoute = cli(
      {"survey", "stats", dir.filePath("points.csv"), "--route", "--min", "1", "--ratio", "40"});
  EXPECT_EQ(csvRoute.code, 0) << csvRoute.out.toStdString() << csvRoute.err.toStdString();
  EXPECT_TRUE(csvRoute.out.contains("centre min 1.0 lx"));
  const CliRun noReq = cli({"survey", "stats", dir.filePath("points.csv")});
  EXPECT_EQ(noReq.code, 2);
  EXPECT_TRUE(noReq.err.contains("carries no requirement"));

  write(dir.filePath("bad.luxsurvey"), "{\"format\": \"luxpanel-survey\", \"version\": 7}");
  const CliRun bad = cli({"survey", "stats", dir.filePath("bad.luxsurvey")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_TRUE(bad.err.contains("newer luxpanel"));
  EXPECT_EQ(cli({"survey", "stats", dir.filePath("missing.csv")}).code, 1);
}

// Before and after a relamping: 2 × 2 points of 1 m cells, B with one more column.
Survey room(int columns, const std::vector<double>& lux) {
  Survey s;
  s.grid.kind = GridKind::ByHand;
  s.grid.length = columns;
  s.grid.width = 2;
  s.grid.border = 0;
  s.grid.rows = 2;
  s.grid.columns = columns;
  s.requirement.meanLux = 300;
  s.requirement.u0 = 0.4;
  s.resetPoints();
  for (std::size_t i = 0; i < lux.size() && i < s.points.size(); ++i) {
    if (lux[i] < 0) {
      s.points[i].skipped = true;
      continue;
    }
    s.points[i].taken = true;
    s.points[i].lux = lux[i];
  }
  return s;
}

TEST(SurveyCli, CompareTwoSurveysPrintsBothFiguresTheChangeAndThePoints) {
  QTemporaryDir dir;
  const QString a = dir.filePath("before.luxsurvey"), b = dir.filePath("after.luxsurvey");
  // A's walk: (0.5,0.5) (1.5,0.5) (1.5,1.5) (0.5,1.5); B's adds (2.5,0.5) and (2.5,1.5).
  ASSERT_TRUE(saveSurvey(room(2, {200, 0, 300, 100}), a, nullptr));
  ASSERT_TRUE(saveSurvey(room(3, {300, 50, 400, 500, -1, 350}), b, nullptr));
  const CliRun text = cli({"survey", "compare", a, b});
  // B: 300, 50, 400, 500, 350 taken, Em 320, U0 50/320 = 0.16: fails its U0 of 0.4.
  EXPECT_EQ(text.code, 3) << text.err.toStdString();
  EXPECT_TRUE(text.out.contains("Em         150.0 lx       320.0 lx       +170.0 lx (+113.3 %)"))
      << text.out.toStdString();
  EXPECT_TRUE(text.out.contains("U0         0.00           0.16           +0.16"));
  EXPECT_TRUE(
      text.out.contains("points     4/4 taken      5/6 taken\nskipped    0              1\n"));
  EXPECT_TRUE(text.out.contains("verdict    FAIL           FAIL"));
  EXPECT_TRUE(text.out.contains("paired     4 points (0 in A only, 2 in B only)"));
  EXPECT_TRUE(text.out.contains("1,1,0.500,0.500,taken,200.00,taken,300.00,100.00,50.0\r\n"));
  EXPECT_TRUE(text.out.contains("2,2,1.500,0.500,taken,0.00,taken,50.00,50.00,\r\n"));
  EXPECT_TRUE(text.out.contains("3,5,1.500,1.500,taken,300.00,skipped,,,\r\n"));
  EXPECT_TRUE(text.out.contains(",4,2.500,1.500,absent,,taken,500.00,,\r\n"));

  // B passes once its dark point is lit: exit 0; as JSON, the same figures.
  ASSERT_TRUE(saveSurvey(room(3, {300, 250, 400, 500, 350, 350}), b, nullptr));
  const CliRun json = cli({"survey", "compare", a, b, "--json"});
  EXPECT_EQ(json.code, 0) << json.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
  EXPECT_EQ(o["b"].toObject()["verdict"].toString(), "PASS");
  EXPECT_EQ(o["a"].toObject()["file"].toString(), a);
  EXPECT_NEAR(o["change"].toObject()["mean"].toDouble(), 208.333, 0.001);  // 358.3 - 150
  EXPECT_TRUE(o["points"].toArray()[1].toObject()["percent"].isNull());    // A read 0 lx there
  EXPECT_FALSE(json.out.contains("inf"));
  EXPECT_FALSE(json.out.contains("nan"));
}

TEST(SurveyCli, CompareRefusesBadFilesAndSurveysWithNothingInCommon) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.luxsurvey");
  ASSERT_TRUE(saveSurvey(room(2, {200, 100, 300, 100}), a, nullptr));
  write(dir.filePath("garbage.luxsurvey"), QByteArray::fromHex("7f454c4602010100000000007b5b22"));
  const CliRun garbage = cli({"survey", "compare", a, dir.filePath("garbage.luxsurvey")});
  EXPECT_EQ(garbage.code, 1);
  EXPECT_TRUE(garbage.err.contains("not a luxpanel survey file")) << garbage.err.toStdString();
  EXPECT_TRUE(garbage.out.isEmpty());
  EXPECT_EQ(cli({"survey", "compare", dir.filePath("missing.luxsurvey"), a}).code, 1);
  EXPECT_EQ(cli({"survey", "compare", a}).code, 2);  // one file is nothing to compare

  // The same room measured on 0.5 m cells: no point stands where A's do.
  Survey fine = room(4, {});
  fine.grid.length = 2;
  fine.grid.rows = 4;
  fine.resetPoints();
  ASSERT_TRUE(saveSurvey(fine, dir.filePath("fine.luxsurvey"), nullptr));
  const CliRun apart = cli({"survey", "compare", a, dir.filePath("fine.luxsurvey")});
  EXPECT_EQ(apart.code, 2);
  EXPECT_TRUE(apart.err.contains("no point in the same place")) << apart.err.toStdString();
}

}  // namespace
}  // namespace lux::survey
