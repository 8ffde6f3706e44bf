// Cost of decoding one display frame (the poll decodes one every 250 ms; goal: under 2 us), and
// of turning one logger record into its two texts (a full memory holds about 43000 records).
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "link/FrameDecoder.h"
#include "link/LoggerValue.h"
#include "tests/support/Frames.h"

namespace {

// A spread of typical displays: every point position, both units, an overload and a banner.
std::vector<std::string> typicalFrames() {
  std::vector<std::string> frames;
  for (int d = 0; d <= 3; ++d) {
    frames.push_back(
        lux::test::encodeFrame(lux::test::frameForReading(123.456 * (d + 1), d, true)));
    frames.push_back(lux::test::encodeFrame(lux::test::frameForReading(9.87 * (d + 1), d, false)));
  }
  frames.push_back(lux::test::encodeFrame(lux::test::frameForReading(0, 0, true, true)));
  auto setUp = lux::test::frameForReading(1.0, 1, true);
  setUp.flags.annSetUp = true;
  frames.push_back(lux::test::encodeFrame(setUp));
  return frames;
}

void BM_DecodeFrame(benchmark::State& st) {
  const auto frames = typicalFrames();
  lux::DisplayState s;
  std::size_t i = 0;
  for (auto _ : st) {
    auto r = lux::decodeFrame(s, frames[i]);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(s.mainValue);
    if (++i == frames.size()) i = 0;
  }
}
BENCHMARK(BM_DecodeFrame);

void BM_FormatLoggerValue(benchmark::State& st) {
  std::array<std::string, 2> texts;
  unsigned raw = 0, bit = 1;
  for (auto _ : st) {
    lux::formatLoggerValue(static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw),
                           static_cast<std::uint8_t>(1u << bit), texts);
    benchmark::DoNotOptimize(texts);
    raw = (raw + 977) & 0xFFFF;
    bit = bit == 6 ? 1 : bit + 1;
  }
}
BENCHMARK(BM_FormatLoggerValue);

}  // namespace

BENCHMARK_MAIN();
