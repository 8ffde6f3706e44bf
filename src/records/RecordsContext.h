#pragma once
// The recording subsystem's view of the program: the shared context and its own state.
#include "core/Context.h"
#include "records/RecordingState.h"

namespace lux {

struct RecordsContext : Context {
  RecordsContext(const Context& shared, RecordingState& state)
      : Context(shared), recording(state) {}
  RecordingState& recording;
};

}  // namespace lux
