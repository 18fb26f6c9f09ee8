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
  FitPoints points;
  for (int row = 1; row <= n; ++row) {
    const auto x = parseCellNumber(table.cell(xColumn, row));
    const auto y = parseCellNumber(table.cell(yColumn, row));
    if (!x || !y) {
      points.stoppedAtRow = row;
      break;
    }
    points.x.push_back(*x);
    points.y.push_back(*y);
  }
  return points;
}

int coefficientCountForOrder(int order) { return std::clamp(order, 1, 5) + 1; }

TableFit fitPoints(const FitPoints& points, int coefficientCount) {
  const int n = static_cast<int>(points.x.size());
  const std::string stopNote =
      points.stoppedAtRow ? "Row " + std::to_string(*points.stoppedAtRow) + " does not hold a number. " : "";
  if (n < coefficientCount)
    return notFitted(stopNote + "Too few points for the order: " + std::to_string(n) + " points, at least " +
                         std::to_string(coefficientCount) + " needed.",
                     n);
  TableFit result;
  result.pointsUsed = n;
  result.fit = FitPolynomial(points.x, points.y, coefficientCount);
  if (!result.fit.ok)
    return notFitted(
        stopNote + "No fit of these " + std::to_string(n) + " points: " + result.fit.reason + ".", n);
  result.fitted = true;
  if (points.stoppedAtRow) result.status = stopNote + std::to_string(n) + " points fitted.";
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

  FitPoints points;
  const auto base = parseCellNumber(pressure.cell(pressure_column::kPressureInfluence, *reference));
  if (!base) {
    points.stoppedAtRow = *reference;
    return points;
  }
  for (int row = 1; row <= rows; ++row) {
    const auto point = parseCellNumber(pressure.cell(pressure_column::kPoint, row));
    const auto shift = parseCellNumber(pressure.cell(pressure_column::kPressureInfluence, row));
    if (!point || !shift) {
      points.stoppedAtRow = row;
      break;
    }
    points.x.push_back(*point / 1000.0);
    points.y.push_back(*shift - *base);
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
