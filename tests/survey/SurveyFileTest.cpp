// The .luxsurvey file and the CSV of points: a survey comes back as it was saved, foreign,
// damaged and newer files are refused with a message, and the CSV holds what a spreadsheet
// needs (notes with commas and quotes, skipped points with their reasons).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "survey/engine/SurveyFile.h"

namespace lux::survey {
namespace {

Survey sample() {
  Survey s;
  s.site = QStringLiteral("Musterstraße 1, Köln");
  s.area = QStringLiteral("Office 2.14");
  s.note = QStringLiteral("blinds down");
  s.meter = QStringLiteral("LX-1108, calibrated 2026-01");
  s.measuringHeight = 0.75;
  s.created = QDateTime(QDate(2026, 3, 9), QTime(8, 5, 7));
  s.grid.length = 6;
  s.grid.width = 4;
  s.grid.border = 0.5;
  s.requirement.meanLux = 500;
  s.requirement.u0 = 0.6;
  s.requirement.task = "Offices: writing, typing";
  s.requirement.source = "typed in";
  s.resetPoints();
  s.points[0] = {true,
                 false,
                 512.5,
                 "47.6",
                 "Fc",
                 QDateTime(QDate(2026, 3, 9), QTime(8, 6, 0)),
                 "by the door, \"bright\"",
                 {}};
  s.points[1] = {true, false, 0.0, "0.0", "Lx", QDateTime(QDate(2026, 3, 9), QTime(8, 6, 20)),
                 {},   {}};
  s.points[2].skipped = true;
  s.points[2].skipReason = QStringLiteral("cupboard, 2 m high");
  s.current = 3;
  return s;
}

TEST(SurveyFile, ASurveyComesBackAsItWasSaved) {
  QTemporaryDir dir;
  const QString path = dir.filePath("office.luxsurvey");
  const Survey s = sample();
  QString error;
  ASSERT_TRUE(saveSurvey(s, path, &error)) << error.toStdString();
  const auto back = loadSurvey(path, &error);
  ASSERT_TRUE(back) << error.toStdString();
  EXPECT_EQ(back->site, s.site);
  EXPECT_EQ(back->meter, s.meter);
  EXPECT_DOUBLE_EQ(back->measuringHeight, 0.75);
  EXPECT_EQ(back->created, s.created);
  EXPECT_DOUBLE_EQ(back->grid.border, 0.5);
  EXPECT_EQ(back->requirement.task, "Offices: writing, typing");
  EXPECT_DOUBLE_EQ(back->requirement.u0, 0.6);
  ASSERT_EQ(back->points.size(), 45u);
  EXPECT_DOUBLE_EQ(back->points[0].lux, 512.5);
  EXPECT_EQ(back->points[0].shownUnit, "Fc");
  EXPECT_EQ(back->points[0].note, "by the door, \"bright\"");
  EXPECT_EQ(back->points[0].time, s.points[0].time);
  EXPECT_TRUE(back->points[1].taken);  // a zero reading is a reading
  EXPECT_TRUE(back->points[2].skipped);
  EXPECT_EQ(back->points[2].skipReason, "cupboard, 2 m high");
  EXPECT_FALSE(back->points[3].taken);
  EXPECT_EQ(back->current, 3);
  EXPECT_EQ(surveyToJson(*back), surveyToJson(s));
}

TEST(SurveyFile, ForeignDamagedAndNewerFilesAreRefusedWithAMessage) {
  const QByteArray good = surveyToJson(sample());
  auto refused = [](const QByteArray& bytes) {
    QString error;
    const auto s = surveyFromJson(bytes, &error);
    EXPECT_FALSE(s.has_value());
    return error;
  };
  EXPECT_TRUE(refused("Lx\tTime\tValue\r\n1\t07-14:23:05\t123.4\r\n")
                  .startsWith("This is not a luxpanel survey"));
  EXPECT_TRUE(refused("{\"format\":\"something-else\",\"version\":1}")
                  .startsWith("This is not a luxpanel survey"));
  EXPECT_TRUE(refused(good.left(good.size() / 2)).startsWith("This is not a luxpanel survey"));
  EXPECT_TRUE(refused(QByteArray(good).replace("\"version\": 1", "\"version\": 2"))
                  .contains("newer luxpanel"));
  EXPECT_TRUE(refused(QByteArray(good).replace("\"version\": 1", "\"version\": \"1\""))
                  .contains("format version"));
  // Grids that cannot be, values that are not illuminances, points that do not fit the grid.
  EXPECT_TRUE(
      refused(QByteArray(good).replace("\"length\": 6", "\"length\": -6")).contains("damaged"));
  EXPECT_TRUE(
      refused(QByteArray(good).replace("\"border\": 0.5", "\"border\": 3")).contains("damaged"));
  EXPECT_TRUE(
      refused(QByteArray(good).replace("\"lux\": 512.5", "\"lux\": -1")).contains("point 1"));
  EXPECT_TRUE(refused(QByteArray(good).replace("\"kind\": \"automatic\"", "\"kind\": \"spiral\""))
                  .contains("damaged"));
  QByteArray big = good;
  big.replace("\"length\": 6", "\"length\": 12");
  EXPECT_TRUE(refused(big).contains("where its grid has"));
  EXPECT_TRUE(refused(QByteArray(40 * 1024 * 1024, ' ')).contains("too large"));

  QTemporaryDir dir;
  QString error;
  EXPECT_FALSE(loadSurvey(dir.path(), &error));  // a folder
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(loadSurvey(dir.filePath("missing.luxsurvey"), &error));
  // A save that cannot happen says so and leaves nothing behind.
  EXPECT_FALSE(saveSurvey(sample(), dir.filePath("no/such/folder/x.luxsurvey"), &error));
  EXPECT_TRUE(error.contains("could not be saved"));
}

TEST(SurveyFile, TheCsvHoldsEveryPointAndReadsBack) {
  const QByteArray csv = pointsCsv(sample());
  const QList<QByteArray> lines = csv.split('\n');
  EXPECT_EQ(lines[0], "point,x,y,lux,time,note,skipped,reason\r");
  EXPECT_EQ(lines[1],
            "1,0.778,0.800,512.50,2026-03-09T08:06:00,\"by the door, \"\"bright\"\"\",no,\r");
  EXPECT_EQ(lines[3], "3,1.889,0.800,,,,yes,\"cupboard, 2 m high\"\r");
  EXPECT_EQ(lines.size(), 47);  // header, 45 points, the empty rest after the last CR LF

  QString error;
  const auto samples = samplesFromCsv(csv, &error);
  ASSERT_TRUE(samples) << error.toStdString();
  ASSERT_EQ(samples->size(), 45u);
  const Stats st = computeStats(*samples);
  EXPECT_EQ(st.taken, 2);
  EXPECT_EQ(st.skipped, 1);
  EXPECT_EQ(st.left, 42);
  EXPECT_DOUBLE_EQ(st.max, 512.5);

  // A note that a spreadsheet would run as a formula stays text.
  Survey s = sample();
  s.points[4].note = QStringLiteral("=HYPERLINK(\"x\")");
  EXPECT_TRUE(pointsCsv(s).contains(",\"'=HYPERLINK(\"\"x\"\")\",no,"));

  EXPECT_FALSE(samplesFromCsv("x,y\r\n1,2\r\n", &error));
  EXPECT_TRUE(error.contains("\"lux\""));
  EXPECT_FALSE(samplesFromCsv("lux\r\n12\r\nbright\r\n", &error));
  EXPECT_TRUE(error.contains("Line 3")) << error.toStdString();
  EXPECT_FALSE(samplesFromCsv("", &error));
}

}  // namespace
}  // namespace lux::survey
