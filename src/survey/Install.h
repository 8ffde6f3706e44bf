#pragma once
namespace lux {
struct Context;
// Registers the Survey window's command ("Survey") and its shutdown step.
void installSurvey(Context& ctx);
}  // namespace lux
