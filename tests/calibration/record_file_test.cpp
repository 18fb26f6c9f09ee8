#include "calibration/record_file.h"

#include <gtest/gtest.h>

#include "calibration/record_fixture.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::calibration {
namespace {

using fixture::fillColumn;
using fixture::kSavedAt;
using fixture::RecordFixture;

TEST(RecordFile, NothingMeasuredWritesEveryLineAsLaidOut) {
  test::TempDir dir;
  const RecordFixture fixture({"0", "100000", "200000"});
  const std::string path = recordFilePath(dir.path(), kSavedAt, "2301001", "QL310-A");
  EXPECT_EQ(path, dir.path() + "/20261211143005_2301001_QL310-A.csv");
  EXPECT_EQ(recordFilePath("/d", kSavedAt, "../1", "QL\\25\n"), "/d/20261211143005_.._1_QL_25_.csv");
  ASSERT_EQ(writeRecordFile(path, fixture.record(), kSavedAt), "");

  const std::string expected =
      "QL310 检测报告\r\n"
      "仪器型号：      QL310,仪器序列号：    2301001\r\n"
      "检测日期：      2026-12-11 14:30:05\r\n"
      "环境温度：      21.50\r\n"
      "压力量程：  0Pa,,温度量程：,-5, 35\r\n"
      "\r\n"
      "_ 压力部分 _\r\n"
      "测量点(Pa),回程1升压,回程1降压,回程2升压,回程2降压,平均值,验证升压,验证降压,误差(%),压力影响\r\n"
      "0,,,,,,,,,\r\n"
      "100000,,,,,,,,,\r\n"
      "200000,,,,,,,,,\r\n"
      "注：以上压力值单位为 Pa.\r\n"
      "\r\n"
      "拟合阶数,5\r\n"
      "多项式拟合最大误差,\r\n"
      "多项式拟合误差平方和,\r\n"
      "多项式拟合误差绝对值和,\r\n"
      "多项式系数a,0\r\n多项式系数b,0\r\n多项式系数c,0\r\n多项式系数d,0\r\n多项式系数e,0\r\n多项式系数f,0\r\n"
      "最大误差：\r\n"
      "\r\n"
      "\r\n"
      "_ 温度部分 _\r\n"
      "校准点(℃),测量值1(ad),测量值2(ad),验证值1(℃),验证值2(℃),误差(℃),时间(℃)\r\n"
      ",,,,,,\r\n"
      "\r\n"
      "拟合阶数,5\r\n"
      "多项式拟合最大误差,\r\n"
      "多项式拟合误差平方和,\r\n"
      "多项式拟合误差绝对值和,\r\n"
      "多项式系数a,0\r\n多项式系数b,0\r\n多项式系数c,0\r\n多项式系数d,0\r\n多项式系数e,0\r\n多项式系数f,0\r\n"
      "\r\n"
      "\r\n"
      ",,检测员：\r\n";
  EXPECT_EQ(test::readFile(path), expected);
}

TEST(RecordFile, FitFiguresAndTheLoggersCoefficientsGoIntoTheirLines) {
  RecordFixture fixture({"0", "200000"});
  CalibrationRecord record = fixture.record();
  record.fullScale = 200000;
  record.order = 3;
  record.pressureErrors = {"0.25 @ 1", "0.125", "0.5"};
  record.temperatureErrors = {"0.01 @ 0", "0.0001", "0.02"};
  record.pressureRatios = {-12.5, 0.0473, 1e-20, 0, 0, 0};
  record.temperatureRatios = {25, -0.001, 0, 0, 0, 3};
  const auto lines = recordFileLines(record, kSavedAt);
  EXPECT_EQ(lines[4], "压力量程：  200000Pa,,温度量程：,-5, 35");
  EXPECT_EQ(lines[12], "拟合阶数,3");
  EXPECT_EQ(lines[13], "多项式拟合最大误差,0.25 @ 1");
  EXPECT_EQ(lines[14], "多项式拟合误差平方和,0.125");
  EXPECT_EQ(lines[15], "多项式拟合误差绝对值和,0.5");
  EXPECT_EQ(lines[16], "多项式系数a,-12.5");
  EXPECT_EQ(lines[17], "多项式系数b,0.0473");
  EXPECT_EQ(lines[18], "多项式系数c,1E-20");
  EXPECT_EQ(lines[30], "多项式拟合最大误差,0.01 @ 0");
  EXPECT_EQ(lines[33], "多项式系数a,25");
  EXPECT_EQ(lines[38], "多项式系数f,3");
}

// Pressure rows with every column written, temperature rows likewise.
void fillMeasured(PointTable& pressure, PointTable& temperature, int pressureRows, int temperatureRows) {
  for (int column = 1; column < pressure.columnCount(); ++column) {
    std::vector<std::string> values;
    for (int row = 1; row <= pressureRows; ++row)
      values.push_back(column == 1 ? std::to_string((row - 1) * 10000) : std::to_string(row * 100 + column));
    fillColumn(pressure, column, values);
  }
  const std::vector<std::string> points{"-5", "0", "15", "25", "35", "-4.5"};
  for (int column = 1; column < temperature.columnCount(); ++column) {
    std::vector<std::string> values;
    for (int row = 1; row <= temperatureRows; ++row)
      values.push_back(
          column == 1 ? points[static_cast<std::size_t>(row - 1)]
                      : (column == 7 ? "14:2" + std::to_string(row) + ":00" : std::to_string(row + column)));
    fillColumn(temperature, column, values);
  }
}

void expectSameTable(const PointTable& loaded, const PointTable& written, const std::string& name) {
  ASSERT_EQ(loaded.rowCount(), written.rowCount()) << name;
  for (int row = 0; row < written.rowCount(); ++row)
    for (int column = 0; column < written.columnCount(); ++column)
      EXPECT_EQ(loaded.cell(column, row), written.cell(column, row))
          << name << " row " << row << " column " << column;
}

TEST(RecordFile, WrittenTablesLoadBackUnchangedForAnyNumberOfPoints) {
  // 3 points: the first temperature rows sit within the first 30 lines; 20 and 25 points: the
  // pressure rows reach past line index 26 and past the first 30 lines.
  for (const int pressureRows : {1, 3, 20, 25}) {
    const std::string name = std::to_string(pressureRows) + " pressure points";
    test::TempDir dir;
    RecordFixture fixture({});
    fillMeasured(fixture.pressure, fixture.temperature, pressureRows, 6);
    const std::string path = dir.file("record.csv");
    ASSERT_EQ(writeRecordFile(path, fixture.record(), kSavedAt), "");

    const auto lines = splitLines(test::readFile(path));
    EXPECT_EQ(lines[8].substr(0, 2), "0,") << name << ": the first pressure row is the ninth line";

    PointTable pressure = makePressureTable();
    PointTable temperature = makeTemperatureTable();
    temperature.setRowCount(12);
    ASSERT_TRUE(loadRecordFile(path, TableKind::Pressure, pressure, temperature));
    expectSameTable(pressure, fixture.pressure, name);
    EXPECT_EQ(temperature.rowCount(), 12) << name << ": the other table is only renumbered";
    EXPECT_EQ(temperature.cell(0, 11), " 11");
    ASSERT_TRUE(loadRecordFile(path, TableKind::Temperature, pressure, temperature));
    expectSameTable(temperature, fixture.temperature, name);
  }
}

TEST(RecordFile, WithoutSectionLinesTheRowsComeFromTheirLineRanges) {
  std::vector<std::string> lines(34, "text");
  lines[2] = "5,a";
  lines[25] = "3,b";                // pressure only
  lines[28] = "7,c";                // both ranges
  lines[31] = "9,d,,,,,,,,,extra";  // temperature only; an eleventh field is dropped
  PointTable pressure = makePressureTable();
  PointTable temperature = makeTemperatureTable();
  EXPECT_EQ(loadRecordLines(lines, TableKind::Pressure, pressure, temperature), 3);
  EXPECT_EQ(pressure.rowCount(), 4);
  EXPECT_EQ(pressure.cell(1, 1) + pressure.cell(1, 2) + pressure.cell(1, 3), "537");
  EXPECT_EQ(pressure.cell(2, 3), "c");
  EXPECT_EQ(loadRecordLines(lines, TableKind::Temperature, pressure, temperature), 2);
  EXPECT_EQ(temperature.cell(1, 1) + temperature.cell(1, 2), "79");
  EXPECT_EQ(temperature.cell(2, 2), "d");
}

TEST(RecordFile, DataLinesAndFieldCuts) {
  struct Case {
    std::string line;
    bool data;
  };
  const Case cases[] = {
      {"-5,x", true},  {"-6,x", false}, {"1000000,x", true}, {"1000001,x", false},    {"12.5,x", true},
      {" 5,x", false}, {"+5,x", false}, {",x", false},       {"测量点(Pa),x", false}, {"0", true},
  };
  for (const Case& c : cases) {
    PointTable pressure = makePressureTable();
    PointTable temperature = makeTemperatureTable();
    EXPECT_EQ(loadRecordLines({c.line}, TableKind::Pressure, pressure, temperature), c.data ? 1 : 0)
        << c.line;
  }

  PointTable pressure = makePressureTable();
  PointTable temperature = makeTemperatureTable();
  loadRecordLines({"1,123456789012345678901234,温度温度温度温度温度温度温度温度温度温度温度"},
                  TableKind::Pressure, pressure, temperature);
  EXPECT_EQ(pressure.cell(2, 1), "12345678901234567890");
  EXPECT_EQ(pressure.cell(3, 1), "温度温度温度温度温度温度温度温度温度温度");
  EXPECT_EQ(pressure.cell(10, 1), "");
}

TEST(RecordFile, WriteFailureIsReportedAndLoadingAMissingFileChangesNothing) {
  test::TempDir dir;
  const RecordFixture fixture({"0"});
  const std::string path = dir.file("missing/record.csv");
  const std::string error = writeRecordFile(path, fixture.record(), kSavedAt);
  EXPECT_NE(error.find(path), std::string::npos) << error;

  PointTable pressure = makePressureTable();
  PointTable temperature = makeTemperatureTable();
  pressure.setCell(1, 1, "keep");
  EXPECT_FALSE(loadRecordFile(path, TableKind::Pressure, pressure, temperature));
  EXPECT_EQ(pressure.cell(1, 1), "keep");
}

}  // namespace
}  // namespace ql::calibration
