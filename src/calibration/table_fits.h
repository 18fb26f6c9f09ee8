#pragma once
// The workbench's fits of its point tables: the main fit of the pressure or the temperature table,
// the fit of the pressure probe's temperature sensor, the fit of the temperature shift caused by
// pressure, and the AD calculator that evaluates a fitted polynomial. None of them changes a table.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "calibration/point_table.h"
#include "calibration/polynomial_fit.h"

namespace ql::calibration {

// The pressure-influence fit is always cubic.
inline constexpr int kInfluenceCoefficientCount = 4;
// The point the temperature shift is measured from.
inline constexpr const char* kInfluenceReferencePoint = "100000";

struct FitPoints {
  std::vector<double> x, y;
  // The row whose cell did not read as a number and so ended the reading early.
  std::optional<int> stoppedAtRow;
};

// The points of one fit. n = the smaller of: the filled cells of column yColumn counted from row 0
// (the header counts) down to the first empty one, and the filled cells of column xColumn counted
// from row 1. Rows 1..n are read in order until a cell does not read as a number. Only the points
// read are fitted: rows not read are left out rather than fitted as made-up (0, 0) points.
FitPoints readFitPoints(const PointTable& table, int xColumn, int yColumn);

struct TableFit {
  bool fitted = false;
  // For the operator: why there are no coefficients, or which row ended the reading early.
  std::string status;
  PolynomialFit fit;
  int pointsUsed = 0;
  // a..f as "0.0000000E+00"; empty when not fitted.
  std::array<std::string, kMaxPolynomialCoefficients> coefficientTexts;
  // The error figures: shortest text; the largest with " @ " and its 0-based point index.
  std::string sumOfSquaresText;
  std::string sumOfAbsoluteText;
  std::string largestErrorText;
};

// Order 1..5 (clamped) → coefficient count order + 1.
int coefficientCountForOrder(int order);

// Fits the points with the given coefficient count and makes the texts.
TableFit fitPoints(const FitPoints& points, int coefficientCount);

// Pressure in Pa from the averaged pressure AD code (x column 6, y column 1).
TableFit fitPressureTable(const PointTable& pressure, int order);
// Temperature from the AD code of sensor 1 (x column 2, y column 1).
TableFit fitTemperatureTable(const PointTable& temperature, int order);
// Temperature from the AD code of the pressure probe's sensor (x column 3, y column 1).
TableFit fitProbeTemperature(const PointTable& temperature, int order);

// The last row whose point reads exactly "100000", or nullopt.
std::optional<int> influenceReferenceRow(const PointTable& pressure);
// The points of the temperature shift against pressure in kPa, one per row: x = column 1 / 1000,
// y = column 10 − column 10 of the reference row; a cell that does not read as a number ends the
// reading (the rows after it are left out). nullopt (nothing to do) when a row holds fewer than 2
// characters in column 10 or no row reads "100000".
std::optional<FitPoints> readInfluencePoints(const PointTable& pressure);
// The cubic fit of those points.
std::optional<TableFit> fitPressureInfluence(const PointTable& pressure);

// The AD calculator: the polynomial of the six coefficient texts at the input text, shortest text;
// "0" when the input or a coefficient does not read as a number.
std::string evaluateCalculator(const std::array<std::string, kMaxPolynomialCoefficients>& coefficients,
                               const std::string& input);
// The same for the probe-temperature polynomial: the input is first rounded to single precision.
std::string evaluateProbeCalculator(const std::array<std::string, kMaxPolynomialCoefficients>& coefficients,
                                    const std::string& input);

}  // namespace ql::calibration
