#include "calibration/point_file.h"

#include <gtest/gtest.h>

#include "runtime/encoding.h"
#include "support/temp_dir.h"

namespace ql::calibration {
namespace {

using namespace pressure_column;

TEST(PointFile, PressureFileFillsFourEqualCodesAndTheirMean) {
  test::TempDir dir;
  dir.write("points.ini",
            "[CONFIG]\r\n校准点数=5\r\n"
            "校准1=0\r\n校准2=50000\r\n校准3=100000\r\n校准4=150000\r\n校准5=200000\r\n"
            "AD1_1=4285025\r\nAD1_2=4400000.5\r\nAD1_3=12\r\nAD1_5=abc\r\n");
  PointTable pressure = makePressureTable();
  pressure.setRowCount(9);
  pressure.setCell(kVerifyRising, 1, "100.250");
  pressure.setCell(kPoint, 8, "left over");

  ASSERT_TRUE(loadPointFile(dir.file("points.ini"), TableKind::Pressure, pressure));
  ASSERT_EQ(pressure.rowCount(), 6);
  EXPECT_EQ(pressure.cell(kVerifyRising, 1), "") << "data cells are cleared first";
  struct Row {
    std::string number, point, code, mean;
  };
  const Row rows[] = {
      {" 1", "0", "4285025", "4285025"}, {" 2", "50000", "4400000.5", "4400000.5"},
      {" 3", "100000", "12", ""},   // not longer than 2 characters: no mean
      {" 4", "150000", "0", ""},    // missing: "0"
      {" 5", "200000", "abc", ""},  // does not read as a number
  };
  for (int r = 1; r <= 5; ++r) {
    const Row& row = rows[r - 1];
    EXPECT_EQ(pressure.cell(kNumber, r), row.number);
    EXPECT_EQ(pressure.cell(kPoint, r), row.point);
    for (int column = kCycle1Rising; column <= kCycle2Falling; ++column)
      EXPECT_EQ(pressure.cell(column, r), row.code) << "row " << r << " column " << column;
    EXPECT_EQ(pressure.cell(kAverage, r), row.mean) << "row " << r;
  }
}

TEST(PointFile, TemperatureFileInGbkFillsBothSensors) {
  test::TempDir dir;
  dir.write("points.ini",
            utf8ToGbk("[CONFIG]\r\n校准点数=3\r\n校准1=-5\r\n校准2=35\r\nAD1_1=111111\r\nAD2_1=222222\r\n"));
  PointTable temperature = makeTemperatureTable();
  ASSERT_TRUE(loadPointFile(dir.file("points.ini"), TableKind::Temperature, temperature));
  EXPECT_EQ(temperature.rowCount(), 4);
  EXPECT_EQ(temperature.cell(temperature_column::kPoint, 1), "-5");
  EXPECT_EQ(temperature.cell(temperature_column::kSensor1, 1), "111111");
  EXPECT_EQ(temperature.cell(temperature_column::kSensor2, 1), "222222");
  EXPECT_EQ(temperature.cell(temperature_column::kPoint, 2), "35");
  EXPECT_EQ(temperature.cell(temperature_column::kNumber, 3), " 3");
  EXPECT_EQ(temperature.cell(temperature_column::kSensor1, 3), "");
}

TEST(PointFile, MissingFileChangesNothingAndTheCountIsBounded) {
  test::TempDir dir;
  PointTable pressure = makePressureTable();
  pressure.setCell(kPoint, 1, "123");
  EXPECT_FALSE(loadPointFile(dir.file("none.ini"), TableKind::Pressure, pressure));
  EXPECT_EQ(pressure.rowCount(), 2);
  EXPECT_EQ(pressure.cell(kPoint, 1), "123");

  dir.write("default.ini", "[CONFIG]\r\n校准1=0\r\n");
  ASSERT_TRUE(loadPointFile(dir.file("default.ini"), TableKind::Pressure, pressure));
  EXPECT_EQ(pressure.rowCount(), kDefaultPointCount + 1);
  dir.write("huge.ini", "[CONFIG]\r\n校准点数=2000000000\r\n");
  ASSERT_TRUE(loadPointFile(dir.file("huge.ini"), TableKind::Pressure, pressure));
  EXPECT_EQ(pressure.rowCount(), kMaxPointFilePoints + 1);
  dir.write("negative.ini", "[CONFIG]\r\n校准点数=-3\r\n");
  ASSERT_TRUE(loadPointFile(dir.file("negative.ini"), TableKind::Pressure, pressure));
  EXPECT_EQ(pressure.rowCount(), 1);
}

}  // namespace
}  // namespace ql::calibration
