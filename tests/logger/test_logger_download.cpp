// The "Memory" command against the simulated meter on the fake clock: guards, empty memory,
// full memory, a dump that stops, the poll handed back, and the erase.
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "LoggerFixture.h"
#include "core/MeterMessages.h"
#include "logger/MemoryDump.h"

using namespace lux;
using namespace lux::test;

namespace {

std::size_t count(const std::string& s, char c) {
  return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

}  // namespace

TEST_F(LoggerTest, EmptyMemorySaysSoAndTheCommandWorksAgain) {
  meter->clearReceived();
  dialogs.expectMessage();
  state.link.pollCount = 7;
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::EmptyMemory);
  EXPECT_EQ(dialogs.messages(), std::vector<QString>{QStringLiteral("No Data in Memory")});
  EXPECT_EQ(memoryWindow(), nullptr);
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(poll.pauses, 1);
  EXPECT_EQ(state.link.pollCount, 0);
  EXPECT_EQ(count(letters(), 'Q'), 0u);

  // Data arrives; the same command now downloads it.
  meter->preloadLoggerSets(2, 5);
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  ASSERT_NE(memoryWindow(), nullptr);
  EXPECT_EQ(memoryWindow()->gridSet().rows(), 3);
  EXPECT_TRUE(dialogs.allAnswered());
}

TEST_F(LoggerTest, RefusedWhileLoggingHoldingOrAlreadyOpen) {
  meter->preloadLoggerSets(1, 3);
  meter->clearReceived();
  state.display.annIntv = true;
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Refused);
  state.display.annIntv = false;
  state.display.annHold = true;
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Refused);
  state.display.annHold = false;
  EXPECT_EQ(letters(), "");
  EXPECT_EQ(poll.pauses, 0);

  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  meter->clearReceived();
  // The window is open: a second "Memory" does nothing until it is closed.
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Refused);
  EXPECT_EQ(letters(), "");
  memoryWindow()->close();
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
}

TEST_F(LoggerTest, ExchangeSendsEnterThenDumpRequest) {
  meter->preloadLoggerSets(1, 3);
  meter->clearReceived();
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  // Handshake, handshake, "H", handshake, "Q": nothing else, and "Q" only once.
  EXPECT_EQ(letters(), "AAHAQ");
}

TEST_F(LoggerTest, SetsOfTheMeterAreListedWithTheirHeaders) {
  meter->preloadLoggerSets(4, 10);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  MemoryWindow* w = memoryWindow();
  ASSERT_NE(w, nullptr);
  GridModel& t = w->gridSet();
  ASSERT_EQ(t.rows(), 5);
  EXPECT_EQ(t.cell(0, 0), "Set");
  EXPECT_EQ(t.cell(0, 1), "Time");
  EXPECT_EQ(t.cell(0, 2), "Sampling");
  EXPECT_EQ(t.cell(0, 3), "Records");
  const auto& sets = meter->loggerSets();
  for (int k = 1; k <= 4; ++k) {
    const sim::LoggerSet& s = sets[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(t.cell(k, 0), QString::number(k));
    EXPECT_EQ(t.cell(k, 1), QString::asprintf("%02d-%02d:%02d:%02d", s.start.day, s.start.hour,
                                              s.start.minute, s.start.second));
    EXPECT_EQ(t.cell(k, 2), QString::number(s.intervalMinutes * 60 + s.intervalSeconds));
    EXPECT_EQ(t.cell(k, 3), "10");
  }
  EXPECT_EQ(t.cell(4, 2), "90");  // the fourth set samples every 1 min 30 s
  EXPECT_EQ(state.logger.loggerSetCount, 4);
  // Each stored set is the meter's bytes of that set, header included.
  const std::string content = meter->loggerContent();
  EXPECT_EQ(state.logger.loggerSets[1], QByteArray(content.data(), 40));
  EXPECT_EQ(state.logger.loggerSets[4], QByteArray(content.data() + 120, 40));
  EXPECT_EQ(w->lblSize().text(), "128 K");
  EXPECT_EQ(w->lblRemain().text(),
            QString::fromStdString(freeMemoryText(meter->loggerAddress())) + " K");
  EXPECT_EQ(w->lblMessage().text(), "100.0% Completed");
  EXPECT_EQ(w->progress().value(), 1000);
  EXPECT_EQ(w->windowTitle(), "Data Logger");
  // Beside the panel, at its right edge.
  // Window frames are the platform's: allow a few pixels.
  EXPECT_NEAR(w->pos().x(), panel->frameGeometry().left() + panel->frameGeometry().width(), 4);
  EXPECT_NEAR(w->pos().y(), panel->frameGeometry().top(), 4);
}

TEST_F(LoggerTest, FullMemoryComesDownWhole) {
  meter->fillLoggerMemory(3);
  ASSERT_EQ(meter->loggerAddress(), 131071u);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  MemoryWindow* w = memoryWindow();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->gridSet().rows(), 4);
  std::size_t records = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::size_t n = meter->loggerSets()[static_cast<std::size_t>(k - 1)].records.size();
    EXPECT_EQ(w->gridSet().cell(k, 3), QString::number(n));
    records += n;
  }
  EXPECT_EQ(records * 3 + 30, 131071u - 1279u);
  EXPECT_EQ(w->lblRemain().text(), "0 K");
  QByteArray joined;
  for (int k = 1; k <= 3; ++k) joined += state.logger.loggerSets[static_cast<std::size_t>(k)];
  EXPECT_EQ(joined.toStdString(), meter->loggerContent());
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(state.link.pollCount, 0);
}

TEST_F(LoggerTest, PacedFullDumpIsReadToItsLastByte) {
  meter->fillLoggerMemory(3);
  meter->setPaced(true);
  const double before = clock.elapsed();
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  const double took = clock.elapsed() - before;
  const double line = (131071.0 - 1279.0 + 16.0) / sim::SimMeter::kBytesPerSecond;
  // Read to the end at the line's own pace: never before the line delivered the bytes, and
  // finished within a few read steps of the last byte (fake time, no machine speed involved).
  EXPECT_GE(took, line);
  EXPECT_LT(took, line + 1.0);
  EXPECT_EQ(memoryWindow()->gridSet().rows(), 4);
}

TEST_F(LoggerTest, DumpThatStopsHalfwayEndsWithAMessageAndListsNothing) {
  meter->preloadLoggerSets(3, 200);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  memoryWindow()->close();
  const int setsBefore = state.logger.loggerSetCount;

  const std::size_t expected = meter->memoryDump().size();
  meter->truncateDumpAfter(expected / 2);
  meter->setPaced(true);
  state.link.pollCount = 9;
  dialogs.expectMessage();
  const double before = clock.elapsed();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::TimedOut);
  const double took = clock.elapsed() - before;
  ASSERT_EQ(dialogs.messages().size(), 1u);
  const QString text = dialogs.messages()[0];
  EXPECT_TRUE(text.contains(QString::number(expected / 2) + " of " + QString::number(expected)))
      << text.toStdString();
  EXPECT_TRUE(text.contains("Nothing was listed")) << text.toStdString();
  // Given up a few seconds after the last byte, not left waiting.
  EXPECT_LT(took, static_cast<double>(expected / 2) / sim::SimMeter::kBytesPerSecond +
                      kDumpSilenceSeconds + 1.0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(memoryWindow(), nullptr);
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_EQ(state.logger.loggerSetCount, setsBefore);
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(state.link.pollCount, 0);

  // The next poll tick restarts the display stream, and the command works again.
  meter->clearReceived();
  pollOnce();
  EXPECT_EQ(letters().substr(0, 2), "AM");
  meter->truncateDumpAfter(std::nullopt);
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
}

TEST_F(LoggerTest, PollRestartsWithStreamAfterADownload) {
  meter->preloadLoggerSets(2, 4);
  state.link.pollCount = 5;  // mid-cycle: the poll would not send "M" on its own
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  EXPECT_EQ(state.link.pollCount, 0);
  meter->clearReceived();
  pollOnce();
  EXPECT_EQ(letters().substr(0, 2), "AM");
}

TEST_F(LoggerTest, UnansweredDumpRequestIsRepeatedThenGivenUp) {
  meter->preloadLoggerSets(1, 3);
  meter->truncateDumpAfter(0);
  meter->clearReceived();
  dialogs.expectMessage();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::NoAnswer);
  EXPECT_EQ(count(letters(), 'Q'), static_cast<std::size_t>(kDumpRequestAttempts));
  EXPECT_EQ(count(letters(), 'H'), static_cast<std::size_t>(kDumpRequestAttempts));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(memoryWindow(), nullptr);
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_TRUE(poll.pollEnabled());
}

TEST_F(LoggerTest, ClosedWindowLetsTheDumpEndBeforeThePollResumes) {
  // The meter cannot be stopped once "Q" is out: closing the window at 10% leaves the rest of
  // the dump coming for about a minute. The program takes it in and drops it, the panel says
  // so, a "Memory" click meanwhile is refused, and the poll starts again only at the end.
  meter->fillLoggerMemory(3);
  meter->setPaced(true);
  std::vector<QString> notes;
  ctx->hooks.showPortNote = [&notes](const QString& note) { notes.push_back(note); };
  double closedAt = -1;
  bool clicked = false;
  dialogs.expectMessage();
  clock.onIdle = [&] {
    MemoryWindow* w = memoryWindow();
    if (closedAt < 0 && w && w->progress().value() > 100) {
      w->close();
      closedAt = clock.elapsed();
    } else if (closedAt >= 0 && !clicked && clock.elapsed() > closedAt + 20) {
      clicked = true;
      EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Refused);
    }
  };
  const double before = clock.elapsed();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Cancelled);
  clock.onIdle = nullptr;
  const double took = clock.elapsed() - before;
  ASSERT_GE(closedAt, 0);
  ASSERT_TRUE(clicked);

  // Received to its last byte at the line's pace, and not a moment's wait beyond.
  const double line = (131071.0 - 1279.0 + 16.0) / sim::SimMeter::kBytesPerSecond;
  EXPECT_GE(took, line);
  EXPECT_LT(took, line + 1.0);
  // Nothing was sent on the line while the rest came in, the refused click included.
  for (const sim::Received& r : meter->received()) {
    EXPECT_LT(r.at, closedAt) << "letter " << r.letter << " at " << r.at;
  }
  // The panel said what the meter was doing, with a progress that only grows (one caption per
  // percent), and gave the port caption back at the end.
  ASSERT_GE(notes.size(), 3u);
  EXPECT_EQ(notes.back(), QString());
  int lastPercent = -1;
  for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
    ASSERT_TRUE(notes[i].startsWith("Memory dump ")) << notes[i].toStdString();
    const int percent = notes[i].mid(12).chopped(1).toInt();
    EXPECT_GT(percent, lastPercent);
    lastPercent = percent;
  }
  EXPECT_GE(notes.front().mid(12).chopped(1).toInt(), 10);
  EXPECT_EQ(notes[notes.size() - 2], "Memory dump 100%");
  ASSERT_EQ(dialogs.messages().size(), 1u);
  EXPECT_TRUE(dialogs.messages()[0].startsWith("The meter is still sending its memory ("))
      << dialogs.messages()[0].toStdString();
  EXPECT_TRUE(dialogs.messages()[0].endsWith("Try again when it has finished."));

  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_FALSE(link->lineHeld());
  EXPECT_EQ(state.logger.loggerSetCount, 0);
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(state.link.pollCount, 0);

  // The poll takes up the stream at once: the meter answers, no reconnection.
  meter->clearReceived();
  pollOnce();
  EXPECT_EQ(letters().substr(0, 2), "AM");
  EXPECT_TRUE(state.link.linkUp);
  // And the next download gets the memory whole.
  meter->setPaced(false);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  QByteArray joined;
  for (int k = 1; k <= state.logger.loggerSetCount; ++k)
    joined += state.logger.loggerSets[static_cast<std::size_t>(k)];
  EXPECT_EQ(joined.toStdString(), meter->loggerContent());
  EXPECT_EQ(memoryWindow()->lblMessage().text(), "100.0% Completed");
}

// The rest of a given-up dump is received in the background, and the meter may pause in the
// middle of it: a pause shorter than three seconds is no end (the poll stays off and nothing is
// sent until the last byte), one of three seconds or more ends the drain three seconds after
// the last byte, and what comes later is not taken for the next dump.
TEST_F(LoggerTest, AGivenUpDumpIsDrainedThroughAPauseInItsMiddle) {
  for (double pause : {2.0, 3.5}) {
    meter->preloadLoggerSets(2, 1500);  // 9036 bytes of dump: 4.7 s at the line's pace
    meter->setPaced(true);
    meter->clearReceived();
    const double dumpSeconds =
        static_cast<double>(meter->memoryDump().size()) / sim::SimMeter::kBytesPerSecond;
    std::vector<QString> notes;
    ctx->hooks.showPortNote = [&notes](const QString& note) { notes.push_back(note); };
    double closedAt = -1, pausedAt = -1;
    bool busyThroughThePause = true;
    clock.onIdle = [&] {
      const LoggerDownload& dl = loggerDownload(*ctx);
      MemoryWindow* w = memoryWindow();
      if (closedAt < 0 && w && w->progress().value() > 100) {
        w->close();
        closedAt = clock.elapsed();
      } else if (closedAt >= 0 && pausedAt < 0 && dl.received() * 2 > dl.expected()) {
        meter->pauseOutput(pause);
        pausedAt = clock.elapsed();
      } else if (pausedAt >= 0 && clock.elapsed() < pausedAt + std::min(pause, 3.0) - 0.05) {
        busyThroughThePause =
            busyThroughThePause && link->lineHeld() && !poll.pollEnabled() && dl.draining();
      }
    };
    const double before = clock.elapsed();
    EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Cancelled) << pause;
    clock.onIdle = nullptr;
    const double ended = clock.elapsed();
    ASSERT_GE(closedAt, 0) << pause;
    ASSERT_GE(pausedAt, 0) << pause;
    EXPECT_TRUE(busyThroughThePause) << pause;
    for (const sim::Received& r : meter->received())
      EXPECT_LT(r.at, closedAt) << pause << ": letter " << r.letter << " at " << r.at;
    EXPECT_FALSE(link->lineHeld());
    EXPECT_TRUE(poll.pollEnabled());
    if (pause < 3.0) {
      // Every byte came in: the line's time plus the pause, and not a moment's wait beyond.
      EXPECT_GE(ended - before, dumpSeconds + 2.0) << pause;
      EXPECT_LT(ended - before, dumpSeconds + 2.0 + 0.5) << pause;
      ASSERT_GE(notes.size(), 2u);
      EXPECT_EQ(notes[notes.size() - 2], "Memory dump 100%");
    } else {
      // Three seconds after the last byte before the pause.
      EXPECT_NEAR(ended - pausedAt, 3.0, 0.05) << pause;
      ASSERT_GE(notes.size(), 2u);
      EXPECT_NE(notes[notes.size() - 2], "Memory dump 100%");
    }
    EXPECT_EQ(notes.back(), QString());
    // The rest of a dump that ended in its pause arrives later; the next download starts on a
    // clean line and gets the memory whole.
    clock.advance(dumpSeconds + pause);
    meter->setPaced(false);
    ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed) << pause;
    QByteArray joined;
    for (int k = 1; k <= state.logger.loggerSetCount; ++k)
      joined += state.logger.loggerSets[static_cast<std::size_t>(k)];
    EXPECT_EQ(joined.toStdString(), meter->loggerContent()) << pause;
    memoryWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    meter->eraseLogger();
  }
}

TEST_F(LoggerTest, ClosingTheWindowWhileTheRequestIsRepeatedSendsNoMoreRequests) {
  // The meter leaves "Q" unanswered; the window is closed while "H" is repeated.
  meter->preloadLoggerSets(2, 5);
  meter->truncateDumpAfter(0);
  meter->clearReceived();
  clock.onIdle = [this] {
    MemoryWindow* w = memoryWindow();
    const std::string sent = letters();
    if (w && count(sent, 'Q') == 1 && sent.back() == 'H') w->close();
  };
  const double before = clock.elapsed();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Cancelled);
  clock.onIdle = nullptr;
  EXPECT_EQ(count(letters(), 'Q'), 1u);
  // A late answer to the "Q" already out would have been dropped: waited for the usual
  // silence, no longer.
  EXPECT_LT(clock.elapsed() - before, 0.2 + 0.2 + kDumpSilenceSeconds + 1.0);
  EXPECT_FALSE(link->lineHeld());
  EXPECT_TRUE(poll.pollEnabled());
  EXPECT_EQ(state.link.pollCount, 0);
  EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(LoggerTest, BytesThatCameBeforeTheDumpRequestAreNotTakenForTheDump) {
  // Bytes arrive after the last handshake, before "Q" goes out (the tail of an earlier dump,
  // a late answer): the dump is read from "Q" on only.
  meter->preloadLoggerSets(3, 7);
  QObject::connect(&loggerDownload(*ctx), &LoggerDownload::memoryFound, [this] {
    meter->injectGarbage(std::string("\x00\x55\xAA\x00\x31\x12\x34", 7));
  });
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  ASSERT_EQ(state.logger.loggerSetCount, 3);
  QByteArray joined;
  for (int k = 1; k <= 3; ++k) joined += state.logger.loggerSets[static_cast<std::size_t>(k)];
  EXPECT_EQ(joined.toStdString(), meter->loggerContent());
  EXPECT_EQ(memoryWindow()->lblMessage().text(), "100.0% Completed");
}

TEST_F(LoggerTest, DamagedDumpListsTheSoundSetsAndSaysSo) {
  std::string content = loggerSetBytes(0x07, 0x10, 0x00, 0x00, 0, 0x01,
                                       {{1, 2, 0x10}, {3, 4, 0x10}, {5, 6, 0x10}, {7, 8, 0x10}});
  content.erase(15, 2);  // two bytes of its second record lost
  content += loggerSetBytes(0x08, 0x11, 0x00, 0x00, 0, 0x02, {{1, 1, 0x10}, {2, 2, 0x10}});
  meter->setRawLoggerContent(content);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  GridModel& t = memoryWindow()->gridSet();
  ASSERT_EQ(t.rows(), 3);
  EXPECT_EQ(t.cell(1, 3), "3");
  EXPECT_EQ(t.cell(2, 1), "08-11:00:00");
  EXPECT_EQ(t.cell(2, 3), "2");
  EXPECT_EQ(memoryWindow()->lblMessage().text(),
            "100.0% Completed - damaged: set 1 cut short, 1 byte(s) skipped");
}

TEST_F(LoggerTest, SetsRunTogetherByADamagedMarkerAreNamedNotCutShort) {
  const std::vector<std::array<std::uint8_t, 3>> three = {{1, 2, 0x10}, {3, 4, 0x10}, {5, 6, 0x10}};
  std::string second = loggerSetBytes(0x08, 0x11, 0x00, 0x00, 0, 0x02, three);
  second[1] = '\x54';  // the second set's marker reads 00 54 AA 00
  meter->setRawLoggerContent(loggerSetBytes(0x07, 0x10, 0x00, 0x00, 0, 0x01, three) + second +
                             loggerSetBytes(0x09, 0x12, 0x00, 0x00, 0, 0x03, three));
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  GridModel& t = memoryWindow()->gridSet();
  ASSERT_EQ(t.rows(), 3);
  EXPECT_EQ(t.cell(1, 1), "07-10:00:00");
  EXPECT_EQ(t.cell(1, 3), "9");  // its own 3 records and the 19 bytes of the second set
  EXPECT_EQ(t.cell(2, 1), "09-12:00:00");
  EXPECT_EQ(memoryWindow()->lblMessage().text(),
            "100.0% Completed - damaged: set 1 ran into the next set (damaged set marker after "
            "record 3): it may hold the next set's records, 1 byte(s) skipped");
}

TEST_F(LoggerTest, FreeMemoryAtTheTopShowsZero) {
  meter->setRawLoggerContent(std::string(131059 - 1279, '\x01'));
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  EXPECT_EQ(memoryWindow()->lblRemain().text(), "0 K");
  EXPECT_EQ(memoryWindow()->gridSet().rows(), 1);  // no marker anywhere: no set
}

TEST_F(LoggerTest, EraseAfterTheWarning) {
  meter->preloadLoggerSets(2, 5);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);

  // Cancel: nothing sent, the window stays.
  meter->clearReceived();
  dialogs.answerConfirm(false);
  memoryWindow()->remainClicked();
  EXPECT_EQ(letters(), "");
  ASSERT_NE(memoryWindow(), nullptr);
  EXPECT_GT(meter->loggerAddress(), 1279u);

  dialogs.answerConfirm(true);
  memoryWindow()->remainClicked();
  ASSERT_GE(dialogs.shown().size(), 2u);
  const ScriptedDialogs::Shown& warning = dialogs.shown().back();
  EXPECT_EQ(warning.kind, ScriptedDialogs::Kind::Confirm);
  EXPECT_EQ(warning.text, "All the data in memory will be deleted!");
  EXPECT_EQ(warning.title, "Warning");
  EXPECT_EQ(letters(), "AE");
  EXPECT_EQ(meter->loggerAddress(), 1279u);
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_FALSE(state.logger.loggerEraseBusy);
  EXPECT_TRUE(poll.pollEnabled());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(memoryWindow(), nullptr);

  // The memory is empty now.
  dialogs.expectMessage();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::EmptyMemory);
}

// A meter that is off when "Memory" is clicked: the download asks for the bound and then says
// so, instead of waiting until the meter is back; nothing but handshakes reaches the line.
TEST_F(LoggerTest, SilentMeterEndsTheDownloadWithTheMessage) {
  meter->preloadLoggerSets(1, 5);
  meter->goSilent(600);
  meter->clearReceived();
  dialogs.expectMessage();
  const double from = clock.elapsed();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::MeterSilent);
  const double took = clock.elapsed() - from;
  EXPECT_GE(took, MeterLink::kAnswerBound - 0.01);
  EXPECT_LT(took, MeterLink::kAnswerBound + 0.1);
  EXPECT_EQ(dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  EXPECT_EQ(letters().find_first_not_of('A'), std::string::npos) << letters();
  EXPECT_EQ(memoryWindow(), nullptr);
  EXPECT_FALSE(state.logger.memoryFormOpen);
  EXPECT_FALSE(link->lineHeld());
  EXPECT_TRUE(poll.pollEnabled());

  // The poll has found it silent: the next click asks once.
  state.link.meterSilent = true;
  dialogs.expectMessage();
  const double again = clock.elapsed();
  EXPECT_EQ(downloadLoggerMemory(*ctx), DownloadResult::MeterSilent);
  EXPECT_LE(clock.elapsed() - again, 0.05);

  // Switched on again, the same click downloads, with the bytes it always sent.
  meter->goSilent(0);
  meter->clearReceived();
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  EXPECT_EQ(letters(), "AAHAQ");
}

// Erasing with the meter gone silent after the download: the message, no "E", the window and
// its sets stay.
TEST_F(LoggerTest, EraseWithASilentMeterSaysSoAndSendsNothing) {
  meter->preloadLoggerSets(2, 5);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  meter->goSilent(600);
  meter->clearReceived();
  dialogs.answerConfirm(true).expectMessage();
  memoryWindow()->remainClicked();
  EXPECT_EQ(dialogs.messages(), std::vector<QString>{meterSilentMessage()});
  EXPECT_EQ(letters().find('E'), std::string::npos) << letters();
  ASSERT_NE(memoryWindow(), nullptr);
  EXPECT_EQ(memoryWindow()->gridSet().rows(), 3);
  EXPECT_FALSE(state.logger.loggerEraseBusy);
  EXPECT_TRUE(poll.pollEnabled());
  meter->goSilent(0);
  EXPECT_GT(meter->loggerAddress(), 1279u);
}

TEST_F(LoggerTest, EraseIsNotStartedTwice) {
  meter->preloadLoggerSets(1, 5);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  state.logger.loggerEraseBusy = true;
  meter->clearReceived();
  memoryWindow()->remainClicked();  // no dialog scripted: none may be shown
  EXPECT_EQ(letters(), "");
  EXPECT_TRUE(dialogs.shown().empty());
}

// Inside the download's waits the line is the download's: neither an erase nor the listing of
// a set may start on it (the user clicking the free-memory figure or a set row meanwhile). The
// erase click waits for the download's end and gets its warning then; a dump that takes longer
// than a click may wait (3 s) answers it with a message instead.
TEST_F(LoggerTest, NoEraseAndNoListingWhileTheDumpIsRead) {
  meter->preloadLoggerSets(2, 40);
  int tries = 0;
  clock.onIdle = [&] {
    if (!memoryWindow() || !link->lineHeld() || tries > 0) return;
    ++tries;
    eraseLoggerMemory(*ctx);  // no dialog scripted yet: none may be shown inside the dump
    listLoggerSet(*ctx, 1);
  };
  meter->clearReceived();
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  clock.onIdle = nullptr;
  EXPECT_EQ(tries, 1);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(ctx->logger.dataListWindow.data(), nullptr);
  EXPECT_EQ(count(letters(), 'E'), 0u);
  EXPECT_FALSE(link->lineHeld());
  // Once the download is over the waiting erase asks its question (answered Cancel here).
  dialogs.answerConfirm(false);
  clock.idle(0);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].text, "All the data in memory will be deleted!");
  EXPECT_EQ(count(letters(), 'E'), 0u);
  // And a set lists again.
  listLoggerSet(*ctx, 1);
  EXPECT_NE(ctx->logger.dataListWindow.data(), nullptr);

  // A full memory at the line's pace takes a minute: the click is refused after 3 s.
  memoryWindow()->close();
  meter->fillLoggerMemory(1);
  meter->setPaced(true);
  double clickedAt = -1, answeredAt = -1;
  dialogs.expectMessage();
  clock.onIdle = [&] {
    if (clickedAt < 0 && memoryWindow() && link->lineHeld() && clock.elapsed() > 0) {
      clickedAt = clock.elapsed();
      eraseLoggerMemory(*ctx);
    } else if (answeredAt < 0 && dialogs.messages().size() == 1) {
      answeredAt = clock.elapsed();
    }
  };
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  clock.onIdle = nullptr;
  clock.idle(0);
  ASSERT_GE(answeredAt, 0);
  EXPECT_NEAR(answeredAt - clickedAt, 3.0, 0.1);
  EXPECT_EQ(dialogs.messages(), std::vector<QString>{meterBusyMessage()});
  EXPECT_EQ(dialogs.shown().size(), 2u) << "no warning after the refusal";
  EXPECT_EQ(count(letters(), 'E'), 0u);
}

// About one click in three landed inside a poll tick and was dropped: every click on the
// free-memory figure gets its warning, inside a tick (right after it) or between ticks.
TEST_F(LoggerTest, EveryClickOnTheFreeMemoryFigureGetsItsWarning) {
  meter->preloadLoggerSets(1, 5);
  ASSERT_EQ(downloadLoggerMemory(*ctx), DownloadResult::Listed);
  const std::size_t before = dialogs.shown().size();
  for (int click = 0; click < 16; ++click) {
    dialogs.answerConfirm(false);
    if (click % 2 == 0) {
      bool clicked = false;
      clock.onIdle = [&] {
        if (!clicked && link->lineUser() == LineUser::Poll) {
          clicked = true;
          memoryWindow()->remainClicked();
        }
      };
      state.link.pollCount = click % 4 == 0 ? 0 : 3;  // with and without the stream's restart
      pollOnce();
      clock.onIdle = nullptr;
      ASSERT_TRUE(clicked) << click;
      clock.idle(0);  // the event loop again: the erase runs now
    } else {
      memoryWindow()->remainClicked();
    }
    ASSERT_EQ(dialogs.shown().size(), before + static_cast<std::size_t>(click) + 1)
        << "click " << click << " got no warning";
    EXPECT_EQ(dialogs.shown().back().title, "Warning");
  }
  EXPECT_TRUE(dialogs.allAnswered());
  EXPECT_EQ(count(letters(), 'E'), 0u);
  ASSERT_NE(memoryWindow(), nullptr);
  EXPECT_FALSE(state.logger.loggerEraseBusy);
}

TEST_F(LoggerTest, MemoryCommandIsInstalled) {
  ASSERT_TRUE(ctx->hooks.commands.has(ToolbarCommand::Memory));
  meter->preloadLoggerSets(1, 2);
  memoryCommand();
  ASSERT_NE(memoryWindow(), nullptr);
  EXPECT_EQ(memoryWindow()->gridSet().rows(), 2);
}
