// Random dumps through the cut and the split: no crash, no endless scan, no read outside the
// buffer, and every listed set lies inside the content with whole records.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logger/ListingTime.h"
#include "logger/MemoryDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Copy into an exactly sized heap buffer so that ASan sees any overrun.
  std::string raw(reinterpret_cast<const char*>(data), size);
  const std::string content = lux::cutMemoryDump(raw);
  for (std::string_view input : {std::string_view(content), std::string_view(raw)}) {
    const lux::MemoryDumpParse parsed = lux::parseMemoryDump(input);
    std::size_t covered = parsed.skippedBytes;
    std::size_t lastEnd = 0;
    for (const lux::LoggerSetInfo& set : parsed.sets) {
      if (set.records == 0) std::abort();
      if (set.length != lux::kSetHeaderLength + 3 * set.records) std::abort();
      if (set.offset < lastEnd || set.offset + set.length > input.size()) std::abort();
      // A join lies behind the first record and before the last.
      if (set.mayHoldNextSet &&
          (set.joinedAfterRecord == 0 || set.joinedAfterRecord >= set.records))
        std::abort();
      lastEnd = set.offset + set.length;
      covered += set.length;
      const lux::ListingStart start = lux::listingStart(set.timeText, 2026, 1 + set.records % 12);
      (void)lux::recordTimeLabel(start, static_cast<std::int64_t>(set.records) * 15399);
    }
    if (covered > input.size()) std::abort();
  }
  return 0;
}
