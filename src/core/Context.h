#pragma once
// What every window and command receives, whatever subsystem it belongs to: the link to the
// meter, what the meter shows, the dialog layer, the clock, control of the panel's poll timer,
// and the hooks by which one subsystem reaches another without knowing its windows. Each
// subsystem adds its own state to this in its own context; none sees another's state.
#include "core/Hooks.h"
#include "core/PollControl.h"
#include "link/Clock.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "ui/Dialogs.h"

class QWidget;

namespace lux {

struct Context {
  MeterLink& link;
  DisplayState& display;
  Dialogs& dialogs;
  Clock& clock;
  PollControl& poll;
  QWidget* panel = nullptr;  // the main panel: placement reference and dialog parent
  Hooks& hooks;
  // The meter's session that polls `link` into `display`; none where a test drives the link.
  MeterSession* session = nullptr;
};

}  // namespace lux
