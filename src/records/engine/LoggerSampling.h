#pragma once
// The meter's logger sampling time, read and set over the line without any window: the
// sampling window's meter path and luxpanel-cli's "set sampling" run the same exchanges.
#include <cstdint>
#include <optional>
#include <utility>

namespace lux {

class MeterLink;

// The sampling time the meter holds, as the two packed-BCD bytes (minutes, seconds) of its
// reply to "Y". The meter answers "Y" in pieces: each handshake gets five more short reads.
// Nothing when no whole reply came within `bound` seconds.
std::optional<std::pair<std::uint8_t, std::uint8_t>> requestLoggerSampling(MeterLink& link,
                                                                           double bound);

// A new logger sampling time (packed BCD): handshake, "H", 0.2 s, then "W" and the two bytes.
// False when the meter stopped answering on the way.
bool sendLoggerSampling(MeterLink& link, std::uint8_t minutes, std::uint8_t seconds);

}  // namespace lux
