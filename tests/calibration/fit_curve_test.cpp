#include "calibration/fit_curve.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "calibration/table_fill.h"
#include "calibration/table_fits.h"

namespace ql::calibration {
namespace {

using fixture::fillColumn;

constexpr int kWidth = 941;
constexpr int kHeight = 689;

struct Tables {
  PointTable pressure = makePressureTable();
  PointTable temperature = makeTemperatureTable();
  CurveSource source() const { return {pressure, temperature, {}, {}, {}}; }
};

// The curve's pixel in the point's column.
int curveYAt(const FitCurvePicture& picture, int x) {
  for (const CurvePoint& pixel : picture.curve)
    if (pixel.x == x) return pixel.y;
  ADD_FAILURE() << "no curve pixel in column " << x;
  return -1;
}

TEST(FitCurve, FrameGridAndLabelsFollowTheClientSize) {
  const PlotFrame frame = plotFrame(kWidth, kHeight);
  EXPECT_EQ(frame.left, 5);
  EXPECT_EQ(frame.top, 5);
  EXPECT_EQ(frame.right, 931);
  EXPECT_EQ(frame.bottom, 665);  // 689 - 15 - (669 mod 10)
  EXPECT_EQ(plotFrame(400, 300).bottom, 285);

  Tables tables;
  fillColumn(tables.temperature, temperature_column::kPoint, {"-5", "15", "35"});
  fillColumn(tables.temperature, temperature_column::kSensor1, {"1000", "2000", "3000"});
  const FitCurvePicture picture = drawFitCurve(CurveMode::Temperature, tables.source(), kWidth, kHeight);
  EXPECT_EQ(picture.gridLines, (std::vector<int>{71, 137, 203, 269, 335, 401, 467, 533, 599}));
  ASSERT_EQ(picture.labels.size(), 13u);
  const auto expectLabel = [&](std::size_t i, int x, int y, const std::string& text) {
    EXPECT_EQ(picture.labels[i].x, x) << i;
    EXPECT_EQ(picture.labels[i].y, y) << i;
    EXPECT_EQ(picture.labels[i].text, text) << i;
  };
  expectLabel(0, 6, 6, "35");    // y max
  expectLabel(1, 6, 653, "-5");  // y min
  expectLabel(2, 6, 587, "-1");  // k = 1: 66·9 + 5 − 12
  expectLabel(4, 6, 455, "7");   // k = 3
  expectLabel(10, 6, 59, "31");  // k = 9
  expectLabel(11, 6, 666, "1000");
  expectLabel(12, 881, 666, "3000");
  EXPECT_EQ(picture.curve.size(), 927u) << "one pixel per column, both ends included";
}

TEST(FitCurve, PressureFitPutsEveryPointOnTheCurveWithYFromZero) {
  Tables tables;
  fillColumn(tables.pressure, pressure_column::kPoint, {"20000", "60000", "100000", "140000", "200000"});
  fillColumn(tables.pressure, pressure_column::kAverage,
             {"1500000", "2500000", "3500000", "4500000", "6000000"});
  const TableFit fit = fitPressureTable(tables.pressure, 2);
  ASSERT_TRUE(fit.fitted);
  CurveSource source = tables.source();
  source.mainCoefficients = fit.coefficientTexts;

  const FitCurvePicture picture = drawFitCurve(CurveMode::Pressure, source, kWidth, kHeight);
  EXPECT_EQ(picture.yMin, 0);
  EXPECT_EQ(picture.labels[1].text, "0");
  EXPECT_EQ(picture.labels[0].text, "200000");
  EXPECT_EQ(picture.xMin, 1500000);
  ASSERT_EQ(picture.points.size(), 5u);
  EXPECT_EQ(picture.points.front().x, picture.frame.left);
  EXPECT_EQ(picture.points.back().x, picture.frame.right);
  for (const CurvePoint& point : picture.points)
    EXPECT_LE(std::abs(curveYAt(picture, point.x) - point.y), 1) << "point at column " << point.x;
  // 200000 Pa is the top of the frame, 20000 Pa a tenth of the height above the bottom.
  EXPECT_EQ(picture.points.back().y, picture.frame.top);
  EXPECT_EQ(picture.points.front().y, picture.frame.bottom - 66);
}

TEST(FitCurve, InfluenceCurveMeasuresFromTheReferenceRow) {
  Tables tables;
  fillColumn(tables.pressure, pressure_column::kPoint, {"0", "100000", "200000"});
  fillColumn(tables.pressure, pressure_column::kPressureInfluence, {"20.100", "20.300", "20.700"});
  CurveSource source = tables.source();
  source.influenceCoefficients = {"-2.0000000E-01", "1.0000000E-03", "1.0000000E-05", "0"};

  const auto points = curvePoints(CurveMode::PressureInfluence, source);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[1][0], 100.0);
  EXPECT_EQ(points[1][1], 0.0);
  const FitCurvePicture picture = drawFitCurve(CurveMode::PressureInfluence, source, kWidth, kHeight);
  EXPECT_NEAR(picture.yMin, -0.2, 1e-12);
  EXPECT_NEAR(picture.yMax, 0.4, 1e-12);
  // y = 0 lies a third of the way up: 660 · 0.2 / 0.6 = 220 pixels.
  EXPECT_EQ(picture.points[1].y, picture.frame.bottom - 220);
  for (const CurvePoint& point : picture.points) EXPECT_LE(std::abs(curveYAt(picture, point.x) - point.y), 1);

  // Without a "100000" row the shift is measured from row 1.
  tables.pressure.setCell(pressure_column::kPoint, 2, "100001");
  EXPECT_EQ(curvePoints(CurveMode::PressureInfluence, tables.source())[0][1], 0.0);
}

TEST(FitCurve, RangeScanStopsAtACellThatDoesNotParseAndThatPointCountsAsZero) {
  Tables tables;
  fillColumn(tables.temperature, temperature_column::kPoint, {"10", "20", "oops", "90"});
  fillColumn(tables.temperature, temperature_column::kSensor2, {"100", "200", "300", "900"});
  const FitCurvePicture picture = drawFitCurve(CurveMode::ProbeTemperature, tables.source(), kWidth, kHeight);
  EXPECT_EQ(picture.xMax, 200);
  EXPECT_EQ(picture.yMax, 20);
  EXPECT_EQ(picture.yMin, 10);
  ASSERT_EQ(picture.points.size(), 4u);
  const auto points = curvePoints(CurveMode::ProbeTemperature, tables.source());
  EXPECT_EQ(points[2][1], 0.0);
}

TEST(FitCurve, ZeroRangeDrawsAFlatLineAtMidHeight) {
  struct Case {
    const char* name;
    std::vector<std::string> points, codes;
  };
  const Case cases[] = {
      {"all x equal", {"-5", "15", "35"}, {"2000", "2000", "2000"}},
      {"all y equal", {"15", "15", "15"}, {"1000", "2000", "3000"}},
      {"one row", {"15"}, {"1000"}},
      {"x range beyond a double", {"-5", "35"}, {"-1E308", "1E308"}},
  };
  for (const Case& c : cases) {
    Tables tables;
    fillColumn(tables.temperature, temperature_column::kPoint, c.points);
    fillColumn(tables.temperature, temperature_column::kSensor1, c.codes);
    CurveSource source = tables.source();
    source.mainCoefficients = {"1E300", "1E300", "1E300", "1E300", "1E300", "1E300"};
    const FitCurvePicture picture = drawFitCurve(CurveMode::Temperature, source, kWidth, kHeight);
    const int middle = picture.frame.top + (picture.frame.bottom - picture.frame.top) / 2;
    EXPECT_TRUE(picture.flat) << c.name;
    ASSERT_EQ(picture.curve.size(), 927u) << c.name;
    for (const CurvePoint& pixel : picture.curve) ASSERT_EQ(pixel.y, middle) << c.name;
    ASSERT_EQ(picture.points.size(), c.points.size());
  }
}

TEST(FitCurve, HugeCoefficientsStayWithinPaintableCoordinates) {
  Tables tables;
  fillColumn(tables.temperature, temperature_column::kPoint, {"-5", "35"});
  fillColumn(tables.temperature, temperature_column::kSensor1, {"1000", "3000"});
  CurveSource source = tables.source();
  source.mainCoefficients = {"0", "0", "0", "0", "0", "1E300"};  // x^5 overflows to infinity
  const FitCurvePicture picture = drawFitCurve(CurveMode::Temperature, source, kWidth, kHeight);
  for (const CurvePoint& pixel : picture.curve) EXPECT_GE(pixel.y, -100000);
  source.mainCoefficients = {"0", "1E200", "0", "0", "0", "0"};
  for (const CurvePoint& pixel : drawFitCurve(CurveMode::Temperature, source, kWidth, kHeight).curve)
    EXPECT_GE(pixel.y, -100000);
}

TEST(FitCurve, EachCurveOpensOnItsTabWithItsInputs) {
  Tables tables;
  tables.pressure.setCell(pressure_column::kAverage, 1, "4285025");
  tables.pressure.setCell(pressure_column::kPressureInfluence, 1, "20.1");
  tables.temperature.setCell(temperature_column::kSensor1, 1, "123456");
  tables.temperature.setCell(temperature_column::kSensor2, 1, "654321");
  CurveSource ready = tables.source();
  ready.mainCoefficients[0] = "1.0000000E+00";
  ready.probeCoefficients[0] = "2.0000000E+00";
  ready.influenceCoefficients[0] = "3.0000000E+00";
  CurveSource noCoefficients = tables.source();
  noCoefficients.mainCoefficients[0] = noCoefficients.probeCoefficients[0] = "12";
  noCoefficients.influenceCoefficients[0] = "";

  struct Case {
    CurveMode mode;
    int tab;
  };
  const Case cases[] = {{CurveMode::Pressure, workbench_tab::kPressure},
                        {CurveMode::Temperature, workbench_tab::kTemperature},
                        {CurveMode::ProbeTemperature, workbench_tab::kTemperature},
                        {CurveMode::PressureInfluence, workbench_tab::kGeneral}};
  for (const Case& c : cases) {
    const int mode = static_cast<int>(c.mode);
    EXPECT_TRUE(canShowCurve(c.mode, c.tab, ready)) << mode;
    EXPECT_FALSE(canShowCurve(c.mode, (c.tab + 1) % 4, ready)) << mode;
    EXPECT_FALSE(canShowCurve(c.mode, c.tab, noCoefficients)) << mode;
  }
  tables.temperature.setCell(temperature_column::kSensor2, 1, "65");
  EXPECT_FALSE(canShowCurve(CurveMode::ProbeTemperature, workbench_tab::kTemperature, ready));
  EXPECT_TRUE(canShowCurve(CurveMode::Temperature, workbench_tab::kTemperature, ready));
}

}  // namespace
}  // namespace ql::calibration
