// Data files back into the file list, the lists saved and printed, the Plot scan, and files that
// are not data files at all.
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <fstream>

#include <sys/stat.h>

#include "PipeWatchdog.h"
#include "RecordsFixture.h"
#include "records/FileTransfer.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

namespace lux::test {
namespace {

using DataFiles = RecordsTest;

// A line of /proc/self/status in kB ("VmRSS:", "VmHWM:"), or -1.
long memoryKb(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (line.startsWith(key))
      return line.mid(static_cast<qsizetype>(strlen(key))).trimmed().split(' ')[0].toLong();
  }
  return -1;
}

// Starts a new peak (VmHWM) from the current use; false where the system cannot.
bool resetPeakMemory() {
  QFile f(QStringLiteral("/proc/self/clear_refs"));
  return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// Strips the one TAB that a grid export adds before each line end.
QByteArray withoutTrailingTabs(QByteArray bytes) {
  return bytes.replace("\t\r\n", "\r\n");
}

TEST_F(DataFiles, RecordOpenSaveRoundTrip) {
  state.recording.samplingTicks = 1;
  startRecording(path("rec.txt"));
  const char* values[] = {"0.5", "12.75", "OL", "3000", "OL", "1"};
  for (const char* v : values) {
    state.display.mainValueText = v;
    tick();
  }
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  const QByteArray recorded = readFile(path("rec.txt"));

  dialogs.answerOpenFile(path("rec.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::Open);
  ListWindow* list = fileList(*ctx);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle(), "rec.txt");
  EXPECT_EQ(list->grid().rows(), 7);
  EXPECT_EQ(list->grid().cell(0, 0), "Lx");
  EXPECT_EQ(list->grid().cell(3, 2), "OL");

  // The file list has no "Save": no dialog (an unexpected one fails the test).
  const std::size_t dialogsBefore = dialogs.shown().size();
  list->toolbarActionTriggered(QStringLiteral("Save"));
  EXPECT_EQ(dialogs.shown().size(), dialogsBefore);

  state.recording.dataFileName = path("saved.txt");
  state.recording.fileNameChosen = true;
  saveGridToFile(*ctx, *list, list->grid());
  const QByteArray saved = readFile(path("saved.txt"));
  EXPECT_FALSE(state.recording.fileNameChosen);
  // Row 0 of the grid holds the unit and the header texts "Time", "Value".
  EXPECT_EQ(withoutTrailingTabs(saved), recorded);
  EXPECT_EQ(saved.count("\t\r\n"), 7);
}

// The minus annunciator belongs to the reading: the file, the live list, the file list read
// back and its plot all hold the signed value.
TEST_F(DataFiles, NegativeReadingKeepsItsSignFromFileToPlot) {
  state.recording.samplingTicks = 1;
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ASSERT_NE(realTimeList(*ctx), nullptr);
  startRecording(path("neg.txt"));
  state.display.mainValueText = "5.0";
  state.display.annNegative = true;
  tick();
  state.display.mainValueText = "OL";  // an overload has no sign, whatever the annunciator
  tick();
  state.display.mainValueText = "2.5";
  state.display.annNegative = false;
  tick();
  EXPECT_EQ(realTimeList(*ctx)->grid().cell(1, 2), "-5.0");
  EXPECT_EQ(realTimeList(*ctx)->grid().cell(2, 2), "OL");
  EXPECT_EQ(realTimeList(*ctx)->grid().cell(3, 2), "2.5");
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_EQ(readFile(path("neg.txt")),
            "Lx\tTime\tValue\r\n1\t09-08:05:08\t-5.0\r\n2\t09-08:05:09\tOL\r\n"
            "3\t09-08:05:10\t2.5\r\n");

  ListWindow* list = readFileIntoFileList(*ctx, path("neg.txt"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->grid().cell(1, 2), "-5.0");
  std::vector<PlotRequest> shown;
  ctx->hooks.showPlot = [&](const PlotRequest& r) { shown.push_back(r); };
  list->toolbarActionTriggered(QStringLiteral("Plot"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].values, (std::vector<float>{-5.0f, 1000000.0f, 2.5f}));
  EXPECT_EQ(shown[0].yMin, -5.0f);
}

TEST_F(DataFiles, CommaSplitsALineAndEmptyUnitReadsBack) {
  writeFile(path("odd.txt"), "\tTime\tValue\r\n1\t01-00:00:01\t1,5\r\n2\t01-00:00:02\tOL\r\n");
  ListWindow* list = readFileIntoFileList(*ctx, path("odd.txt"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->grid().cell(0, 0), "");
  ASSERT_EQ(list->grid().rows(), 4);
  EXPECT_EQ(list->grid().cell(1, 2), "1");
  EXPECT_EQ(list->grid().cell(2, 0), "5");
  EXPECT_EQ(list->grid().cell(2, 1), "");
  EXPECT_EQ(list->grid().cell(3, 2), "OL");
}

TEST_F(DataFiles, OpenReplacesTheFileListAndCancelKeepsIt) {
  writeFile(path("a.txt"), "Fc\tTime\tValue\r\n1\t01-00:00:01\t2\r\n");
  writeFile(path("b.txt"), "Lx\tTime\tValue\r\n");
  ListWindow* first = readFileIntoFileList(*ctx, path("a.txt"));
  ASSERT_NE(first, nullptr);
  QPointer<ListWindow> firstAlive(first);
  dialogs.answerOpenFile(std::nullopt);
  toolbarActionTriggered(*ctx, ToolbarCommand::Open);
  EXPECT_EQ(fileList(*ctx), first);
  EXPECT_EQ(first->grid().rows(), 2);
  ListWindow* second = readFileIntoFileList(*ctx, path("b.txt"));
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_TRUE(!firstAlive || !firstAlive->isVisible());
  EXPECT_EQ(second->grid().rows(), 1);
  EXPECT_EQ(second->grid().cell(0, 0), "Lx");
  EXPECT_EQ(second->grid().cell(0, 1), "Time");
}

TEST_F(DataFiles, SaveCaptionCountsAndComesBack) {
  ListWindow* list = nullptr;
  writeFile(path("c.txt"), "Lx\tTime\tValue\r\n1\t01-00:00:01\t2\r\n2\t01-00:00:02\t3\r\n");
  list = readFileIntoFileList(*ctx, path("c.txt"));
  ASSERT_NE(list, nullptr);
  QStringList captions;
  QObject::connect(list, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
  state.recording.dataFileName = path("c2.txt");
  saveGridToFile(*ctx, *list, list->grid());
  ASSERT_GE(captions.size(), 2);
  EXPECT_EQ(captions.first(), "0 Records Completed");
  EXPECT_EQ(captions.last(), "c.txt");
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

TEST_F(DataFiles, HeaderOnlyGridSavesOneLine) {
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* live = realTimeList(*ctx);
  ASSERT_NE(live, nullptr);
  dialogs.answerSaveFile(path("h.txt"));
  live->toolbarActionTriggered(QStringLiteral("Save"));
  EXPECT_EQ(readFile(path("h.txt")), QByteArray("Lx\tTime\tValue\t\r\n"));
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

TEST_F(DataFiles, LiveListSaveRefusedDuringRecording) {
  startRecording(path("r.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  tick(3);
  ListWindow* live = realTimeList(*ctx);
  ASSERT_NE(live, nullptr);
  dialogs.expectMessage();
  live->toolbarActionTriggered(QStringLiteral("Save"));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0], "Aready in recording mode, close it and try again !");
  EXPECT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(dialogs.busyDepth(), 0);
  // Cancelled Save after the recording: nothing written, pointer back.
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  dialogs.answerSaveFile(std::nullopt);
  live->toolbarActionTriggered(QStringLiteral("Save"));
  EXPECT_FALSE(state.recording.fileNameChosen);
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

TEST_F(DataFiles, SaveToAnUnwritablePlaceTellsTheUser) {
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* live = realTimeList(*ctx);
  ASSERT_NE(live, nullptr);
  tick(2);
  dialogs.answerSaveFile(path("no/such/folder/x.txt")).expectMessage();
  live->toolbarActionTriggered(QStringLiteral("Save"));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("Cannot save to"));
  EXPECT_EQ(live->windowTitle(), "Real Time List");
  if (QFile::exists("/dev/full")) {
    dialogs.answerSaveFile(QStringLiteral("/dev/full")).expectMessage();
    live->toolbarActionTriggered(QStringLiteral("Save"));
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[1],
              "Cannot save to /dev/full\r\n/dev/full is a device; only "
              "plain files can be read or written");
    EXPECT_EQ(live->windowTitle(), "Real Time List");
  }
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

TEST_F(DataFiles, NamedPipeIsRefusedAtOnceByOpenAndBySave) {
  const QString fifo = path("pipe.txt");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  dialogs.answerOpenFile(fifo).expectMessage();
  EXPECT_TRUE(returnsWithoutWaitingOnThePipe(
      fifo, [&] { toolbarActionTriggered(*ctx, ToolbarCommand::Open); }));
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(dialogs.messages()[0], "Cannot read " + fifo + "\r\n" + fifo +
                                       " is a named pipe; only plain files can be read or written");
  EXPECT_EQ(fileList(*ctx), nullptr);

  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* live = realTimeList(*ctx);
  ASSERT_NE(live, nullptr);
  tick(2);
  dialogs.answerSaveFile(fifo).expectMessage();
  EXPECT_TRUE(returnsWithoutWaitingOnThePipe(
      fifo, [&] { live->toolbarActionTriggered(QStringLiteral("Save")); }));
  ASSERT_EQ(dialogs.messages().size(), 2u);
  EXPECT_TRUE(dialogs.messages()[1].endsWith(fifo + " is a named pipe; only plain files can be "
                                                    "read or written"))
      << dialogs.messages()[1].toStdString();
  // A folder is no file either.
  dialogs.answerOpenFile(dir.path()).expectMessage();
  toolbarActionTriggered(*ctx, ToolbarCommand::Open);
  ASSERT_EQ(dialogs.messages().size(), 3u);
  EXPECT_TRUE(
      dialogs.messages()[2].endsWith("is a folder; only plain files can be read or written"));
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

// ---- Plot ----

TEST_F(DataFiles, PlotStartsAtTheFirstOverloadAndWidens) {
  writeFile(path("p.txt"), "Fc\tTime\tValue\r\n1\tt\tOL\r\n2\tt\t4.5\r\n3\tt\tjunk\r\n4\tt\t9\r\n");
  ListWindow* list = readFileIntoFileList(*ctx, path("p.txt"));
  ASSERT_NE(list, nullptr);
  std::vector<PlotRequest> shown;
  ctx->hooks.showPlot = [&](const PlotRequest& r) { shown.push_back(r); };
  list->toolbarActionTriggered(QStringLiteral("Plot"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].unitText, "Fc");
  EXPECT_EQ(shown[0].values, (std::vector<float>{1000000.0f, 4.5f, 0.0f, 9.0f}));
  EXPECT_EQ(shown[0].xMax, 4);
  EXPECT_EQ(shown[0].yMax, 1000000.0f);
  EXPECT_EQ(shown[0].yMin, 0.0f);
  EXPECT_EQ(state.recording.plotUnitText, "Fc");
  EXPECT_EQ(state.recording.plotMinValue, 0.0f);
  EXPECT_EQ(shown[0].pointCount, 4);
}

TEST_F(DataFiles, PlotWithoutRecordsDoesNothing) {
  writeFile(path("e.txt"), "Lx\tTime\tValue\r\n");
  ListWindow* list = readFileIntoFileList(*ctx, path("e.txt"));
  ASSERT_NE(list, nullptr);
  int calls = 0;
  ctx->hooks.showPlot = [&](const PlotRequest&) { ++calls; };
  state.recording.plotMaxValue = 7;
  list->toolbarActionTriggered(QStringLiteral("Plot"));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(state.recording.plotMaxValue, 7);
  // Without a Plot window the scan still runs.
  GridModel g(3);
  g.addItem("1\tt\t5");
  g.addItem("2\tt\t-2");
  state.recording.plotMaxValue = state.recording.plotMinValue = 5;
  ctx->hooks.showPlot = nullptr;
  plotGridColumn(*ctx, g, 2);
  EXPECT_EQ(state.recording.plotMinValue, -2);
}

// ---- Print ----

QString pdfText(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  if (!p.waitForFinished(30000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(DataFiles, PrintToPdfRightAlignsTheColumns) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
  writeFile(path("pr.txt"), "Lx\tTime\tValue\r\n1\t07-14:23:05\t123.4\r\n22\t07-14:23:07\tOL\r\n");
  ListWindow* list = readFileIntoFileList(*ctx, path("pr.txt"));
  ASSERT_NE(list, nullptr);
  poll.setPollEnabled(true);
  bool pollOffWhilePrinting = true;
  QObject::connect(list, &QWidget::windowTitleChanged, [&](const QString& t) {
    if (t.endsWith(" record(s) completed")) pollOffWhilePrinting &= !poll.pollEnabled();
  });
  dialogs.answerPrinter(path("out.pdf"));
  list->toolbarActionTriggered(QStringLiteral("Print"));
  EXPECT_TRUE(pollOffWhilePrinting);
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(list->windowTitle(), "pr.txt");
  EXPECT_EQ(dialogs.busyDepth(), 0);
  const QStringList lines = pdfText(path("out.pdf")).split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 3);
  // Right-aligned: the ends of the columns line up from row to row.
  EXPECT_TRUE(lines[0].trimmed().startsWith("Lx"));
  const int end0 = static_cast<int>(lines[0].indexOf("Lx")) + 2;
  EXPECT_EQ(static_cast<int>(lines[1].indexOf(QRegularExpression("1 "))) + 1, end0)
      << lines[1].toStdString();
  EXPECT_EQ(static_cast<int>(lines[2].indexOf("22")) + 2, end0);
  const int endV = static_cast<int>(lines[0].indexOf("Value")) + 5;
  EXPECT_EQ(static_cast<int>(lines[1].indexOf("123.4")) + 5, endV);
  EXPECT_EQ(static_cast<int>(lines[2].indexOf("OL")) + 2, endV);
  EXPECT_EQ(static_cast<int>(lines[1].indexOf("07-14:23:05")) + 11,
            static_cast<int>(lines[0].indexOf("Time")) + 4);
}

TEST_F(DataFiles, OverlongCellEndsPrintingAtThatRow) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
  writeFile(path("long.txt"),
            "Lx\tTime\tValue\r\n1\tt\t5\r\n" + QByteArray(21, '9') + "\tt\t6\r\n3\tt\t7\r\n");
  ListWindow* list = readFileIntoFileList(*ctx, path("long.txt"));
  ASSERT_NE(list, nullptr);
  poll.setPollEnabled(true);
  dialogs.answerPrinter(path("long.pdf")).expectMessage();
  list->toolbarActionTriggered(QStringLiteral("Print"));
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(list->windowTitle(), "long.txt");
  EXPECT_EQ(dialogs.busyDepth(), 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].contains("row 2"));
  const QString text = pdfText(path("long.pdf"));
  EXPECT_TRUE(text.contains("Value"));
  EXPECT_TRUE(text.contains(QRegularExpression("\\b1\\s+t\\s+5")));
  EXPECT_FALSE(text.contains("999999999"));
  EXPECT_FALSE(text.contains(QRegularExpression("\\b3\\s+t\\s+7")));
}

TEST_F(DataFiles, CancelledPrinterDialogPrintsNothingAndRestores) {
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* live = realTimeList(*ctx);
  ASSERT_NE(live, nullptr);
  poll.setPollEnabled(true);
  dialogs.answerPrinter(std::nullopt);
  live->toolbarActionTriggered(QStringLiteral("Print"));
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(live->windowTitle(), "Real Time List");
  EXPECT_EQ(dialogs.busyDepth(), 0);
}

// ---- files that are not data files ----

TEST_F(DataFiles, BinaryGarbageEmptyFileAndNoLineEnd) {
  QByteArray garbage;
  quint32 x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    garbage.append(static_cast<char>(x >> 24));
  }
  writeFile(path("garbage.bin"), garbage);
  ListWindow* g = readWholeFile(path("garbage.bin"));
  ASSERT_NE(g, nullptr);
  EXPECT_GT(g->grid().rows(), 1);
  for (int r = 0; r < g->grid().rows(); ++r)
    for (int c = 0; c < 3; ++c) ASSERT_LE(g->grid().cell(r, c).size(), 4096);

  writeFile(path("empty.txt"), {});
  ListWindow* e = readFileIntoFileList(*ctx, path("empty.txt"));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->grid().rows(), 1);
  EXPECT_EQ(e->grid().cell(0, 0), "No.s");  // no header line read: the design text stays
  EXPECT_EQ(e->windowTitle(), "empty.txt");

  // 50 MB without a line end: one header field, cut; memory stays small.
  {
    std::ofstream out(path("nolineend.txt").toStdString(), std::ios::binary);
    const std::string chunk(1 << 20, 'Z');
    for (int i = 0; i < 50; ++i) out << chunk;
  }
  const long rssBefore = memoryKb("VmRSS:");
  resetPeakMemory();
  ListWindow* n = readWholeFile(path("nolineend.txt"));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->grid().rows(), 1);
  if (rssBefore > 0 && resetPeakMemory()) {
    // Read whole, the 50 MB field alone would take 50 MB (100 MB as text in the grid).
    EXPECT_LT(memoryKb("VmHWM:") - rssBefore, 16 * 1024) << "peak memory grew too much";
  }

  // Same, but after two good records: they stay.
  {
    std::ofstream out(path("tail.txt").toStdString(), std::ios::binary);
    out << "Lx\tTime\tValue\r\n1\tt\t5\r\n2\tt\t6\r\n";
    const std::string chunk(1 << 20, 'Z');
    for (int i = 0; i < 50; ++i) out << chunk;
  }
  ListWindow* t = readWholeFile(path("tail.txt"));
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->grid().rows(), 4);
  EXPECT_EQ(t->grid().cell(2, 2), "6");
  EXPECT_EQ(t->grid().cell(3, 0).size(), 4096);
}

TEST_F(DataFiles, TwoHundredThousandLines) {
  {
    std::ofstream out(path("big.txt").toStdString(), std::ios::binary);
    out << "Lx\tTime\tValue\r\n";
    for (int i = 1; i <= 200000; ++i) out << i << "\t09-08:05:07\t" << (i % 1000) << ".5\r\n";
  }
  ListWindow* b = readWholeFile(path("big.txt"));
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->grid().rows(), 200001);
  EXPECT_EQ(b->grid().cell(200000, 0), "200000");
  EXPECT_EQ(b->grid().cell(123456, 2), "456.5");
  EXPECT_EQ(b->windowTitle(), "big.txt");
}

// A line of tens of megabytes is read a bounded step per turn of the event loop: the timers
// (the poll's, the recording's) keep firing all through the reading, and the caption counts.
TEST_F(DataFiles, AHugeLineNeverHoldsUpThePoll) {
  {
    std::ofstream out(path("huge.txt").toStdString(), std::ios::binary);
    out << "Lx\tTime\tValue\r\n1\t09-08:05:07\t-5.0\r\n2\t09-08:05:08\t";
    const std::string chunk(1 << 20, 'Z');
    for (int i = 0; i < 32; ++i) out << chunk;
    out << "\r\n3\t09-08:05:09\t7.5\r\n";
  }
  int ticks = 0;
  QTimer pollStandIn;
  pollStandIn.setInterval(0);
  QObject::connect(&pollStandIn, &QTimer::timeout, [&] { ++ticks; });
  pollStandIn.start();
  ListWindow* w = readFileIntoFileList(*ctx, path("huge.txt"));
  ASSERT_NE(w, nullptr);
  // Back long before the end of the file, with what was read so far.
  EXPECT_EQ(w->windowTitle(), "1 Records Completed");
  EXPECT_EQ(w->grid().rows(), 2);
  EXPECT_EQ(w->grid().cell(1, 2), "-5.0");
  for (int turns = 0; w->windowTitle() != "huge.txt" && turns < 100000; ++turns)
    QCoreApplication::processEvents();
  // 32 MB in steps of at most a quarter of a megabyte: well over one tick per megabyte.
  EXPECT_GE(ticks, 32);
  EXPECT_FALSE(w->loading());
  ASSERT_EQ(w->grid().rows(), 4);
  EXPECT_EQ(w->grid().cell(2, 2).size(), 4096 - 14);  // the field is cut at 4096 bytes
  EXPECT_EQ(w->grid().cell(3, 2), "7.5");
  EXPECT_EQ(w->windowTitle(), "huge.txt");
}

// Closing the file list while its file is still being read stops the reading.
TEST_F(DataFiles, ClosingTheFileListStopsItsReading) {
  {
    std::ofstream out(path("many.txt").toStdString(), std::ios::binary);
    out << "Lx\tTime\tValue\r\n";
    for (int i = 1; i <= 20000; ++i) out << i << "\t09-08:05:07\t1.5\r\n";
  }
  QPointer<ListWindow> w = readFileIntoFileList(*ctx, path("many.txt"));
  ASSERT_TRUE(w);
  ASSERT_TRUE(w->loading());
  const int rows = w->grid().rows();
  EXPECT_LT(rows, 20001);
  w->close();
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(!w || w->grid().rows() == rows);
  EXPECT_EQ(fileList(*ctx), nullptr);
}

TEST_F(DataFiles, UnreadableFileTellsAndKeepsTheOpenList) {
  writeFile(path("k.txt"), "Lx\tTime\tValue\r\n1\tt\t1\r\n");
  ListWindow* keep = readFileIntoFileList(*ctx, path("k.txt"));
  ASSERT_NE(keep, nullptr);
  dialogs.answerOpenFile(path("missing.txt")).expectMessage();
  toolbarActionTriggered(*ctx, ToolbarCommand::Open);
  EXPECT_EQ(fileList(*ctx), keep);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("Cannot read"));
}

}  // namespace
}  // namespace lux::test
