#pragma once
// The table of a list window over a GridModel. Row 0 of the model (the header row, with the
// unit in its first cell) is shown as the fixed column header; the records scroll below it.
// Row numbers are model rows, so row 1 is the first record, as in the list windows' rules.
#include <QTableView>

namespace lux {

class GridModel;

class GridView : public QTableView {
  Q_OBJECT
 public:
  explicit GridView(GridModel* model, QWidget* parent = nullptr);

  GridModel* grid() const { return grid_; }
  // The first record row in view (1 when the list is at its top).
  int topRow() const;
  // Scrolls so that `row` is the first record row in view (as far as the list can scroll).
  void setTopRow(int row);
  // Selects a whole row (the current row, as the grid's Row property).
  void selectGridRow(int row);
  int selectedGridRow() const { return selectedRow_; }
  // Brings the scroll range up to date at once (Qt would do it at the next event), so a row
  // appended in a timer tick can be scrolled to in the same tick.
  void layoutNow() { executeDelayedItemsLayout(); }
  // Height in pixels that shows the header and `rows` record rows without a scroll bar.
  int heightForRows(int rows) const;

 private:
  GridModel* grid_;
  int selectedRow_ = 0;
};

}  // namespace lux
