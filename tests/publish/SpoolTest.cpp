// The spool on disk: readings kept until the broker has them, in order, across restarts, torn
// lines and a full bound.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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
    // Over a megabyte of readings, all acknowledged: the file is cut back to nothing.
    std::uint64_t seq = 1;
    while (s->fileSize() < (1u << 20) + 100 && seq < 100000) ASSERT_TRUE(s->append(reading(seq++)));
    takeAll(*s);
    for (std::uint64_t i = 1; i < seq; ++i) s->acknowledge(i);
    EXPECT_EQ(s->fileSize(), 0u);
    EXPECT_GT(seq, 20000u);
  }
  EXPECT_TRUE(fileBytes().isEmpty());
  auto s = openSpool(4 << 20);
  EXPECT_GT(s->nextSeq(), 20000u);
  EXPECT_EQ(s->waiting(), 0u);
}

TEST_F(SpoolTest, ATornLastLineIsCutOffAndTheRestKept) {
  {
    auto s = openSpool();
    for (std::uint64_t i = 1; i <= 3; ++i) ASSERT_TRUE(s->append(reading(i)));
  }
  {
    // What a kill in the middle of a write, or a full disk, leaves behind.
    QFile f(dir_.filePath("bench1.spool"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("4 17653158240");
  }
  auto s = openSpool();
  EXPECT_EQ(s->repaired(), 1u);
  EXPECT_EQ(takeAll(*s), (std::vector<std::uint64_t>{1, 2, 3}));
  EXPECT_EQ(s->nextSeq(), 4u);
  ASSERT_TRUE(s->append(reading(4)));
  EXPECT_TRUE(fileBytes().endsWith("\n4 1765315824000 3600 0 lx 12.3\n"));
  EXPECT_EQ(fileBytes().count('\n'), 4);
}

TEST_F(SpoolTest, GarbledLinesInTheMiddleAreDroppedWithoutLosingTheOthers) {
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
  for (; seq <= 200; ++seq) ASSERT_TRUE(s->append(reading(seq)));
  EXPECT_LE(s->fileSize(), 4096u);
  EXPECT_GT(s->dropped(), 0u);
  // What is left is the newest, whole and in order, and everything is accounted for.
  const auto seqs = takeAll(*s);
  ASSERT_FALSE(seqs.empty());
  EXPECT_EQ(seqs.back(), 200u);
  EXPECT_EQ(seqs.front(), s->dropped() + 1);
  EXPECT_EQ(seqs.size() + s->dropped(), 200u);
  // A restart does not bring the dropped ones back nor reuse their numbers.
  const std::uint64_t dropped = s->dropped();
  s.reset();
  auto again = openSpool(4096);
  EXPECT_EQ(again->takeNext()->seq, dropped + 1);
  EXPECT_EQ(again->nextSeq(), 201u);
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

}  // namespace
