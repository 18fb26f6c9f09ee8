// The coefficient read against the simulated logger: what each step asks for and what its reply
// shows, the firmware rule of the cubic, and the parameter block.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration/coefficient_steps.h"
#include "calibration/firmware_order.h"
#include "coefficient_bench.h"

namespace ql::calibration::test {
namespace {

using P = GeneralParameter;

TEST(CoefficientRead, PressureSetOfTheChosenTemperatureShowsUnderTheEdits) {
  CoefficientBench bench;
  bench.logger.calibration().write(reg::kPressureCoefficientsMid, singles({1.5f, -2.0f, 0, 0, 1e-10f, 3.0f}));
  bench.panel.setPressureTemperatureIndex(1);  // "5"
  bench.panel.setParameter(P::BatteryK, "0.5");
  bench.sequences.read(workbench_tab::kPressure);
  EXPECT_EQ(bench.panel.parameter(P::BatteryK), "");  // cleared by the button
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.status, kReadDone);
  EXPECT_EQ(bench.sentFrames(), std::vector<Bytes>{bytesFromHex("01 03 30 12 00 0C")});
  EXPECT_EQ(bench.panel.readBack(),
            (CoefficientPanel::Six{"1.5000000E+00", "-2.0000000E+00", "0.0000000E+00", "0.0000000E+00",
                                   "1.0000000E-10", "3.0000000E+00"}));
}

TEST(CoefficientRead, TemperatureTabReadsBothSensorSets) {
  CoefficientBench bench;
  bench.logger.calibration().write(reg::kTemperature1Coefficients, singles({-1.0f, 0.25f, 0, 0, 0, 0}));
  bench.logger.calibration().write(reg::kTemperature2Coefficients, singles({0.5f, 0, 0, 0, 0, -0.125f}));
  bench.sequences.read(workbench_tab::kTemperature);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses(),
            (std::vector<std::uint16_t>{reg::kTemperature1Coefficients, reg::kTemperature2Coefficients}));
  EXPECT_EQ(bench.panel.readBack()[1], "2.5000000E-01");
  EXPECT_EQ(bench.panel.probeReadBack()[0], "5.0000000E-01");
  EXPECT_EQ(bench.panel.probeReadBack()[5], "-1.2500000E-01");
}

TEST(CoefficientRead, GeneralTabFillsTheParameters) {
  CoefficientBench bench;
  Bytes constants = singles({1.0f, -0.125f, 0.25f, -1.0f});
  putBeU32(constants, 16300000);
  bench.logger.calibration().write(reg::kTemperatureConstants, constants);
  bench.logger.registers().setBytes(reg::kPressureDrift, bytesFromHex("7F C0 00 00"));  // not a number
  bench.logger.registers().setU32(reg::kProbeAdOffset, 4600000);
  bench.logger.calibration().write(reg::kTemperatureInfluence, singles({1.5f, 0, 0, -2.0f}));
  bench.sequences.read(workbench_tab::kGeneral);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses(),
            (std::vector<std::uint16_t>{reg::kTemperatureConstants, reg::kPressureDrift, reg::kProbeAdOffset,
                                        reg::kTemperatureInfluence}));
  const std::pair<P, const char*> shown[] = {
      {P::PressureOnTemperature, "1"}, {P::TemperatureDrift, "-0.125"},   {P::BatteryK, "2.5000000E-01"},
      {P::BatteryB, "-1.0000000E+00"}, {P::PressureAdOffset, "16300000"}, {P::PressureDrift, "0"},
      {P::ProbeAdOffset, "4600000"},   {P::Polynomial0, "1.5000000E+00"}, {P::Polynomial3, "-2.0000000E+00"},
  };
  for (const auto& [field, text] : shown) EXPECT_EQ(bench.panel.parameter(field), text) << text;
}

TEST(CoefficientRead, CubicIsReadByFirmwareTextOrSecondFamily) {
  struct Case {
    const char* model;
    const char* firmware;
    int probeChoice;
    std::vector<std::uint16_t> last;  // what follows 0x2086
  };
  const Case cases[] = {
      {"QL310", "1.3.2.16", 0, {reg::kTemperatureInfluence}},
      {"QL310", "1.3.2.9", 0, {reg::kTemperatureInfluence}},  // above "1.3.2.16" as text
      {"QL310", "1.3.2.15", 0, {}},
      {"QL310", "1.3.1.99", 0, {}},
      {"QL325", "1.3.1.99", 0, {reg::kTemperatureInfluence}},
      {"QL325", "1.3.1.99", 1, {reg::kTemperatureInfluenceWarm}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.firmware);
    CoefficientBench bench(loggerOfModel(c.model));
    bench.firmware = c.firmware;
    bench.panel.setProbeTemperatureIndex(c.probeChoice);
    bench.sequences.read(workbench_tab::kGeneral);
    ASSERT_TRUE(bench.finish());
    EXPECT_EQ(bench.status, kReadDone);
    std::vector<std::uint16_t> expected = {reg::kTemperatureConstants, reg::kPressureDrift,
                                           reg::kProbeAdOffset};
    expected.insert(expected.end(), c.last.begin(), c.last.end());
    EXPECT_EQ(bench.sentAddresses(), expected);
  }
}

TEST(FirmwareOrder, ComparesTextsByteByByte) {
  EXPECT_FALSE(FirmwareBelow("1.3.2.9", "1.3.2.16"));
  EXPECT_FALSE(FirmwareBelow("1.3.2.16", "1.3.2.16"));
  EXPECT_FALSE(FirmwareBelow("1.3.2.160", "1.3.2.16"));
  EXPECT_TRUE(FirmwareBelow("1.3.2.15", "1.3.2.16"));
  EXPECT_TRUE(FirmwareBelow("1.3.2.1", "1.3.2.16"));
  EXPECT_TRUE(FirmwareBelow("", "1.3.2.16"));
  EXPECT_TRUE(FirmwareBelow("1.10.0.0", "1.3.2.16"));
}

TEST(CoefficientRead, UnansweredRequestsRepeatTheBlockEveryFourthTick) {
  CoefficientBench bench;
  bench.silenceLogger();
  bench.sequences.read(workbench_tab::kGeneral);
  bench.loop.advance(1000);
  EXPECT_EQ(bench.port.writeLog().size(), 5u);  // every 200 ms

  bench.port.clearWriteLog();
  bench.sequences.readAll();
  EXPECT_EQ(bench.port.writeLog().size(), 1u);  // at once
  bench.loop.advance(799);
  EXPECT_EQ(bench.port.writeLog().size(), 1u);
  bench.loop.advance(1);
  EXPECT_EQ(bench.port.writeLog().size(), 2u);
  bench.loop.advance(800);
  EXPECT_EQ(bench.port.writeLog().size(), 3u);
  for (const Bytes& frame : bench.port.writeLog())
    EXPECT_EQ(frame, AppendCrc(bytesFromHex("01 03 40 00 00 64")));
}

TEST(CoefficientRead, RepeatedReplyDoesNotSkipAStep) {
  CoefficientBench bench;
  bench.silenceLogger();
  bench.sequences.read(workbench_tab::kGeneral);
  bench.loop.advance(200);
  ASSERT_EQ(bench.port.writeLog().size(), 1u);
  bench.deliverAnswer(bench.port.writeLog()[0], 10);
  bench.deliverAnswer(bench.port.writeLog()[0], 20);
  bench.loop.advance(50);
  EXPECT_EQ(bench.consumed, 2);
  EXPECT_EQ(bench.sequences.reading().step(), read_step::kPressureDrift);
}

TEST(CoefficientRead, ReplyOfTheWrongLengthIsIgnoredAndAskedAgain) {
  CoefficientBench bench;
  bench.silenceLogger();
  bench.sequences.read(workbench_tab::kTemperature);
  bench.loop.advance(200);
  ASSERT_EQ(bench.port.writeLog().size(), 1u);
  Bytes reply = AppendCrc(bytesFromHex("01 03 30 02 00 0C"));
  Bytes response = bytesFromHex("01 03 18");
  response.resize(3 + 24, 0x3F);
  reply = concat({reply, AppendCrc(response)});
  bench.port.deliver(Bytes(reply.begin(), reply.end() - 1), 10);  // one byte short
  bench.loop.advance(200);
  EXPECT_EQ(bench.consumed, 1);
  EXPECT_EQ(bench.panel.readBack()[0], "");
  EXPECT_EQ(bench.port.writeLog().size(), 2u);
  bench.port.deliver(reply, 10);
  bench.loop.advance(50);
  EXPECT_EQ(bench.panel.readBack()[0], "7.4705881E-01");  // 3F 3F 3F 3F
  EXPECT_EQ(bench.sequences.reading().step(), read_step::kProbe);
}

TEST(CoefficientRead, ParameterBlockIsTakenOnlyWhenItsChecksumHolds) {
  CoefficientBench bench;
  bench.silenceLogger();
  bench.sequences.readAll();
  Bytes reply;
  for (const sim::ReplyChunk& chunk : bench.logger.receive(bench.port.writeLog()[0], 9600))
    reply.insert(reply.end(), chunk.bytes.begin(), chunk.bytes.end());
  ASSERT_EQ(reply.size(), 8u + 517u);
  Bytes damaged = reply;
  damaged[300] ^= 0x01;
  bench.port.deliver(damaged, 10);
  bench.loop.advance(100);
  EXPECT_FALSE(bench.backup.block().valid());
  EXPECT_EQ(bench.sequences.reading().step(), read_step::kParameterBlock);
  // Without its echo, as some loggers send it.
  bench.port.deliver(Bytes(reply.begin() + 8, reply.end()), 10);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.status, kReadDone);
  EXPECT_EQ(bench.backup.block().slice(0, 512), bench.logger.parameterBlock());
}

}  // namespace
}  // namespace ql::calibration::test
