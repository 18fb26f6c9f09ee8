#pragma once
// A point table of the calibration workbench as a Qt table model: the header row of the table
// gives the column headers, rows 1.. are the model's rows 0.., and the cell the workbench
// highlights is painted red with the highlight's own text in place of the cell's.

#include <QAbstractTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

#include "calibration/point_table.h"
#include "calibration/workbench.h"

namespace ql {

class PointTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using Highlight = std::function<calibration::RedCell()>;

  // headers: the shown headers (a missing or empty one shows the table's own header text).
  PointTableModel(const calibration::PointTable& table, Highlight highlight, QStringList headers,
                  QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The table or the highlight changed: a changed row count resets the model, otherwise every
  // cell is reported changed (the view keeps its current cell).
  void refresh();

  // Table cell (column, row) of a model index: model row 0 is table row 1.
  static calibration::Cell cellOf(const QModelIndex& index) { return {index.column(), index.row() + 1}; }

 private:
  const calibration::PointTable& table_;
  Highlight highlight_;
  QStringList headers_;
  int shownRows_ = 0;
};

// Paints the highlighted cell red also while it is the selected one.
class PointTableDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace ql
