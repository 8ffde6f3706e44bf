// File > Export CSV… from the three lists: the bytes written, the timestamp column where the
// list knows its dates (live list, logger sets with a calendar start), none for a data file.
// The test runs with TZ=Europe/Berlin, so offsets are +01:00 in winter and +02:00 in summer.
#include <QDateTime>
#include <QFileInfo>

#include "DesktopFixture.h"
#include "app/CsvExport.h"
#include "logger/LoggerWindows.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"

namespace lux::test {
namespace {

TEST_F(DesktopTest, LiveListExportsItsRecordsWithDates) {
  menuItem(ToolbarCommand::List)->trigger();
  ASSERT_NE(realTimeList(*ctx), nullptr);
  tick();  // 08:05:08, the first record
  state.display.mainValueText = "OL";
  tick(2);  // sampling every 2 s: 08:05:10
  ASSERT_EQ(realTimeList(*ctx)->grid().rows(), 3);
  const QString csv = path(QStringLiteral("live.csv"));
  dialogs.answerSaveFile(csv);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(csv),
            "number,time,value,unit,timestamp\r\n"
            "1,09-08:05:08,123.4,Lx,2026-03-09T08:05:08+01:00\r\n"
            "2,09-08:05:10,OL,Lx,2026-03-09T08:05:10+01:00\r\n");
  // The TSV save of the same list is untouched by the export.
  const QString tsv = path(QStringLiteral("live.txt"));
  dialogs.answerSaveFile(tsv);
  realTimeList(*ctx)->toolbarActionTriggered(QStringLiteral("Save"));
  EXPECT_EQ(readFile(tsv),
            "Lx\tTime\tValue\t\r\n1\t09-08:05:08\t123.4\t\r\n2\t09-08:05:10\tOL\t\r\n");
}

TEST_F(DesktopTest, FileListExportsWithoutDatesAndQuotesWhatNeedsIt) {
  const QString file = path(QStringLiteral("data.txt"));
  // A hand-edited file: a quote in a value, an empty unit.
  writeFile(file, "\tTime\tValue\r\n1\t07-14:23:05\t12\"5\r\n");
  dialogs.answerOpenFile(file);
  menuItem(ToolbarCommand::Open)->trigger();
  ASSERT_NE(fileList(*ctx), nullptr);
  const QString csv = path(QStringLiteral("file.csv"));
  dialogs.answerSaveFile(csv);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(csv), "number,time,value,unit\r\n1,07-14:23:05,\"12\"\"5\",\r\n");
}

TEST_F(DesktopTest, DataListExportsTheVisibleGridWithTheMetersDates) {
  auto* list = new DataListWindow(*ctx, panel.get());
  ctx->logger.dataListWindow = list;
  list->show();
  list->gridM().appendRows({{"1", "28-12:00:00", "100"}, {"2", "29-12:00:00", "200"}});
  list->gridI().appendRows({{"1", "28-12:00:00", "9.29"}, {"2", "29-12:00:00", "18.58"}});
  // One record a day across the change to summer time.
  list->setRecordTiming(QDateTime(QDate(2026, 3, 28), QTime(12, 0, 0), Qt::UTC), 86400);
  state.logger.dataListLuxShown = false;
  list->toolbarActionTriggered(QStringLiteral("Unit"));  // back to lux
  const QString csv = path(QStringLiteral("set.csv"));
  dialogs.answerSaveFile(csv);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(csv),
            "number,time,value,unit,timestamp\r\n"
            "1,28-12:00:00,100,Lx,2026-03-28T12:00:00+01:00\r\n"
            "2,29-12:00:00,200,Lx,2026-03-29T12:00:00+02:00\r\n");

  // A set whose start is no calendar date has no timestamp column.
  auto* undated = new DataListWindow(*ctx, panel.get());
  undated->gridI().appendRows({{"1", "00-00:00:01", "9.29"}});
  const GridModel* grid = nullptr;
  std::function<QDateTime(int)> dateOfRow;
  state.logger.dataListLuxShown = false;
  ASSERT_TRUE(csvSourceOf(undated, &grid, &dateOfRow));
  EXPECT_FALSE(dateOfRow);
  EXPECT_EQ(csvExport(*grid, dateOfRow), "number,time,value,unit\r\n1,00-00:00:01,9.29,Fc\r\n");
  delete undated;
}

// A reading under the minus annunciator is exported with its sign; a name typed without a
// suffix gets ".csv", and a file already under that longer name is replaced only when the user
// says so.
TEST_F(DesktopTest, ExportKeepsTheSignAndAddsTheCsvSuffix) {
  menuItem(ToolbarCommand::List)->trigger();
  ASSERT_NE(realTimeList(*ctx), nullptr);
  state.display.mainValueText = "5.0";
  state.display.annNegative = true;
  tick();  // 08:05:08
  const QByteArray expected =
      "number,time,value,unit,timestamp\r\n1,09-08:05:08,-5.0,Lx,2026-03-09T08:05:08+01:00\r\n";
  dialogs.answerSaveFile(path(QStringLiteral("typed")));
  menuItem("MenuExportCsv")->trigger();
  EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("typed"))));
  EXPECT_EQ(readFile(path(QStringLiteral("typed.csv"))), expected);

  // A name with a suffix of its own keeps it.
  dialogs.answerSaveFile(path(QStringLiteral("kept.txt")));
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(path(QStringLiteral("kept.txt"))), expected);
  EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("kept.txt.csv"))));

  writeFile(path(QStringLiteral("old.csv")), "precious");
  dialogs.answerSaveFile(path(QStringLiteral("old"))).answerConfirm(false);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(path(QStringLiteral("old.csv"))), "precious");
  dialogs.answerSaveFile(path(QStringLiteral("old"))).answerConfirm(true);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_EQ(readFile(path(QStringLiteral("old.csv"))), expected);
  EXPECT_TRUE(dialogs.allAnswered());
}

TEST_F(DesktopTest, ExportThatCannotBeWrittenIsToldAndCancelWritesNothing) {
  menuItem(ToolbarCommand::List)->trigger();
  tick();
  dialogs.answerSaveFile(std::nullopt);
  menuItem("MenuExportCsv")->trigger();
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

  dialogs.answerSaveFile(path(QStringLiteral("no/such/folder/x.csv")));
  dialogs.expectMessage();
  menuItem("MenuExportCsv")->trigger();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("The CSV file x.csv")));
  EXPECT_TRUE(dialogs.allAnswered());
}

}  // namespace
}  // namespace lux::test
