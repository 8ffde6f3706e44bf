#pragma once
// Entry points of the subsystems, filled by the program's wiring as each subsystem is installed,
// so that one subsystem reaches another without knowing its windows.
#include <QString>
#include <functional>
#include <vector>

#include "core/PlotRequest.h"
#include "core/ToolbarCommand.h"

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
  // The toolbar commands, each registered by its subsystem (ESC by the toolbar itself).
  CommandTable commands;
  // One tick of the recording's Timer2, for whoever drives the recording by hand.
  std::function<void()> recordingTick;
  // Opens (or refills) the Plot viewer; closes any graph window first where asked.
  std::function<void(const PlotRequest&)> showPlot;
  GridCommands grid;
  // Asked before the panel closes, each in turn: false (the user kept unsaved work) keeps the
  // program open.
  std::vector<std::function<bool()>> mayClose;
  // Called when the panel is about to close: windows and timers stop, files close.
  std::vector<std::function<void()>> onShutdown;
  // Shows a note in place of the panel's port caption while the line is taken by something
  // the user no longer sees (a given-up logger dump); an empty note gives the caption back.
  std::function<void(const QString& note)> showPortNote;
  // Shows the Survey window (the Meter menu's item; the survey has no toolbar button).
  std::function<void()> showSurvey;
  // Shows the "Publish readings" window (the File menu's item).
  std::function<void()> showPublishing;
  // Opens a lighting survey file in the Survey window.
  std::function<void(const QString& path)> openSurvey;
};

}  // namespace lux
