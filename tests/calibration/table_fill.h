#pragma once
// Filling point tables column by column in the calibration tests.

#include <string>
#include <vector>

#include "calibration/point_table.h"

namespace ql::calibration::fixture {

// Writes values into rows 1.. of the column, growing the table to hold them.
inline void fillColumn(PointTable& table, int column, const std::vector<std::string>& values) {
  if (table.rowCount() < static_cast<int>(values.size()) + 1)
    table.setRowCount(static_cast<int>(values.size()) + 1);
  for (std::size_t i = 0; i < values.size(); ++i) table.setCell(column, static_cast<int>(i) + 1, values[i]);
  table.renumber();
}

}  // namespace ql::calibration::fixture
