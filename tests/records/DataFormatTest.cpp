// The data file's bytes and the reading rule of "Open", and the number rules for typed answers.
#include <gtest/gtest.h>

#include "records/DataFormat.h"

namespace lux {
namespace {

TEST(DataFileLines, HeaderRecordAndExportLayouts) {
  EXPECT_EQ(dataFileHeaderLine("Lx"), "Lx\tTime\tValue\r\n");
  EXPECT_EQ(dataFileHeaderLine(""), "\tTime\tValue\r\n");
  EXPECT_EQ(dataFileRecordLine(1, "07-14:23:05", "123.4"), "1\t07-14:23:05\t123.4\r\n");
  EXPECT_EQ(dataFileRecordLine(100000, "31-23:59:59", "OL"), "100000\t31-23:59:59\tOL\r\n");
  EXPECT_EQ(gridExportLine({"Lx", "Time", "Value"}), "Lx\tTime\tValue\t\r\n");
  EXPECT_EQ(gridExportLine({"", "", ""}), "\t\t\t\r\n");
  EXPECT_EQ(sampleTimeStamp(7, 14, 23, 5), "07-14:23:05");
  EXPECT_EQ(sampleTimeStamp(31, 0, 0, 0), "31-00:00:00");
}

TEST(FieldReading, LinesCommasQuotesAndBlanks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(readAllFields("Lx\tTime\tValue\r\n1\t07-14:23:05\t123.4\r\n"),
            (V{"Lx\tTime\tValue", "1\t07-14:23:05\t123.4"}));
  // A comma ends a field: one line becomes two rows.
  EXPECT_EQ(readAllFields("1\t07-14:23:05\t1,5\r\n"), (V{"1\t07-14:23:05\t1", "5"}));
  // Leading blanks dropped, TABs kept (an empty unit stays empty).
  EXPECT_EQ(readAllFields("   12\r\n\tTime\r\n"), (V{"12", "\tTime"}));
  // A quoted field runs to its closing quote, commas included; the rest to the delimiter goes.
  EXPECT_EQ(readAllFields("\"a,b\"junk,c\r\n"), (V{"a,b", "c"}));
  EXPECT_EQ(readAllFields("\"never closed, at all"), (V{"never closed, at all"}));
  // LF alone and CR alone end lines too; the last line needs no line end.
  EXPECT_EQ(readAllFields("a\nb\rc"), (V{"a", "b", "c"}));
  EXPECT_EQ(readAllFields("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
  EXPECT_TRUE(readAllFields("").empty());
  EXPECT_TRUE(readAllFields("    ").empty());
}

TEST(FieldReading, OverlongFieldIsCutAndReadingGoesOn) {
  std::string big(100000, 'x');
  big += "\r\nnext\r\n";
  const auto fields = readAllFields(big, 4096);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].size(), 4096u);
  EXPECT_EQ(fields[1], "next");
}

// The bytes one at a time, as a reading that stops anywhere and goes on later sees them: a CR
// and its LF, a quote and what follows it may fall into different steps.
std::vector<std::string> fieldsByteByByte(std::string_view text, std::size_t cap = 4096) {
  FieldSplitter splitter(cap);
  std::vector<std::string> out;
  for (const char& c : text) {
    const char* p = &c;
    if (splitter.take(p, &c + 1)) out.push_back(splitter.field());
    EXPECT_EQ(p, &c + 1);
  }
  if (splitter.finish()) out.push_back(splitter.field());
  return out;
}

TEST(FieldReading, EveryRuleHoldsWithTheBytesGivenOneAtATime) {
  using V = std::vector<std::string>;
  EXPECT_EQ(fieldsByteByByte("Lx\tTime\tValue\r\n1\t07-14:23:05\t-5.0\r\n"),
            (V{"Lx\tTime\tValue", "1\t07-14:23:05\t-5.0"}));
  EXPECT_EQ(fieldsByteByByte("1\t07-14:23:05\t1,5\r\n"), (V{"1\t07-14:23:05\t1", "5"}));
  EXPECT_EQ(fieldsByteByByte("   12\r\n\tTime\r\n"), (V{"12", "\tTime"}));
  EXPECT_EQ(fieldsByteByByte("\"a,b\"junk,c\r\n"), (V{"a,b", "c"}));
  EXPECT_EQ(fieldsByteByByte("\"x\"\r\ny"), (V{"x", "y"}));
  EXPECT_EQ(fieldsByteByByte("\"never closed, at all"), (V{"never closed, at all"}));
  EXPECT_EQ(fieldsByteByByte("a\nb\rc"), (V{"a", "b", "c"}));
  EXPECT_EQ(fieldsByteByByte("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
  EXPECT_EQ(fieldsByteByByte("a\r\rb"), (V{"a", "", "b"}));
  EXPECT_EQ(fieldsByteByByte(",x,"), (V{"", "x"}));
  EXPECT_TRUE(fieldsByteByByte("").empty());
  EXPECT_TRUE(fieldsByteByByte("    ").empty());
  const V cut = fieldsByteByByte(std::string(5000, 'x') + "\r\nnext", 4096);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], std::string(4096, 'x'));
  EXPECT_EQ(cut[1], "next");
}

TEST(FieldReading, SmallSourceChunksGiveTheSameFields) {
  const std::string text = "Fc\tTime\tValue\r\n1\t01-00:00:00\t5\r\n2,\"q,q\"\r\n";
  std::size_t at = 0;
  FieldReader r([&](char* b, std::size_t) -> std::size_t {
    if (at >= text.size()) return 0;
    b[0] = text[at++];
    return 1;
  });
  std::vector<std::string> got;
  std::string f;
  while (r.next(f)) got.push_back(f);
  EXPECT_EQ(got, readAllFields(text));
  EXPECT_EQ(got.size(), 4u);
}

TEST(FieldReading, HeaderUnitAndTabSplit) {
  EXPECT_EQ(unitFromHeader("Lx\tTime\tValue"), "Lx");
  EXPECT_EQ(unitFromHeader("Fc\tTime\tValue"), "Fc");
  EXPECT_EQ(unitFromHeader("\tTime\tValue"), "");
  EXPECT_EQ(splitTabs("1\t2\t3"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(splitTabs("a\t\t"), (std::vector<std::string>{"a", "", ""}));
  EXPECT_EQ(splitTabs(""), (std::vector<std::string>{""}));
  // The file list's splitter gives the same parts without copying them.
  for (std::string_view f : {"1\t2\t3", "a\t\t", "", "\t", "no tab"}) {
    const auto views = tabParts(f);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), splitTabs(f)) << f;
  }
}

TEST(Numbers, LeadingNumberConversion) {
  EXPECT_DOUBLE_EQ(leadingNumber("123.4"), 123.4);
  EXPECT_DOUBLE_EQ(leadingNumber("  -2.5abc"), -2.5);
  EXPECT_DOUBLE_EQ(leadingNumber("1e3x"), 1000);
  EXPECT_DOUBLE_EQ(leadingNumber("1e"), 1);
  EXPECT_DOUBLE_EQ(leadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(leadingNumber("5."), 5);
  EXPECT_DOUBLE_EQ(leadingNumber("OL"), 0);
  EXPECT_DOUBLE_EQ(leadingNumber(""), 0);
  EXPECT_DOUBLE_EQ(leadingNumber("-"), 0);
  EXPECT_DOUBLE_EQ(leadingNumber("1,5"), 1);
  EXPECT_GT(leadingNumber("1e999"), 1e300);
  EXPECT_DOUBLE_EQ(leadingNumber("1e-999"), 0);
}

TEST(Numbers, RoundHalfToEven) {
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(2.4999), 2);
  EXPECT_EQ(roundHalfEven(2.5001), 3);
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
}

TEST(Numbers, PcSamplingAnswers) {
  EXPECT_EQ(pcSamplingSeconds("0"), 1);
  EXPECT_EQ(pcSamplingSeconds("100000"), 86400);
  EXPECT_EQ(pcSamplingSeconds("2.5"), 2);
  EXPECT_EQ(pcSamplingSeconds("3.5"), 4);
  EXPECT_EQ(pcSamplingSeconds(" 60 "), 60);
  EXPECT_EQ(pcSamplingSeconds("-7"), 1);
  EXPECT_EQ(pcSamplingSeconds("1e9"), 86400);
  EXPECT_EQ(pcSamplingSeconds("86400.4"), 86400);
  EXPECT_EQ(pcSamplingSeconds("ten"), std::nullopt);
  EXPECT_EQ(pcSamplingSeconds("12s"), std::nullopt);
  EXPECT_EQ(pcSamplingSeconds(""), std::nullopt);
}

TEST(Numbers, MeterSamplingAnswers) {
  using B = std::pair<std::uint8_t, std::uint8_t>;
  EXPECT_EQ(meterSamplingBytes("3:10"), (B{0x03, 0x00}));
  EXPECT_EQ(meterSamplingBytes("2:75"), (B{0x02, 0x15}));
  EXPECT_EQ(meterSamplingBytes("1:30"), (B{0x01, 0x30}));
  EXPECT_EQ(meterSamplingBytes("0:0"), (B{0x00, 0x00}));
  EXPECT_EQ(meterSamplingBytes("02:30"), (B{0x02, 0x30}));
  EXPECT_EQ(meterSamplingBytes("9:99"), (B{0x03, 0x00}));
  EXPECT_EQ(meterSamplingBytes("3:0"), (B{0x03, 0x00}));
  EXPECT_EQ(meterSamplingBytes("2.7:5.9"), (B{0x02, 0x05}));
  EXPECT_EQ(meterSamplingBytes("-1:-5"), (B{0x00, 0x00}));
  EXPECT_EQ(meterSamplingBytes("a:b"), (B{0x00, 0x00}));
  EXPECT_EQ(meterSamplingBytes("1:119.5"), (B{0x01, 0x00}));  // 120 mod 60
  // Whole minutes of seconds wrap to 0: at exactly 60, not only above it; 59 stays.
  EXPECT_EQ(meterSamplingBytes("1:60"), (B{0x01, 0x00}));
  EXPECT_EQ(meterSamplingBytes("1:59"), (B{0x01, 0x59}));
  for (const char* bad : {"130", ":30", "1:", "1:2:3", "1", "", "::", "1::"})
    EXPECT_EQ(meterSamplingBytes(bad), std::nullopt) << bad;
  EXPECT_EQ(decimalTextAsBcd(45), 0x45);
  EXPECT_EQ(decimalTextAsBcd(-3), 0);
}

TEST(PrintLines, RightAlignedAndTooLongCells) {
  const auto line = printGridLine("Lx", "Time", "Value");
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, std::string(18, ' ') + "Lx" + std::string(11, ' ') + "Time" +
                       std::string(10, ' ') + "Value");
  EXPECT_TRUE(printGridLine(std::string(20, '1'), std::string(15, '2'), std::string(15, '3')));
  EXPECT_FALSE(printGridLine(std::string(21, '1'), "", ""));
  EXPECT_FALSE(printGridLine("", std::string(16, '2'), ""));
  EXPECT_FALSE(printGridLine("", "", std::string(16, '3')));
  EXPECT_EQ(cellPlotValue("OL"), 1000000.0f);
  EXPECT_EQ(cellPlotValue("12.5"), 12.5f);
  EXPECT_EQ(cellPlotValue("junk"), 0.0f);
  EXPECT_EQ(cellPlotValue("1e999"), 3.0e38f);
}

}  // namespace
}  // namespace lux

namespace lux {
namespace {

TEST(SamplingReply, BytesSixAndSevenOfTheFirstFramedAnswer) {
  using Pair = std::optional<std::pair<std::uint8_t, std::uint8_t>>;
  const std::string answer("\x02\x09\x08\x05\x07\x01\x05\x03", 8);
  EXPECT_EQ(samplingTimeFromReply(answer), Pair({0x01, 0x05}));
  // The tail of a display frame before the answer.
  EXPECT_EQ(samplingTimeFromReply(std::string("\x11\x22\x03", 3) + answer), Pair({0x01, 0x05}));
  // Long enough but not framed: read as it stands.
  EXPECT_EQ(samplingTimeFromReply(std::string("abcdefgh")), Pair({'f', 'g'}));
  EXPECT_EQ(samplingTimeFromReply(answer.substr(0, 7)), std::nullopt);
  EXPECT_EQ(samplingTimeFromReply(""), std::nullopt);
}

}  // namespace
}  // namespace lux
