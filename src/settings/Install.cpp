#include "settings/Install.h"

#include "core/Context.h"
#include "settings/Btn.h"
#include "settings/Setup.h"

namespace lux {

void installSettings(Context& ctx) {
  ctx.hooks.commands.add(ToolbarCommand::TimeSet, [&ctx] { showMeterClock(ctx); });
  ctx.hooks.commands.add(ToolbarCommand::Buttons, [&ctx] { Btn::showKeypad(ctx); });
}

}  // namespace lux
