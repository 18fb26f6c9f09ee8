#pragma once
// Page 2, the data view: the list of downloaded data files. Its grid, conversion constants and
// export are added with the data view itself.

#include <QWidget>

namespace ql {

class VelmoProgram;

class DataViewPage : public QWidget {
  Q_OBJECT

 public:
  explicit DataViewPage(const VelmoProgram& program, QWidget* parent = nullptr);
};

}  // namespace ql
