// The simulated pressure reference: the instructions it takes, how its output settles, and the
// logger whose pressure sensor it feeds.

#include "sim/pressure_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "runtime/virtual_scheduler.h"
#include "sim/logger_model.h"

namespace ql::sim {
namespace {

constexpr double kAmbient = PressureReference::kAmbientKpa;

struct InstructionCase {
  const char* name;
  std::vector<std::string> pieces;  // as they arrive on the line
  bool outputOn;
  double setPoint;
};

class ReferenceInstructions : public ::testing::TestWithParam<InstructionCase> {};

TEST_P(ReferenceInstructions, LeaveOutputStateAndSetPoint) {
  const InstructionCase& c = GetParam();
  VirtualScheduler loop;
  PressureReference reference([&loop] { return loop.nowMs(); });
  for (const std::string& piece : c.pieces) reference.receive(piece);
  EXPECT_EQ(reference.outputOn(), c.outputOn);
  EXPECT_DOUBLE_EQ(reference.setPointKpa(), c.setPoint);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReferenceInstructions,
    ::testing::Values(
        InstructionCase{"OnAndSource", {":OUTPut:STATe ON\r\n:SOURce 100.0\r\n"}, true, 100.0},
        InstructionCase{
            "OffKeepsTheSetPoint", {":OUTPut:STATe ON\r\n:SOURce 2.5\r\n:OUTPut:STATe OFF\r\n"}, false, 2.5},
        InstructionCase{
            "SplitAnywhere", {":OUT", "Put:STA", "Te O", "N\r", "\n:SOURce 1", "05.0\r", "\n"}, true, 105.0},
        InstructionCase{"LineWithoutEndWaits", {":OUTPut:STATe ON\r\n:SOURce 300.0"}, true, kAmbient},
        InstructionCase{"ShortFormsAnyCaseLfOnly", {"outp:stat 1\n:SOUR 50\n"}, true, 50.0},
        InstructionCase{"UnknownLinesIgnored",
                        {"*IDN?\r\n:MEASure?\r\n:OUTPut:STATe MAYBE\r\n:OUTPut ON\r\n"},
                        false,
                        kAmbient},
        InstructionCase{"BadNumbersIgnored",
                        {":SOURce 80\r\n:SOURce 1.2.3\r\n:SOURce\r\n:SOURce nan\r\n:SOURce 9kPa\r\n"},
                        false,
                        80.0},
        InstructionCase{
            "WordsMustMatchWhole", {":OUTPUTS:STATE ON\r\n:SOU 5\r\n:SOURces 6\r\n"}, false, kAmbient},
        // An overlong line is dropped up to its end; the next line counts again.
        InstructionCase{
            "OverlongLineDropped",
            {":SOURce 7" + std::string(PressureReference::kMaxLineLength, '0') + "\r\n", ":SOURce 40\r\n"},
            false,
            40.0}),
    [](const ::testing::TestParamInfo<InstructionCase>& info) { return std::string(info.param.name); });

TEST(PressureReferenceTest, OutputSettlesOnTheSetPointAndVentsWhenOff) {
  VirtualScheduler loop;
  PressureReference reference([&loop] { return loop.nowMs(); });
  EXPECT_DOUBLE_EQ(reference.outputPressureKpa(), kAmbient);

  // A set point alone moves nothing while the output is off.
  reference.receive(":SOURce 500.0\r\n");
  loop.advance(5000);
  EXPECT_DOUBLE_EQ(reference.outputPressureKpa(), kAmbient);

  reference.receive(":OUTPut:STATe ON\r\n");
  loop.advance(1500);  // one time constant: 63 % of the step
  EXPECT_NEAR(reference.outputPressureKpa(), 500.0 - (500.0 - kAmbient) * std::exp(-1.0), 1e-9);
  loop.advance(13500);
  EXPECT_NEAR(reference.outputPressureKpa(), 500.0, 0.02);

  // A new set point starts from where the output is, whether or not anyone asked in between.
  reference.receive(":SOURce 200.0\r\n");
  loop.advance(750);
  loop.advance(750);
  EXPECT_NEAR(reference.outputPressureKpa(), 200.0 + 300.0 * std::exp(-1.0), 0.02);

  reference.receive(":OUTPut:STATe OFF\r\n");
  loop.advance(15000);
  EXPECT_NEAR(reference.outputPressureKpa(), kAmbient, 0.02);
}

// The logger feels the reference's output: the acquisition read answers the pressure code of it.
TEST(PressureReferenceTest, CoupledLoggerAnswersTheReferencePressure) {
  VirtualScheduler loop;
  PressureReference reference([&loop] { return loop.nowMs(); });
  LoggerModel logger({}, [&loop] { return static_cast<std::time_t>(1700000000 + loop.nowMs() / 1000); });
  logger.setFeltPressure(20.0);  // a fixed pressure yields to the source
  logger.setPressureSource([&reference] { return reference.outputPressureKpa(); });

  auto acquisition = [&logger] {
    Reply reply = logger.receive(AppendCrc(bytesFromHex("01 03 30 05 00 12")), logger.baudRate());
    Bytes all;
    for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
    return all;
  };
  auto codeFor = [](double kPa) {
    return kPressureAdZero + kPressureAdPerKpa * kPa + kPressureAdSquare * kPa * kPa;
  };

  EXPECT_NEAR(logger.adCodes().pressure, codeFor(kAmbient), kPressureNoise);

  reference.receive(":OUTPut:STATe ON\r\n:SOURce 350.0\r\n");
  loop.advance(1500);
  EXPECT_NEAR(logger.adCodes().pressure, codeFor(reference.outputPressureKpa()), kPressureNoise);
  EXPECT_LT(logger.adCodes().pressure, codeFor(300.0));  // still on its way

  loop.advance(20000);
  Bytes reply = acquisition();
  ASSERT_EQ(reply.size(), 8u + 3 + 36 + 2);
  const std::size_t data = 8 + 3;
  EXPECT_NEAR(static_cast<std::int32_t>(BeU32(reply.data() + data + 4)), codeFor(350.0),
              kPressureNoise);  // value 1: the pressure AD
  // Value 6: the logger's own reading through its factory set, in 0.0001 kPa.
  EXPECT_NEAR(static_cast<std::int32_t>(BeU32(reply.data() + data + 24)) / 10000.0, 350.0, 1.0);

  logger.setPressureSource({});
  EXPECT_NEAR(logger.adCodes().pressure, codeFor(20.0), kPressureNoise);
}

}  // namespace
}  // namespace ql::sim
