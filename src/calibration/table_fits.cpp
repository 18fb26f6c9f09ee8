#include "calibration/table_fits.h"

#include <algorithm>
#include <cmath>

#include "calibration/cell_text.h"
#include "calibration/polynomial_value.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace {

int filledCellsDown(const PointTable& table, int column, int firstRow) {
  int count = 0;
  for (int row = firstRow; row < table.rowCount() && !table.cell(column, row).empty(); ++row) ++count;
  return count;
}

TableFit notFitted(std::string status, int pointsUsed) {
  TableFit result;
  result.status = std::move(status);
  result.pointsUsed = pointsUsed;
  return result;
}

std::optional<PolynomialCoefficients> readCoefficients(
    const std::array<std::string, kMaxPolynomialCoefficients>& texts) {
  PolynomialCoefficients coefficients{};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const auto value = parseCellNumber(texts[i]);
    if (!value) return std::nullopt;
    coefficients[i] = *value;
  }
  return coefficients;
}

std::string evaluate(const std::array<std::string, kMaxPolynomialCoefficients>& coefficientTexts,
                     const std::string& input, double (*polynomial)(const PolynomialCoefficients&, double)) {
  const auto x = parseCellNumber(input);
  const auto coefficients = readCoefficients(coefficientTexts);
  if (!x || !coefficients) return "0";
  return formatShortest(polynomial(*coefficients, *x));
}

}  // namespace

FitPoints readFitPoints(const PointTable& table, int xColumn, int yColumn) {
  const int n = std::min(filledCellsDown(table, yColumn, 0), filledCellsDown(table, xColumn, 1));
  FitPoints points{std::vector<double>(static_cast<std::size_t>(n), 0.0),
                   std::vector<double>(static_cast<std::size_t>(n), 0.0)};
  for (int i = 0; i < n; ++i) {
    const auto x = parseCellNumber(table.cell(xColumn, i + 1));
    const auto y = parseCellNumber(table.cell(yColumn, i + 1));
    if (!x || !y) break;
    points.x[static_cast<std::size_t>(i)] = *x;
    points.y[static_cast<std::size_t>(i)] = *y;
  }
  return points;
}

int coefficientCountForOrder(int order) { return std::clamp(order, 1, 5) + 1; }

TableFit fitPoints(const FitPoints& points, int coefficientCount) {
  const int n = static_cast<int>(points.x.size());
  if (n < coefficientCount)
    return notFitted("Too few points for the order: " + std::to_string(n) + " points, at least " +
                         std::to_string(coefficientCount) + " needed.",
                     n);
  TableFit result;
  result.pointsUsed = n;
  result.fit = FitPolynomial(points.x, points.y, coefficientCount);
  if (!result.fit.ok)
    return notFitted("No fit of these " + std::to_string(n) + " points: " + result.fit.reason + ".", n);
  result.fitted = true;
  for (std::size_t i = 0; i < result.coefficientTexts.size(); ++i)
    result.coefficientTexts[i] = formatCoefficient(result.fit.coefficients[i]);
  result.sumOfSquaresText = formatShortest(result.fit.sumOfSquares);
  result.sumOfAbsoluteText = formatShortest(result.fit.sumOfAbsolute);
  result.largestErrorText = formatLargestError(result.fit);
  return result;
}

TableFit fitPressureTable(const PointTable& pressure, int order) {
  return fitPoints(readFitPoints(pressure, pressure_column::kAverage, pressure_column::kPoint),
                   coefficientCountForOrder(order));
}

TableFit fitTemperatureTable(const PointTable& temperature, int order) {
  return fitPoints(readFitPoints(temperature, temperature_column::kSensor1, temperature_column::kPoint),
                   coefficientCountForOrder(order));
}

TableFit fitProbeTemperature(const PointTable& temperature, int order) {
  return fitPoints(readFitPoints(temperature, temperature_column::kSensor2, temperature_column::kPoint),
                   coefficientCountForOrder(order));
}

std::optional<int> influenceReferenceRow(const PointTable& pressure) {
  std::optional<int> reference;
  for (int row = 1; row < pressure.rowCount(); ++row)
    if (pressure.cell(pressure_column::kPoint, row) == kInfluenceReferencePoint) reference = row;
  return reference;
}

std::optional<FitPoints> readInfluencePoints(const PointTable& pressure) {
  const int rows = pressure.rowCount() - 1;
  for (int row = 1; row <= rows; ++row)
    if (characterCount(pressure.cell(pressure_column::kPressureInfluence, row)) < 2) return std::nullopt;
  const auto reference = influenceReferenceRow(pressure);
  if (!reference) return std::nullopt;

  FitPoints points{std::vector<double>(static_cast<std::size_t>(rows), 0.0),
                   std::vector<double>(static_cast<std::size_t>(rows), 0.0)};
  const auto base = parseCellNumber(pressure.cell(pressure_column::kPressureInfluence, *reference));
  for (int i = 0; base && i < rows; ++i) {
    const auto point = parseCellNumber(pressure.cell(pressure_column::kPoint, i + 1));
    const auto shift = parseCellNumber(pressure.cell(pressure_column::kPressureInfluence, i + 1));
    if (!point || !shift) break;
    points.x[static_cast<std::size_t>(i)] = *point / 1000.0;
    points.y[static_cast<std::size_t>(i)] = *shift - *base;
  }
  return points;
}

std::optional<TableFit> fitPressureInfluence(const PointTable& pressure) {
  const auto points = readInfluencePoints(pressure);
  if (!points) return std::nullopt;
  return fitPoints(*points, kInfluenceCoefficientCount);
}

std::string evaluateCalculator(const std::array<std::string, kMaxPolynomialCoefficients>& coefficients,
                               const std::string& input) {
  return evaluate(coefficients, input, &EvaluatePolynomial);
}

std::string evaluateProbeCalculator(const std::array<std::string, kMaxPolynomialCoefficients>& coefficients,
                                    const std::string& input) {
  return evaluate(coefficients, input, &EvaluateProbePolynomial);
}

}  // namespace ql::calibration
