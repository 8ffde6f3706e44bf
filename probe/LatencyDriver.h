#pragma once
// Clicks toolbar keys on the running panel, as a user would, and times what the user waits for:
// from the click to the box or window it opens on screen, and from the end of the command to the
// next reading on the panel. One line per click on stdout:
//   latency KEY N open_ms=X reading_ms=Y in_poll=0|1
// (-1 where nothing came within the bound; in_poll 1 when the click fell inside a poll tick)
// then "latency done" and the panel closes.
#include <QString>
#include <QStringList>

namespace lux {
struct AppContext;
}

namespace lux::probe {

struct LatencyPlan {
  QStringList keys;  // toolbar keys, in order
  int clicks = 20;   // clicks per key
};

void installLatencyDriver(AppContext& ctx, const LatencyPlan& plan);

}  // namespace lux::probe
