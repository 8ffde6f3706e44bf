#pragma once
// All program-wide state, in a few owned structs that the windows receive by reference.
#include "graphs/GraphState.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "logger/LoggerState.h"
#include "records/RecordingState.h"

namespace lux {

struct AppState {
  LinkState link;
  DisplayState display;
  RecordingState recording;
  GraphState graphs;
  LoggerState logger;
};

}  // namespace lux
