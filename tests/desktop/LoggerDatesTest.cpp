// A listed logger set dates its records for the CSV export: from the meter's start day in the
// PC's month, one interval apart; a set whose start is no calendar day has no dates.
// Runs with TZ=Europe/Berlin.
#include "app/CsvExport.h"
#include "logger/LoggerFixture.h"
#include "logger/LoggerWindows.h"
#include "ui/GridModel.h"

namespace lux::test {
namespace {

class LoggerDatesTest : public LoggerTest {
 protected:
  void list(const std::string& content) {
    meter->setRawLoggerContent(content);
    ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
    memoryWindow()->setRowClicked(1);
    ASSERT_NE(dataList(), nullptr);
  }
};

TEST_F(LoggerDatesTest, CalendarStartDatesEveryRecord) {
  // The 27th of this month (March 2026) at 12:00:00, 255 min 99 s apart.
  list(loggerSetBytes(0x27, 0x12, 0x00, 0x00, 0xFF, 0x99,
                      {{0, 1, 0x10}, {0, 2, 0x10}, {0, 3, 0x10}}));
  const GridModel* grid = nullptr;
  std::function<QDateTime(int)> dateOfRow;
  ASSERT_TRUE(csvSourceOf(dataList(), &grid, &dateOfRow));
  ASSERT_TRUE(dateOfRow);
  const std::string csv = csvExport(*grid, dateOfRow);
  EXPECT_NE(csv.find("\r\n1,27-12:00:00,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",2026-03-27T12:00:00+01:00\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",2026-03-27T16:16:39+01:00\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",2026-03-27T20:33:18+01:00\r\n"), std::string::npos) << csv;
}

TEST_F(LoggerDatesTest, DayZeroStartHasNoDates) {
  list(loggerSetBytes(0x00, 0x23, 0x59, 0x59, 0x00, 0x30, {{0, 1, 0x10}, {0, 2, 0x10}}));
  EXPECT_FALSE(dataList()->knowsRecordDates());
  EXPECT_FALSE(dataList()->recordDateTime(1).isValid());
}

}  // namespace
}  // namespace lux::test
