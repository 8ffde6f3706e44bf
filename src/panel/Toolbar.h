#pragma once
class QString;
namespace lux {
struct Context;
// Fills the panel's toolbar `Toolbar1` with its twelve buttons and connects their clicks.
void installToolbar(Context& ctx);
// Runs the command of the toolbar button with this key.
void toolbarActionTriggered(Context& ctx, const QString& key);
}  // namespace lux
