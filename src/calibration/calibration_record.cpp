#include "calibration/calibration_record.h"

namespace ql::calibration {

std::string joinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::string joinRow(const PointTable& table, int row, int firstColumn, int lastColumn) {
  std::string line;
  for (int column = firstColumn; column <= lastColumn; ++column) {
    if (column > firstColumn) line += ",";
    line += table.cell(column, row);
  }
  return line;
}

}  // namespace ql::calibration
