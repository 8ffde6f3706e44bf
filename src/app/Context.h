#pragma once
// What every window and command receives: the program-wide state, the link to the meter, the
// dialog layer, the clock, control of the panel's poll timer, and the hooks by which one
// subsystem reaches another without knowing its windows.
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "app/AppState.h"
#include "link/Clock.h"
#include "link/MeterLink.h"
#include "link/PollControl.h"
#include "ui/Dialogs.h"

class QWidget;

namespace lux {

// A column of values for the Plot viewer (x = 1 .. values.size()).
struct PlotRequest {
  QString unitText;
  std::vector<float> values;
  float xMax = 0;
  float yMin = 0;
  float yMax = 0;
  QString source;  // where the values come from (file name, logger set): a printout's title
};

// Entry points of the subsystems, filled by the program's wiring as each subsystem exists.
// An empty hook means the command is not there (the toolbar button stays inert).
struct Hooks {
  // Toolbar commands by key ("Graph", "TimeSet", "Memory", "CD", "Comp", "Hold", "Buttons").
  std::map<QString, std::function<void()>> commands;
  // Recording tick on the panel's Timer2.
  std::function<void()> recordingTick;
  // Opens (or refills) the Plot viewer; closes any graph window first where asked.
  std::function<void(const PlotRequest&)> showPlot;
  // Called when the panel is about to close: windows and timers stop, files close.
  std::vector<std::function<void()>> onShutdown;
  // Shows a note in place of the panel's port caption while the line is taken by something
  // the user no longer sees (a given-up logger dump); an empty note gives the caption back.
  std::function<void(const QString& note)> showPortNote;
};

struct Context {
  AppState& state;
  MeterLink& link;
  Dialogs& dialogs;
  Clock& clock;
  PollControl& poll;
  QWidget* panel = nullptr;  // the main panel: placement reference and dialog parent
  Hooks hooks;
};

}  // namespace lux
