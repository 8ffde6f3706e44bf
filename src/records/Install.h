#pragma once
namespace lux {
struct RecordsContext;
// Registers this subsystem's commands and hooks in the program's context, and sets the
// recording state as the program starts with it.
void installRecords(RecordsContext& ctx);
}  // namespace lux
