#pragma once
namespace lux {
struct Context;
// Registers the Survey window (hooks.showSurvey, hooks.openSurvey) and its shutdown step.
void installSurvey(Context& ctx);
}  // namespace lux
