// The memory dump's cut and split on hand-built dumps, sound and damaged.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "logger/MemoryDump.h"
#include "logger/engine/LoggerDownload.h"

using namespace lux;

namespace {

struct Rec {
  std::uint8_t high, low, range;
};

std::string marker() {
  return std::string("\x00\x55\xAA\x00", 4);
}

std::string header(std::uint8_t day, std::uint8_t hour, std::uint8_t minute, std::uint8_t second,
                   std::uint8_t intMin, std::uint8_t intSec) {
  std::string h = marker();
  for (std::uint8_t b : {day, hour, minute, second, intMin, intSec}) h += static_cast<char>(b);
  return h;
}

std::string records(const std::vector<Rec>& recs) {
  std::string s;
  for (const Rec& r : recs) {
    s += static_cast<char>(r.high);
    s += static_cast<char>(r.low);
    s += static_cast<char>(r.range);
  }
  return s;
}

std::string simpleSet(std::size_t count, std::uint8_t day = 0x07) {
  std::vector<Rec> recs;
  for (std::size_t i = 0; i < count; ++i)
    recs.push_back({static_cast<std::uint8_t>(1 + i % 200), static_cast<std::uint8_t>(i), 0x10});
  return header(day, 0x14, 0x23, 0x05, 0x00, 0x02) + records(recs);
}

// What the meter sends for this content: 15 lead bytes, the content, one trailing byte.
std::string dumpOf(const std::string& content) {
  return std::string(15, '\x11') + content + std::string(1, '\x22');
}

MemoryDumpParse parseDump(const std::string& content) {
  return parseMemoryDump(cutMemoryDump(dumpOf(content)));
}

}  // namespace

TEST(DumpLength, FollowsTheFillAddress) {
  EXPECT_EQ(expectedDumpLength(1292), 29u);  // 15 + 13 + 1: one set with one record
  EXPECT_EQ(expectedDumpLength(1279), 16u);
  EXPECT_EQ(expectedDumpLength(131071), 131071u - 1279u + 16u);
  // Addresses no sound meter reports give no length rather than a wrapped one.
  EXPECT_EQ(expectedDumpLength(1278), 0u);
  EXPECT_EQ(expectedDumpLength(131072), 0u);
  EXPECT_EQ(expectedDumpLength(0xFFFFFF), 0u);
}

TEST(FreeMemory, TruncatesToOneDecimalAndShowsFullAsZero) {
  EXPECT_EQ(freeMemoryText(1279), "126.7");  // 126.75 truncated, not rounded
  EXPECT_EQ(freeMemoryText(1279 + 1024), "125.7");
  EXPECT_EQ(freeMemoryText(131071 - 100 * 1024), "100");  // whole kilobytes without ".0"
  EXPECT_EQ(freeMemoryText(131071 - 103), "0.1");         // 103 bytes = 0.1005 K
  EXPECT_EQ(freeMemoryText(131071 - 102), "0");           // 0.0996 K
  EXPECT_EQ(freeMemoryText(131058), "0");
  EXPECT_EQ(freeMemoryText(131059), "0");
  EXPECT_EQ(freeMemoryText(131071), "0");
  EXPECT_EQ(freeMemoryText(200000), "0");
}

TEST(DumpCut, DropsLeadAndTrailAndClosesWithAMarker) {
  const std::string content = simpleSet(1);
  const std::string dump = dumpOf(content);
  ASSERT_EQ(dump.size(), expectedDumpLength(1292));
  EXPECT_EQ(cutMemoryDump(dump), content + marker());
  // Content that does not begin with a marker still gets a real closing marker.
  EXPECT_EQ(cutMemoryDump(dumpOf("xyz")), "xyz" + marker());
  EXPECT_EQ(cutMemoryDump(std::string(16, 'a')), marker());
  EXPECT_EQ(cutMemoryDump(""), marker());
}

TEST(DumpParse, OneSetWithOneRecord) {
  const MemoryDumpParse p =
      parseDump(header(0x07, 0x14, 0x23, 0x05, 0x00, 0x02) + records({{0x01, 0x02, 0x10}}));
  ASSERT_EQ(p.sets.size(), 1u);
  EXPECT_EQ(p.sets[0].records, 1u);
  EXPECT_EQ(p.sets[0].length, 13u);
  EXPECT_EQ(p.sets[0].offset, 0u);
  EXPECT_EQ(p.sets[0].timeText, "07-14:23:05");
  EXPECT_EQ(p.sets[0].intervalSeconds, 2);
  EXPECT_FALSE(p.sets[0].damaged);
  EXPECT_EQ(p.skippedBytes, 0u);
}

TEST(DumpParse, SeveralSetsInDumpOrder) {
  const std::string content = simpleSet(5, 0x01) + simpleSet(1, 0x02) + simpleSet(300, 0x31);
  const MemoryDumpParse p = parseDump(content);
  ASSERT_EQ(p.sets.size(), 3u);
  EXPECT_EQ(p.sets[0].records, 5u);
  EXPECT_EQ(p.sets[1].records, 1u);
  EXPECT_EQ(p.sets[2].records, 300u);
  EXPECT_EQ(p.sets[1].offset, 25u);
  EXPECT_EQ(p.sets[2].offset, 38u);
  EXPECT_EQ(p.sets[2].length, 910u);
  EXPECT_EQ(p.sets[0].timeText.substr(0, 2), "01");
  EXPECT_EQ(p.sets[2].timeText.substr(0, 2), "31");
  EXPECT_EQ(p.damagedSets, 0u);
  EXPECT_EQ(p.skippedBytes, 0u);
}

TEST(DumpParse, HeaderBytesBecomeTableTexts) {
  // Interval bytes 01 30: one minute and thirty seconds.
  EXPECT_EQ(setIntervalSeconds(0x01, 0x30), 90);
  EXPECT_EQ(setIntervalSeconds(0x00, 0x59), 59);
  EXPECT_EQ(setIntervalSeconds(0xFF, 0x99), 255 * 60 + 99);
  // A seconds byte that is not BCD reads its leading decimal digit only.
  EXPECT_EQ(setIntervalSeconds(0x00, 0x3A), 3);
  EXPECT_EQ(setIntervalSeconds(0x02, 0xA5), 120);
  EXPECT_EQ(setTimeText(0x00, 0x09, 0x05, 0x59), "00-09:05:59");
  EXPECT_EQ(setTimeText(0x3A, 0xFF, 0x0B, 0x00), "3A-FF:0B:00");

  const MemoryDumpParse p =
      parseDump(header(0x00, 0x12, 0x34, 0x56, 0x01, 0x30) + records({{1, 2, 0x10}}));
  ASSERT_EQ(p.sets.size(), 1u);
  EXPECT_EQ(p.sets[0].timeText, "00-12:34:56");
  EXPECT_EQ(p.sets[0].intervalSeconds, 90);
}

TEST(DumpParse, MarkerBytesAtARecordBoundaryEndTheSet) {
  // Record 2 reads 00 55 AA and record 3 starts with 00: the set ends after record 1 and
  // a new set begins there (the format has no escape).
  const std::string set =
      header(0x07, 0x01, 0x02, 0x03, 0x00, 0x01) + records({{0x10, 0x20, 0x10},
                                                            {0x00, 0x55, 0xAA},
                                                            {0x00, 0x31, 0x12},
                                                            {0x05, 0x06, 0x10},
                                                            {0x07, 0x08, 0x10},
                                                            {0x09, 0x0A, 0x10}});
  const MemoryDumpParse p = parseDump(set);
  ASSERT_EQ(p.sets.size(), 2u);
  EXPECT_EQ(p.sets[0].records, 1u);
  EXPECT_EQ(p.sets[1].offset, 13u);
  EXPECT_EQ(p.sets[1].timeText, "31-12:05:06");
  EXPECT_EQ(p.sets[1].records, 1u);
}

TEST(DumpParse, FirstRecordAndUnalignedMarkerBytesStayRecords) {
  // The first record is never tested, and marker bytes that straddle records without a set
  // header behind them (hour 0x99 here) do not count.
  const std::string set =
      header(0x07, 0x01, 0x02, 0x03, 0x00, 0x01) + records({{0x00, 0x55, 0xAA},
                                                            {0x00, 0x01, 0x10},
                                                            {0x04, 0x00, 0x55},
                                                            {0xAA, 0x00, 0x10},
                                                            {0x99, 0x01, 0x10}});
  const MemoryDumpParse p = parseDump(set);
  ASSERT_EQ(p.sets.size(), 1u);
  EXPECT_EQ(p.sets[0].records, 5u);
  EXPECT_FALSE(p.sets[0].damaged);
}

TEST(DumpParse, FullMemoryOfOneSet) {
  const std::size_t count = (131071 - 1279 - 10) / 3;  // the largest set the memory holds
  const MemoryDumpParse p = parseDump(simpleSet(count));
  ASSERT_EQ(p.sets.size(), 1u);
  EXPECT_EQ(p.sets[0].records, count);
  EXPECT_EQ(count, 43260u);
}

TEST(DumpParse, EmptyAndTinyContentListNothing) {
  EXPECT_TRUE(parseMemoryDump(cutMemoryDump(dumpOf(""))).sets.empty());
  EXPECT_TRUE(parseMemoryDump("").sets.empty());
  EXPECT_TRUE(parseMemoryDump(marker()).sets.empty());
  EXPECT_TRUE(parseMemoryDump(std::string("\x00\x55\xAA", 3)).sets.empty());
}

TEST(DumpParse, LeadingGarbageIsSkippedUpToTheFirstMarker) {
  const std::string content = "\x01\x02\x03\x04\x05" + simpleSet(4) + simpleSet(2);
  const MemoryDumpParse p = parseDump(content);
  ASSERT_EQ(p.sets.size(), 2u);
  EXPECT_EQ(p.sets[0].offset, 5u);
  EXPECT_EQ(p.sets[0].records, 4u);
  EXPECT_EQ(p.sets[1].records, 2u);
  EXPECT_EQ(p.skippedBytes, 5u);
}

TEST(DumpParse, ContentWithoutAnyMarkerListsNothing) {
  const MemoryDumpParse p = parseMemoryDump(std::string(1000, '\x42'));
  EXPECT_TRUE(p.sets.empty());
  EXPECT_EQ(p.skippedBytes, 1000u);
}

TEST(DumpParse, LostBytesDamageOnlyTheirOwnSet) {
  std::string first = simpleSet(6, 0x01);
  first.erase(20, 2);  // two bytes of record 4 lost on the way
  const std::string content = first + simpleSet(3, 0x02) + simpleSet(2, 0x03);
  const MemoryDumpParse p = parseDump(content);
  ASSERT_EQ(p.sets.size(), 3u);
  EXPECT_TRUE(p.sets[0].damaged);
  EXPECT_EQ(p.sets[0].records, 5u);  // 16 record bytes: five whole records
  EXPECT_EQ(p.sets[0].length, 25u);
  EXPECT_EQ(p.skippedBytes, 1u);
  EXPECT_EQ(p.damagedSets, 1u);
  // The sets behind it are found intact.
  EXPECT_FALSE(p.sets[1].damaged);
  EXPECT_EQ(p.sets[1].offset, first.size());
  EXPECT_EQ(p.sets[1].records, 3u);
  EXPECT_FALSE(p.sets[2].damaged);
  EXPECT_EQ(p.sets[2].records, 2u);
}

TEST(DumpParse, TruncatedLastSetKeepsItsWholeRecordsOnly) {
  // The last set's bytes stop one byte into a record and no marker closes them.
  const std::string content = simpleSet(2, 0x01) + simpleSet(4, 0x02).substr(0, 10 + 3 * 3 + 1);
  const MemoryDumpParse p = parseMemoryDump(content);
  ASSERT_EQ(p.sets.size(), 2u);
  EXPECT_FALSE(p.sets[0].damaged);
  EXPECT_TRUE(p.sets[1].damaged);
  EXPECT_EQ(p.sets[1].records, 3u);
  EXPECT_EQ(p.sets[1].offset + p.sets[1].length, content.size() - 1);

  // Through the cut: the closing marker sits off the record grid; the set ends before it.
  const MemoryDumpParse q = parseDump(content);
  ASSERT_EQ(q.sets.size(), 2u);
  EXPECT_EQ(q.sets[1].records, 3u);
  EXPECT_LE(q.sets[1].offset + q.sets[1].length, content.size());
}

TEST(DumpParse, HeaderWithoutAWholeRecordIsDropped) {
  // A header cut short, or with one or two bytes before the next marker. (With none, the next
  // marker stands where the first record does, and the first record is never a marker: see
  // FirstRecordThatReadsLikeAMarkerStaysARecord.)
  for (std::size_t extra : {1u, 2u}) {
    const std::string content =
        simpleSet(2, 0x01) + simpleSet(1, 0x02).substr(0, 10 + extra) + simpleSet(1, 0x03);
    const MemoryDumpParse p = parseDump(content);
    ASSERT_EQ(p.sets.size(), 2u) << extra;
    EXPECT_EQ(p.sets[0].timeText.substr(0, 2), "01");
    EXPECT_EQ(p.sets[1].timeText.substr(0, 2), "03");
    EXPECT_EQ(p.sets[1].records, 1u);
  }
  const MemoryDumpParse p = parseDump(simpleSet(2) + header(1, 2, 3, 4, 0, 1).substr(0, 7));
  ASSERT_EQ(p.sets.size(), 1u);
  EXPECT_EQ(p.sets[0].records, 2u);
  // A whole header as the memory's last bytes, the closing marker right behind it: no set of
  // zero records.
  const MemoryDumpParse last = parseDump(simpleSet(2) + header(1, 2, 3, 4, 0, 1));
  ASSERT_EQ(last.sets.size(), 1u);
  EXPECT_EQ(last.sets[0].records, 2u);
}

TEST(DumpParse, RandomSoundDumpsComeBackSetBySet) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::string content;
    std::vector<std::size_t> counts;
    const int sets = 1 + static_cast<int>(rng() % 20);
    for (int s = 0; s < sets; ++s) {
      const std::size_t count = 1 + rng() % 80;
      std::vector<Rec> recs;
      for (std::size_t i = 0; i < count; ++i) {
        // A high byte of 0x01..0xFF never starts a marker on the record grid.
        recs.push_back({static_cast<std::uint8_t>(1 + rng() % 255),
                        static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())});
      }
      content += header(static_cast<std::uint8_t>(rng()), 0x10, 0x20, 0x30,
                        static_cast<std::uint8_t>(rng()), 0x15) +
                 records(recs);
      counts.push_back(count);
    }
    const MemoryDumpParse p = parseDump(content);
    ASSERT_EQ(p.sets.size(), counts.size()) << "round " << round;
    std::size_t offset = 0;
    for (std::size_t s = 0; s < counts.size(); ++s) {
      EXPECT_EQ(p.sets[s].records, counts[s]);
      EXPECT_EQ(p.sets[s].offset, offset);
      offset += 10 + 3 * counts[s];
    }
    EXPECT_EQ(p.skippedBytes, 0u);
    EXPECT_EQ(p.joinedSets, 0u);
  }
}

TEST(DumpParse, RandomGarbageStaysInsideTheBuffer) {
  std::mt19937 rng(777);
  for (int round = 0; round < 500; ++round) {
    std::string junk(rng() % 400, '\0');
    // Biased towards marker bytes so that markers appear at odd places.
    static const char pool[] = {'\x00', '\x55', '\xAA', '\x00', '\x01', '\x10'};
    for (char& c : junk) c = pool[rng() % 6];
    const MemoryDumpParse p = parseMemoryDump(junk);
    std::size_t covered = p.skippedBytes;
    for (const LoggerSetInfo& s : p.sets) {
      ASSERT_GE(s.records, 1u);
      ASSERT_EQ(s.length, 10 + 3 * s.records);
      ASSERT_LE(s.offset + s.length, junk.size());
      covered += s.length;
    }
    EXPECT_LE(covered, junk.size());
  }
}

TEST(DumpParse, FirstRecordThatReadsLikeAMarkerStaysARecord) {
  // Six sound records; the first reads 00 55 AA and the second starts with 00, and the bytes
  // behind them would pass for a set header (day 12, 10:20:30, 5 s). The set keeps its own
  // start and all six records, alone or between other sets.
  const std::string set =
      header(0x07, 0x01, 0x02, 0x03, 0x00, 0x01) + records({{0x00, 0x55, 0xAA},
                                                            {0x00, 0x12, 0x10},
                                                            {0x20, 0x30, 0x10},
                                                            {0x05, 0x06, 0x10},
                                                            {0x07, 0x08, 0x10},
                                                            {0x09, 0x0A, 0x10}});
  const std::vector<std::pair<std::string, std::size_t>> dumps = {
      {set, 1},
      {simpleSet(3, 0x01) + set, 2},
      {set + simpleSet(2, 0x02), 2},
      {simpleSet(3, 0x01) + set + simpleSet(2, 0x02), 3}};
  for (const auto& [content, setCount] : dumps) {
    const MemoryDumpParse p = parseDump(content);
    EXPECT_EQ(p.sets.size(), setCount);
    const LoggerSetInfo* found = nullptr;
    for (const LoggerSetInfo& s : p.sets) {
      if (s.timeText == "07-01:02:03") found = &s;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->records, 6u);
    EXPECT_EQ(found->length, set.size());
    EXPECT_FALSE(found->damaged);
    EXPECT_FALSE(found->mayHoldNextSet);
    EXPECT_EQ(p.skippedBytes, 0u);
    EXPECT_EQ(p.damagedSets, 0u);
  }
}

TEST(DumpParse, DamagedMarkerRunsTwoSetsTogetherAndSaysSo) {
  // The second set's marker lost one byte's worth of truth in each position in turn: the
  // first set runs on over the second's header and records. Its end then falls off the record
  // grid (a header is 10 bytes), but nothing was lost: it may hold the next set's records.
  // Whatever the size of the second set, one record included.
  for (std::size_t secondRecords : {1u, 2u, 3u, 5u}) {
    for (std::size_t wrongByte = 0; wrongByte < 4; ++wrongByte) {
      std::string second = simpleSet(secondRecords, 0x02);
      second[wrongByte] = static_cast<char>(second[wrongByte] ^ 0x40);
      for (bool third : {true, false}) {
        const std::string content = simpleSet(4, 0x01) + second + (third ? simpleSet(2, 0x03) : "");
        const MemoryDumpParse p = parseDump(content);
        const std::string where = "second set of " + std::to_string(secondRecords) +
                                  " record(s), marker byte " + std::to_string(wrongByte) +
                                  (third ? ", a set behind" : ", last");
        ASSERT_EQ(p.sets.size(), third ? 2u : 1u) << where;
        const LoggerSetInfo& joined = p.sets[0];
        EXPECT_TRUE(joined.mayHoldNextSet) << where;
        EXPECT_EQ(joined.joinedAfterRecord, 4u) << where;
        // 4 own records plus the 10 + 3n bytes of the second set: n + 3 more whole records.
        EXPECT_EQ(joined.records, 4u + secondRecords + 3u) << where;
        EXPECT_EQ(p.joinedSets, 1u) << where;
        if (third) {
          EXPECT_EQ(p.sets[1].timeText.substr(0, 2), "03") << where;
          EXPECT_EQ(p.sets[1].records, 2u) << where;
          EXPECT_FALSE(p.sets[1].mayHoldNextSet) << where;
        }
        const std::string report = damageReport(p).toStdString();
        EXPECT_NE(report.find("set 1 ran into the next set"), std::string::npos) << report;
        EXPECT_NE(report.find("after record 4"), std::string::npos) << report;
        EXPECT_NE(report.find("may hold the next set's records"), std::string::npos) << report;
        EXPECT_EQ(report.find("cut short"), std::string::npos) << where << ": " << report;
      }
    }
  }
}

TEST(DumpParse, FirstRecordRuleHoldsInEveryShapeOfDamage) {
  // A set always keeps its header and its first record: the first record is never taken for
  // a marker, sound or damaged, whatever damage lies before, in or behind the set. The set
  // under test starts on day 07 and its first record reads like a marker followed by a sound
  // header (day 12, 10:20:30, 5 s); it has six records.
  auto setWithFirst = [](std::uint8_t second) {
    return header(0x07, 0x01, 0x02, 0x03, 0x00, 0x01) + records({{0x00, 0x55, 0xAA},
                                                                 {second, 0x12, 0x10},
                                                                 {0x20, 0x30, 0x10},
                                                                 {0x05, 0x06, 0x10},
                                                                 {0x07, 0x08, 0x10},
                                                                 {0x09, 0x0A, 0x10}});
  };
  const std::string sound = setWithFirst(0x00);    // 00 55 AA 00: a whole marker
  const std::string damaged = setWithFirst(0x01);  // 00 55 AA 01: a marker one byte wrong
  std::string lostBytes = simpleSet(6, 0x01);
  lostBytes.erase(20, 2);
  std::string damagedMarkerBefore = simpleSet(3, 0x03);
  damagedMarkerBefore[1] = '\x54';
  struct Shape {
    std::string name;
    std::string content;
  };
  const std::vector<Shape> shapes = {
      {"alone", sound},
      {"damaged marker as first record", damaged},
      {"after leading garbage", "\x01\x02\x03" + sound},
      {"after a set that lost bytes", lostBytes + sound},
      {"after a set that lost bytes, damaged first record", lostBytes + damaged},
      {"before a set that lost bytes", sound + lostBytes},
      {"as the last set, closing marker behind", simpleSet(2, 0x02) + sound},
      {"before a set whose marker is damaged", sound + damagedMarkerBefore},
  };
  for (const Shape& shape : shapes) {
    const MemoryDumpParse p = parseDump(shape.content);
    const LoggerSetInfo* found = nullptr;
    for (const LoggerSetInfo& s : p.sets) {
      if (s.timeText == "07-01:02:03") found = &s;
      // No set is ever read out of a first record.
      EXPECT_NE(s.timeText, "12-10:20:30") << shape.name;
    }
    ASSERT_NE(found, nullptr) << shape.name;
    EXPECT_GE(found->records, 6u) << shape.name;
    if (shape.name != "before a set whose marker is damaged") {
      EXPECT_EQ(found->records, 6u) << shape.name;
      EXPECT_FALSE(found->damaged) << shape.name;
      EXPECT_FALSE(found->mayHoldNextSet) << shape.name;
    } else {
      // It runs into the next set behind its last record, never at its first.
      EXPECT_TRUE(found->mayHoldNextSet) << shape.name;
      EXPECT_EQ(found->joinedAfterRecord, 6u) << shape.name;
    }
  }

  // A header with nothing but the closing marker behind it is no set of one record.
  const MemoryDumpParse closing = parseDump(simpleSet(2, 0x02) + header(7, 1, 2, 3, 0, 1));
  ASSERT_EQ(closing.sets.size(), 1u);
  EXPECT_EQ(closing.sets[0].records, 2u);
  // A marker one or two bytes into the first record with a sound header behind: the set has
  // no whole record and is not listed, and the set behind keeps its own.
  for (std::size_t into : {1u, 2u}) {
    const MemoryDumpParse cut = parseDump(simpleSet(2, 0x01) + header(7, 1, 2, 3, 0, 1) +
                                          std::string(into, '\x09') + simpleSet(3, 0x04));
    ASSERT_EQ(cut.sets.size(), 2u) << into;
    EXPECT_EQ(cut.sets[1].timeText.substr(0, 2), "04") << into;
    EXPECT_EQ(cut.sets[1].records, 3u) << into;
  }
}

TEST(DumpParse, ReportTellsLostBytesFromSetsRunTogether) {
  // Set 1 lost two bytes; set 3's marker is damaged so set 2 runs into it; set 4 is sound.
  std::string first = simpleSet(6, 0x01);
  first.erase(20, 2);
  std::string third = simpleSet(3, 0x03);
  third[2] = '\x2A';
  const MemoryDumpParse p = parseDump(first + simpleSet(4, 0x02) + third + simpleSet(2, 0x04));
  ASSERT_EQ(p.sets.size(), 3u);
  EXPECT_TRUE(p.sets[0].damaged);
  EXPECT_FALSE(p.sets[0].mayHoldNextSet);
  EXPECT_TRUE(p.sets[1].mayHoldNextSet);
  EXPECT_FALSE(p.sets[2].damaged);
  EXPECT_EQ(damageReport(p).toStdString(),
            "damaged: set 1 cut short, set 2 ran into the next set (damaged set marker after "
            "record 4): it may hold the next set's records, 2 byte(s) skipped");
  // A sound dump has nothing to report.
  EXPECT_TRUE(damageReport(parseDump(simpleSet(3) + simpleSet(4))).isEmpty());
}
