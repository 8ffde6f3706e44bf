// The logger download engine on its own, as a program without windows uses it: the simulated
// meter behind MeterLink on the fake clock, no Context, no widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <memory>
#include <vector>

#include "link/LoggerValue.h"
#include "link/MeterLink.h"
#include "logger/engine/LoggerDownload.h"
#include "logger/engine/LoggerListing.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/SimSerialPort.h"

using namespace lux;
using namespace lux::test;

namespace {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    sim::SimMeter::Options o;
    o.drift = false;
    meter = std::make_unique<sim::SimMeter>(o);
    port = std::make_unique<SimSerialPort>(*meter, [this] { return clock.elapsed(); });
    linkState.portName = QStringLiteral("sim");
    link = std::make_unique<MeterLink>(*port, clock, linkState);
    QString reason;
    EXPECT_TRUE(link->openLink(&reason)) << reason.toStdString();
    download = std::make_unique<LoggerDownload>(*link);
    QObject::connect(download.get(), &LoggerDownload::progress,
                     [this](qint64 r, qint64 e) { progress.emplace_back(r, e); });
    QObject::connect(download.get(), &LoggerDownload::memoryFound,
                     [this](quint32 a) { found.push_back(a); });
  }

  std::string joinedSets() const {
    std::string s;
    for (const DownloadedSet& set : download->sets()) s += set.bytes.toStdString();
    return s;
  }

  FakeClock clock;
  std::unique_ptr<sim::SimMeter> meter;
  std::unique_ptr<SimSerialPort> port;
  LinkState linkState;
  std::unique_ptr<MeterLink> link;
  std::unique_ptr<LoggerDownload> download;
  std::vector<std::pair<qint64, qint64>> progress;
  std::vector<quint32> found;
};

}  // namespace

TEST_F(EngineTest, DownloadsAndListsWithoutAnyWindow) {
  meter->preloadLoggerSets(3, 400);
  meter->setPaced(true);
  meter->clearReceived();
  const qsizetype windows = QApplication::topLevelWidgets().size();
  ASSERT_EQ(download->run(), DownloadResult::Listed);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
  EXPECT_EQ(meter->receivedLetters(), "AAHAQ");
  EXPECT_EQ(found, std::vector<quint32>{meter->loggerAddress()});

  const auto expected = static_cast<qint64>(meter->memoryDump().size());
  EXPECT_EQ(download->expected(), static_cast<std::size_t>(expected));
  ASSERT_GE(progress.size(), 20u);  // paced: read over many steps
  for (std::size_t i = 1; i < progress.size(); ++i) {
    EXPECT_GE(progress[i].first, progress[i - 1].first);
    EXPECT_EQ(progress[i].second, expected);
  }
  EXPECT_EQ(progress.back().first, expected);
  EXPECT_EQ(download->percentText(), "100.0");

  ASSERT_EQ(download->sets().size(), 3u);
  EXPECT_EQ(joinedSets(), meter->loggerContent());
  EXPECT_TRUE(download->damageText().isEmpty());
  const sim::LoggerSet& second = meter->loggerSets()[1];
  const DownloadedSet& set = download->sets()[1];
  EXPECT_EQ(set.info.records, 400u);
  EXPECT_EQ(set.info.timeText,
            QString::asprintf("%02d-%02d:%02d:%02d", second.start.day, second.start.hour,
                              second.start.minute, second.start.second)
                .toStdString());

  // Its rows: one per record, numbered, stamped every interval, lux and foot-candles.
  std::vector<qsizetype> steps;
  const std::vector<ListedRecord> rows =
      listSetRecords(set.bytes, QString::fromStdString(set.info.timeText), set.info.intervalSeconds,
                     QDate(2026, 3, 9), [&steps](qsizetype n, qsizetype count) {
                       EXPECT_EQ(count, 400);
                       steps.push_back(n);
                     });
  ASSERT_EQ(rows.size(), 400u);
  EXPECT_EQ(steps.size(), 400u);
  EXPECT_EQ(steps.back(), 400);
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const sim::LoggerRecord& r = second.records[n];
    EXPECT_EQ(rows[n].number, QString::number(n + 1));
    // The row carries the texts of the meter's own record n (not a neighbour's bytes).
    std::array<std::string, 2> texts;
    ASSERT_TRUE(formatLoggerValue(r.high, r.low, r.range, texts));
    EXPECT_EQ(rows[n].lux.toStdString(), texts[0]) << n;
    EXPECT_EQ(rows[n].fc.toStdString(), texts[1]) << n;
  }
  EXPECT_EQ(rows[0].time, QString::fromStdString(set.info.timeText));
  EXPECT_NE(rows[1].time, rows[0].time);
}

TEST_F(EngineTest, AStoppedDumpKeepsTheSetsOfTheLastWholeOne) {
  meter->preloadLoggerSets(2, 30);
  ASSERT_EQ(download->run(), DownloadResult::Listed);
  const std::string before = joinedSets();

  const std::size_t whole = meter->memoryDump().size();
  meter->truncateDumpAfter(whole / 2);
  EXPECT_EQ(download->run(), DownloadResult::TimedOut);
  EXPECT_EQ(download->received(), whole / 2);
  EXPECT_EQ(download->expected(), whole);
  EXPECT_FALSE(download->running());
  EXPECT_EQ(joinedSets(), before);

  meter->eraseLogger();
  EXPECT_EQ(download->run(), DownloadResult::EmptyMemory);
  EXPECT_EQ(joinedSets(), before);
}

TEST_F(EngineTest, ADumpThatStopsAcrossMidnightStillEndsAfterItsSilence) {
  meter->preloadLoggerSets(2, 30);
  const std::size_t whole = meter->memoryDump().size();
  meter->truncateDumpAfter(whole / 2);
  // The PC clock reads seconds since midnight: the silence starts before 0:00 and ends after.
  clock.setDateTime(QDateTime(QDate(2026, 3, 9), QTime(23, 59, 57, 500)));
  // A wait without end would hold the test until its time limit: ending the link long before
  // throws out of the download, which fails the test at once.
  clock.onIdle = [this] {
    if (clock.elapsed() > 60) link->abort();
  };
  EXPECT_EQ(download->run(), DownloadResult::TimedOut);
  EXPECT_LT(clock.elapsed(), 10.0);
  EXPECT_EQ(download->received(), whole / 2);
}

TEST_F(EngineTest, BytesBehindTheDumpAreNotTakenForSets) {
  meter->preloadLoggerSets(2, 30);
  bool sent = false;
  clock.onIdle = [&] {
    const std::string letters = meter->receivedLetters();
    if (sent || letters.empty() || letters.back() != 'Q') return;
    sent = true;
    // Right behind the dump and read with it: bytes that even begin like a set.
    meter->injectGarbage(std::string("\x00\x55\xAA\x00\x09\x08\x07\x06\x00\x05\x01\x02\x10", 13));
  };
  ASSERT_EQ(download->run(), DownloadResult::Listed);
  EXPECT_TRUE(sent);
  ASSERT_EQ(download->sets().size(), 2u);
  EXPECT_EQ(joinedSets(), meter->loggerContent());
  EXPECT_TRUE(download->damageText().isEmpty()) << download->damageText().toStdString();
}

TEST_F(EngineTest, OneDownloadAtATimeAndACancelDrainsTheRest) {
  meter->fillLoggerMemory(3);
  meter->setPaced(true);
  std::vector<DownloadResult> nested;
  std::vector<qint64> drained;
  QObject::connect(download.get(), &LoggerDownload::drainProgress,
                   [&drained](qint64 r, qint64) { drained.push_back(r); });
  QObject::connect(download.get(), &LoggerDownload::progress, [&](qint64 r, qint64 e) {
    if (r * 4 > e && nested.empty()) {
      nested.push_back(download->run());  // a second download while one reads: refused
      download->cancel();
    }
  });
  meter->clearReceived();
  EXPECT_EQ(download->run(), DownloadResult::Cancelled);
  EXPECT_EQ(nested, std::vector<DownloadResult>{DownloadResult::Refused});
  EXPECT_EQ(meter->receivedLetters(), "AAHAQ");
  ASSERT_FALSE(drained.empty());
  EXPECT_EQ(drained.back(), static_cast<qint64>(meter->memoryDump().size()));
  EXPECT_FALSE(download->running());
  EXPECT_FALSE(download->draining());
  EXPECT_TRUE(download->sets().empty());
  // Nothing of the old dump is left for the next one.
  EXPECT_EQ(port->bytesWaiting(), 0);
  meter->setPaced(false);
  ASSERT_EQ(download->run(), DownloadResult::Listed);
  EXPECT_EQ(joinedSets(), meter->loggerContent());
}
