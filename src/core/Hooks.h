#pragma once
// Entry points of the subsystems, filled by the program's wiring as each subsystem is installed,
// so that one subsystem reaches another without knowing its windows. An empty hook means the
// command is not there (the toolbar button stays inert).
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "core/PlotRequest.h"

class QWidget;

namespace lux {

class GridModel;

// What the list windows of every subsystem do with their grid, whoever owns the routines.
struct GridCommands {
  // Save: the grid exported to a file the user picks.
  std::function<void(QWidget* window, GridModel& grid)> save;
  // Print: the grid on the printer the user picks.
  std::function<void(QWidget* window, GridModel& grid)> print;
  // Plot: one column of the grid in the Plot viewer, `seed` giving unit, range and source.
  std::function<void(GridModel& grid, int column, const PlotRequest& seed)> plot;
};

struct Hooks {
  // Toolbar commands by key ("Save", "Open", "PC", "List", "Graph", "TimeSet", "Memory", "CD",
  // "Comp", "Hold", "Buttons").
  std::map<QString, std::function<void()>> commands;
  // One tick of the recording's Timer2, for whoever drives the recording by hand.
  std::function<void()> recordingTick;
  // Opens (or refills) the Plot viewer; closes any graph window first where asked.
  std::function<void(const PlotRequest&)> showPlot;
  GridCommands grid;
  // Called when the panel is about to close: windows and timers stop, files close.
  std::vector<std::function<void()>> onShutdown;
  // Shows a note in place of the panel's port caption while the line is taken by something
  // the user no longer sees (a given-up logger dump); an empty note gives the caption back.
  std::function<void(const QString& note)> showPortNote;
};

}  // namespace lux
