#pragma once
// File > Export CSV...: the records of a list window (live list, file list, data list) as a
// comma-separated file for spreadsheets. The data files stay the program's own format; this
// is an extra way out.
#include <QDateTime>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace lux {

struct AppContext;
class GridModel;

// The export of a grid: header, then one line per record row with number, time, value and the
// unit of the grid's corner cell; with `dateOfRow` set, an ISO 8601 timestamp column (empty
// for a row whose date is unknown).
std::string csvExport(const GridModel& grid,
                      const std::function<QDateTime(int row)>& dateOfRow = {});

// The grid a list window shows and how it dates its rows; false for any other window.
bool csvSourceOf(QWidget* window, const GridModel** grid,
                 std::function<QDateTime(int row)>* dateOfRow);

// Asks for a file and writes the window's export there; a file that cannot be written is told
// to the user and nothing half-written is left behind. False when nothing was written.
bool exportListAsCsv(AppContext& ctx, QWidget* window);

}  // namespace lux
