#include "calibration/table_fits.h"

#include <gtest/gtest.h>

#include <optional>

#include "calibration/table_fill.h"

namespace ql::calibration {
namespace {

using fixture::fillColumn;
using Texts = std::array<std::string, kMaxPolynomialCoefficients>;

TEST(TableFits, MainFitsReadTheirColumnsAndGiveCoefficientAndErrorTexts) {
  // y = 1 + 2x on the pressure table (x = average, column 6).
  PointTable pressure = makePressureTable();
  fillColumn(pressure, pressure_column::kPoint, {"3", "5", "7"});
  fillColumn(pressure, pressure_column::kAverage, {"1", "2", "3"});
  pressure.setCell(pressure_column::kCycle1Rising, 1, "999");  // not an input of the fit
  const TableFit line = fitPressureTable(pressure, 1);
  ASSERT_TRUE(line.fitted) << line.status;
  EXPECT_EQ(line.pointsUsed, 3);
  EXPECT_EQ(line.coefficientTexts, (Texts{"1.0000000E+00", "2.0000000E+00", "0.0000000E+00", "0.0000000E+00",
                                          "0.0000000E+00", "0.0000000E+00"}));
  EXPECT_EQ(line.sumOfSquaresText, "0");
  EXPECT_EQ(line.sumOfAbsoluteText, "0");
  EXPECT_EQ(line.largestErrorText, "0 @ 0");
  EXPECT_TRUE(line.status.empty());

  // y = x^2 + 1 on the temperature table, sensor 1 (column 2); sensor 2 holds other codes.
  PointTable temperature = makeTemperatureTable();
  fillColumn(temperature, temperature_column::kPoint, {"1", "2", "5", "10"});
  fillColumn(temperature, temperature_column::kSensor1, {"0", "1", "2", "3"});
  fillColumn(temperature, temperature_column::kSensor2, {"0", "2", "4", "6"});
  const TableFit square = fitTemperatureTable(temperature, 2);
  ASSERT_TRUE(square.fitted);
  EXPECT_EQ(square.coefficientTexts[0], "1.0000000E+00");
  EXPECT_NEAR(square.fit.coefficients[1], 0.0, 1e-12);
  EXPECT_EQ(square.coefficientTexts[2], "1.0000000E+00");
  EXPECT_EQ(square.coefficientTexts[3], "0.0000000E+00");

  // The probe sensor's codes are twice sensor 1's: c becomes 1/4.
  const TableFit probe = fitProbeTemperature(temperature, 2);
  ASSERT_TRUE(probe.fitted);
  EXPECT_EQ(probe.coefficientTexts[2], "2.5000000E-01");
}

TEST(TableFits, PointCountIsTheShorterColumnWithTheHeaderCountedInColumnOne) {
  struct Case {
    const char* name;
    std::vector<std::string> points;  // column 1
    std::vector<std::string> codes;   // x column
    std::vector<double> x, y;
    std::optional<int> stoppedAtRow;
  };
  const Case cases[] = {
      {"six points, four codes: four points",
       {"10", "20", "30", "40", "50", "60"},
       {"1", "2", "3", "4"},
       {1, 2, 3, 4},
       {10, 20, 30, 40},
       {}},
      // Column 1 counts its header: three points and four codes give four rows, the last one empty.
      {"three points, four codes", {"10", "20", "30"}, {"1", "2", "3", "4"}, {1, 2, 3}, {10, 20, 30}, 4},
      {"a cell that does not parse ends the reading",
       {"10", "20", "30", "40"},
       {"1", "x2", "3", "4"},
       {1},
       {10},
       2},
      {"an empty code in row 2 cuts the count", {"10", "20", "30"}, {"1", "", "3"}, {1}, {10}, {}},
      {"blanks around a number", {" 10 ", "20"}, {"1", " 2"}, {1, 2}, {10, 20}, {}},
  };
  for (const Case& c : cases) {
    PointTable temperature = makeTemperatureTable();
    fillColumn(temperature, temperature_column::kPoint, c.points);
    fillColumn(temperature, temperature_column::kSensor1, c.codes);
    const FitPoints points =
        readFitPoints(temperature, temperature_column::kSensor1, temperature_column::kPoint);
    EXPECT_EQ(points.x, c.x) << c.name;
    EXPECT_EQ(points.y, c.y) << c.name;
    EXPECT_EQ(points.stoppedAtRow, c.stoppedAtRow) << c.name;
  }

  // The fit of the first case: the two extra points (off the line) are not used.
  PointTable temperature = makeTemperatureTable();
  fillColumn(temperature, temperature_column::kPoint, {"10", "20", "30", "40", "-7", "99"});
  fillColumn(temperature, temperature_column::kSensor1, {"1", "2", "3", "4"});
  const TableFit fit = fitTemperatureTable(temperature, 1);
  ASSERT_TRUE(fit.fitted);
  EXPECT_EQ(fit.pointsUsed, 4);
  EXPECT_EQ(fit.coefficientTexts[1], "1.0000000E+01");
  EXPECT_EQ(fit.largestErrorText.substr(0, 2), "0 ");
  EXPECT_EQ(fit.status, "");
}

TEST(TableFits, RowsAfterACellThatDoesNotParseAreLeftOutOfTheFit) {
  // Three points on y = 10x, then a code without its point: a made-up (0, 0) point would pull
  // the line off; the three points alone lie on it exactly.
  PointTable temperature = makeTemperatureTable();
  fillColumn(temperature, temperature_column::kPoint, {"10", "20", "30"});
  fillColumn(temperature, temperature_column::kSensor1, {"2", "3", "4", "5"});
  const TableFit fit = fitTemperatureTable(temperature, 1);
  ASSERT_TRUE(fit.fitted);
  EXPECT_EQ(fit.pointsUsed, 3);
  EXPECT_EQ(fit.coefficientTexts[0], "-1.0000000E+01");
  EXPECT_EQ(fit.coefficientTexts[1], "1.0000000E+01");
  EXPECT_EQ(fit.largestErrorText.substr(0, 2), "0 ");
  EXPECT_EQ(fit.status, "Row 4 does not hold a number. 3 points fitted.");

  temperature.setCell(temperature_column::kSensor1, 2, "3..");
  const TableFit cut = fitTemperatureTable(temperature, 1);
  EXPECT_FALSE(cut.fitted);
  EXPECT_EQ(cut.status.substr(0, 32), "Row 2 does not hold a number. To");
}

TEST(TableFits, PointsThatCannotCarryTheOrderGiveAMessageAndNoCoefficients) {
  struct Case {
    const char* name;
    std::vector<std::string> points, codes;
    int order;
  };
  const Case cases[] = {
      {"three points, order 3", {"1", "2", "3"}, {"10", "20", "30"}, 3},
      {"empty table", {}, {}, 1},
      {"all codes equal", {"1", "2", "3", "4"}, {"5", "5", "5", "5"}, 1},
  };
  for (const Case& c : cases) {
    PointTable pressure = makePressureTable();
    pressure.setCell(pressure_column::kPoint, 1, "");
    fillColumn(pressure, pressure_column::kPoint, c.points);
    fillColumn(pressure, pressure_column::kAverage, c.codes);
    const TableFit fit = fitPressureTable(pressure, c.order);
    EXPECT_FALSE(fit.fitted) << c.name;
    EXPECT_FALSE(fit.status.empty()) << c.name;
    EXPECT_EQ(fit.coefficientTexts, Texts{}) << c.name;
    EXPECT_TRUE(fit.largestErrorText.empty()) << c.name;
  }
}

// Points 0..200000 Pa with the temperature 2 readings of each row.
PointTable influenceTable(const std::vector<std::string>& points, const std::vector<std::string>& readings) {
  PointTable pressure = makePressureTable();
  fillColumn(pressure, pressure_column::kPoint, points);
  fillColumn(pressure, pressure_column::kPressureInfluence, readings);
  return pressure;
}

TEST(TableFits, PressureInfluenceNeedsEveryReadingAndTheReferencePoint) {
  EXPECT_FALSE(fitPressureInfluence(
      influenceTable({"0", "50000", "150000", "200000"}, {"20.000", "20.100", "20.300", "20.400"})))
      << "no row reads 100000";
  EXPECT_FALSE(fitPressureInfluence(influenceTable({"0", "50000", "100000", "150000", "200000"},
                                                   {"20.000", "20.100", "20.200", "2", "20.400"})))
      << "one reading shorter than 2 characters";
  EXPECT_FALSE(fitPressureInfluence(influenceTable({"0", "50000", "100000.0", "150000", "200000"},
                                                   {"20.000", "20.100", "20.200", "20.300", "20.400"})))
      << "the reference must read exactly 100000";
}

TEST(TableFits, PressureInfluenceMeasuresFromTheLastReferenceRowInKilopascals) {
  // The shift is 0.001·kPa + 0.00001·kPa^2 from a base of 20 at the second "100000" row (row 4).
  const std::vector<std::string> points{"0", "50000", "100000", "100000", "150000", "200000"};
  std::vector<std::string> readings;
  const auto shift = [](double kPa) { return 0.001 * kPa + 0.00001 * kPa * kPa; };
  for (const auto& p : points) {
    const double kPa = std::stod(p) / 1000;
    readings.push_back(std::to_string(20.0 + shift(kPa) - shift(100)));
  }
  readings[2] = "99.000";  // the first "100000" row is not the reference
  const PointTable pressure = influenceTable(points, readings);

  const auto input = readInfluencePoints(pressure);
  ASSERT_TRUE(input);
  EXPECT_EQ(input->x[3], 100.0);
  EXPECT_EQ(input->y[3], 0.0);
  EXPECT_EQ(input->x[5], 200.0);
  EXPECT_NEAR(input->y[5], shift(200) - shift(100), 1e-9);

  readings[2] = std::to_string(20.0);
  const auto fit = fitPressureInfluence(influenceTable(points, readings));
  ASSERT_TRUE(fit && fit->fitted) << (fit ? fit->status : "nothing");
  EXPECT_EQ(fit->pointsUsed, 6);
  EXPECT_NEAR(fit->fit.coefficients[0], -shift(100), 1e-6);
  EXPECT_NEAR(fit->fit.coefficients[1], 0.001, 1e-7);
  EXPECT_NEAR(fit->fit.coefficients[2], 0.00001, 1e-9);
  EXPECT_EQ(fit->coefficientTexts[4], "0.0000000E+00");  // cubic: e and f stay 0
}

TEST(TableFits, CalculatorEvaluatesTheCoefficientTexts) {
  const Texts one{"1", "0", "0", "0", "0", "0"};
  struct Case {
    Texts coefficients;
    std::string input;
    std::string main;   // the six coefficient edits
    std::string probe;  // the probe-temperature fields: x in single precision
  };
  const Case cases[] = {
      {one, "4285025", "1", "1"},
      {{"1.0000000E+00", "2.0000000E+00", "3", "0", "0", "0"}, "2", "17", "17"},
      {{"0", "1", "0", "0", "0", "0"}, "0.1", "0.1", "0.100000001490116"},
      {one, "12a", "0", "0"},
      {one, "", "0", "0"},
      {{"1", "", "0", "0", "0", "0"}, "5", "0", "0"},
      {{"1", "0", "0", "0", "0", "x"}, "5", "0", "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(evaluateCalculator(c.coefficients, c.input), c.main) << c.input;
    EXPECT_EQ(evaluateProbeCalculator(c.coefficients, c.input), c.probe) << c.input;
  }
}

}  // namespace
}  // namespace ql::calibration
