#pragma once
// The grid of the list windows: a table of texts whose row 0 is the fixed header row (its
// first cell carries the unit), appended to in batches so that 100000 rows stay cheap.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

namespace lux {

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit GridModel(int cols, QObject* parent = nullptr);

  // Rows counts the header row, as the grids of the windows do.
  int rows() const { return static_cast<int>(cells_.size() / cols_); }
  int cols() const { return cols_; }
  QString cell(int row, int col) const;
  void setCell(int row, int col, const QString& text);

  // Appends one row from TAB-separated text; missing cells stay empty, extra fields are dropped.
  void addItem(const QString& tabSeparated);
  // Appends many rows in one model insert.
  void appendRows(const std::vector<QStringList>& rows);
  // Back to the header row alone.
  void clearRecords();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The horizontal header shows the texts of row 0, so a view can keep the header row fixed
  // while the records scroll.
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  int cols_;
  std::vector<QString> cells_;  // row-major, rows() * cols_
};

}  // namespace lux
