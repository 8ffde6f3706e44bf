#include "records/DataFormat.h"

#include "link/Protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace lux {

std::string dataFileHeaderLine(std::string_view unit) {
  std::string line(unit);
  line += "\tTime\tValue\r\n";
  return line;
}

std::string dataFileRecordLine(long number, std::string_view timeText, std::string_view value) {
  std::string line = std::to_string(number);
  line += '\t';
  line += timeText;
  line += '\t';
  line += value;
  line += "\r\n";
  return line;
}

std::string gridExportLine(const std::vector<std::string>& cells) {
  std::string line;
  for (const std::string& c : cells) {
    line += c;
    line += '\t';
  }
  line += "\r\n";
  return line;
}

std::string sampleTimeStamp(int day, int hour, int minute, int second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d-%02d:%02d:%02d", day % 100, hour % 100, minute % 100,
                second % 100);
  return buf;
}

// ---- FieldSplitter ----

FieldSplitter::FieldSplitter(std::size_t maxFieldBytes) : maxField_(maxFieldBytes) {}

bool FieldSplitter::endField(State next) {
  state_ = next;
  ended_ = true;
  return true;
}

void FieldSplitter::append(const char* from, const char* to) {
  const std::size_t n = static_cast<std::size_t>(to - from);
  const std::size_t room = field_.size() < maxField_ ? maxField_ - field_.size() : 0;
  if (n > room) {
    field_.append(from, room);
    truncated_ = true;
  } else {
    field_.append(from, n);
  }
}

bool FieldSplitter::take(const char*& p, const char* end) {
  if (ended_) {
    field_.clear();
    truncated_ = false;
    ended_ = false;
  }
  while (p < end) {
    const char c = *p;
    switch (state_) {
      case State::SkipLf:
        state_ = State::Start;
        if (c == '\n') ++p;
        break;
      case State::Start:
        ++p;
        if (c == ' ') break;
        if (c == '"') {
          state_ = State::Quoted;
          break;
        }
        if (c == ',' || c == '\n') return endField(State::Start);
        if (c == '\r') return endField(State::SkipLf);
        append(p - 1, p);
        state_ = State::Plain;
        break;
      case State::Plain: {
        const char* q = p;
        while (q < end && *q != ',' && *q != '\r' && *q != '\n') ++q;
        append(p, q);
        p = q;
        if (p == end) return false;
        return endField(*p++ == '\r' ? State::SkipLf : State::Start);
      }
      case State::Quoted: {
        const char* q = p;
        while (q < end && *q != '"') ++q;
        append(p, q);
        p = q;
        if (p == end) return false;
        ++p;
        state_ = State::AfterQuote;
        break;
      }
      case State::AfterQuote:
        // Whatever follows the closing quote up to the delimiter is not part of the field.
        ++p;
        if (c == ',' || c == '\n') return endField(State::Start);
        if (c == '\r') return endField(State::SkipLf);
        break;
    }
  }
  return false;
}

bool FieldSplitter::finish() {
  if (ended_) {
    field_.clear();
    truncated_ = false;
    ended_ = false;
  }
  const bool open =
      state_ == State::Plain || state_ == State::Quoted || state_ == State::AfterQuote;
  state_ = State::Start;
  if (open) ended_ = true;
  return open;
}

// ---- FieldReader ----

FieldReader::FieldReader(Source source, std::size_t maxFieldBytes)
    : source_(std::move(source)), splitter_(maxFieldBytes), buffer_(64 * 1024) {}

bool FieldReader::next(std::string& field) {
  for (;;) {
    if (pos_ < len_) {
      const char* p = buffer_.data() + pos_;
      const bool ended = splitter_.take(p, buffer_.data() + len_);
      pos_ = static_cast<std::size_t>(p - buffer_.data());
      if (ended) {
        field.swap(splitter_.field());
        truncated_ = splitter_.truncated();
        return true;
      }
      continue;
    }
    if (eof_) return false;
    len_ = source_ ? source_(buffer_.data(), buffer_.size()) : 0;
    pos_ = 0;
    if (len_ == 0 || len_ > buffer_.size()) {
      len_ = 0;
      eof_ = true;
      if (!splitter_.finish()) return false;
      field.swap(splitter_.field());
      truncated_ = splitter_.truncated();
      return true;
    }
  }
}

std::vector<std::string> readAllFields(std::string_view bytes, std::size_t maxFieldBytes) {
  std::size_t offset = 0;
  FieldReader reader(
      [&](char* buf, std::size_t n) {
        const std::size_t k = std::min(n, bytes.size() - offset);
        std::copy_n(bytes.data() + offset, k, buf);
        offset += k;
        return k;
      },
      maxFieldBytes);
  std::vector<std::string> out;
  std::string f;
  while (reader.next(f)) out.push_back(f);
  return out;
}

std::vector<std::string> splitTabs(std::string_view field) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = field.find('\t', start);
    if (tab == std::string_view::npos) {
      parts.emplace_back(field.substr(start));
      return parts;
    }
    parts.emplace_back(field.substr(start, tab - start));
    start = tab + 1;
  }
}

std::vector<std::string_view> tabParts(std::string_view field) {
  std::vector<std::string_view> parts;
  parts.reserve(3);
  for (std::size_t start = 0;;) {
    const std::size_t tab = field.find('\t', start);
    const std::size_t end = tab == std::string_view::npos ? field.size() : tab;
    parts.push_back(field.substr(start, end - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> samplingTimeFromReply(std::string_view reply) {
  if (reply.size() < 8) return std::nullopt;
  std::size_t at = 0;
  for (std::size_t i = 0; i + 8 <= reply.size(); ++i) {
    if (isFramed(reply.substr(i), 8)) {
      at = i;
      break;
    }
  }
  return std::make_pair(static_cast<std::uint8_t>(reply[at + 5]),
                        static_cast<std::uint8_t>(reply[at + 6]));
}

std::string unitFromHeader(std::string_view header) {
  if (header.find("Lx") != std::string_view::npos) return "Lx";
  if (header.find("Fc") != std::string_view::npos) return "Fc";
  return {};
}

// ---- numbers ----

std::optional<int> pcSamplingSeconds(std::string_view answer) {
  double v = 0;
  if (!isWholeNumberText(answer, &v)) return std::nullopt;
  v = roundHalfEven(v);
  if (v > 86400) v = 86400;
  if (v < 1) v = 1;
  return static_cast<int>(v);
}

std::uint8_t decimalTextAsBcd(double value) {
  if (!(value >= 0) || !std::isfinite(value)) return 0;
  // The digits after a decimal point are not read; the digits before it are read as hex.
  const double whole = std::floor(value);
  if (whole >= 1e15) return 0;
  const std::string digits = std::to_string(static_cast<long long>(whole));
  unsigned v = 0;
  for (char c : digits) v = (v * 16 + static_cast<unsigned>(c - '0')) & 0xFFFFu;
  return static_cast<std::uint8_t>(v & 0xFF);
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> meterSamplingBytes(std::string_view answer) {
  const std::size_t colon = answer.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == answer.size() ||
      answer.size() < 3 || answer.find(':', colon + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  double minutes = leadingNumber(answer.substr(0, colon));
  double seconds = leadingNumber(answer.substr(colon + 1));
  if (minutes > 3 || (minutes == 3 && seconds > 0)) {
    minutes = 3;
    seconds = 0;
  }
  if (seconds >= 60) seconds = std::fmod(roundHalfEven(seconds), 60.0);
  return std::make_pair(decimalTextAsBcd(minutes), decimalTextAsBcd(seconds));
}

float cellPlotValue(std::string_view cell) {
  if (cell.find('L') != std::string_view::npos) return 1000000.0f;
  const double v = leadingNumber(cell);
  constexpr double kMax = 3.0e38;
  if (v > kMax) return static_cast<float>(kMax);
  if (v < -kMax) return static_cast<float>(-kMax);
  return static_cast<float>(v);
}

std::optional<std::string> printGridLine(std::string_view c0, std::string_view c1,
                                         std::string_view c2) {
  std::string line;
  const std::pair<std::string_view, std::size_t> cols[] = {{c0, 20}, {c1, 15}, {c2, 15}};
  for (const auto& [text, width] : cols) {
    if (text.size() > width) return std::nullopt;
    line.append(width - text.size(), ' ');
    line += text;
  }
  return line;
}

}  // namespace lux
