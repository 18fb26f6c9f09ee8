// A whole automatic pressure calibration on the virtual clock: velmo's workbench steps the
// simulated reference through eleven points and two cycles, the logger feels each point, the
// table is fitted at order 3, the coefficients are written and read back, the reference steps
// again for the verification readings, and "保存" writes the record file and the report.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "calibration/cell_text.h"
#include "calibration/coefficient_read_sequence.h"
#include "calibration/coefficient_write_sequence.h"
#include "calibration/polynomial_value.h"
#include "link/register_map.h"
#include "runtime/formats.h"
#include "sim/acquisition.h"
#include "support/calibration_rig.h"

namespace ql::test {
namespace {

namespace fs = std::filesystem;
namespace pc = calibration::pressure_column;

constexpr double kFullScalePa = 200000;
// The calibration must reproduce the logger's transfer function to 0.05 % of full scale.
constexpr double kAllowedPa = kFullScalePa * 0.05 / 100;
constexpr double kAllowedPercent = 0.05;
constexpr double kSettledCodes = kFullScalePa * 0.01 / 100 * sim::kPressureAdPerKpa / 1000;

// The pressure AD code of p kPa without noise (sim/acquisition.h).
double pressureCode(double kPa) {
  return sim::kPressureAdZero + sim::kPressureAdPerKpa * kPa + sim::kPressureAdSquare * kPa * kPa;
}

std::vector<std::string> crLfLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << path << ": every line ends with CR LF";
  return lines;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
    out.push_back(line.substr(start, comma - start));
  out.push_back(line.substr(start));
  return out;
}

double number(const std::string& text) {
  const auto value = calibration::parseCellNumber(text);
  EXPECT_TRUE(value.has_value()) << '"' << text << '"';
  return value.value_or(NAN);
}

TEST(AutomaticCalibration, ElevenPointsTwoCyclesFitWriteVerifyAndSave) {
  CalibrationRig rig(QL_TEST_RESOURCE_DIR, "automatic");
  ASSERT_TRUE(rig.connect());
  const InstrumentInfo& info = rig.program->instrumentInfo();
  rig.openWorkbench();
  ASSERT_TRUE(rig.program->linkState().CalibrationActive);
  EXPECT_EQ(rig.logger.registers().get(reg::kCalibrationMode), calibration::Workbench::kEnterCalibrationMode);

  std::vector<int> points;
  for (int pa = 0; pa <= kFullScalePa; pa += 20000) points.push_back(pa);
  rig.loadPoints(points);
  calibration::PointTable& table = rig.bench().pressureTable();
  ASSERT_EQ(table.rowCount(), 12);
  ASSERT_EQ(table.cell(pc::kPoint, 11), "200000");

  // --- calibration: columns 2..5, each point confirmed by the stepping alone
  const std::int64_t calibrationStart = rig.loop.nowMs();
  rig.startAutomaticStepping(pc::kCycle1Rising);
  ASSERT_TRUE(rig.runUntilColumn(pc::kAverage, 4 * 3600 * 1000LL))
      << "stopped at column " << rig.bench().pressureCell().column << " row "
      << rig.bench().pressureCell().row;
  const std::int64_t calibrationMs = rig.loop.nowMs() - calibrationStart;
  for (int row = 1; row <= 11; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    const double expected = pressureCode(points[static_cast<std::size_t>(row - 1)] / 1000.0);
    // Settled and averaged: the window's oldest samples still carry a little of the step to this
    // point (most for the first, stepped to from the ambient pressure): within 0.01 % of full scale.
    for (int column = pc::kCycle1Rising; column <= pc::kAverage; ++column)
      EXPECT_NEAR(number(table.cell(column, row)), expected, kSettledCodes) << "column " << column;
    EXPECT_FALSE(table.cell(pc::kPressureInfluence, row).empty());
  }
  EXPECT_EQ(rig.bench().fields().FullScale, kFullScalePa);

  // --- fit at order 3: the polynomial turns the noise-free code of every pressure into it
  rig.fit(3);
  const auto& coefficients = rig.desk().panel().coefficients();
  EXPECT_EQ(rig.bench().fields().status, "");
  EXPECT_EQ(coefficients[4], "0.0000000E+00");
  EXPECT_EQ(coefficients[5], "0.0000000E+00");
  PolynomialCoefficients fitted{};
  std::array<float, 6> singles{};
  for (std::size_t k = 0; k < 6; ++k) {
    fitted[k] = number(coefficients[k]);
    singles[k] = static_cast<float>(fitted[k]);
  }
  double worstPa = 0;
  for (double kPa = 0; kPa <= kFullScalePa / 1000; kPa += 1.0) {
    worstPa = std::max(worstPa, std::fabs(EvaluatePolynomial(fitted, pressureCode(kPa)) - kPa * 1000));
    // The logger holds the coefficients as singles: they must do as well.
    worstPa =
        std::max(worstPa, std::fabs(sim::evaluateCoefficients(singles, pressureCode(kPa)) - kPa * 1000));
  }
  EXPECT_LT(worstPa, kAllowedPa);
  RecordProperty("fit_worst_error_pa", std::to_string(worstPa));

  // --- write at the pressure tab with "25": the set the logger converts its readings with
  ASSERT_TRUE(rig.writePressureCoefficients());
  EXPECT_EQ(rig.bench().fields().status, calibration::kWriteDone);
  EXPECT_EQ(rig.logger.calibration().coefficients(reg::kPressureCoefficients25), singles);
  // --- read back: the singles the logger holds, each the single of the edit it was written from
  // (so its eighth digit may differ from the edit's).
  ASSERT_TRUE(rig.readPressureCoefficients());
  EXPECT_EQ(rig.bench().fields().status, calibration::kReadDone);
  for (std::size_t k = 0; k < 6; ++k) {
    const auto& readBack = rig.desk().panel().readBack()[k];
    EXPECT_EQ(readBack, formatCoefficient(singles[k])) << k;
    EXPECT_EQ(static_cast<float>(number(readBack)), singles[k]) << k << ": " << readBack;
  }

  // --- verification: columns 7 and 8, the logger's own readings at each point
  const std::int64_t verificationStart = rig.loop.nowMs();
  rig.startAutomaticStepping(pc::kVerifyRising);
  ASSERT_TRUE(rig.runUntilColumn(pc::kError, 3600 * 1000LL))
      << "stopped at column " << rig.bench().pressureCell().column << " row "
      << rig.bench().pressureCell().row;
  const std::int64_t verificationMs = rig.loop.nowMs() - verificationStart;
  for (int row = 1; row <= 11; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    const double pointKpa = points[static_cast<std::size_t>(row - 1)] / 1000.0;
    EXPECT_NEAR(number(table.cell(pc::kVerifyRising, row)), pointKpa, kAllowedPa / 1000);
    EXPECT_NEAR(number(table.cell(pc::kVerifyFalling, row)), pointKpa, kAllowedPa / 1000);
    EXPECT_LE(number(table.cell(pc::kError, row)), kAllowedPercent);
  }
  EXPECT_EQ(rig.bench().fields().largestError.rfind(calibration::kLargestErrorCaption, 0), 0u);

  RecordProperty("calibration_virtual_s", std::to_string(calibrationMs / 1000));
  RecordProperty("verification_virtual_s", std::to_string(verificationMs / 1000));

  // --- "保存": the record file into velmo's directory, then the report where the operator says
  const fs::path reportPath = rig.home() / "report.csv";
  rig.op.answerSaveFile(reportPath.string());
  rig.desk().save();
  std::vector<fs::path> records;
  for (const auto& entry : fs::directory_iterator(rig.home()))
    if (entry.path().extension() == ".csv" && entry.path() != reportPath) records.push_back(entry.path());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].filename().string().ends_with("_" + info.serialNumber + "_" + info.model + ".csv"))
      << records[0];

  const std::vector<std::string> record = crLfLines(records[0]);
  ASSERT_GE(record.size(), 36u);
  EXPECT_EQ(record[0], "QL310 检测报告");
  EXPECT_EQ(record[1], "仪器型号：      QL310,仪器序列号：    " + info.serialNumber);
  EXPECT_EQ(record[4], "压力量程：  200000Pa,,温度量程：,-5, 35");
  EXPECT_EQ(record[6], "_ 压力部分 _");
  EXPECT_EQ(fields(record[7])[0], table.cell(pc::kPoint, 0));  // the header row
  for (int row = 1; row <= 11; ++row) {
    const std::vector<std::string> cells = fields(record[static_cast<std::size_t>(7 + row)]);
    ASSERT_EQ(cells.size(), 10u) << record[static_cast<std::size_t>(7 + row)];
    for (int column = pc::kPoint; column <= pc::kPressureInfluence; ++column) {
      EXPECT_FALSE(cells[static_cast<std::size_t>(column - 1)].empty())
          << "row " << row << " column " << column;
      EXPECT_EQ(cells[static_cast<std::size_t>(column - 1)], table.cell(column, row));
    }
  }
  EXPECT_EQ(record[19], "注：以上压力值单位为 Pa.");
  EXPECT_EQ(record[21], "拟合阶数,3");
  EXPECT_EQ(record[22], "多项式拟合最大误差," + rig.desk().figures().pressure.largest);
  EXPECT_EQ(record[23], "多项式拟合误差平方和," + rig.desk().figures().pressure.sumOfSquares);
  EXPECT_EQ(record[24], "多项式拟合误差绝对值和," + rig.desk().figures().pressure.sumOfAbsolute);
  // The coefficient lines carry the logger's stored ratios as the information poll read them at
  // connection, not the edits just written.
  const char* names = "abcdef";
  for (std::size_t k = 0; k < 6; ++k)
    EXPECT_EQ(record[25 + k],
              std::string("多项式系数") + names[k] + "," + formatShortest(info.PressureRatios[k]));
  EXPECT_EQ(record[31], rig.bench().fields().largestError);
  EXPECT_EQ(record[34], "_ 温度部分 _");
  EXPECT_EQ(record.back(), ",,检测员：");

  const std::vector<std::string> report = crLfLines(reportPath);
  ASSERT_GE(report.size(), 20u);
  EXPECT_EQ(report[0], "QL310 检测报告");
  EXPECT_EQ(report[4], "压力量程：,200000Pa,,温度量程：,-5,35");
  EXPECT_EQ(report[6], "标准压力值, 仪器测量值(升压), 仪器测量值(降压), 最大误差(%)");
  for (int row = 1; row <= 11; ++row) {
    EXPECT_EQ(report[static_cast<std::size_t>(6 + row)],
              table.cell(pc::kPoint, row) + "," + table.cell(pc::kVerifyRising, row) + "," +
                  table.cell(pc::kVerifyFalling, row) + "," + table.cell(pc::kError, row));
  }
  EXPECT_EQ(report[18], "注：以上压力值单位为 Pa.");
  EXPECT_EQ(report[19], rig.bench().fields().largestError);
  EXPECT_EQ(report.back(), ",,检测员：");
  EXPECT_TRUE(rig.op.unexpected().empty());

  // Closed: the reference vents and the logger leaves calibration mode.
  rig.desk().close();
  rig.loop.advance(2000);
  EXPECT_FALSE(rig.reference.outputOn());
  EXPECT_EQ(rig.logger.registers().get(reg::kCalibrationMode), calibration::Workbench::kLeaveCalibrationMode);
}

}  // namespace
}  // namespace ql::test
