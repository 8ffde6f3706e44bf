#include "ui/GridModel.h"

#include <QCoreApplication>
#include <QFont>
#include <algorithm>

namespace lux {

GridModel::GridModel(int cols, QObject* parent)
    : QAbstractTableModel(parent), cols_(cols), cells_(static_cast<size_t>(cols)) {}

QString GridModel::cell(int row, int col) const {
  if (row < 0 || row >= rows() || col < 0 || col >= cols_) return {};
  return cells_[static_cast<size_t>(row) * cols_ + col];
}

void GridModel::setCell(int row, int col, const QString& text) {
  if (row < 0 || row >= rows() || col < 0 || col >= cols_) return;
  cells_[static_cast<size_t>(row) * cols_ + col] = text;
  const QModelIndex i = index(row, col);
  emit dataChanged(i, i);
  if (row == 0) emit headerDataChanged(Qt::Horizontal, col, col);
}

void GridModel::addItem(const QString& tabSeparated) {
  appendRows({tabSeparated.split(QLatin1Char('\t'))});
}

void GridModel::appendRows(const std::vector<QStringList>& newRows) {
  if (newRows.empty()) return;
  const int first = rows();
  beginInsertRows({}, first, first + static_cast<int>(newRows.size()) - 1);
  // Grow geometrically: reserving the exact size on every one-row append would copy the whole
  // grid each time (a live list adds one row per sample).
  const size_t needed = cells_.size() + newRows.size() * cols_;
  if (needed > cells_.capacity()) cells_.reserve(std::max(needed, cells_.capacity() * 2));
  for (const QStringList& r : newRows) {
    for (int c = 0; c < cols_; ++c) cells_.push_back(c < r.size() ? r[c] : QString());
  }
  endInsertRows();
}

void GridModel::clearRecords() {
  if (rows() <= 1) return;
  beginRemoveRows({}, 1, rows() - 1);
  cells_.resize(static_cast<size_t>(cols_));
  endRemoveRows();
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows();
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return cell(index.row(), index.column());
  if (role == Qt::FontRole && (index.row() == 0 || index.column() == 0)) {
    QFont f;
    f.setBold(true);
    return f;
  }
  return {};
}

namespace {

// The list headers are saved with a list and stay as written in row 0; the header the window
// shows says them in the user's language. A unit or any other text is shown as it is.
[[maybe_unused]] constexpr const char* kHeaderTexts[] = {QT_TRANSLATE_NOOP("GridModel", "No.s"),
                                                         QT_TRANSLATE_NOOP("GridModel", "Time"),
                                                         QT_TRANSLATE_NOOP("GridModel", "Value")};

}  // namespace

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < cols_)
    return QCoreApplication::translate("GridModel", cell(0, section).toUtf8().constData());

  return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace lux
