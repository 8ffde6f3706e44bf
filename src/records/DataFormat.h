#pragma once
// The data file as bytes: the recording file's lines, the grid export, the field reading rule
// that "Open" uses, and the number rules for what a user types. Plain C++, so the reader can be
// fuzzed on its own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/NumberText.h"

namespace lux {

// "Lx\tTime\tValue\r\n"; an empty unit gives a line that begins with the TAB.
std::string dataFileHeaderLine(std::string_view unit);
// "<number>\t<time>\t<value>\r\n", the number in plain decimal.
std::string dataFileRecordLine(long number, std::string_view timeText, std::string_view value);
// One grid row as exported: every cell followed by one TAB, then CR LF.
std::string gridExportLine(const std::vector<std::string>& cells);
// "DD-hh:nn:ss" from a day of month and a time of day.
std::string sampleTimeStamp(int day, int hour, int minute, int second);

// The field rule of "Open" over bytes as they come: a field runs up to the next comma or line
// end (CR LF, LF or CR), leading blanks are dropped, and a field that starts with a double
// quote runs to the closing quote (what follows it up to the next comma or line end is
// skipped). Lines written by this program hold neither commas nor quotes, so each field is one
// whole line. A field longer than `maxFieldBytes` keeps its first `maxFieldBytes` bytes and the
// rest is skipped, so a file without line ends cannot exhaust memory. Fed any number of bytes
// at a time, it does work in proportion to the bytes given, however long a line is, so a
// reader can stop after a bounded amount and go on later.
class FieldSplitter {
 public:
  explicit FieldSplitter(std::size_t maxFieldBytes);
  // Takes bytes from [p, end) until a field ends: true with `p` just after it and the field in
  // field(); false once every byte is taken with the field still open.
  bool take(const char*& p, const char* end);
  // At the end of the input: true with the last field in field() when one was begun.
  bool finish();
  std::string& field() { return field_; }
  // True when the field in field() was cut at maxFieldBytes.
  bool truncated() const { return truncated_; }

 private:
  enum class State { Start, Plain, Quoted, AfterQuote, SkipLf };
  bool endField(State next);
  void append(const char* from, const char* to);

  std::size_t maxField_;
  State state_ = State::Start;
  std::string field_;
  bool truncated_ = false;
  bool ended_ = false;  // field_ holds a finished field, cleared when the next one begins
};

// The same rule pulling its bytes from a source, a field at a time.
class FieldReader {
 public:
  // Fills the buffer with up to n bytes; returns 0 at the end of the file.
  using Source = std::function<std::size_t(char* buffer, std::size_t n)>;
  static constexpr std::size_t kDefaultMaxFieldBytes = 4096;

  explicit FieldReader(Source source, std::size_t maxFieldBytes = kDefaultMaxFieldBytes);
  // Reads the next field; false at the end of the file (no field was read).
  bool next(std::string& field);
  // True when the last field read was cut at maxFieldBytes.
  bool lastFieldTruncated() const { return truncated_; }

 private:
  Source source_;
  FieldSplitter splitter_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
  bool truncated_ = false;
};

// Convenience for tests and the fuzz target: every field of an in-memory file.
std::vector<std::string> readAllFields(
    std::string_view bytes, std::size_t maxFieldBytes = FieldReader::kDefaultMaxFieldBytes);

// Splits a field into its TAB-separated parts.
std::vector<std::string> splitTabs(std::string_view field);
// The same parts as views into `field`, for the file list to turn into cells without copies.
std::vector<std::string_view> tabParts(std::string_view field);

// The unit a header line names: "Lx" when it holds "Lx", else "Fc" when it holds "Fc", else "".
std::string unitFromHeader(std::string_view header);

// The PC sampling answer as whole seconds 1..86400; nullopt when the text is not a number.
std::optional<int> pcSamplingSeconds(std::string_view answer);

// The meter sampling answer "MM:SS": nullopt when its form is wrong (no ":", ":" first or last,
// shorter than 3 characters, a second ":"), otherwise the two packed-BCD bytes to send,
// minutes first, capped at 03:00 and with seconds taken modulo 60.
std::optional<std::pair<std::uint8_t, std::uint8_t>> meterSamplingBytes(std::string_view answer);

// The meter's sampling time from what came back after "Y": the 8-byte answer 02, day, hour,
// minute, second, mm, ss, 03 may follow the rest of a display frame, so the first framed
// answer is taken; a reply of 8 bytes or more without one is read as it stands. The two
// packed-BCD bytes (minutes, seconds), or nullopt for fewer than 8 bytes.
std::optional<std::pair<std::uint8_t, std::uint8_t>> samplingTimeFromReply(std::string_view reply);

// A number's plain decimal text read as hexadecimal digits: 30 -> 0x30, 2.5 -> 0x02,
// a negative number -> 0.
std::uint8_t decimalTextAsBcd(double value);

// A grid cell as a plotted value: 1000000 when it holds a capital "L" (the overload "OL"),
// otherwise its leading number, kept within the range of a single-precision value.
float cellPlotValue(std::string_view cell);

// One print line: column texts right-aligned in 20, 15 and 15 characters; nullopt when a text
// is longer than its field (printing ends at that row).
std::optional<std::string> printGridLine(std::string_view c0, std::string_view c1,
                                         std::string_view c2);

}  // namespace lux
