#pragma once
// The data page's table as a Qt model over DataPage: a cell's text is made when the view asks
// for it, so a page of 10,001 records costs no widget items. The column titles are the
// language file's GRID texts. A clicked row stays highlighted (cells 1..6 on red) until another
// row is clicked, the title row is clicked, or another page is shown.

#include <QAbstractTableModel>
#include <QStringList>

#include "data/data_page.h"

namespace ql {

class DataTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  DataTableModel(const DataPage& page, QStringList columnTitles, QObject* parent = nullptr);

  // The page's rows changed (opened, page turned, closed): the view reads them anew.
  void reload();
  // Row clicked (-1: the title row, which only forgets the highlight).
  void highlightRow(int row);
  int highlightedRow() const { return highlighted_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const DataPage& page_;
  QStringList titles_;

 public:
  // New column titles (another language).
  void setTitles(QStringList columnTitles);
  int highlighted_ = -1;
};

}  // namespace ql
