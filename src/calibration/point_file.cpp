#include "calibration/point_file.h"

#include <algorithm>
#include <optional>

#include "calibration/cell_text.h"
#include "runtime/formats.h"
#include "runtime/ini_file.h"

namespace ql::calibration {

namespace {

constexpr const char* kSection = "CONFIG";

// The mean of columns 2..5 when each is longer than 2 characters and reads as a number.
std::optional<double> cycleMean(const PointTable& table, int row) {
  double sum = 0;
  for (int column = pressure_column::kCycle1Rising; column <= pressure_column::kCycle2Falling; ++column) {
    const std::string& text = table.cell(column, row);
    const auto value = parseCellNumber(text);
    if (characterCount(text) <= 2 || !value) return std::nullopt;
    sum += *value;
  }
  return sum / 4;
}

}  // namespace

bool loadPointFile(const std::string& path, TableKind kind, PointTable& table) {
  IniFile ini;
  if (!ini.load(path)) return false;

  const auto points = static_cast<int>(std::clamp<std::int64_t>(
      ini.readInt(kSection, "校准点数", kDefaultPointCount), 0, kMaxPointFilePoints));
  table.setRowCount(points + 1);
  for (int row = 1; row < table.rowCount(); ++row)
    for (int column = 1; column < table.columnCount(); ++column) table.setCell(column, row, {});

  for (int n = 1; n <= points; ++n) {
    const std::string number = std::to_string(n);
    table.setCell(0, n, " " + number);
    table.setCell(1, n, ini.readString(kSection, "校准" + number));
    if (kind == TableKind::Pressure) {
      const std::string ad = ini.readString(kSection, "AD1_" + number, "0");
      for (int column = pressure_column::kCycle1Rising; column <= pressure_column::kCycle2Falling; ++column)
        table.setCell(column, n, ad);
      if (const auto mean = cycleMean(table, n))
        table.setCell(pressure_column::kAverage, n, formatShortest(*mean));
    } else {
      table.setCell(temperature_column::kSensor1, n, ini.readString(kSection, "AD1_" + number));
      table.setCell(temperature_column::kSensor2, n, ini.readString(kSection, "AD2_" + number));
    }
  }
  table.changed();
  return true;
}

}  // namespace ql::calibration
