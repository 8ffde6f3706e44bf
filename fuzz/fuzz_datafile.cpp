// The data-file reader, the file list's TAB splitter, the typed-number rules and the sampling
// window's reply reading on arbitrary bytes: no crash, no read out of bounds, fields never
// longer than the cap, and what the writer produces reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "records/DataFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  constexpr std::size_t kCap = 64;
  for (const std::string& f : lux::readAllFields(bytes, kCap)) {
    if (f.size() > kCap) std::abort();
    // The file list's own splitter agrees with the plain one and loses no byte.
    const auto views = lux::tabParts(f);
    const auto parts = lux::splitTabs(f);
    if (views.size() != parts.size()) std::abort();
    std::string joined;
    for (std::size_t i = 0; i < views.size(); ++i) {
      if (views[i] != parts[i] || views[i].find('\t') != std::string_view::npos) std::abort();
      if (i > 0) joined += '\t';
      joined += views[i];
    }
    if (joined != f) std::abort();
    (void)lux::unitFromHeader(f);
  }

  (void)lux::leadingNumber(bytes);
  (void)lux::cellPlotValue(bytes);
  if (auto s = lux::pcSamplingSeconds(bytes)) {
    if (*s < 1 || *s > 86400) std::abort();
  }
  if (auto b = lux::meterSamplingBytes(bytes)) {
    // Never more than 03:00; seconds are two BCD digits below 60.
    if (b->first > 0x03 || (b->first == 0x03 && b->second != 0)) std::abort();
    if ((b->second >> 4) > 5 || (b->second & 0x0F) > 9) std::abort();
  }
  // The sampling window's reading of the "Y" answer: bytes 6 and 7 of the first framed answer,
  // or of the reply as it stands; nothing from fewer than 8 bytes.
  const auto sampling = lux::samplingTimeFromReply(bytes);
  if (sampling.has_value() != (size >= 8)) std::abort();
  if (sampling) {
    std::size_t at = 0;
    for (std::size_t i = 0; i + 8 <= size; ++i) {
      if (data[i] == 0x02 && data[i + 7] == 0x03) {
        at = i;
        break;
      }
    }
    if (sampling->first != data[at + 5] || sampling->second != data[at + 6]) std::abort();
  }
  (void)lux::printGridLine(bytes.substr(0, size / 3), bytes.substr(size / 3, size / 3),
                           bytes.substr(2 * (size / 3)));

  // A record line built from any value text without commas, quotes or line ends reads back as
  // one field equal to the line without its line end.
  std::string value;
  for (char c : bytes.substr(0, 32)) {
    if (c != ',' && c != '"' && c != '\r' && c != '\n' && c != ' ') value += c;
  }
  const std::string line = lux::dataFileRecordLine(7, "01-02:03:04", value);
  const auto back = lux::readAllFields(line);
  if (back.size() != 1 || back[0] != line.substr(0, line.size() - 2)) std::abort();
  return 0;
}
