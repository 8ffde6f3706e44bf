// The spool on disk: readings kept until the broker has them, in order, across restarts, torn
// or garbled records, files of the earlier line format and a full bound.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "publish/engine/DiskFlusher.h"
#include "publish/engine/Publisher.h"
#include "publish/engine/Spool.h"

namespace {

using namespace lux::publish;

SpoolRecord reading(std::uint64_t seq, const std::string& shown = "12.3") {
  SpoolRecord r;
  r.seq = seq;
  r.epochMs = 1765315820000 + std::int64_t(seq) * 1000;
  r.offsetSeconds = 3600;
  r.shown = shown;
  r.unit = "lx";
  return r;
}

std::vector<std::uint64_t> takeAll(Spool& s) {
  std::vector<std::uint64_t> seqs;
  while (auto r = s.takeNext()) seqs.push_back(r->seq);
  return seqs;
}

class SpoolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::unique_ptr<Spool> openSpool(std::uint64_t limit = 1 << 20) {
    auto s = std::make_unique<Spool>(dir_.path(), QStringLiteral("bench1"), limit);
    QString why;
    EXPECT_TRUE(s->open(&why)) << why.toStdString();
    return s;
  }
  QByteArray fileBytes() {
    QFile f(dir_.filePath("bench1.spool"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir_;
};

TEST_F(SpoolTest, ReadingsGoOutInOrderAndStayUntilAcknowledged) {
  auto s = openSpool();
  EXPECT_EQ(s->nextSeq(), 1u);
  for (std::uint64_t i = 1; i <= 5; ++i) ASSERT_TRUE(s->append(reading(i)));
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(s->waiting(), 5u);
  // Acknowledged out of order: 1 and 3 leave only what nothing before them holds back.
  s->acknowledge(3);
  s->acknowledge(1);
  EXPECT_EQ(s->waiting(), 4u);
  s->acknowledge(2);
  EXPECT_EQ(s->waiting(), 2u);
  // A new connection sends again what is not acknowledged.
  s->rewind();
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{4, 5}));
  // Stale and repeated acknowledgements change nothing.
  s->acknowledge(2);
  s->acknowledge(99);
  EXPECT_EQ(s->waiting(), 2u);
}

TEST_F(SpoolTest, ReadingsWrittenLongAgoComeBackFromTheFileWithTheirTimes) {
  auto s = openSpool();
  std::vector<std::int64_t> times;
  std::int64_t ms = 1765315820000;
  for (std::uint64_t i = 1; i <= 700; ++i) {
    auto r = reading(i, std::to_string(i % 97) + ".5");
    ms += i % 3 == 0 ? -1500 : 2750;  // now and then the PC clock steps back
    r.epochMs = ms;
    times.push_back(ms);
    ASSERT_TRUE(s->append(r));
  }
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t n = 0;
    while (auto r = s->takeNext()) {
      ASSERT_EQ(r->seq, n + 1);
      EXPECT_EQ(r->epochMs, times[n]) << r->seq;
      EXPECT_EQ(r->shown, std::to_string((n + 1) % 97) + ".5");
      ++n;
    }
    EXPECT_EQ(n, 700u);
    s->rewind();
  }
}

TEST_F(SpoolTest, ARestartSendsWhatWasNotAcknowledgedAndGoesOnNumbering) {
  {
    auto s = openSpool();
    for (std::uint64_t i = 1; i <= 4; ++i) ASSERT_TRUE(s->append(reading(i, std::to_string(i))));
    takeAll(*s);
    s->acknowledge(1);
    s->acknowledge(2);
  }
  auto s = openSpool();
  EXPECT_EQ(s->nextSeq(), 5u);
  ASSERT_EQ(s->waiting(), 2u);
  const auto r = s->takeNext();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->seq, 3u);
  EXPECT_EQ(r->shown, "3");
  EXPECT_EQ(r->epochMs, 1765315823000);
}

TEST_F(SpoolTest, NumberingGoesOnAfterEverythingWasAcknowledgedAndTheFileCut) {
  {
    auto s = openSpool(4 << 20);
    // Over a megabyte of readings, all acknowledged: the file is cut back to its header.
    std::uint64_t seq = 1;
    while (s->fileSize() < (1u << 20) + 100 && seq < 400000) ASSERT_TRUE(s->append(reading(seq++)));
    takeAll(*s);
    for (std::uint64_t i = 1; i < seq; ++i) s->acknowledge(i);
    EXPECT_EQ(s->fileSize(), 8u);
    EXPECT_GT(seq, 80000u);
  }
  EXPECT_EQ(fileBytes(), QByteArray("LUXSPL2\n"));
  auto s = openSpool(4 << 20);
  EXPECT_GT(s->nextSeq(), 80000u);
  EXPECT_EQ(s->waiting(), 0u);
}

TEST_F(SpoolTest, ATornLastRecordIsCutOffAndTheRestKept) {
  QByteArray whole;
  {
    auto s = openSpool();
    for (std::uint64_t i = 1; i <= 4; ++i) ASSERT_TRUE(s->append(reading(i)));
    s->sync();  // the readings reach the file with the flush
    whole = fileBytes();
  }
  {
    // What a kill in the middle of a write, or a full disk, leaves behind: the 4th record torn.
    QFile f(dir_.filePath("bench1.spool"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(whole.size() - 3));
  }
  {
    auto s = openSpool();
    EXPECT_EQ(s->repaired(), 1u);
    EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(s->nextSeq(), 4u);
    ASSERT_TRUE(s->append(reading(4)));
  }
  // Written again whole, the file is what an undisturbed run leaves.
  EXPECT_EQ(fileBytes(), whole);
  auto s = openSpool();
  EXPECT_EQ(s->repaired(), 0u);
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 2, 3, 4}));
}

TEST_F(SpoolTest, GarbledLinesOfTheEarlierFormatAreDroppedWithoutLosingTheOthers) {
  {
    QFile f(dir_.filePath("bench1.spool"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    static const char bytes[] =
        "1 1765315821000 3600 0 lx 1\n"
        "\x00\x01garbage\n"
        "3 1765315823000 3600 0 lx 3\n"
        "2 1765315822000 3600 0 lx 2\n"  // out of order: a number already passed
        "4 1765315824000 3600 0 lx 4\n";
    f.write(bytes, sizeof bytes - 1);  // the NUL byte included
  }
  auto s = openSpool();
  EXPECT_EQ(s->repaired(), 2u);
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 3, 4}));
  EXPECT_EQ(s->nextSeq(), 5u);
}

TEST_F(SpoolTest, AFullSpoolDropsTheOldestAndCountsThem) {
  auto s = openSpool(4096);
  std::uint64_t seq = 1;
  for (; seq <= 1000; ++seq) ASSERT_TRUE(s->append(reading(seq)));
  EXPECT_LE(s->fileSize(), 4096u);
  EXPECT_GT(s->dropped(), 500u);
  // What is left is the newest, whole and in order, and everything is accounted for.
  const auto seqs = takeAll(*s);
  ASSERT_FALSE(seqs.empty());
  EXPECT_EQ(seqs.back(), 1000u);
  EXPECT_EQ(seqs.front(), s->dropped() + 1);
  EXPECT_EQ(seqs.size() + s->dropped(), 1000u);
  // A restart does not bring the dropped ones back nor reuse their numbers.
  const std::uint64_t dropped = s->dropped();
  s.reset();
  auto again = openSpool(4096);
  EXPECT_EQ(again->takeNext()->seq, dropped + 1);
  EXPECT_EQ(again->nextSeq(), 1001u);
}

TEST_F(SpoolTest, ASecondPublisherOnTheSameSpoolIsRefused) {
  auto first = openSpool();
  ASSERT_TRUE(first->append(reading(1)));
  Spool second(dir_.path(), QStringLiteral("bench1"), 1 << 20);
  QString why;
  EXPECT_FALSE(second.open(&why));
  EXPECT_TRUE(why.contains("in use by another publisher")) << why.toStdString();
  // Once the first has let go, the spool opens with what it left.
  first.reset();
  auto again = openSpool();
  EXPECT_EQ(again->waiting(), 1u);
}

TEST_F(SpoolTest, AnUnwritableStateDirectoryIsReported) {
  Spool s(dir_.filePath("missing/deeper"), QStringLiteral("bench1"), 1 << 20);
  QString why;
  EXPECT_FALSE(s.open(&why));
  EXPECT_TRUE(why.contains("bench1.acked")) << why.toStdString();
}

// A reading as the session hands it over, at a local time with the given UTC offset.
lux::Reading shown(const char* text, const char* unit, int y, int mo, int d, int h, int mi, int sec,
                   int ms, int offset) {
  lux::Reading r;
  r.text = QString::fromLatin1(text);
  r.unit = QString::fromLatin1(unit);
  r.pcTime = QDateTime(QDate(y, mo, d), QTime(h, mi, sec, ms), QTimeZone(offset));
  return r;
}

TEST_F(SpoolTest, AwkwardReadingsComeBackExactlyAsTheyWereTaken) {
  std::vector<lux::Reading> in;
  in.push_back(shown("-5.0", "Lx", 2026, 12, 31, 23, 59, 59, 999, 3600));  // before midnight
  in.push_back(shown("0.0", "Lx", 2027, 1, 1, 0, 0, 0, 1, 3600));          // and after it
  auto ol = shown("OL", "Lx", 2027, 1, 1, 0, 0, 0, 251, 3600);
  ol.overload = true;
  in.push_back(ol);
  auto fc = shown("-0.05", "Fc", 2027, 3, 28, 1, 59, 59, 750, 3600);  // last second of winter time
  fc.rel = fc.comp = true;
  in.push_back(fc);
  in.push_back(shown("1999", "Fc", 2027, 3, 28, 3, 0, 0, 0, 7200));  // first of summer time
  auto all = shown("19990", "Lx", 2027, 10, 31, 2, 59, 59, 999, 7200);
  all.rel = all.ref = all.percent = all.hold = all.timeHold = all.avg = all.comp = true;
  in.push_back(all);
  in.push_back(shown("88.8", "Lx", 2027, 10, 31, 1, 0, 0, 1, 3600));  // the PC clock set back
  auto cd = shown("12.5", "", 2027, 10, 31, 2, 0, 0, 2, 3600);
  cd.candela = true;
  in.push_back(cd);
  auto lxh = shown("400", "", 2027, 10, 31, 2, 0, 0, 3, -12600);  // Newfoundland
  lxh.lxHour = true;
  in.push_back(lxh);
  auto fch = shown("1.234", "", 2027, 10, 31, 2, 0, 0, 4, 20700);  // Nepal
  fch.fcHour = true;
  in.push_back(fch);
  in.push_back(shown("E", "", 1970, 1, 1, 0, 9, 21, 7, 561));  // local mean time of Paris
  in.push_back(shown("-.5", "Fc", 2099, 6, 1, 12, 0, 0, 0, -50400));
  in.push_back(shown("0.001", "Lx", 2099, 6, 1, 12, 0, 0, 0, 50400));

  std::vector<std::string> expected;
  {
    auto s = openSpool();
    for (const auto& r : in) {
      auto record = spoolRecordOf(r);
      ASSERT_TRUE(record) << r.text.toStdString();
      record->seq = s->nextSeq();
      expected.push_back(readingJson(*record));
      ASSERT_TRUE(s->append(*record));
    }
  }
  EXPECT_EQ(expected[0],
            "{\"seq\":1,\"time\":\"2026-12-31T23:59:59.999+01:00\",\"lux\":-5,\"value\":\"-5.0\","
            "\"unit\":\"lx\",\"modes\":[],\"overload\":false}");
  EXPECT_EQ(expected[3],
            "{\"seq\":4,\"time\":\"2027-03-28T01:59:59.750+01:00\",\"lux\":-0.5382,"
            "\"value\":\"-0.05\",\"unit\":\"fc\",\"modes\":[\"REL\",\"COMP\"],\"overload\":false}");
  EXPECT_EQ(expected[10],
            "{\"seq\":11,\"time\":\"1970-01-01T00:09:21.007+00:09\",\"lux\":null,\"value\":\"E\","
            "\"unit\":\"\",\"modes\":[],\"overload\":false}");
  // Read back after a restart, as a publisher started anew sends them.
  auto s = openSpool();
  std::vector<std::string> out;
  std::vector<SpoolRecord> back;
  while (auto r = s->takeNext()) {
    out.push_back(readingJson(*r));
    back.push_back(*r);
  }
  EXPECT_EQ(out, expected);
  ASSERT_EQ(back.size(), in.size());
  EXPECT_EQ(back[2].shown, "OL");
  EXPECT_TRUE(back[2].overload);
  EXPECT_EQ(back[5].modes, 0x7Fu);
  EXPECT_EQ(back[6].epochMs, back[5].epochMs - 3599998);
  EXPECT_EQ(back[8].offsetSeconds, -12600);
  EXPECT_EQ(back[8].unit, "lx-h");
  EXPECT_EQ(back[10].offsetSeconds, 561);
  EXPECT_EQ(back[10].epochMs, 7);
  EXPECT_EQ(back[12].offsetSeconds, 50400);
}

TEST_F(SpoolTest, AWeekOfEightMetersAtOneSecondFitsTheDefaultBound) {
  // One meter's share of 64 MiB among eight; a week of readings as a lit room gives them.
  const std::uint64_t share = (64ull << 20) / 8;
  auto s = openSpool(share);
  std::mt19937 random(7);
  SpoolRecord r;
  r.unit = "lx";
  r.offsetSeconds = 3600;
  r.epochMs = 1765315820000;
  constexpr std::uint64_t kWeek = 7 * 24 * 3600;
  double lux = 350;
  for (std::uint64_t seq = 1; seq <= kWeek; ++seq) {
    r.seq = seq;
    r.epochMs += 1000 + std::int64_t(random() % 7) - 3;  // the PC's moment jitters a little
    lux = std::clamp(lux + double(int(random() % 41) - 20) / 10.0, 0.0, 1999.9);
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", lux);
    r.shown = text;
    ASSERT_TRUE(s->append(r)) << seq;
  }
  EXPECT_EQ(s->dropped(), 0u);
  EXPECT_EQ(s->waiting(), kWeek);
  const double perReading = double(s->fileSize()) / double(kWeek);
  RecordProperty("bytes_per_reading", std::to_string(perReading));
  std::printf("spool: %.2f bytes a reading; 64 MiB hold %.1f days of 8 meters at 1 s\n", perReading,
              double(share) / perReading / 86400.0);
  EXPECT_LE(perReading, 10.2);
  EXPECT_LE(s->fileSize(), share);
}

TEST_F(SpoolTest, AFileOfTheEarlierLineFormatIsSentAndKeptInTheNewOne) {
  {
    QFile f(dir_.filePath("bench1.spool"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "1 1765315821000 3600 0 lx 1\n"
        "2 1765315822000 3600 0 lx 2\n"
        "3 1765315823456 -12600 65 fc -0.05\n"
        "4 1765315824000 3600 2147483648 lx OL\n"
        "5 1765315825001 561 896 - 400\n");
    QFile acked(dir_.filePath("bench1.acked"));
    ASSERT_TRUE(acked.open(QIODevice::WriteOnly));
    acked.write("00000000000000000002\n");
  }
  const std::vector<std::string> expected = {
      "{\"seq\":3,\"time\":\"2025-12-09T18:00:23.456-03:30\",\"lux\":-0.5382,\"value\":\"-0.05\","
      "\"unit\":\"fc\",\"modes\":[\"REL\",\"COMP\"],\"overload\":false}",
      "{\"seq\":4,\"time\":\"2025-12-09T22:30:24.000+01:00\",\"lux\":null,\"value\":\"OL\","
      "\"unit\":\"lx\",\"modes\":[],\"overload\":true}",
      "{\"seq\":5,\"time\":\"2025-12-09T21:39:46.001+00:09\",\"lux\":null,\"value\":\"400\","
      "\"unit\":\"\",\"modes\":[\"cd\",\"fc-h\",\"lx-h\"],\"overload\":false}"};
  for (int run = 0; run < 2; ++run) {
    auto s = openSpool();
    EXPECT_EQ(s->repaired(), 0u);
    EXPECT_EQ(s->waiting(), 3u);
    EXPECT_EQ(s->nextSeq(), 6u);
    std::vector<std::string> out;
    while (auto r = s->takeNext()) out.push_back(readingJson(*r));
    EXPECT_EQ(out, expected) << "run " << run;
    EXPECT_TRUE(fileBytes().startsWith("LUXSPL2\n"));
  }
}

// The bytes of a spool holding `n` readings, and where each record starts.
struct Written {
  std::string bytes;
  std::vector<std::uint64_t> starts;  // one more: the end
  std::map<std::uint64_t, std::string> json;
};

Written writeSpool(const QString& dir, int n) {
  Written w;
  Spool s(dir, QStringLiteral("m"), 1 << 20);
  QString why;
  if (!s.open(&why)) return w;
  std::mt19937 random(11);
  const char* const texts[] = {"12.3", "-5.0", "OL", "1999", "0.05", "E", "-.5"};
  std::int64_t ms = 1765315820000;
  for (int i = 1; i <= n; ++i) {
    SpoolRecord r;
    r.seq = std::uint64_t(i) + (i > n / 2 ? 5 : 0);  // a gap, as repairs leave them
    ms += std::int64_t(random() % 3000) - 500;
    r.epochMs = ms;
    r.offsetSeconds = i % 17 == 0 ? 561 : 3600;
    r.shown = texts[random() % 7];
    r.overload = r.shown == "OL";
    r.unit = i % 5 ? "lx" : "fc";
    r.modes = random() % 4 == 0 ? std::uint32_t(random() % 1024) : 0;
    w.json[r.seq] = readingJson(r);
    s.append(r);
  }
  s.sync();
  QFile f(QDir(dir).filePath("m.spool"));
  f.open(QIODevice::ReadOnly);
  const QByteArray all = f.readAll();
  w.bytes.assign(all.constData(), std::size_t(all.size()));
  scanSpool(w.bytes, 0, [&](const SpoolScanEntry& e) { w.starts.push_back(e.offset); });
  w.starts.push_back(w.bytes.size());
  return w;
}

// What a scan keeps of `bytes`: the records' messages, in order; each kept record must decode.
std::vector<std::pair<std::uint64_t, std::string>> kept(std::string_view bytes, SpoolScan* scan) {
  std::vector<std::pair<std::uint64_t, std::string>> out;
  *scan = scanSpool(bytes, 0, [&](const SpoolScanEntry& e) {
    std::size_t length = 0;
    bool key = false;
    const auto r = decodeSpoolRecord(bytes.substr(e.offset), e.seq - 1, e.prevMs, &length, &key);
    EXPECT_TRUE(r && r->seq == e.seq && length == e.length) << e.offset;
    if (r) out.emplace_back(r->seq, readingJson(*r));
  });
  return out;
}

TEST_F(SpoolTest, ACutAtEveryByteKeepsEveryWholeRecordBeforeIt) {
  const Written w = writeSpool(dir_.path(), 150);
  ASSERT_EQ(w.starts.size(), 151u);
  EXPECT_EQ(w.json.rbegin()->first, 155u);
  for (std::size_t cut = 0; cut <= w.bytes.size(); ++cut) {
    SpoolScan scan;
    const auto got = kept(std::string_view(w.bytes).substr(0, cut), &scan);
    std::size_t whole = 0;
    while (whole < 150 && w.starts[whole + 1] <= cut) ++whole;
    ASSERT_EQ(got.size(), whole) << "cut at " << cut;
    for (const auto& [seq, json] : got) ASSERT_EQ(json, w.json.at(seq)) << "cut at " << cut;
    EXPECT_EQ(scan.clean, cut >= 8 && w.starts[whole] == cut) << "cut at " << cut;
  }
}

TEST_F(SpoolTest, AGarbledByteCostsNothingBeforeItAndAtMostTheRecordsToTheNextKey) {
  const Written w = writeSpool(dir_.path(), 150);
  ASSERT_EQ(w.starts.size(), 151u);
  for (std::size_t at = 8; at < w.bytes.size(); ++at) {
    for (const unsigned char mask : {0x01, 0x80, 0xFF, 0x5A}) {
      std::string bad = w.bytes;
      bad[at] = char(bad[at] ^ mask);
      SpoolScan scan;
      const auto got = kept(bad, &scan);
      std::size_t hit = 0;
      while (w.starts[hit + 1] <= at) ++hit;  // the record the byte belongs to
      ASSERT_GE(got.size(), hit) << at;
      for (std::size_t i = 0; i < hit; ++i) ASSERT_EQ(got[i].second, w.json.at(got[i].first));
      for (const auto& [seq, json] : got) ASSERT_EQ(json, w.json.at(seq)) << "byte " << at;
      EXPECT_GE(got.size() + 64, 150u) << "byte " << at;
      EXPECT_FALSE(scan.clean);
      EXPECT_EQ(scan.repaired, 1u) << "byte " << at;
    }
  }
}

TEST_F(SpoolTest, GarbageNeverPassesForReadings) {
  std::mt19937 random(3);
  std::uint64_t records = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(kSpoolMagic);
    const std::size_t n = random() % 600;
    for (std::size_t i = 0; i < n; ++i) bytes += char(random() % 256);
    SpoolScan scan;
    const auto got = kept(bytes, &scan);
    records += got.size();
    for (std::size_t i = 1; i < got.size(); ++i) ASSERT_LT(got[i - 1].first, got[i].first);
  }
  EXPECT_EQ(records, 0u);
}

TEST_F(SpoolTest, AGarbledRecordInTheMiddleCostsOnlyTheRecordsUpToTheNextKey) {
  const Written w = writeSpool(dir_.path(), 150);
  ASSERT_EQ(w.starts.size(), 151u);
  {
    // Record 10's time damaged on disk.
    std::string bad = w.bytes;
    bad[w.starts[9] + 3] = char(bad[w.starts[9] + 3] ^ 0x10);
    QFile f(dir_.filePath("m.spool"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bad.data(), qint64(bad.size()));
  }
  Spool s(dir_.path(), QStringLiteral("m"), 1 << 20);
  QString why;
  ASSERT_TRUE(s.open(&why)) << why.toStdString();
  EXPECT_EQ(s.repaired(), 1u);
  std::vector<std::uint64_t> seqs = takeAll(s);
  // 1-9 before the damage are kept; 10-64, counted from the damaged one, are lost; the key
  // record 65 and everything after it are kept (from the 76th on they carry the gap of five).
  ASSERT_EQ(seqs.size(), 9u + (150 - 64));
  EXPECT_EQ(seqs[8], 9u);
  EXPECT_EQ(seqs[9], 65u);
  EXPECT_EQ(seqs.back(), 155u);
  // Numbering and writing go on behind the last record kept.
  EXPECT_EQ(s.nextSeq(), 156u);
  SpoolRecord r;
  r.seq = 156;
  r.epochMs = 1765400000000;
  r.shown = "7";
  r.unit = "lx";
  ASSERT_TRUE(s.append(r));
  s.rewind();
  seqs = takeAll(s);
  EXPECT_EQ(seqs.back(), 156u);
}

TEST_F(SpoolTest, AFullSpoolGoesOutCompleteAndInOrderWithFewRecordsInMemory) {
  constexpr std::uint64_t kCount = 200000;
  {
    auto s = openSpool(8 << 20);
    for (std::uint64_t i = 1; i <= kCount; ++i) {
      ASSERT_TRUE(s->append(reading(i, std::to_string(i % 1000) + ".5")));
      ASSERT_LE(s->heldRecords(), 256u);
    }
    EXPECT_EQ(s->waiting(), kCount);
  }
  // After a restart, sent the way the publisher sends: 64 in flight, acknowledged now in order,
  // now the later ones first.
  auto s = openSpool(8 << 20);
  ASSERT_EQ(s->waiting(), kCount);
  EXPECT_EQ(s->heldRecords(), 0u);
  std::uint64_t expected = 1;
  std::size_t most = 0;
  std::vector<std::uint64_t> window;
  while (s->waiting() > 0) {
    while (s->inFlight() < 64) {
      const auto r = s->takeNext();
      if (!r) break;
      ASSERT_EQ(r->seq, expected);
      ASSERT_EQ(r->shown, std::to_string(expected % 1000) + ".5");
      ASSERT_EQ(r->epochMs, 1765315820000 + std::int64_t(expected) * 1000);
      window.push_back(r->seq);
      ++expected;
    }
    ASSERT_FALSE(window.empty());
    most = std::max(most, s->heldRecords());
    if (window.front() % 3 == 0)
      for (auto it = window.rbegin(); it != window.rend(); ++it) s->acknowledge(*it);
    else
      for (const std::uint64_t seq : window) s->acknowledge(seq);
    window.clear();
  }
  EXPECT_EQ(expected, kCount + 1);
  EXPECT_EQ(most, 64u);
  EXPECT_EQ(s->fileSize(), 8u);  // everything acknowledged: cut back to the header
}

TEST_F(SpoolTest, ReadingsInFlightWhenTheSpoolFillsGoOnWithoutGapsOrRepeats) {
  auto s = openSpool(4096);
  std::uint64_t seq = 1;
  for (; seq <= 300; ++seq) ASSERT_TRUE(s->append(reading(seq)));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(s->takeNext()->seq, std::uint64_t(i + 1));
  for (std::uint64_t i = 1; i <= 10; ++i) s->acknowledge(i);
  s->acknowledge(20);  // ahead of the rest
  while (s->dropped() == 0 && seq < 5000) ASSERT_TRUE(s->append(reading(seq++)));
  const std::uint64_t dropped = s->dropped();
  // A tenth of the bound (some 40 readings) goes at once: 11 on, past 20, which the broker has
  // already and is not counted.
  ASSERT_GE(dropped, 20u);
  const std::uint64_t firstKept = 12 + dropped;
  // What was taken and is still kept is not handed out twice.
  EXPECT_EQ(s->takeNext()->seq, std::max<std::uint64_t>(65, firstKept));
  EXPECT_EQ(s->waiting(), seq - firstKept);
  s->rewind();
  std::uint64_t expected = firstKept;
  while (const auto r = s->takeNext()) {
    ASSERT_EQ(r->seq, expected);
    ASSERT_EQ(r->epochMs, 1765315820000 + std::int64_t(expected) * 1000);
    ++expected;
  }
  EXPECT_EQ(expected, seq);
  // The file holds exactly the kept readings: a restart finds them all, and nothing else.
  s->sync();
  EXPECT_EQ(std::uint64_t(fileBytes().size()), s->fileSize());
  s.reset();
  auto again = openSpool(4096);
  EXPECT_EQ(again->repaired(), 0u);
  EXPECT_EQ(again->waiting(), seq - firstKept);
  EXPECT_EQ(again->takeNext()->seq, firstKept);
}

TEST_F(SpoolTest, AppendedReadingsReachTheFileWithTheFlushAndAreSentBeforeIt) {
  auto s = openSpool();
  for (std::uint64_t i = 1; i <= 3; ++i) ASSERT_TRUE(s->append(reading(i, std::to_string(i))));
  // One write a second instead of one a reading; until then they go out from memory.
  EXPECT_EQ(fileBytes().size(), 8);
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 2, 3}));
  s->sync();
  const QByteArray bytes = fileBytes();
  std::vector<std::uint64_t> onDisk;
  scanSpool(std::string_view(bytes.constData(), std::size_t(bytes.size())), 0,
            [&](const SpoolScanEntry& e) { onDisk.push_back(e.seq); });
  EXPECT_EQ(onDisk, (std::vector<std::uint64_t>{1, 2, 3}));
  // Read back from the file now, after a rewind.
  s->rewind();
  const auto r = s->takeNext();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->shown, "1");
}

TEST_F(SpoolTest, TheDroppedCountSurvivesARestart) {
  std::uint64_t dropped = 0, seq = 1;
  {
    auto s = openSpool(4096);
    while (s->dropped() == 0) ASSERT_TRUE(s->append(reading(seq++)));
    dropped = s->dropped();
  }
  {
    auto s = openSpool(4096);
    EXPECT_EQ(s->dropped(), dropped);
    EXPECT_EQ(s->nextSeq(), seq);
    while (s->dropped() == dropped) ASSERT_TRUE(s->append(reading(seq++)));
    EXPECT_GT(s->dropped(), dropped);
    dropped = s->dropped();
  }
  auto s = openSpool(4096);
  EXPECT_EQ(s->dropped(), dropped);
}

TEST_F(SpoolTest, TheAcknowledgedNumberOfEarlierVersionsIsRead) {
  {
    auto s = openSpool();
    for (std::uint64_t i = 1; i <= 6; ++i) ASSERT_TRUE(s->append(reading(i)));
  }
  {
    QFile f(dir_.filePath("bench1.acked"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("00000000000000000004\n");
  }
  auto s = openSpool();
  EXPECT_EQ(s->waiting(), 2u);
  EXPECT_EQ(s->dropped(), 0u);
  EXPECT_EQ(s->takeNext()->seq, 5u);
}

// The flush once a second on a disk that keeps the caller waiting: the records must be in the
// file when sync() returns, the wait for the disk must not be the caller's, and nothing asked of
// the flusher may be lost or leak a descriptor.
class SlowDisk {
 public:
  // Blocks each flush until released (at most 5 s, so that a broken flusher fails, not hangs).
  int sync(int) {
    std::unique_lock<std::mutex> lock(m_);
    ++calls_;
    called_.notify_all();
    if (!released_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; }))
      ++timeouts_;  // nobody released it: the caller itself was kept waiting
    return 0;
  }
  void release() {
    std::lock_guard<std::mutex> lock(m_);
    open_ = true;
    released_.notify_all();
  }
  int calls() {
    std::lock_guard<std::mutex> lock(m_);
    return calls_;
  }
  int timeouts() {
    std::lock_guard<std::mutex> lock(m_);
    return timeouts_;
  }
  bool waitForCalls(int n) {
    std::unique_lock<std::mutex> lock(m_);
    return called_.wait_for(lock, std::chrono::seconds(5), [&] { return calls_ >= n; });
  }

 private:
  std::mutex m_;
  std::condition_variable called_, released_;
  int calls_ = 0;
  int timeouts_ = 0;
  bool open_ = false;
};

int openDescriptors() {
  return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

TEST_F(SpoolTest, AFlushWritesAtOnceAndLeavesTheWaitForTheDiskToTheFlusher) {
  SlowDisk disk;
  const int descriptors = openDescriptors();
  {
    DiskFlusher flusher([&](int fd) { return disk.sync(fd); });
    auto s = openSpool();
    for (std::uint64_t i = 1; i <= 5; ++i) ASSERT_TRUE(s->append(reading(i)));
    s->sync(&flusher);
    // The disk has not answered yet, and the records are already in the file.
    ASSERT_TRUE(disk.waitForCalls(1));
    EXPECT_EQ(std::uint64_t(fileBytes().size()), s->fileSize());
    EXPECT_GT(fileBytes().size(), 8 + 5 * 7);  // the header and five records of 7 bytes or more
    // The spool's own descriptor is not the one the flusher closes: it goes on appending.
    for (std::uint64_t i = 6; i <= 7; ++i) ASSERT_TRUE(s->append(reading(i)));
    s->sync(&flusher);
    s->sync(&flusher);  // nothing new: no second request for the same records
    disk.release();
    flusher.drain();
    EXPECT_EQ(disk.calls(), 2);
    EXPECT_EQ(disk.timeouts(), 0);
    s.reset();
    auto again = openSpool();
    EXPECT_EQ(takeAll(*again), (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6, 7}));
  }
  EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(DiskFlusherTest, EveryFlushAskedForIsDoneBeforeTheFlusherGoes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::vector<std::unique_ptr<QFile>> files;
  for (int i = 0; i < 20; ++i) {
    files.push_back(std::make_unique<QFile>(dir.filePath(QStringLiteral("f%1").arg(i))));
    ASSERT_TRUE(files.back()->open(QIODevice::ReadWrite));
  }
  const int descriptors = openDescriptors();
  SlowDisk disk;
  std::vector<int> seen;
  std::mutex m;
  std::thread releaser;
  {
    DiskFlusher flusher([&](int fd) {
      {
        std::lock_guard<std::mutex> lock(m);
        seen.push_back(fd);
      }
      return disk.sync(fd);
    });
    for (auto& f : files) EXPECT_TRUE(flusher.flush(f->handle()));
    EXPECT_FALSE(flusher.flush(-1));  // no file: the caller flushes nothing through it
    // The disk answers the first flush only once the flusher is being destroyed, with 19 still
    // waiting behind it.
    ASSERT_TRUE(disk.waitForCalls(1));
    releaser = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      disk.release();
    });
  }
  releaser.join();
  EXPECT_EQ(disk.timeouts(), 0);
  EXPECT_EQ(disk.calls(), 20);
  for (int fd : seen)
    for (auto& f : files) EXPECT_NE(fd, f->handle());
  EXPECT_EQ(openDescriptors(), descriptors);
  for (auto& f : files) EXPECT_EQ(f->write("still open"), 10);
}

// A disk that hangs: a spool asks for its flush every second, and each request must not keep a
// descriptor of its own until the disk answers.
TEST(DiskFlusherTest, RequestsForAFileThatWaitsItsTurnAreOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile a(dir.filePath(QStringLiteral("a"))), b(dir.filePath(QStringLiteral("b")));
  ASSERT_TRUE(a.open(QIODevice::ReadWrite));
  ASSERT_TRUE(b.open(QIODevice::ReadWrite));
  const int descriptors = openDescriptors();
  SlowDisk disk;
  {
    DiskFlusher flusher([&](int fd) { return disk.sync(fd); });
    ASSERT_TRUE(flusher.flush(a.handle()));
    ASSERT_TRUE(disk.waitForCalls(1));  // a's first flush is at the disk
    for (int second = 0; second < 30; ++second) {
      ASSERT_TRUE(flusher.flush(a.handle()));
      ASSERT_TRUE(flusher.flush(b.handle()));
    }
    // The one in progress, and one for each file waiting.
    EXPECT_EQ(openDescriptors(), descriptors + 3);
    disk.release();
    flusher.drain();
    // a once at the disk when the rest came, then once more for all that was written meanwhile.
    EXPECT_EQ(disk.calls(), 3);
  }
  EXPECT_EQ(disk.timeouts(), 0);
  EXPECT_EQ(openDescriptors(), descriptors);
}

}  // namespace
