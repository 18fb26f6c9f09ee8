#pragma once
// The two point tables of the calibration workbench: a grid of cell texts with one header row.
// The text of a cell is the stored value; every number is parsed from it when needed.

#include <string>
#include <vector>

#include "runtime/observable.h"

namespace ql::calibration {

// Columns of the pressure table.
namespace pressure_column {
inline constexpr int kNumber = 0;        // " " + row number
inline constexpr int kPoint = 1;         // reference pressure, Pa
inline constexpr int kCycle1Rising = 2;  // averaged pressure AD codes
inline constexpr int kCycle1Falling = 3;
inline constexpr int kCycle2Rising = 4;
inline constexpr int kCycle2Falling = 5;
inline constexpr int kAverage = 6;       // mean of columns 2..5
inline constexpr int kVerifyRising = 7;  // the logger's reading, kPa
inline constexpr int kVerifyFalling = 8;
inline constexpr int kError = 9;               // percent of full scale
inline constexpr int kPressureInfluence = 10;  // temperature 2 at each confirmation, degrees C
inline constexpr int kCount = 11;
}  // namespace pressure_column

// Columns of the temperature table.
namespace temperature_column {
inline constexpr int kNumber = 0;
inline constexpr int kPoint = 1;    // reference temperature
inline constexpr int kSensor1 = 2;  // averaged AD codes
inline constexpr int kSensor2 = 3;  // the pressure probe's sensor
inline constexpr int kVerify1 = 4;  // the logger's readings, degrees C
inline constexpr int kVerify2 = 5;
inline constexpr int kError = 6;  // column 4 minus column 1
inline constexpr int kTime = 7;   // "hh:mm:ss" of the confirmation
inline constexpr int kCount = 8;
}  // namespace temperature_column

class PointTable : public Observable {
 public:
  PointTable(std::vector<std::string> headers, std::vector<int> widths, int rowCount)
      : headers_(std::move(headers)), widths_(std::move(widths)) {
    setRowCount(rowCount);
  }

  int columnCount() const { return static_cast<int>(headers_.size()); }
  // Rows including the header row 0.
  int rowCount() const { return static_cast<int>(cells_.size()); }
  // Extra rows start empty; the header row is kept.
  void setRowCount(int rows) {
    if (rows < 1) rows = 1;
    cells_.resize(static_cast<std::size_t>(rows), std::vector<std::string>(headers_.size()));
    cells_[0] = headers_;
  }
  int columnWidth(int column) const { return widths_[static_cast<std::size_t>(column)]; }

  // Out-of-range cells read empty and ignore writes.
  const std::string& cell(int column, int row) const {
    static const std::string empty;
    if (!inRange(column, row)) return empty;
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  void setCell(int column, int row, std::string text) {
    if (inRange(column, row))
      cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(text);
  }

  // Column 0 of every data row := " " + its number.
  void renumber() {
    for (int row = 1; row < rowCount(); ++row) setCell(0, row, " " + std::to_string(row));
  }

  void changed() const { notify(); }

 private:
  bool inRange(int column, int row) const {
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
  }

  std::vector<std::string> headers_;
  std::vector<int> widths_;
  std::vector<std::vector<std::string>> cells_;
};

// The tables as the workbench creates them: two rows (header and one point), numbered.
inline PointTable makePressureTable() {
  PointTable table({"序号", "测量点(Pa)", "回程1升压", "回程1降压", "回程2升压", "回程2降压", "平均值",
                    "验证升压", "验证降压", "误差(%)", "压力影响"},
                   {50, 70, 70, 70, 70, 70, 70, 70, 70, 70, 70}, 2);
  table.renumber();
  return table;
}

inline PointTable makeTemperatureTable() {
  PointTable table(
      {"序号", "校准点(℃)", "测量值1(ad)", "测量值2(ad)", "验证值1(℃)", "验证值2(℃)", "误差(℃)", "时间(℃)"},
      {50, 100, 100, 100, 100, 100, 100, 100}, 2);
  table.renumber();
  return table;
}

}  // namespace ql::calibration
