// velmo's calibration workbench against the simulated logger: opened by the service chord, it
// takes every received block, averages the pressure the logger feels and locks it into the table.

#include <gtest/gtest.h>

#include <cstdlib>

#include "calibration/cell_text.h"
#include "logger_fixture.h"
#include "sim/acquisition.h"

namespace ql::test {
namespace {

using calibration::Cell;
namespace pc = calibration::pressure_column;

class CalibrationWorkbenchTest : public LoggerFixture {
 protected:
  ConsoleChord calibrationChord() const {
    ConsoleChord chord;
    chord.key = EngineeringConsole::serviceKey(kStartTime + loop.nowMs() / 1000);
    chord.ctrl = chord.alt = chord.rightButton = true;
    return chord;
  }
};

TEST_F(CalibrationWorkbenchTest, TheConfirmedAverageIsWhatTheLoggerFeelsWithinItsNoise) {
  VelmoProgram& velmo = start();
  calibration::Workbench& bench = velmo.calibration().workbench();
  velmo.setCalibrationOpener([&] { bench.show(); });
  ASSERT_TRUE(velmo.console().onKeyRelease(calibrationChord()));
  EXPECT_TRUE(velmo.linkState().CalibrationActive);
  loop.advance(200);
  EXPECT_EQ(logger.registers().get(reg::kCalibrationMode), 0x005C);

  constexpr double kPressureKpa = 100.0;
  logger.setFeltPressure(kPressureKpa);
  bench.pressureTable().setCell(pc::kPoint, 1, "100000");
  bench.selectPressureCell(pc::kCycle1Rising, 1);
  loop.advance(25000);
  EXPECT_EQ(bench.sampleCount(), bench.window());

  bench.confirm();
  const double expected = sim::kPressureAdZero + sim::kPressureAdPerKpa * kPressureKpa +
                          sim::kPressureAdSquare * kPressureKpa * kPressureKpa;
  const auto locked = calibration::parseCellInteger(bench.pressureTable().cell(pc::kCycle1Rising, 1));
  ASSERT_TRUE(locked.has_value()) << bench.pressureTable().cell(pc::kCycle1Rising, 1);
  EXPECT_LE(std::abs(static_cast<double>(*locked) - expected), sim::kPressureNoise);
  EXPECT_EQ(bench.pressureCell(), (Cell{pc::kCycle1Falling, 1}));  // the table holds one point
  EXPECT_EQ(bench.pressureTable().cell(pc::kPressureInfluence, 1), bench.fields().temperature2Reading);
  EXPECT_FALSE(bench.fields().temperature2Reading.empty());

  bench.close();
  loop.advance(200);
  EXPECT_FALSE(velmo.linkState().CalibrationActive);
  EXPECT_EQ(logger.registers().get(reg::kCalibrationMode), 0x0000);
}

}  // namespace
}  // namespace ql::test
