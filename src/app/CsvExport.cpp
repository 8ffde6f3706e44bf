#include "app/CsvExport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

#include "app/AppContext.h"
#include "logger/LoggerWindows.h"
#include "records/CsvFormat.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"

namespace lux {

namespace {

struct CsvTexts {
  Q_DECLARE_TR_FUNCTIONS(CsvExport)
};

std::string utf8(const QString& s) {
  return s.toUtf8().toStdString();
}

}  // namespace

std::string csvExport(const GridModel& grid, const std::function<QDateTime(int row)>& dateOfRow) {
  const bool dated = static_cast<bool>(dateOfRow);
  std::string out = csvHeaderLine(dated);
  const std::string unit = utf8(grid.cell(0, 0));
  std::vector<std::string> fields;
  for (int r = 1; r < grid.rows(); ++r) {
    fields = {utf8(grid.cell(r, 0)), utf8(grid.cell(r, 1)), utf8(grid.cell(r, 2)), unit};
    if (dated) {
      const QDateTime t = dateOfRow(r);
      std::string stamp;
      if (t.isValid()) {
        stamp = isoTimestamp(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                             t.time().minute(), t.time().second(), t.offsetFromUtc());
      }
      fields.push_back(std::move(stamp));
    }
    out += csvLine(fields);
  }
  return out;
}

bool csvSourceOf(QWidget* window, const GridModel** grid,
                 std::function<QDateTime(int row)>* dateOfRow) {
  *dateOfRow = {};
  if (auto* list = qobject_cast<ListWindow*>(window)) {
    *grid = &list->grid();
    if (list->kind() == ListWindow::Kind::RealTime)
      *dateOfRow = [list](int row) { return list->recordDateTime(row); };
    return true;
  }
  if (auto* data = qobject_cast<DataListWindow*>(window)) {
    *grid = &data->visibleGrid();
    if (data->knowsRecordDates())
      *dateOfRow = [data](int row) { return data->recordDateTime(row); };
    return true;
  }
  return false;
}

bool exportListAsCsv(AppContext& ctx, QWidget* window) {
  const GridModel* grid = nullptr;
  std::function<QDateTime(int)> dateOfRow;
  if (!window || !csvSourceOf(window, &grid, &dateOfRow)) return false;
  std::optional<QString> path =
      ctx.dialogs.saveFileName(CsvTexts::tr("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|"));
  if (!path || path->isEmpty()) return false;
  // A name typed without a suffix gets ".csv", as Save Graph adds ".png": a spreadsheet or the
  // file manager knows the file by it. The dialog asked about the name as typed, so a file that
  // already has the longer name is not replaced without asking.
  if (QFileInfo(*path).suffix().isEmpty()) {
    *path += QStringLiteral(".csv");
    if (QFileInfo::exists(*path) &&
        !ctx.dialogs.confirm(CsvTexts::tr("%1 already exists.\nDo you want to replace it?")
                                 .arg(QFileInfo(*path).fileName()),
                             CsvTexts::tr("Export CSV"))) {
      return false;
    }
  }
  // Rendered before the file is touched: the list may go on growing while the dialog was open,
  // the export is what it held at this moment.
  const std::string bytes = csvExport(*grid, dateOfRow);
  QSaveFile file(*path);
  if (file.open(QIODevice::WriteOnly) &&
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
          static_cast<qint64>(bytes.size()) &&
      file.commit()) {
    return true;
  }
  ctx.dialogs.message(CsvTexts::tr("The CSV file %1 could not be written:\n%2")
                          .arg(QFileInfo(*path).fileName(), file.errorString()));
  return false;
}

}  // namespace lux
