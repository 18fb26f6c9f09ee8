// The desk joins the workbench's parts: what a fit, a tab change, the calculator and the save
// button do to the panel, the figures and the files.

#include "calibration/calibration_desk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "support/read_file.h"
#include "support/temp_dir.h"
#include "table_fill.h"

namespace ql::calibration {
namespace {

using fixture::fillColumn;
namespace pc = pressure_column;

class DeskTest : public ::testing::Test {
 protected:
  DeskTest() : reference(loop) {
    CalibrationDesk::Context context{loop, op, state, reference, [] { return std::vector<std::string>{}; }};
    context.send = [this](const Bytes& frame) { sent.push_back(frame); };
    context.sendRecorded = context.send;
    context.modelText = [] { return std::string("QL310"); };
    context.firmwareText = [] { return std::string("1.3.2.16"); };
    context.serialText = [] { return std::string("310123"); };
    context.ambientTemperatureText = [] { return std::string("21.50"); };
    context.pressureRatios = [] { return PolynomialCoefficients{1, 2, 0, 0, 0, 0}; };
    context.temperatureRatios = [] { return PolynomialCoefficients{}; };
    context.clock = [] { return std::time_t{1796900000}; };
    context.directory = home.path();
    desk = std::make_unique<CalibrationDesk>(std::move(context));
  }

  PointTable& pressure() { return desk->workbench().pressureTable(); }

  VirtualScheduler loop;
  ScriptedOperator op;
  LinkState state;
  MemoryPort reference;
  ql::test::TempDir home{"ql_desk"};
  std::vector<Bytes> sent;
  std::unique_ptr<CalibrationDesk> desk;
};

TEST_F(DeskTest, FitFillsTheCoefficientEditsAndTheFiguresOfItsTab) {
  fillColumn(pressure(), pc::kPoint, {"3", "5", "7"});
  fillColumn(pressure(), pc::kAverage, {"1", "2", "3"});
  desk->setOrder(1);
  desk->workbench().selectPressureCell(pc::kCycle1Rising, 1);
  desk->fit();

  EXPECT_EQ(desk->panel().coefficients()[0], "1.0000000E+00");
  EXPECT_EQ(desk->panel().coefficients()[1], "2.0000000E+00");
  EXPECT_EQ(desk->panel().coefficients()[2], "0.0000000E+00");
  EXPECT_EQ(desk->figures().pressure.largest, "0 @ 0");
  EXPECT_TRUE(desk->figures().temperature.largest.empty());
  // The fit stops the acquisition.
  EXPECT_EQ(desk->workbench().pressureCell(), Cell{});

  desk->calculateAd();
  EXPECT_EQ(desk->figures().adResult, "8570051");  // 1 + 2 * 4285025
}

TEST_F(DeskTest, AFitThatCannotBeMadeLeavesNoCoefficientsAndSaysWhy) {
  fillColumn(pressure(), pc::kPoint, {"3", "5", "7"});
  fillColumn(pressure(), pc::kAverage, {"1", "2", "3"});
  desk->setOrder(1);
  desk->fit();
  ASSERT_FALSE(desk->panel().coefficients()[0].empty());

  desk->setOrder(5);  // six coefficients from three points
  desk->fit();
  for (const std::string& text : desk->panel().coefficients()) EXPECT_TRUE(text.empty());
  EXPECT_FALSE(desk->workbench().fields().status.empty());
}

TEST_F(DeskTest, ChangingTheTabEmptiesTheCoefficientEdits) {
  desk->panel().setCoefficient(0, "1.0000000E+00");
  desk->selectTab(workbench_tab::kTemperature);
  EXPECT_TRUE(desk->panel().coefficients()[0].empty());
  EXPECT_EQ(desk->tab(), workbench_tab::kTemperature);
}

TEST_F(DeskTest, TheInfluenceFitFillsThePolynomialOfTheGeneralTab) {
  fillColumn(pressure(), pc::kPoint, {"0", "50000", "100000", "150000", "200000"});
  fillColumn(pressure(), pc::kPressureInfluence, {"20.100", "20.050", "20.000", "19.950", "19.900"});
  desk->fitPressureInfluence();  // only on the general tab
  EXPECT_TRUE(desk->panel().parameter(GeneralParameter::Polynomial0).empty());

  desk->selectTab(workbench_tab::kGeneral);
  desk->fitPressureInfluence();
  // y = -0.001 (x - 100) in kPa: a = 0.1, b = -0.001.
  EXPECT_EQ(desk->panel().parameter(GeneralParameter::Polynomial0), "1.0000000E-01");
  EXPECT_EQ(desk->panel().parameter(GeneralParameter::Polynomial1), "-1.0000000E-03");
}

TEST_F(DeskTest, SaveWritesTheRecordIntoTheHomeAndTheReportWhereTheOperatorChose) {
  fillColumn(pressure(), pc::kPoint, {"0", "100000"});
  const std::string report = home.file("report.csv");
  op.answerSaveFile(report);
  desk->save();

  EXPECT_TRUE(op.unexpected().empty());
  ASSERT_TRUE(std::filesystem::exists(report));
  int records = 0;
  for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
    const std::string name = entry.path().filename().string();
    if (name != "report.csv" && name.ends_with("_310123_QL310.csv")) ++records;
  }
  EXPECT_EQ(records, 1);
  const std::string text = ql::test::readFile(report);
  EXPECT_NE(text.find("环境温度：,21.50,℃\r\n"), std::string::npos);
  EXPECT_NE(text.find("100000,,,\r\n"), std::string::npos);
}

}  // namespace
}  // namespace ql::calibration
