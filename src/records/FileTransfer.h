#pragma once
// The routines every list window shares for its grid: choosing where to save, writing the grid
// as a data file, printing it and handing one of its columns to the Plot viewer.
#include <QString>

class QWidget;

namespace lux {

struct RecordsContext;
class GridModel;

// Save As dialog with the filter "All Files (*.*)|*.*|" and an overwrite prompt. Sets
// `dataFileName` and `fileNameChosen` (false after a cancel, whatever it was before).
// Returns `fileNameChosen`.
bool chooseSaveFile(RecordsContext& ctx);

// Writes every row of the grid (header row included) to `dataFileName`, each cell followed by
// one TAB, lines ended by CR LF. The form's caption counts "<row> Records Completed" meanwhile
// and is restored afterwards; the hourglass shows while it runs. Clears `fileNameChosen`.
// A file that cannot be opened or written ends the save with a critical message; the lines
// written so far stay in the file.
void saveGridToFile(RecordsContext& ctx, QWidget& form, GridModel& grid);

// Prints the first three columns right-aligned in 20/15/15 characters in a monospace font.
// The panel's poll timer is off while it prints and is restored on every exit, as are the
// form's caption and the pointer. A cell wider than its field ends printing at that row.
void printGrid(RecordsContext& ctx, QWidget& form, GridModel& grid);

// Scans rows 1 .. rows-1 of the column ("L" in a cell = 1000000, otherwise the leading
// number), widening `plotMaxValue` / `plotMinValue`, and asks `ctx.hooks.showPlot` to show
// the values (with no hook set it only scans). Does nothing on a grid with no record rows.
void plotGridColumn(RecordsContext& ctx, GridModel& grid, int column, const QString& source = {});

// The list windows' "Save": refuses with "Aready in recording mode, close it and try again !"
// while a file recording runs; otherwise hourglass, chooseSaveFile and, on a chosen file,
// saveGridToFile.
void saveGridCommand(RecordsContext& ctx, QWidget& form, GridModel& grid);

}  // namespace lux
