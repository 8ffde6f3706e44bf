#pragma once
#include <memory>

namespace lux {
class RecordingEngine;
struct RecordsContext;
// Makes the recording engine, registers this subsystem's commands and hooks in the program's
// context, and sets the recording state as the program starts with it. The caller keeps the
// engine for as long as the context lives.
std::unique_ptr<RecordingEngine> installRecords(RecordsContext& ctx);
}  // namespace lux
