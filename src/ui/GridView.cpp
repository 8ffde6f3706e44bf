#include "ui/GridView.h"

#include <QHeaderView>
#include <QScrollBar>

#include "ui/GridModel.h"

namespace lux {

GridView::GridView(GridModel* model, QWidget* parent) : QTableView(parent), grid_(model) {
  setObjectName(QStringLiteral("Grid"));
  setModel(model);
  setRowHidden(0, true);
  verticalHeader()->hide();
  // Fixed row heights: appending a row never re-measures the others, so a list of 100000 rows
  // takes a new row as cheaply as a list of ten.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // The list windows decide when to scroll (one row per new record), not the selection.
  setAutoScroll(false);
}

int GridView::topRow() const {
  // Scrolling counts shown rows only; row 0 is hidden, so scroll position v shows row v + 1.
  return verticalScrollBar()->value() + 1;
}

void GridView::setTopRow(int row) {
  if (row < 1) row = 1;
  verticalScrollBar()->setValue(row - 1);
}

void GridView::selectGridRow(int row) {
  if (row < 0 || row >= model()->rowCount()) return;
  selectedRow_ = row;
  if (row == 0) return;  // the header row is not in the table body
  const QModelIndex first = model()->index(row, 0);
  selectionModel()->setCurrentIndex(
      first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int GridView::heightForRows(int rows) const {
  return horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize() +
         2 * frameWidth();
}

}  // namespace lux
