#pragma once
// What the "保存" button writes: the values of one calibration as the workbench shows them.

#include <array>
#include <string>

#include "calibration/point_table.h"
#include "calibration/polynomial_fit.h"

namespace ql::calibration {

// The error figures of one fit as shown beside it.
struct FitErrorTexts {
  std::string largest;  // with " @ " and the point index
  std::string sumOfSquares;
  std::string sumOfAbsolute;
};

struct CalibrationRecord {
  std::string serialNumber;
  std::string model;
  std::string ambientTemperature;  // the main window's live temperature text
  double fullScale = 0;            // the largest pressure point; 0 before any confirmation
  const PointTable& pressure;
  const PointTable& temperature;
  int order = 5;
  FitErrorTexts pressureErrors;
  FitErrorTexts temperatureErrors;
  std::string largestErrorCaption;  // "最大误差：" + the largest verification error + "%"
  // The logger's stored coefficients a..f.
  PolynomialCoefficients pressureRatios{};
  PolynomialCoefficients temperatureRatios{};
};

// Lines of the workbench's text files are joined by CR LF, the last one included.
std::string joinCrLf(const std::vector<std::string>& lines);
// The cells of one table row from `firstColumn` to `lastColumn`, joined by ",".
std::string joinRow(const PointTable& table, int row, int firstColumn, int lastColumn);

}  // namespace ql::calibration
