#pragma once
// The fit curve viewer's picture, without a toolkit: a fitted polynomial drawn over the points it
// was fitted to, as the plot frame, grid, labels, the curve's pixels and the point circles in
// client pixels. The window only paints what this computes.

#include <array>
#include <string>
#include <vector>

#include "calibration/point_table.h"
#include "calibration/polynomial_fit.h"
#include "calibration/workbench_tab.h"

namespace ql::calibration {

enum class CurveMode {
  Pressure = 1,           // "压力拟合曲线": Pa over the averaged pressure AD code
  Temperature = 2,        // "温度拟合曲线": temperature over sensor 1's AD code
  ProbeTemperature = 3,   // "压力头温度拟合曲线": temperature over the probe sensor's AD code
  PressureInfluence = 4,  // "温度补偿拟合曲线": temperature shift over pressure in kPa
};

// The tables and the coefficient texts the curves are drawn from.
struct CurveSource {
  const PointTable& pressure;
  const PointTable& temperature;
  std::array<std::string, kMaxPolynomialCoefficients> mainCoefficients;   // the six coefficient edits
  std::array<std::string, kMaxPolynomialCoefficients> probeCoefficients;  // the probe-temperature fit
  std::array<std::string, 4> influenceCoefficients;                       // "多项式0：".."多项式3："
};

// Whether the mode's menu item opens the window: its tab is the current one, and row 1's x cell
// and the first coefficient text are each longer than 2 characters.
bool canShowCurve(CurveMode mode, int tabIndex, const CurveSource& source);

struct PlotFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct CurveLabel {
  int x = 0, y = 0;  // top left of the text
  std::string text;
};

struct CurvePoint {
  int x = 0, y = 0;
};

struct FitCurvePicture {
  PlotFrame frame;
  std::vector<int> gridLines;  // y of the nine horizontal lines
  std::vector<CurveLabel> labels;
  std::vector<CurvePoint> curve;   // red pixels, one per column
  std::vector<CurvePoint> points;  // circle centres; the circle's box is centre ± 3
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  // An empty range (all x or all y equal, or a range too wide for a double): the curve is a flat
  // line at mid height and the points sit in the middle of that dimension, instead of a division
  // by zero.
  bool flat = false;
};

inline constexpr int kCircleRadius = 3;

// The frame from the client size: 5 pixels left and top, 10 right, and a bottom that leaves the
// plot height a multiple of 10 over 20.
PlotFrame plotFrame(int clientWidth, int clientHeight);

// The points of a mode, one per table row (a cell that does not read as a number counts as 0).
std::vector<std::array<double, 2>> curvePoints(CurveMode mode, const CurveSource& source);
// The mode's coefficients a..f (texts that do not read as numbers count as 0).
PolynomialCoefficients curveCoefficients(CurveMode mode, const CurveSource& source);

FitCurvePicture drawFitCurve(CurveMode mode, const CurveSource& source, int clientWidth, int clientHeight);

}  // namespace ql::calibration
