#include "ui/velmo/data_table_model.h"

#include <QColor>

namespace ql {

DataTableModel::DataTableModel(const DataPage& page, QStringList columnTitles, QObject* parent)
    : QAbstractTableModel(parent), page_(page), titles_(std::move(columnTitles)) {}

void DataTableModel::reload() {
  beginResetModel();
  highlighted_ = -1;
  endResetModel();
}

void DataTableModel::highlightRow(int row) {
  const int previous = highlighted_;
  highlighted_ = row >= 0 && row < rowCount() ? row : -1;
  for (int r : {previous, highlighted_}) {
    if (r >= 0) emit dataChanged(index(r, 1), index(r, DataPage::kColumns - 1), {Qt::BackgroundRole});
  }
}

int DataTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : page_.rowCount();
}

int DataTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : DataPage::kColumns;
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(page_.cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      return index.column() <= 1 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                 : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (index.row() == highlighted_ && index.column() >= 1) return QColor(Qt::red);
      return {};
    default:
      return {};
  }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  return section >= 0 && section < titles_.size() ? titles_[section] : QVariant();
}

void DataTableModel::setTitles(QStringList columnTitles) {
  titles_ = std::move(columnTitles);
  if (!titles_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, int(titles_.size()) - 1);
}

}  // namespace ql
