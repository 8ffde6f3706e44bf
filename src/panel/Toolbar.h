#pragma once
// The panel's commands as actions: one QAction per toolbar command, which the toolbar shows as
// its button and the menu bar as its item, so both meet the same dispatch and refusals.
#include <array>

#include "core/ToolbarCommand.h"

class QAction;
class QToolBar;

namespace lux {

struct Context;

using CommandActions = std::array<QAction*, kToolbarCommandCount>;

// Adds the twelve command actions to `bar`, left to right, and connects each to its command.
// Registers ESC, the panel's own command. The buttons keep their keys ("Save", ... "ESC") as
// objectNames for scripts and tests.
CommandActions installToolbar(Context& ctx, QToolBar& bar);
// The same on the panel of `ctx`, which keeps the actions (Panel::commandAction()).
void installToolbar(Context& ctx);
// Registers ESC, the panel's own command (installToolbar does; a program without the toolbar's
// buttons may too).
void installEscCommand(Context& ctx);
// Runs one toolbar command as its button does.
void toolbarActionTriggered(Context& ctx, ToolbarCommand command);

}  // namespace lux
