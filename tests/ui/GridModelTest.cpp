#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/GridModel.h"

namespace {

TEST(GridModel, HeaderRowCountsAndRowsAppendInOneInsert) {
  lux::GridModel grid(3);
  EXPECT_EQ(grid.rows(), 1);
  grid.setCell(0, 0, "Lx");
  grid.setCell(0, 1, "Time");
  QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
  std::vector<QStringList> rows;
  for (int i = 1; i <= 1000; ++i) rows.push_back({QString::number(i), "07-14:23:05", "12.5"});
  grid.appendRows(rows);
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(grid.rows(), 1001);
  EXPECT_EQ(grid.cell(1000, 0), "1000");
  EXPECT_EQ(grid.cell(0, 0), "Lx");
}

TEST(GridModel, AddItemSplitsOnTabsAndToleratesShortAndLongRows) {
  lux::GridModel grid(3);
  grid.addItem("1\t07-14:23:05\tOL");
  grid.addItem("only");
  grid.addItem("a\tb\tc\td");
  EXPECT_EQ(grid.cell(1, 2), "OL");
  EXPECT_EQ(grid.cell(2, 0), "only");
  EXPECT_EQ(grid.cell(2, 1), "");
  EXPECT_EQ(grid.cell(3, 2), "c");
  EXPECT_EQ(grid.cell(3, 3), "") << "beyond the last column";
  EXPECT_EQ(grid.cell(-1, 0), "");
  EXPECT_EQ(grid.cell(99, 0), "");
}

TEST(GridModel, ClearRecordsKeepsTheHeader) {
  lux::GridModel grid(4);
  grid.setCell(0, 0, "Set");
  grid.addItem("1\t07-14:23:05\t90\t12");
  grid.clearRecords();
  EXPECT_EQ(grid.rows(), 1);
  EXPECT_EQ(grid.cell(0, 0), "Set");
  grid.clearRecords();
  EXPECT_EQ(grid.rows(), 1);
}

}  // namespace
