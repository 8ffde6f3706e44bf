#pragma once
// The recording subsystem's view of the program: the shared context and its own state.
#include <QPointer>
#include <QWidget>

#include "core/Context.h"
#include "records/RecordingState.h"

namespace lux {

struct RecordsContext : Context {
  RecordsContext(const Context& shared, RecordingState& state)
      : Context(shared), recording(state) {}
  RecordingState& recording;
  // The recording engine, made and owned by whoever installed the recording (installRecords).
  RecordingEngine* engine = nullptr;
  // The list windows while they are open (cleared by Qt when they close).
  QPointer<QWidget> realTimeList;
  QPointer<QWidget> fileList;
};

}  // namespace lux
