#pragma once
// The calibration point file: an INI file naming the reference points of one table and, for a
// repeat calibration, AD codes to start from.
//
//   [CONFIG]
//   校准点数=5        number of points (default 20)
//   校准1=0           reference point of row 1 → column 1
//   AD1_1=123456      pressure: columns 2..5; temperature: column 2
//   AD2_1=654321      temperature only: column 3

#include <string>

#include "calibration/point_table.h"
#include "calibration/table_kind.h"

namespace ql::calibration {

inline constexpr int kDefaultPointCount = 20;
// A larger count in a file is cut to this, so a damaged file cannot make a huge table.
inline constexpr int kMaxPointFilePoints = 1000;

// Fills the table from the file: N + 1 rows, all data cells cleared, then every row numbered and
// filled. On the pressure table column 6 := the mean of columns 2..5 (shortest text) when all four
// are longer than 2 characters and read as numbers. False, with the table unchanged, when the file
// cannot be read.
bool loadPointFile(const std::string& path, TableKind kind, PointTable& table);

}  // namespace ql::calibration
