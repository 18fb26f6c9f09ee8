#include "ui/velmo/point_table_model.h"

#include <QColor>

#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

const QColor kHighlightColour(255, 0, 0);

}  // namespace

PointTableModel::PointTableModel(const calibration::PointTable& table, Highlight highlight,
                                 QStringList headers, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      highlight_(std::move(highlight)),
      headers_(std::move(headers)),
      shownRows_(table.rowCount() - 1) {}

int PointTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int PointTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.columnCount();
}

QVariant PointTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const calibration::Cell cell = cellOf(index);
  const calibration::RedCell red = highlight_ ? highlight_() : calibration::RedCell{};
  const bool highlighted = red.shown && red.cell == cell;
  switch (role) {
    case Qt::DisplayRole:
      return toQString(highlighted ? red.text : table_.cell(cell.column, cell.row));
    case Qt::BackgroundRole:
      return highlighted ? QVariant(kHighlightColour) : QVariant();
    default:
      return {};
  }
}

QVariant PointTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < headers_.size() && !headers_[section].isEmpty()) return headers_[section];
  return toQString(table_.cell(section, 0));
}

void PointTableModel::refresh() {
  const int rows = table_.rowCount() - 1;
  if (rows != shownRows_) {
    beginResetModel();
    shownRows_ = rows;
    endResetModel();
    return;
  }
  if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, table_.columnCount() - 1));
}

void PointTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.data(Qt::BackgroundRole).isValid()) option->state &= ~QStyle::State_Selected;
}

}  // namespace ql
