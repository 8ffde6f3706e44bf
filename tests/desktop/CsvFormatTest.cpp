// The comma-separated export as bytes: quoting, line ends, the header and ISO 8601 stamps.
#include <gtest/gtest.h>

#include "records/CsvFormat.h"

namespace lux {
namespace {

TEST(CsvFormat, FieldsAreQuotedOnlyWhereRfc4180AsksForIt) {
  EXPECT_EQ(csvField("123.4"), "123.4");
  EXPECT_EQ(csvField(""), "");
  EXPECT_EQ(csvField("07-14:23:05"), "07-14:23:05");
  EXPECT_EQ(csvField("1,5"), "\"1,5\"");
  EXPECT_EQ(csvField("say \"OL\""), "\"say \"\"OL\"\"\"");
  EXPECT_EQ(csvField("two\r\nlines"), "\"two\r\nlines\"");
  EXPECT_EQ(csvField("lf\nonly"), "\"lf\nonly\"");
  EXPECT_EQ(csvField("W/(M)2"), "W/(M)2");
}

// Each of the four characters alone is enough to need the quotes, wherever it stands.
TEST(CsvFormat, EachSpecialCharacterAloneIsQuoted) {
  EXPECT_EQ(csvField(","), "\",\"");
  EXPECT_EQ(csvField("\""), "\"\"\"\"");
  EXPECT_EQ(csvField("\r"), "\"\r\"");
  EXPECT_EQ(csvField("\n"), "\"\n\"");
  EXPECT_EQ(csvField("cr\ronly"), "\"cr\ronly\"");
  EXPECT_EQ(csvField("end,"), "\"end,\"");
  EXPECT_EQ(csvField("\"start"), "\"\"\"start\"");
  EXPECT_EQ(csvField("a\"\"b"), "\"a\"\"\"\"b\"");
  // Characters that need nothing: a TAB, a semicolon, a blank, a minus sign.
  EXPECT_EQ(csvField("a\tb; c"), "a\tb; c");
  EXPECT_EQ(csvField("-5.0"), "-5.0");
  EXPECT_EQ(csvLine({"x\ry", "\"", "1,2", "l\nf", "-5.0"}),
            "\"x\ry\",\"\"\"\",\"1,2\",\"l\nf\",-5.0\r\n");
}

TEST(CsvFormat, LinesEndInCrLfAndKeepEmptyFields) {
  EXPECT_EQ(csvLine({"1", "07-14:23:05", "OL", ""}), "1,07-14:23:05,OL,\r\n");
  EXPECT_EQ(csvLine({"a,b", "c"}), "\"a,b\",c\r\n");
  EXPECT_EQ(csvHeaderLine(false), "number,time,value,unit\r\n");
  EXPECT_EQ(csvHeaderLine(true), "number,time,value,unit,timestamp\r\n");
}

TEST(CsvFormat, TimestampsCarryDateAndOffset) {
  EXPECT_EQ(isoTimestamp(2026, 3, 9, 8, 5, 7, 3600), "2026-03-09T08:05:07+01:00");
  EXPECT_EQ(isoTimestamp(2026, 12, 31, 23, 59, 59, 0), "2026-12-31T23:59:59+00:00");
  EXPECT_EQ(isoTimestamp(2026, 1, 2, 3, 4, 5, -(3 * 3600 + 30 * 60)), "2026-01-02T03:04:05-03:30");
  EXPECT_EQ(isoTimestamp(2026, 6, 1, 0, 0, 0, 5 * 3600 + 45 * 60), "2026-06-01T00:00:00+05:45");
}

TEST(CsvFormat, ImpossibleStampsGiveAnEmptyField) {
  EXPECT_EQ(isoTimestamp(2026, 13, 1, 0, 0, 0, 0), "");
  EXPECT_EQ(isoTimestamp(2026, 1, 0, 0, 0, 0, 0), "");
  EXPECT_EQ(isoTimestamp(2026, 1, 1, 24, 0, 0, 0), "");
  EXPECT_EQ(isoTimestamp(2026, 1, 1, 0, 60, 0, 0), "");
  EXPECT_EQ(isoTimestamp(10000, 1, 1, 0, 0, 0, 0), "");
  EXPECT_EQ(isoTimestamp(2026, 1, 1, 0, 0, 0, 19 * 3600), "");
}

}  // namespace
}  // namespace lux
