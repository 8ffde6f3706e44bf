#pragma once
// Program-wide state of the live graph and the graph viewers.
#include <QString>
#include <vector>

namespace lux {

constexpr int kLiveHistorySlots = 864001;

struct GraphState {
  bool liveGraphOpen = false;
  bool liveGraphInitPending = false;
  QString liveGraphUnit;
  float liveSampleCount = 0;
  // Allocated once for the program's life: every value the live graph appended.
  std::vector<float> liveHistory = std::vector<float>(kLiveHistorySlots, 0.0f);
  float liveMax = 0, liveMin = 0;
  float viewerYMax = 0, viewerYMin = 0;
  float viewerLastIndex = 0;
  QString viewerAxisCaption;
  float plotPointCount = 0;
};

}  // namespace lux
