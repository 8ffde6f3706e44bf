// The recording tick on the fake clock: sampling phase, the data file byte for byte, the stop
// conditions of both destinations, the panel's labels and first button, and a data file that
// can no longer be written.
#include <sys/resource.h>
#include <unistd.h>
#include <QHeaderView>
#include <QScrollBar>
#include <csignal>

#include "RecordsFixture.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "ui/GridModel.h"
#include "ui/GridView.h"

namespace lux::test {
namespace {

using RecordingTick = RecordsTest;

// Number of record lines in a data file (the header excluded).
int recordLines(const QByteArray& bytes) {
  return static_cast<int>(bytes.count("\r\n")) - 1;
}

TEST_F(RecordingTick, SamplesEveryNTicksAndAtOnceAfterAReset) {
  startRecording(path("n.txt"));
  ASSERT_TRUE(state.recording.fileRecording);
  // Start-up: samplingTicks 2, samplingTickCount 0 -> first tick samples, then every 2nd.
  std::vector<int> countAfterTick;
  for (int i = 0; i < 7; ++i) {
    tick();
    countAfterTick.push_back(static_cast<int>(state.recording.fileRecordCount));
  }
  EXPECT_EQ(countAfterTick, (std::vector<int>{1, 1, 2, 2, 3, 3, 4}));

  state.recording.samplingTicks = 1;
  tick(3);
  EXPECT_EQ(state.recording.fileRecordCount, 7);

  // Period 5; mid-period the sampling choice resets the counter: the very next tick samples.
  state.recording.samplingTicks = 5;
  tick(2);
  EXPECT_EQ(state.recording.fileRecordCount, 7);
  state.recording.samplingTickCount = 0;
  tick();
  EXPECT_EQ(state.recording.fileRecordCount, 8);
  tick(4);
  EXPECT_EQ(state.recording.fileRecordCount, 8);
  tick();
  EXPECT_EQ(state.recording.fileRecordCount, 9);
}

TEST_F(RecordingTick, PeriodOfOneDayCountsUpTo86400) {
  state.recording.samplingTicks = 86400;
  state.recording.samplingTickCount = 0;
  startRecording(path("day.txt"));
  tick();
  EXPECT_EQ(state.recording.fileRecordCount, 1);
  tick(86399);
  EXPECT_EQ(state.recording.samplingTickCount, 86400);
  EXPECT_EQ(state.recording.fileRecordCount, 1);
  tick();
  EXPECT_EQ(state.recording.fileRecordCount, 2);
  EXPECT_EQ(state.recording.samplingTickCount, 1);
  // Both records carry the same time of day, one day apart.
  const QList<QByteArray> lines = readFile(path("day.txt")).split('\n');
  EXPECT_EQ(lines[1], "1\t09-08:05:08\t123.4\r");
  EXPECT_EQ(lines[2], "2\t10-08:05:08\t123.4\r");
}

TEST_F(RecordingTick, ThreeRecordsByteForByteAndTheLabels) {
  state.recording.samplingTicks = 2;
  startRecording(path("three.txt"));
  EXPECT_EQ(labelText("LblFileName"), "three.txt");
  EXPECT_EQ(saveButton()->toolTip(), "Stop Recording");
  EXPECT_TRUE(label("LblRec")->isVisibleTo(panel.get()));
  tick();  // 08:05:08
  EXPECT_EQ(labelText("LblCount"), "1");
  EXPECT_EQ(labelText("LblRec"), "Rec");
  state.display.mainValueText = "123.6";
  tick(2);  // 08:05:10
  state.display.mainValueText = "OL";
  tick(2);  // 08:05:12
  EXPECT_EQ(labelText("LblCount"), "3");
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);  // manual stop
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_FALSE(state.recording.fileNameChosen);
  EXPECT_EQ(saveButton()->toolTip(), "Save As");
  EXPECT_FALSE(label("LblRec")->isVisibleTo(panel.get()));
  EXPECT_EQ(labelText("LblCount"), "");
  EXPECT_EQ(labelText("LblFileName"), "");
  EXPECT_EQ(readFile(path("three.txt")), QByteArray("Lx\tTime\tValue\r\n"
                                                    "1\t09-08:05:08\t123.4\r\n"
                                                    "2\t09-08:05:10\t123.6\r\n"
                                                    "3\t09-08:05:12\tOL\r\n"));
  // Labels stay blank after every idle tick.
  const QByteArray written = readFile(path("three.txt"));
  for (int i = 0; i < 4; ++i) {
    tick();
    EXPECT_EQ(shownText("LblCount"), "");
    EXPECT_EQ(shownText("LblRec"), "");
    EXPECT_EQ(shownText("LblFileName"), "");
  }
  EXPECT_EQ(readFile(path("three.txt")), written);
}

TEST_F(RecordingTick, ZeroSampleFileAndEmptyUnit) {
  state.display.unitText = "";
  startRecording(path("zero.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_EQ(readFile(path("zero.txt")), QByteArray("\tTime\tValue\r\n"));
}

TEST_F(RecordingTick, CancelledSaveDialogStartsNothing) {
  state.recording.fileNameChosen = true;
  dialogs.answerSaveFile(std::nullopt);
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_FALSE(state.recording.fileNameChosen);
  EXPECT_EQ(saveButton()->toolTip(), "Save As");
}

TEST_F(RecordingTick, UnitChangeStopsBothDestinationsAtTheirNextSample) {
  state.recording.samplingTicks = 1;
  startRecording(path("unit.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ASSERT_NE(realTimeList(*ctx), nullptr);
  tick(3);
  state.display.unitText = "Fc";
  tick();
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_FALSE(state.recording.listRecording);
  EXPECT_EQ(realTimeList(*ctx), nullptr);
  EXPECT_EQ(recordLines(readFile(path("unit.txt"))), 3);
  EXPECT_EQ(saveButton()->toolTip(), "Save As");
  EXPECT_EQ(labelText("LblCount"), "");
  EXPECT_EQ(labelText("LblFileName"), "");
}

TEST_F(RecordingTick, EachModeAnnunciatorStopsBothDestinations) {
  bool DisplayState::*const modes[] = {&DisplayState::annRel,          &DisplayState::annRef,
                                       &DisplayState::annUpperPercent, &DisplayState::annCd,
                                       &DisplayState::annFcHour,       &DisplayState::annLxHour,
                                       &DisplayState::annSetUp};
  int i = 0;
  for (auto mode : modes) {
    SCOPED_TRACE(i);
    state.display = DisplayState{};
    state.display.unitText = "Lx";
    state.display.mainValueText = "5.0";
    state.recording.samplingTicks = 2;
    state.recording.samplingTickCount = 0;
    const QString file = path(QStringLiteral("mode%1.txt").arg(i++));
    startRecording(file);
    toolbarActionTriggered(*ctx, ToolbarCommand::List);
    ASSERT_TRUE(state.recording.fileRecording);
    ASSERT_TRUE(state.recording.listRecording);
    tick(3);  // records 1 and 2
    state.display.*mode = true;
    tick();  // between samples: nothing happens yet
    EXPECT_TRUE(state.recording.fileRecording);
    EXPECT_TRUE(state.recording.listRecording);
    tick();  // the next sample stops both
    EXPECT_FALSE(state.recording.fileRecording);
    EXPECT_FALSE(state.recording.listRecording);
    EXPECT_EQ(recordLines(readFile(file)), 2);
    QCoreApplication::processEvents();
  }
}

TEST_F(RecordingTick, CompDoesNotStopButBlocksTheButton) {
  state.recording.samplingTicks = 1;
  startRecording(path("comp.txt"));
  tick(2);
  state.display.annComp = true;
  tick(2);
  EXPECT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(state.recording.fileRecordCount, 4);
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);  // refused: no stop
  EXPECT_TRUE(state.recording.fileRecording);
  toolbarActionTriggered(*ctx, ToolbarCommand::List);  // refused: no list
  EXPECT_FALSE(state.recording.listRecording);
  state.display.annComp = false;
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_FALSE(state.recording.fileRecording);
  // And with COMP shown no recording starts (no dialog is shown either).
  state.display.annComp = true;
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_EQ(recordLines(readFile(path("comp.txt"))), 4);
}

TEST_F(RecordingTick, HundredThousandthRecordIsTheLast) {
  state.recording.samplingTicks = 1;
  startRecording(path("max.txt"));
  tick(100000);
  EXPECT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(state.recording.fileRecordCount, 100000);
  EXPECT_EQ(labelText("LblCount"), "100000");
  tick();
  EXPECT_FALSE(state.recording.fileRecording);
  tick(3);
  const QByteArray bytes = readFile(path("max.txt"));
  EXPECT_EQ(recordLines(bytes), 100000);
  EXPECT_TRUE(bytes.endsWith("\r\n")) << "last line complete";
  const qsizetype lastLine = bytes.lastIndexOf("\r\n", bytes.size() - 3);
  EXPECT_TRUE(bytes.mid(lastLine + 2).startsWith("100000\t"));
}

TEST_F(RecordingTick, LiveListRowsScrollingAndRestart) {
  state.display.unitText = "Fc";
  state.recording.samplingTicks = 1;
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  toolbarActionTriggered(*ctx, ToolbarCommand::List);  // second click: still one window
  EXPECT_EQ(panel->findChildren<ListWindow*>().size(), 1);
  ListWindow* w = realTimeList(*ctx);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Real Time List");
  EXPECT_EQ(w->grid().cell(0, 0), "Fc");
  EXPECT_EQ(w->grid().cell(0, 1), "Time");
  EXPECT_EQ(w->grid().cell(0, 2), "Value");
  // Just right of the panel, top edges level.
  EXPECT_EQ(w->frameGeometry().x(), panel->frameGeometry().x() + panel->frameGeometry().width());
  EXPECT_EQ(w->frameGeometry().y(), panel->frameGeometry().y());

  tick(15);
  EXPECT_EQ(w->grid().rows(), 16);
  EXPECT_EQ(w->view().topRow(), 1);
  EXPECT_EQ(w->grid().cell(15, 0), "15");
  EXPECT_EQ(w->grid().cell(15, 1), "09-08:05:22");
  EXPECT_EQ(w->grid().cell(15, 2), "123.4");
  EXPECT_EQ(w->view().selectedGridRow(), 15);
  // From row 16 on, one row of scroll per record; the newest row is in view.
  for (int k = 1; k <= 5; ++k) {
    tick();
    EXPECT_EQ(w->view().topRow(), 1 + k);
    const int last = w->grid().rows() - 1;
    const QRect r = w->view().visualRect(w->grid().index(last, 0));
    EXPECT_TRUE(w->view().viewport()->rect().contains(r)) << "row " << last << " not in view";
  }
  // The file destination is idle meanwhile: its labels stay blank.
  EXPECT_EQ(labelText("LblCount"), "");

  w->close();
  EXPECT_FALSE(state.recording.listRecording);
  EXPECT_EQ(state.recording.listRecordCount, 0);
  tick(2);  // no window, no rows
  state.display.unitText = "Lx";
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* again = realTimeList(*ctx);
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again, w);
  EXPECT_EQ(again->grid().rows(), 1);
  EXPECT_EQ(again->grid().cell(0, 0), "Lx");
  tick();
  EXPECT_EQ(again->grid().cell(1, 0), "1");
}

TEST_F(RecordingTick, LiveListShowsItsHundredThousandthRowThenCloses) {
  state.recording.samplingTicks = 1;
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  ListWindow* w = realTimeList(*ctx);
  ASSERT_NE(w, nullptr);
  state.recording.listRecordCount = 99998;  // skip ahead: the row numbers tell the rest
  tick();
  EXPECT_TRUE(state.recording.listRecording);
  tick();
  EXPECT_EQ(w->grid().cell(w->grid().rows() - 1, 0), "100000");
  EXPECT_FALSE(state.recording.listRecording);
  EXPECT_EQ(realTimeList(*ctx), nullptr);
}

// ---- a data file that can no longer be written ----

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit l = old_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(RecordingTick, FullMediumStopsTheRecordingKeepsEveryLineAndTells) {
  state.recording.samplingTicks = 1;
  startRecording(path("full.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  tick(3);
  const QByteArray before = readFile(path("full.txt"));
  ASSERT_EQ(recordLines(before), 3);
  {
    // Room for half a line more: the medium fills up in the middle of record 4.
    FileSizeLimit limit(static_cast<rlim_t>(before.size() + 10));
    dialogs.expectMessage();
    tick();
  }
  EXPECT_TRUE(dialogs.messages().empty()) << "the message waits until the tick is over";
  QCoreApplication::processEvents();
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_EQ(state.recording.fileRecordCount, 0);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].contains("Recording stopped"));
  EXPECT_TRUE(dialogs.messages()[0].contains("3 record(s)"));
  EXPECT_EQ(saveButton()->toolTip(), "Save As");
  EXPECT_EQ(labelText("LblCount"), "");
  // Records 1-3 intact, no half of record 4.
  EXPECT_EQ(readFile(path("full.txt")), before);
  tick(3);  // nothing more is written, no further message
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs.messages().size(), 1u);
  EXPECT_EQ(readFile(path("full.txt")), before);
  // The live list went on sampling through it all: 3 + 1 + 3 rows.
  ASSERT_NE(realTimeList(*ctx), nullptr);
  EXPECT_EQ(realTimeList(*ctx)->grid().rows() - 1, 7);
}

TEST_F(RecordingTick, AFileWrittenOverInPlaceIsNotSaidToKeepTheRecords) {
  state.recording.samplingTicks = 1;
  startRecording(path("over.txt"));
  tick(3);
  const QByteArray before = readFile(path("over.txt"));
  ASSERT_EQ(recordLines(before), 3);
  {
    // Another program writes over the same file, longer than the recording was.
    QFile f(path("over.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(before.size() + 40, 'x'));
  }
  {
    FileSizeLimit limit(static_cast<rlim_t>(before.size()));  // the next record cannot go in
    dialogs.expectMessage();
    tick();
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(state.recording.fileRecording);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const QString message = dialogs.messages()[0];
  EXPECT_FALSE(message.contains("kept")) << message.toStdString();
  EXPECT_TRUE(message.contains("3 record(s) written before were lost")) << message.toStdString();
}

TEST_F(RecordingTick, DevFullRefusesToStartWithAMessage) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full here";
  dialogs.answerSaveFile(QStringLiteral("/dev/full")).expectMessage();
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_EQ(saveButton()->toolTip(), "Save As");
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("Cannot record to /dev/full"));
}

TEST_F(RecordingTick, RemovedFileStopsTheRecordingAndPutsTheRecordsBack) {
  state.recording.samplingTicks = 1;
  startRecording(path("gone.txt"));
  tick(2);
  const QByteArray before = readFile(path("gone.txt"));
  ASSERT_TRUE(QFile::remove(path("gone.txt")));
  dialogs.expectMessage();
  tick();
  QCoreApplication::processEvents();
  EXPECT_FALSE(state.recording.fileRecording);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].contains("removed"));
  EXPECT_EQ(readFile(path("gone.txt")), before);
}

TEST_F(RecordingTick, SilentMeterWritesNothingThePanelShowsTheOutageAndTheEndTellsHowMany) {
  state.recording.samplingTicks = 1;
  startRecording(path("silent.txt"));
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  tick(2);
  silentTick(3);
  EXPECT_EQ(labelText("LblCount"), "2 (no reading)");
  EXPECT_EQ(recordLines(readFile(path("silent.txt"))), 2);
  ASSERT_NE(realTimeList(*ctx), nullptr);
  EXPECT_EQ(realTimeList(*ctx)->grid().rows() - 1, 2);
  tick();
  EXPECT_EQ(labelText("LblCount"), "3");
  EXPECT_EQ(labelText("LblRec"), "Rec");
  const QByteArray bytes = readFile(path("silent.txt"));
  // 08:05:08 and :09 measured, :10 to :12 silent, :13 measured again as record 3.
  EXPECT_TRUE(bytes.endsWith("2\t09-08:05:09\t123.4\r\n3\t09-08:05:13\t123.4\r\n"))
      << bytes.toStdString();
  EXPECT_EQ(realTimeList(*ctx)->grid().cell(3, 0), "3");
  dialogs.expectMessage();
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  QCoreApplication::processEvents();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("3 sampling moment(s) had no reading"))
      << dialogs.messages()[0].toStdString();
}

TEST_F(RecordingTick, TheEndsMessageWaitsForAPollTickInProgress) {
  state.recording.samplingTicks = 1;
  startRecording(path("gap.txt"));
  tick();
  silentTick(2);
  state.display.annRel = true;  // the meter leaves plain measuring: the recording ends
  tick();
  ASSERT_FALSE(state.recording.fileRecording);
  dialogs.expectMessage();
  // The next poll tick's waits run the event loop: the box must not open inside the tick, where
  // it would hold the poll until the user closed it.
  link->pollTick([](const QByteArray&) { return false; });
  EXPECT_TRUE(dialogs.messages().empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("2 sampling moment(s) had no reading"))
      << dialogs.messages()[0].toStdString();
}

TEST_F(RecordingTick, RecordingStopsWithoutAMessageWhenNoMomentWasMissed) {
  state.recording.samplingTicks = 1;
  startRecording(path("whole.txt"));
  tick(3);
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs.messages().empty());
}

// ---- the toolbar ----

TEST_F(RecordingTick, ToolbarHasTwelveKeyedButtonsInOrder) {
  const QList<QAction*> actions = panel->findChild<QToolBar*>("Toolbar1")->actions();
  const QStringList keys{"Save",   "Open", "PC",   "List", "Graph",   "TimeSet",
                         "Memory", "CD",   "Comp", "Hold", "Buttons", "ESC"};
  const QStringList tips{
      "Save As",          "Open File to Read",  "PC Sampling Rate",
      "List Display",     "Graphic Display",    "Set Meter Time to PC System Time",
      "Data Logger",      "Luminous Intensity", "Comparator",
      "Set Time to Hold", "Control Panel",      "Back to Normal Mode"};
  ASSERT_EQ(actions.size(), 12);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(actions[i]->objectName(), keys[i]);
    EXPECT_EQ(actions[i]->toolTip(), tips[i]);
    EXPECT_FALSE(actions[i]->icon().pixmap(16, 16).isNull()) << keys[i].toStdString();
  }
  // The recording look has its own image.
  const QImage idle = saveButton()->icon().pixmap(16, 16).toImage();
  setSaveButtonLook(saveButton(), true);
  EXPECT_NE(saveButton()->icon().pixmap(16, 16).toImage(), idle);
}

// A new icon engine files its pictures in the pixmap cache afresh, and what an engine that is
// gone left there is never drawn again: the Save button's look with every record, or the live
// list's toolbar each time the list opens again, grew the program for half an hour.
TEST_F(RecordingTick, RecordsAndReopenedWindowsDrawTheSameIconsAgain) {
  const qint64 idle = saveButton()->icon().cacheKey();
  state.recording.samplingTicks = 1;
  startRecording(path("icons.txt"));
  const qint64 recording = saveButton()->icon().cacheKey();
  EXPECT_NE(recording, idle);
  for (int i = 0; i < 5; ++i) {
    tick();
    EXPECT_EQ(saveButton()->icon().cacheKey(), recording) << "record " << i + 1;
  }
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  EXPECT_EQ(saveButton()->icon().cacheKey(), idle);
  startRecording(path("icons2.txt"));
  tick();
  EXPECT_EQ(saveButton()->icon().cacheKey(), recording) << "the second file's look";

  auto listIcons = [&] {
    QList<qint64> keys;
    ListWindow* w = realTimeList(*ctx);
    if (w)
      for (QAction* a : w->toolbar().actions())
        if (!a->icon().isNull()) keys << a->icon().cacheKey();
    return keys;
  };
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  const QList<qint64> first = listIcons();
  ASSERT_FALSE(first.isEmpty());
  realTimeList(*ctx)->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  EXPECT_EQ(listIcons(), first);
}

TEST_F(RecordingTick, OtherKeysGoToTheirHooksOrDoNothing) {
  QStringList ran;
  ctx->hooks.commands.add(ToolbarCommand::Graph, [&] { ran << "Graph"; });
  ctx->hooks.commands.add(ToolbarCommand::Memory, [&] { ran << "Memory"; });
  // The records subsystem alone is installed here: the others' commands are not registered.
  for (ToolbarCommand k :
       {ToolbarCommand::Graph, ToolbarCommand::TimeSet, ToolbarCommand::Memory, ToolbarCommand::CD,
        ToolbarCommand::Comp, ToolbarCommand::Hold, ToolbarCommand::Buttons})
    toolbarActionTriggered(*ctx, k);
  EXPECT_EQ(ran, (QStringList{"Graph", "Memory"}));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RecordingTick, RefModeIgnoresSaveAndList) {
  state.display.annRef = true;
  toolbarActionTriggered(*ctx, ToolbarCommand::Save);
  toolbarActionTriggered(*ctx, ToolbarCommand::List);
  EXPECT_FALSE(state.recording.fileRecording);
  EXPECT_FALSE(state.recording.listRecording);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RecordingTick, OpenDuringRecordingShowsTheTwoLineMessage) {
  state.recording.samplingTicks = 1;
  startRecording(path("busy.txt"));
  tick();
  dialogs.expectMessage();
  toolbarActionTriggered(*ctx, ToolbarCommand::Open);
  ASSERT_EQ(dialogs.messages().size(), 1u);
  // One line break between the two lines: a CR after the LF would show as an empty line.
  EXPECT_EQ(dialogs.messages()[0], QString("Recording Mode!\nPlease stop recording!"));
  EXPECT_TRUE(state.recording.fileRecording);
  tick();
  EXPECT_EQ(state.recording.fileRecordCount, 2);
}

TEST_F(RecordingTick, EscSendsEnterWithThePollOff) {
  bool pollDuringExchange = true;
  meter->clearReceived();
  clock.onIdle = [&] { pollDuringExchange = pollDuringExchange && !poll.pollEnabled(); };
  toolbarActionTriggered(*ctx, ToolbarCommand::Esc);
  clock.onIdle = nullptr;
  EXPECT_EQ(meter->receivedLetters(), "AH");
  EXPECT_TRUE(pollDuringExchange);
  EXPECT_TRUE(poll.pollEnabled());
}

}  // namespace
}  // namespace lux::test
