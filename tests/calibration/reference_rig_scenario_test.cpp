// The reference source driving the simulated pressure reference through an in-memory port, the
// reference piped to the simulated logger: each automatically confirmed point finds the logger's
// pressure AD code at the code of that point.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calibration/reference_source.h"
#include "link/memory_port.h"
#include "runtime/virtual_scheduler.h"
#include "sim/acquisition.h"
#include "sim/logger_model.h"
#include "sim/pressure_reference.h"

namespace ql::calibration {
namespace {

double pressureCode(double kPa) {
  return sim::kPressureAdZero + sim::kPressureAdPerKpa * kPa + sim::kPressureAdSquare * kPa * kPa;
}

TEST(ReferenceRigScenario, ConfirmedPointsFindTheLoggerAtEachSetPoint) {
  VirtualScheduler loop;
  sim::PressureReference reference([&loop] { return loop.nowMs(); });
  sim::LoggerModel logger({}, [&loop] { return static_cast<std::time_t>(1700000000 + loop.nowMs() / 1000); });
  logger.setPressureSource([&reference] { return reference.outputPressureKpa(); });
  MemoryPort port(loop);
  port.setDevice([&reference](const Bytes& bytes, std::uint32_t) { reference.receive(bytes); });

  // A workbench filling cycle 1 rising: each confirmation takes the logger's code at that moment.
  const std::vector<std::string> points{"测量点(Pa)", "50000", "150000", "400000"};
  int row = 1;
  int autoTicks = 0;
  std::vector<std::int32_t> confirmedCodes;
  ReferenceContext context;
  context.pressureColumn = [&row] { return row < 4 ? 2 : 3; };
  context.pressureRow = [&row] { return row < 4 ? row : 3; };
  context.pressureTabActive = [] { return true; };
  context.sampleCount = [] { return 20; };
  context.windowSize = [] { return 20; };
  context.autoTicks = [&autoTicks] { return autoTicks; };
  context.setAutoTicks = [&autoTicks](int ticks) { autoTicks = ticks; };
  context.pointText = [&points](int r) { return points.at(static_cast<std::size_t>(r)); };
  context.confirm = [&] {
    confirmedCodes.push_back(logger.adCodes().pressure);
    ++row;
  };

  ReferenceSource source(
      loop, port, [] { return std::vector<std::string>{"/dev/ttyUSB0"}; }, context);
  source.dialogShown();
  source.choosePort("/dev/ttyUSB0");
  source.setAutomatic(true);
  loop.advance(1000);
  EXPECT_TRUE(reference.outputOn());
  EXPECT_DOUBLE_EQ(reference.setPointKpa(), 50.0);

  loop.advance(3 * 31000);
  ASSERT_EQ(confirmedCodes.size(), 3u);
  for (std::size_t i = 0; i < confirmedCodes.size(); ++i) {
    SCOPED_TRACE(points[i + 1]);
    double kPa = std::stod(points[i + 1]) / 1000.0;
    // Settled: within the noise and a thousandth of a kPa (12 codes).
    EXPECT_NEAR(confirmedCodes[i], pressureCode(kPa), sim::kPressureNoise + 12.0);
  }
  // The falling column starts at the top point, which the reference still holds.
  EXPECT_DOUBLE_EQ(reference.setPointKpa(), 400.0);

  source.dialogClosed();
  loop.advance(20000);
  EXPECT_FALSE(reference.outputOn());
  EXPECT_FALSE(port.isOpen());
  EXPECT_NEAR(logger.adCodes().pressure, pressureCode(sim::PressureReference::kAmbientKpa),
              sim::kPressureNoise + 12.0);
}

}  // namespace
}  // namespace ql::calibration
