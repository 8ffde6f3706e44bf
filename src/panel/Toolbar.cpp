#include "panel/Toolbar.h"

#include <QString>

#include "app/Context.h"

namespace lux {

void installToolbar(Context& ctx) { (void)ctx; }

void toolbarButtonClick(Context& ctx, const QString& key) {
  auto it = ctx.hooks.commands.find(key);
  if (it != ctx.hooks.commands.end() && it->second) it->second();
}

}  // namespace lux
