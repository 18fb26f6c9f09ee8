#include "calibration/fit_curve.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "calibration/cell_text.h"
#include "calibration/polynomial_value.h"
#include "calibration/table_fits.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace {

constexpr int kGridDivisions = 10;
constexpr int kLabelHeight = 12;
constexpr int kRightLabelWidth = 50;
// Pixels far outside the window are kept within what a painter takes.
constexpr double kPixelLimit = 100000;

struct ModeColumns {
  const PointTable& table;
  int x;
  int y;
};

ModeColumns columnsOf(CurveMode mode, const CurveSource& source) {
  switch (mode) {
    case CurveMode::Pressure:
      return {source.pressure, pressure_column::kAverage, pressure_column::kPoint};
    case CurveMode::Temperature:
      return {source.temperature, temperature_column::kSensor1, temperature_column::kPoint};
    case CurveMode::ProbeTemperature:
      return {source.temperature, temperature_column::kSensor2, temperature_column::kPoint};
    case CurveMode::PressureInfluence:
      break;
  }
  return {source.pressure, pressure_column::kPoint, pressure_column::kPressureInfluence};
}

// The temperature shift is measured from the last "100000" row, or from row 1.
double influenceBase(const PointTable& pressure) {
  const int row = influenceReferenceRow(pressure).value_or(1);
  return cellNumberOrZero(pressure.cell(pressure_column::kPressureInfluence, row));
}

struct RowValues {
  std::optional<double> x, y;
};

RowValues rowValues(CurveMode mode, const CurveSource& source, int row, double base) {
  const ModeColumns columns = columnsOf(mode, source);
  RowValues values{parseCellNumber(columns.table.cell(columns.x, row)),
                   parseCellNumber(columns.table.cell(columns.y, row))};
  if (mode == CurveMode::PressureInfluence) {
    if (values.x) *values.x /= 1000.0;
    if (values.y) *values.y -= base;
  }
  return values;
}

int pixel(double value) {
  if (std::isnan(value)) value = 0;
  return static_cast<int>(std::lround(std::clamp(value, -kPixelLimit, kPixelLimit)));
}

// A span that cannot scale: empty, or too wide for a double.
bool scalable(double span) { return span > 0 && std::isfinite(span); }

}  // namespace

bool canShowCurve(CurveMode mode, int tabIndex, const CurveSource& source) {
  const auto longEnough = [](const std::string& text) { return characterCount(text) > 2; };
  switch (mode) {
    case CurveMode::Pressure:
      return tabIndex == workbench_tab::kPressure &&
             longEnough(source.pressure.cell(pressure_column::kAverage, 1)) &&
             longEnough(source.mainCoefficients[0]);
    case CurveMode::Temperature:
      return tabIndex == workbench_tab::kTemperature &&
             longEnough(source.temperature.cell(temperature_column::kSensor1, 1)) &&
             longEnough(source.mainCoefficients[0]);
    case CurveMode::ProbeTemperature:
      return tabIndex == workbench_tab::kTemperature &&
             longEnough(source.temperature.cell(temperature_column::kSensor2, 1)) &&
             longEnough(source.probeCoefficients[0]);
    case CurveMode::PressureInfluence:
      return tabIndex == workbench_tab::kGeneral &&
             longEnough(source.pressure.cell(pressure_column::kPressureInfluence, 1)) &&
             longEnough(source.influenceCoefficients[0]);
  }
  return false;
}

PlotFrame plotFrame(int clientWidth, int clientHeight) {
  return {5, 5, clientWidth - 10, clientHeight - 15 - (clientHeight - 20) % 10};
}

std::vector<std::array<double, 2>> curvePoints(CurveMode mode, const CurveSource& source) {
  const PointTable& table = columnsOf(mode, source).table;
  const double base = mode == CurveMode::PressureInfluence ? influenceBase(source.pressure) : 0.0;
  std::vector<std::array<double, 2>> points;
  for (int row = 1; row < table.rowCount(); ++row) {
    const RowValues values = rowValues(mode, source, row, base);
    points.push_back({values.x.value_or(0.0), values.y.value_or(0.0)});
  }
  return points;
}

PolynomialCoefficients curveCoefficients(CurveMode mode, const CurveSource& source) {
  PolynomialCoefficients coefficients{};
  const auto read = [&](const auto& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) coefficients[i] = cellNumberOrZero(texts[i]);
  };
  if (mode == CurveMode::ProbeTemperature)
    read(source.probeCoefficients);
  else if (mode == CurveMode::PressureInfluence)
    read(source.influenceCoefficients);
  else
    read(source.mainCoefficients);
  return coefficients;
}

FitCurvePicture drawFitCurve(CurveMode mode, const CurveSource& source, int clientWidth, int clientHeight) {
  FitCurvePicture picture;
  const PlotFrame frame = plotFrame(clientWidth, clientHeight);
  picture.frame = frame;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;

  // Ranges from row 1's values; the first cell that does not read as a number ends the scan.
  const PointTable& table = columnsOf(mode, source).table;
  const double base = mode == CurveMode::PressureInfluence ? influenceBase(source.pressure) : 0.0;
  const bool fromZero = mode == CurveMode::Pressure;
  for (int row = 1; row < table.rowCount(); ++row) {
    const RowValues values = rowValues(mode, source, row, base);
    if (!values.x || !values.y) break;
    if (row == 1) {
      picture.xMin = picture.xMax = *values.x;
      picture.yMin = picture.yMax = fromZero ? 0.0 : *values.y;
    }
    picture.xMin = std::min(picture.xMin, *values.x);
    picture.xMax = std::max(picture.xMax, *values.x);
    if (!fromZero) picture.yMin = std::min(picture.yMin, *values.y);
    picture.yMax = std::max(picture.yMax, *values.y);
  }
  const double xSpan = picture.xMax - picture.xMin;
  const double ySpan = picture.yMax - picture.yMin;
  picture.flat = !scalable(xSpan) || !scalable(ySpan);
  const int middleX = frame.left + width / 2;
  const int middleY = frame.top + height / 2;

  const int gridStep = height / kGridDivisions;
  for (int k = 1; k < kGridDivisions; ++k) picture.gridLines.push_back(frame.top + k * gridStep);

  picture.labels.push_back({frame.left + 1, frame.top + 1, formatShortest(picture.yMax)});
  picture.labels.push_back({frame.left + 1, frame.bottom - kLabelHeight, formatShortest(picture.yMin)});
  for (int k = 1; k < kGridDivisions; ++k)
    picture.labels.push_back({frame.left + 1, gridStep * (kGridDivisions - k) + frame.top - kLabelHeight,
                              formatShortest(picture.yMin + ySpan / kGridDivisions * k)});
  picture.labels.push_back({frame.left + 1, frame.bottom + 1, formatShortest(picture.xMin)});
  picture.labels.push_back({frame.right - kRightLabelWidth, frame.bottom + 1, formatShortest(picture.xMax)});

  const PolynomialCoefficients coefficients = curveCoefficients(mode, source);
  for (int p = 0; p <= width && width > 0; ++p) {
    if (picture.flat) {
      picture.curve.push_back({frame.left + p, middleY});
      continue;
    }
    const double x = picture.xMin + xSpan * p / width;
    const double y = EvaluatePolynomial(coefficients, x);
    if (!std::isfinite(y)) continue;
    picture.curve.push_back({frame.left + p, frame.bottom - pixel((y - picture.yMin) * height / ySpan)});
  }

  for (const auto& [x, y] : curvePoints(mode, source)) {
    const int px = scalable(xSpan) ? pixel((x - picture.xMin) * width / xSpan + frame.left) : middleX;
    const int py = scalable(ySpan) ? pixel(frame.bottom - (y - picture.yMin) * height / ySpan) : middleY;
    picture.points.push_back({px, py});
  }
  return picture;
}

}  // namespace ql::calibration
