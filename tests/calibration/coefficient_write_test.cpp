// The coefficient write and the restore of a parameter block against the simulated logger.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "calibration/coefficient_steps.h"
#include "coefficient_bench.h"

namespace ql::calibration::test {
namespace {

using P = GeneralParameter;

void fillCoefficients(CoefficientPanel& panel, const std::vector<std::string>& texts) {
  for (int i = 0; i < 6; ++i) panel.setCoefficient(i, texts[static_cast<std::size_t>(i)]);
}

void fillGeneral(CoefficientPanel& panel) {
  panel.setParameter(P::PressureOnTemperature, "1");
  panel.setParameter(P::TemperatureDrift, "0.5");
  panel.setParameter(P::BatteryK, "0.25");
  panel.setParameter(P::BatteryB, "-1");
  panel.setParameter(P::PressureAdOffset, "16300000");
  panel.setParameter(P::PressureDrift, "-2");
  panel.setParameter(P::ProbeAdOffset, " 4600000 ");
  panel.setParameter(P::Polynomial0, "1.5");
  panel.setParameter(P::Polynomial1, "-0.125");
  panel.setParameter(P::Polynomial2, "3");
  panel.setParameter(P::Polynomial3, "0");
}

struct WriteCase {
  const char* name;
  std::function<void(CoefficientPanel&)> fill;
  std::function<void(CoefficientSequences&)> press;
  std::vector<const char*> frames;  // hex, without CRC
};

TEST(CoefficientWrite, EachStepSendsItsFrameAndMovesOnWithItsAcknowledgement) {
  const std::vector<WriteCase> cases = {
      {"pressure set at 25",
       [](CoefficientPanel& panel) {
         panel.setPressureTemperatureIndex(3);  // "25"
         fillCoefficients(panel, {"1", "0.5", "0", "0", "0", "-2"});
       },
       [](CoefficientSequences& s) { s.write(workbench_tab::kPressure); },
       {"01 10 30 01 00 0C 18 3F800000 3F000000 00000000 00000000 00000000 C0000000"}},
      {"pressure set at -4.5",
       [](CoefficientPanel& panel) {
         panel.setPressureTemperatureIndex(0);
         fillCoefficients(panel, {"1", "1", "1", "1", "1", "1"});
       },
       [](CoefficientSequences& s) { s.write(workbench_tab::kPressure); },
       {"01 10 30 11 00 0C 18 3F800000 3F800000 3F800000 3F800000 3F800000 3F800000"}},
      {"temperature set",
       [](CoefficientPanel& panel) {
         fillCoefficients(panel, {"-1", "0.25", "0", "0", "0", "0"});
       },
       [](CoefficientSequences& s) { s.write(workbench_tab::kTemperature); },
       {"01 10 30 02 00 0C 18 BF800000 3E800000 00000000 00000000 00000000 00000000"}},
      {"probe set from the probe fit",
       [](CoefficientPanel& panel) {
         for (int i = 0; i < 6; ++i) panel.setProbeFit(i, i == 1 ? "5.0000000E-01" : "0.0000000E+00");
       },
       [](CoefficientSequences& s) { s.writeProbe(); },
       {"01 10 30 03 00 0C 18 00000000 3F000000 00000000 00000000 00000000 00000000"}},
      {"general parameters",
       fillGeneral,
       [](CoefficientSequences& s) { s.write(workbench_tab::kGeneral); },
       {"01 10 30 06 00 0A 14 3F800000 3F000000 3E800000 BF800000 00F8B7E0", "01 10 20 84 00 02 04 C0000000",
        "01 10 20 86 00 02 04 004630C0", "01 10 30 16 00 08 10 3FC00000 BE000000 40400000 00000000"}},
  };
  for (bool echo : {true, false}) {
    for (const WriteCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (echo ? ", acknowledged with echo" : ", acknowledged bare"));
      CoefficientBench bench(loggerOfModel("QL310", echo));
      c.fill(bench.panel);
      c.press(bench.sequences);
      ASSERT_TRUE(bench.finish());
      EXPECT_EQ(bench.status, kWriteDone);
      std::vector<Bytes> expected;
      for (const char* hex : c.frames) expected.push_back(bytesFromHex(hex));
      // Each frame once: every acknowledgement came before the next tick.
      EXPECT_EQ(bench.sentFrames(), expected);
      EXPECT_EQ(bench.consumed, static_cast<int>(expected.size()));
      for (const Bytes& frame : expected) {
        const Bytes data(frame.begin() + 7, frame.end());
        EXPECT_EQ(bench.loggerHolds(BeU16(frame[2], frame[3]), frame[5]), data) << hexText(frame);
      }
    }
  }
}

TEST(CoefficientWrite, UnacknowledgedFrameIsRepeatedEveryTick) {
  CoefficientBench bench;
  fillCoefficients(bench.panel, {"1", "2", "3", "4", "5", "6"});
  bench.silenceLogger();
  bench.sequences.write(workbench_tab::kTemperature);
  bench.loop.advance(1500);
  EXPECT_EQ(bench.port.writeLog().size(), 5u);  // ticks at 300 .. 1500 ms
  EXPECT_TRUE(bench.sequences.writing().running());
  EXPECT_EQ(bench.sequences.writing().step(), write_step::kTemperature);
}

TEST(CoefficientWrite, RepeatedAcknowledgementDoesNotSkipAStep) {
  CoefficientBench bench;
  fillGeneral(bench.panel);
  bench.silenceLogger();
  bench.sequences.write(workbench_tab::kGeneral);
  bench.loop.advance(300);
  ASSERT_EQ(bench.port.writeLog().size(), 1u);
  // The same write acknowledged twice (it was sent twice over a slow line).
  bench.deliverAnswer(bench.port.writeLog()[0], 10);
  bench.deliverAnswer(bench.port.writeLog()[0], 20);
  bench.loop.advance(50);
  EXPECT_EQ(bench.consumed, 2);
  EXPECT_EQ(bench.sequences.writing().step(), write_step::kPressureDrift);
}

TEST(CoefficientWrite, EmptyCoefficientWaitsWithoutSending) {
  CoefficientBench bench;
  fillCoefficients(bench.panel, {"1", "2", " ", "4", "5", "6"});
  bench.sequences.write(workbench_tab::kTemperature);
  bench.loop.advance(3000);
  EXPECT_TRUE(bench.port.writeLog().empty());
  EXPECT_TRUE(bench.sequences.writing().running());
  bench.panel.setCoefficient(2, "3");
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses(), std::vector<std::uint16_t>{reg::kTemperature1Coefficients});
}

TEST(CoefficientWrite, EmptyConstantsOrNoTemperatureChoiceSkipTheirStep) {
  CoefficientBench bench;
  fillGeneral(bench.panel);
  bench.panel.setParameter(P::BatteryB, "");
  bench.sequences.write(workbench_tab::kGeneral);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses(), (std::vector<std::uint16_t>{reg::kPressureDrift, reg::kProbeAdOffset,
                                                               reg::kTemperatureInfluence}));

  CoefficientBench pressure;
  fillCoefficients(pressure.panel, {"1", "2", "3", "4", "5", "6"});
  pressure.panel.setPressureTemperatureIndex(-1);
  pressure.sequences.write(workbench_tab::kPressure);
  ASSERT_TRUE(pressure.finish());
  EXPECT_TRUE(pressure.port.writeLog().empty());
  EXPECT_EQ(pressure.status, kWriteDone);
}

TEST(CoefficientWrite, FieldThatIsNotANumberStopsBeforeAnythingIsSent) {
  struct Case {
    std::function<void(CoefficientPanel&)> spoil;
    std::function<void(CoefficientSequences&)> press;
    const char* status;
  };
  const Case cases[] = {
      {[](CoefficientPanel& p) { p.setCoefficient(1, "1,5"); }, [](CoefficientSequences& s) { s.write(0); },
       "系数b不是数字"},
      {[](CoefficientPanel& p) { p.setCoefficient(5, "abc"); }, [](CoefficientSequences& s) { s.write(1); },
       "系数f不是数字"},
      {[](CoefficientPanel& p) { p.setProbeFit(0, "x"); }, [](CoefficientSequences& s) { s.writeProbe(); },
       "探头温度系数a不是数字"},
      {[](CoefficientPanel& p) { p.setParameter(P::TemperatureDrift, "1-2"); },
       [](CoefficientSequences& s) { s.write(2); }, "温度常温漂移常量不是数字"},
      {[](CoefficientPanel& p) { p.setParameter(P::PressureAdOffset, "16300000.5"); },
       [](CoefficientSequences& s) { s.write(2); }, "压力AD值的偏移修正常数不是数字"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    CoefficientBench bench;
    fillCoefficients(bench.panel, {"1", "2", "3", "4", "5", "6"});
    for (int i = 0; i < 6; ++i) bench.panel.setProbeFit(i, "1");
    fillGeneral(bench.panel);
    c.spoil(bench.panel);
    c.press(bench.sequences);
    bench.loop.advance(3000);
    EXPECT_FALSE(bench.sequences.writing().running());
    EXPECT_TRUE(bench.port.writeLog().empty());
    EXPECT_EQ(bench.status, c.status);
  }
}

TEST(CoefficientWrite, LaterFieldsThatAreNotNumbersAreWrittenAsZero) {
  CoefficientBench bench;
  fillGeneral(bench.panel);
  bench.panel.setParameter(P::PressureAdOffset, "");  // the constants are skipped
  bench.panel.setParameter(P::PressureDrift, "1e");
  bench.panel.setParameter(P::ProbeAdOffset, "4600000.0");
  bench.panel.setParameter(P::Polynomial2, "three");
  bench.sequences.write(workbench_tab::kGeneral);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentFrames(), (std::vector<Bytes>{bytesFromHex("01 10 20 84 00 02 04 00000000"),
                                                    bytesFromHex("01 10 20 86 00 02 04 00000000"),
                                                    bytesFromHex("01 10 30 16 00 08 10 3FC00000 BE000000 "
                                                                 "00000000 00000000")}));
}

TEST(CoefficientWrite, OlderFirmwareSendsTheCubicOnceWithoutWaiting) {
  for (const char* firmware : {"1.3.1.20", "1.3.2.16", "1.3.2.9"}) {
    SCOPED_TRACE(firmware);
    CoefficientBench bench;
    sim::LoggerFaults faults;
    faults.ignoreWritesTo = {reg::kTemperatureInfluence};  // never acknowledged
    bench.logger.setFaults(faults);
    bench.firmware = firmware;
    fillGeneral(bench.panel);
    bench.sequences.write(workbench_tab::kGeneral);
    const bool older = std::string(firmware) == "1.3.1.20";
    EXPECT_EQ(bench.finish(5000), older);
    EXPECT_EQ(bench.sentAddresses().back(), reg::kTemperatureInfluence);
    if (older) {
      EXPECT_EQ(bench.status, kWriteDone);
    }
  }
}

TEST(CoefficientWrite, ProbeChoiceThirtyWritesTheWarmCubic) {
  CoefficientBench bench(loggerOfModel("QL325"));
  fillGeneral(bench.panel);
  bench.panel.setProbeTemperatureIndex(1);
  bench.sequences.write(workbench_tab::kGeneral);
  ASSERT_TRUE(bench.finish());
  EXPECT_EQ(bench.sentAddresses().back(), reg::kTemperatureInfluenceWarm);
  EXPECT_EQ(bench.loggerHolds(reg::kTemperatureInfluenceWarm, 8), singles({1.5f, -0.125f, 3.0f, 0.0f}));
}

}  // namespace
}  // namespace ql::calibration::test
