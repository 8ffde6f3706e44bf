// Random typed text through the hold-time and distance entry rules, and random line bytes
// through the settings-block and clock-reply readers. Besides surviving ASan/UBSan, every value
// that would go to the meter must be one the meter can take.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/SettingsPayloads.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool isBcd(char c) {
  const auto b = static_cast<std::uint8_t>(c);
  return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const lux::HoldEntry hold = lux::parseHoldEntry(text);
  check((hold.verdict == lux::EntryVerdict::Empty) == text.empty());
  if (hold.verdict == lux::EntryVerdict::Valid) {
    check(hold.minutes >= 0 && hold.minutes <= 59 && hold.seconds >= 0 && hold.seconds <= 59);
    const std::string p = lux::encodeHoldPayload(hold.minutes, hold.seconds);
    check(p.size() == 2 && isBcd(p[0]) && isBcd(p[1]));
  }

  const lux::DistanceEntry distance = lux::parseDistanceEntry(text);
  if (distance.verdict == lux::EntryVerdict::Valid) {
    check(distance.hundredths >= 0 && distance.hundredths <= 999);
    check(lux::encodeDistancePayload(distance.hundredths).size() == 2);
  }

  if (const auto block = lux::parseSettingsBlock(text)) {
    check(size >= 9 && data[0] == 0x02 && data[8] == 0x03);
    check(lux::limitDigitsText(block->high).size() == 4);
    check(lux::distanceDefaultText(block->distance).size() >= 5);
    check(block->distanceBytes.size() == 2);
  }

  if (const auto caption = lux::meterClockCaption(text)) check(caption->size() == 11);
  return 0;
}
