// Listing a logger set into the Data List: time labels, lux and foot-candle texts, the unit
// switch, save, plot and print of the visible grid.
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>

#include "LoggerFixture.h"
#include "records/RecordingState.h"

using namespace lux;
using namespace lux::test;

namespace {

class DataListTest : public LoggerTest {
 protected:
  // Downloads `content` from the meter and lists set `row` of the set table.
  void list(const std::string& content, int row = 1) {
    meter->setRawLoggerContent(content);
    ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
    memoryWindow()->setRowClicked(row);
    ASSERT_NE(dataList(), nullptr);
  }
  QString lux(int row, int col = 2) { return dataList()->gridM().cell(row, col); }
  QString fc(int row, int col = 2) { return dataList()->gridI().cell(row, col); }
  static QByteArray readFile(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

// Reading 1234 (0x04D2) under each range bit, then a record with no range bit.
const std::vector<std::array<std::uint8_t, 3>> kEveryRange = {
    {0x04, 0xD2, 0x40}, {0x04, 0xD2, 0x20}, {0x04, 0xD2, 0x10}, {0x04, 0xD2, 0x08},
    {0x04, 0xD2, 0x04}, {0x04, 0xD2, 0x02}, {0x00, 0x07, 0x01}};

}  // namespace

TEST_F(DataListTest, EveryRangeBitGivesItsLuxAndFootCandleText) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  ASSERT_EQ(dataList()->gridM().rows(), 8);
  ASSERT_EQ(dataList()->gridI().rows(), 8);
  const char* luxTexts[] = {"123400", "12340", "1234", "123.4", "12.34", "1.234", "1.234"};
  const char* fcTexts[] = {"11463.86", "1146", "114.6", "11.46", "1.146", "0.1146", "0.1146"};
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(lux(n), luxTexts[n - 1]) << n;
    EXPECT_EQ(fc(n), fcTexts[n - 1]) << n;
    EXPECT_EQ(lux(n, 0), QString::number(n));
    EXPECT_EQ(fc(n, 0), QString::number(n));
    EXPECT_EQ(lux(n, 1), fc(n, 1));
  }
  EXPECT_EQ(dataList()->gridM().cell(0, 0), "Lx");
  EXPECT_EQ(dataList()->gridI().cell(0, 0), "Fc");
  EXPECT_EQ(dataList()->gridM().cell(0, 1), "Time");
  EXPECT_EQ(dataList()->gridM().cell(0, 2), "Value");
}

TEST_F(DataListTest, LabelsCrossMidnightAndTheMonthEnd) {
  clock.setDateTime(QDateTime(QDate(2026, 4, 10), QTime(9, 0, 0)));  // April: 30 days
  list(loggerSetBytes(0x30, 0x23, 0x59, 0x58, 0, 0x01,
                      {{0, 1, 0x10}, {0, 2, 0x10}, {0, 3, 0x10}, {0, 4, 0x10}}));
  EXPECT_EQ(lux(1, 1), "30-23:59:58");
  EXPECT_EQ(lux(2, 1), "30-23:59:59");
  EXPECT_EQ(lux(3, 1), "01-00:00:00");
  EXPECT_EQ(lux(4, 1), "01-00:00:01");
}

TEST_F(DataListTest, LongIntervalsStepWholeDays) {
  // 255 min 99 s: the longest interval a header holds.
  list(loggerSetBytes(0x27, 0x12, 0x00, 0x00, 0xFF, 0x99,
                      {{0, 1, 0x10}, {0, 2, 0x10}, {0, 3, 0x10}}));
  EXPECT_EQ(memoryWindow()->gridSet().cell(1, 2), "15399");
  EXPECT_EQ(lux(1, 1), "27-12:00:00");
  EXPECT_EQ(lux(2, 1), "27-16:16:39");
  EXPECT_EQ(lux(3, 1), "27-20:33:18");
}

TEST_F(DataListTest, DayZeroCountsFromTheStartDay) {
  list(loggerSetBytes(0x00, 0x23, 0x59, 0x59, 0x00, 0x30,
                      {{0, 1, 0x10}, {0, 2, 0x10}, {0, 3, 0x10}}));
  EXPECT_EQ(memoryWindow()->gridSet().cell(1, 1), "00-23:59:59");
  EXPECT_EQ(lux(1, 1), "00-23:59:59");
  EXPECT_EQ(lux(2, 1), "01-00:00:29");
  EXPECT_EQ(lux(3, 1), "01-00:00:59");
}

TEST_F(DataListTest, StartDayMissingFromThisMonthListsWithoutFault) {
  clock.setDateTime(QDateTime(QDate(2026, 2, 3), QTime(9, 0, 0)));
  list(loggerSetBytes(0x31, 0x23, 0x59, 0x59, 0, 0x01, {{0, 1, 0x10}, {0, 2, 0x10}}));
  // Taken as 31 January: the next day is the 1st.
  EXPECT_EQ(lux(1, 1), "31-23:59:59");
  EXPECT_EQ(lux(2, 1), "01-00:00:00");
}

TEST_F(DataListTest, ASetWhoseStartTimeIsNoTimeIsListedWithoutStampsAndSaysSo) {
  // Hour 25, minute 61: the header holds no time the meter's clock could show.
  dialogs.expectMessage();
  list(loggerSetBytes(0x05, 0x25, 0x61, 0x00, 0, 0x10, {{0, 1, 0x10}, {0, 2, 0x10}}) +
       loggerSetBytes(0x06, 0x08, 0x00, 0x00, 0, 0x01, {{0, 3, 0x10}}));
  EXPECT_EQ(memoryWindow()->gridSet().cell(1, 1), "05-25:61:00");
  EXPECT_EQ(memoryWindow()->lblMessage().text(),
            "100.0% Completed - set 1 has an invalid start time (05-25:61:00)");
  ASSERT_EQ(dataList()->gridM().rows(), 3);
  for (int n = 1; n <= 2; ++n) {
    EXPECT_EQ(lux(n, 1), "") << n;
    EXPECT_EQ(fc(n, 1), "") << n;
    EXPECT_EQ(lux(n), QString::number(n)) << "the values stay";
  }
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0],
            "The start time of set 1, 05-25:61:00, is not a valid time of day. Its records are "
            "listed without times.");
  // A sound set says nothing.
  memoryWindow()->setRowClicked(2);
  EXPECT_EQ(lux(1, 1), "06-08:00:00");
  EXPECT_EQ(dialogs.messages().size(), 1u);
}

TEST_F(DataListTest, CaptionCountsThenReturns) {
  std::vector<std::array<std::uint8_t, 3>> recs(8, {0, 9, 0x10});
  CaptionLog log(QStringLiteral("DataList"));
  qApp->installEventFilter(&log);
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, recs));
  qApp->removeEventFilter(&log);
  EXPECT_EQ(dataList()->windowTitle(), "Data List");
  // The fresh window's own caption first, then the count, then "Data List" again.
  ASSERT_GE(log.captions.size(), 2u);
  EXPECT_EQ(log.captions.front(), "Data List");
  EXPECT_EQ(log.captions.back(), "Data List");
  const std::vector<QString> counted(log.captions.begin() + 1, log.captions.end() - 1);
  EXPECT_EQ(counted,
            (std::vector<QString>{"12.5 % completed", "25.0 % completed", "37.5 % completed",
                                  "50.0 % completed", "62.5 % completed", "75.0 % completed",
                                  "87.5 % completed", "100.0 % completed"}));
}

TEST_F(DataListTest, HeaderRowClickOpensAnEmptyList) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange), 0);
  EXPECT_EQ(dataList()->gridM().rows(), 1);
  EXPECT_EQ(dataList()->gridI().rows(), 1);
  EXPECT_EQ(dataList()->windowTitle(), "Data List");
  EXPECT_TRUE(poll.pollEnabled());
}

TEST_F(DataListTest, ANewSetReplacesTheList) {
  std::string content = loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange) +
                        loggerSetBytes(0x10, 0x08, 0x00, 0x00, 0, 0x02, {{0, 5, 0x10}});
  list(content, 1);
  QPointer<QWidget> first = dataList();
  memoryWindow()->setRowClicked(2);
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(dataList(), nullptr);
  EXPECT_EQ(dataList()->gridM().rows(), 2);
  EXPECT_EQ(lux(1), "5");
  EXPECT_EQ(lux(1, 1), "10-08:00:00");
}

TEST_F(DataListTest, FirstRecordReadingLikeAMarkerIsListedWithItsSet) {
  // Six records; the first reads 00 55 AA (85 under range bit 5: 850 lx) and the second
  // starts with 00, with bytes behind that would pass for a set header. Listed after another
  // set, so that nothing of that listing may show through.
  const std::string content =
      loggerSetBytes(0x05, 0x06, 0x00, 0x00, 0, 0x01, {{0x04, 0xD2, 0x10}}) +
      loggerSetBytes(0x14, 0x09, 0x30, 0x00, 0, 0x10,
                     {{0x00, 0x55, 0xAA},
                      {0x00, 0x12, 0x10},
                      {0x20, 0x30, 0x10},
                      {0x05, 0x06, 0x10},
                      {0x07, 0x08, 0x10},
                      {0x09, 0x0A, 0x10}});
  list(content, 1);
  ASSERT_EQ(memoryWindow()->gridSet().rows(), 3);
  EXPECT_EQ(memoryWindow()->gridSet().cell(2, 1), "14-09:30:00");
  EXPECT_EQ(memoryWindow()->gridSet().cell(2, 2), "10");
  EXPECT_EQ(memoryWindow()->gridSet().cell(2, 3), "6");
  EXPECT_EQ(memoryWindow()->lblMessage().text(), "100.0% Completed");
  memoryWindow()->setRowClicked(2);
  ASSERT_EQ(dataList()->gridM().rows(), 7);
  const char* luxTexts[] = {"850", "18", "8240", "1286", "1800", "2314"};
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(lux(n), luxTexts[n - 1]) << n;
  EXPECT_EQ(lux(1, 1), "14-09:30:00");
  EXPECT_EQ(lux(6, 1), "14-09:30:50");
}

TEST_F(DataListTest, AListingNeverShowsValuesOfAnEarlierOne) {
  // The second set opens with records whose range byte gives no scale: they have no value
  // of their own, and the first set's last value must not stand in for one.
  const std::string content =
      loggerSetBytes(0x05, 0x06, 0x00, 0x00, 0, 0x01, {{0x04, 0xD2, 0x10}}) +
      loggerSetBytes(
          0x06, 0x06, 0x00, 0x00, 0, 0x01,
          {{0x00, 0x07, 0x01}, {0x00, 0x08, 0x80}, {0x00, 0x09, 0x10}, {0x00, 0x01, 0x00}});
  list(content, 1);
  EXPECT_EQ(lux(1), "1234");
  memoryWindow()->setRowClicked(2);
  ASSERT_EQ(dataList()->gridM().rows(), 5);
  EXPECT_EQ(lux(1), "");
  EXPECT_EQ(fc(1), "");
  EXPECT_EQ(lux(2), "");
  EXPECT_EQ(fc(2), "");
  // Within one set a record without a scale still shows the one before it.
  EXPECT_EQ(lux(3), "9");
  EXPECT_EQ(lux(4), "9");
  EXPECT_EQ(fc(4), fc(3));
}

TEST_F(DataListTest, FootCandleMeterOpensOnTheFcGridAndUnitSwitches) {
  state.display.annFc = true;
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  DataListWindow* w = dataList();
  EXPECT_FALSE(state.logger.dataListLuxShown);
  EXPECT_TRUE(w->gridMView().isHidden());
  EXPECT_FALSE(w->gridIView().isHidden());
  EXPECT_EQ(&w->visibleGrid(), &w->gridI());
  w->toolbarActionTriggered("Unit");
  EXPECT_TRUE(state.logger.dataListLuxShown);
  EXPECT_FALSE(w->gridMView().isHidden());
  EXPECT_TRUE(w->gridIView().isHidden());
  w->toolbarActionTriggered("Unit");
  EXPECT_FALSE(state.logger.dataListLuxShown);
  EXPECT_TRUE(w->gridMView().isHidden());
  // Both keep their rows.
  EXPECT_EQ(w->gridM().rows(), 8);
  EXPECT_EQ(w->gridI().rows(), 8);
}

TEST_F(DataListTest, LuxMeterOpensOnTheLuxGrid) {
  state.display.annFc = false;
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  EXPECT_TRUE(state.logger.dataListLuxShown);
  EXPECT_FALSE(dataList()->gridMView().isHidden());
  EXPECT_TRUE(dataList()->gridIView().isHidden());
  EXPECT_EQ(dataList()->pos(), QPoint(0, 0));
}

TEST_F(DataListTest, SaveWritesTheVisibleGridByteForByte) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x02, {{0x04, 0xD2, 0x10}, {0x04, 0xD2, 0x08}}));
  const QString luxFile = path("lux.txt");
  dialogs.answerSaveFile(luxFile);
  dataList()->toolbarActionTriggered("Save");
  EXPECT_EQ(readFile(luxFile), QByteArray("Lx\tTime\tValue\t\r\n"
                                          "1\t09-08:00:00\t1234\t\r\n"
                                          "2\t09-08:00:02\t123.4\t\r\n"));
  dataList()->toolbarActionTriggered("Unit");
  const QString fcFile = path("fc.txt");
  dialogs.answerSaveFile(fcFile);
  dataList()->toolbarActionTriggered("Save");
  EXPECT_EQ(readFile(fcFile), QByteArray("Fc\tTime\tValue\t\r\n"
                                         "1\t09-08:00:00\t114.6\t\r\n"
                                         "2\t09-08:00:02\t11.46\t\r\n"));
  EXPECT_EQ(dataList()->windowTitle(), "Data List");
  EXPECT_TRUE(dialogs.allAnswered());
}

TEST_F(DataListTest, SaveWhileRecordingIsRefused) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  state.recording.fileRecording = true;
  dialogs.expectMessage();
  dataList()->toolbarActionTriggered("Save");
  EXPECT_EQ(
      dialogs.messages(),
      std::vector<QString>{QStringLiteral("Aready in recording mode, close it and try again !")});
  for (const auto& s : dialogs.shown()) EXPECT_NE(s.kind, ScriptedDialogs::Kind::SaveFile);
}

TEST_F(DataListTest, PlotHandsTheVisibleValuesOver) {
  std::vector<PlotRequest> plots;
  ctx->hooks.showPlot = [&](const PlotRequest& r) { plots.push_back(r); };
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01,
                      {{0x04, 0xD2, 0x10}, {0x04, 0xD2, 0x08}, {0x00, 0x05, 0x10}}));
  dataList()->toolbarActionTriggered("Plot");
  ASSERT_EQ(plots.size(), 1u);
  EXPECT_EQ(plots[0].unitText, "Lx") << "lux values, never an irradiance unit";
  EXPECT_EQ(plots[0].values, (std::vector<float>{1234.0f, 123.4f, 5.0f}));
  EXPECT_TRUE(plots[0].source.startsWith("Logger set 1, started ")) << qPrintable(plots[0].source);
  EXPECT_EQ(plots[0].pointCount, 3.0f);
  EXPECT_EQ(state.recording.plotMinValue, 0.0f);
  EXPECT_EQ(state.recording.plotMaxValue, 2200.0f);

  dataList()->toolbarActionTriggered("Unit");
  dataList()->toolbarActionTriggered("Plot");
  ASSERT_EQ(plots.size(), 2u);
  EXPECT_EQ(plots[1].unitText, "Fc");
  ASSERT_EQ(plots[1].values.size(), 3u);
  EXPECT_FLOAT_EQ(plots[1].values[0], 114.6f);
  EXPECT_FLOAT_EQ(state.recording.plotMaxValue, 697.4f);
}

TEST_F(DataListTest, PrintGoesThroughThePrinterDialog) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  const QString pdf = path("list.pdf");
  dialogs.answerPrinter(pdf);
  dataList()->toolbarActionTriggered("Print");
  EXPECT_TRUE(dialogs.allAnswered());
  EXPECT_GT(QFile(pdf).size(), 0);
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(dataList()->windowTitle(), "Data List");
}

TEST_F(DataListTest, WindowsCarryTheirNamedControls) {
  list(loggerSetBytes(0x09, 0x08, 0x00, 0x00, 0, 0x01, kEveryRange));
  MemoryWindow* m = memoryWindow();
  EXPECT_EQ(m->objectName(), "Memory");
  for (const char* name : {"LblSize", "LblRemain", "LblMessage", "SSPanel1", "SSPanel2"})
    EXPECT_NE(m->findChild<QLabel*>(name), nullptr) << name;
  EXPECT_EQ(m->findChild<QLabel*>("SSPanel1")->text(), "Total Memory");
  EXPECT_EQ(m->findChild<QLabel*>("SSPanel2")->text(), "Free Memory");
  ASSERT_NE(m->findChild<QPushButton*>("CmdCompare"), nullptr);
  EXPECT_EQ(m->findChild<QPushButton*>("CmdCompare")->text(), "Compare");
  EXPECT_NE(m->findChild<QTableView*>("Grid"), nullptr);
  EXPECT_NE(m->findChild<QTableView*>("GridSet"), nullptr);

  DataListWindow* d = dataList();
  EXPECT_EQ(d->objectName(), "DataList");
  EXPECT_NE(d->findChild<QTableView*>("GridM"), nullptr);
  EXPECT_NE(d->findChild<QTableView*>("GridI"), nullptr);
  QToolBar* bar = d->findChild<QToolBar*>("Toolbar1");
  ASSERT_NE(bar, nullptr);
  QStringList keys, tips;
  for (QAction* a : bar->actions()) {
    keys << a->objectName();
    tips << a->toolTip();
  }
  EXPECT_EQ(keys, (QStringList{"Save", "Plot", "Print", "Unit"}));
  EXPECT_EQ(tips, (QStringList{"Save As", "Plot", "Print", "Unit"}));

  // Both windows draw with a real font.
  EXPECT_FALSE(QFontInfo(m->font()).family().isEmpty());
  const QImage mi = m->grab().toImage();
  const QImage di = d->grab().toImage();
  EXPECT_FALSE(mi.isNull());
  EXPECT_FALSE(di.isNull());
  if (qEnvironmentVariableIsSet("LUX_LOGGER_SHOTS")) {
    mi.save(qEnvironmentVariable("LUX_LOGGER_SHOTS") + "/memory.png");
    di.save(qEnvironmentVariable("LUX_LOGGER_SHOTS") + "/datalist.png");
  }
}
