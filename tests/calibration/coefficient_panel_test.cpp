// The coefficient and general-parameter panels, and how their texts are read as numbers.

#include "calibration/coefficient_panel.h"

#include <gtest/gtest.h>

#include <optional>

#include "calibration/edit_number.h"

namespace ql::calibration {
namespace {

using P = GeneralParameter;

TEST(CoefficientPanel, NumberFieldsFilterEveryChangeAndStartWithTheirDefaults) {
  CoefficientPanel panel;
  EXPECT_EQ(panel.parameter(P::BatteryK), "0.00143");
  EXPECT_EQ(panel.parameter(P::BatteryB), "");
  EXPECT_EQ(panel.parameter(P::PressureOnTemperature), "1");
  EXPECT_EQ(panel.parameter(P::TemperatureDrift), "0");
  EXPECT_EQ(panel.parameter(P::PressureDrift), "0");
  EXPECT_EQ(panel.parameter(P::PressureAdOffset), "");

  for (int i = 0; i < kGeneralParameterCount; ++i) {
    const auto field = static_cast<P>(i);
    SCOPED_TRACE(generalParameterInfo(field).caption);
    panel.setParameter(field, "a.5.5");
    const bool filtered = field == P::BatteryK || field == P::BatteryB || field == P::PressureOnTemperature ||
                          field == P::TemperatureDrift || field == P::PressureDrift;
    EXPECT_EQ(panel.parameter(field), filtered ? "0.55" : "a.5.5");
  }
}

TEST(CoefficientPanel, TabChangeAndReadClearTheirOwnFields) {
  CoefficientPanel panel;
  for (int i = 0; i < 6; ++i) {
    panel.setCoefficient(i, "1");
    panel.setReadBack(i, "2");
    panel.setProbeFit(i, "3");
    panel.setProbeReadBack(i, "4");
  }
  panel.clearForTab();
  EXPECT_EQ(panel.coefficients(), CoefficientPanel::Six{});
  EXPECT_EQ(panel.readBack(), CoefficientPanel::Six{});
  EXPECT_EQ(panel.probeFit()[0], "3");
  EXPECT_EQ(panel.probeReadBack()[0], "4");
  EXPECT_EQ(panel.parameter(P::BatteryK), "0.00143");

  panel.setReadBack(0, "2");
  panel.setCoefficient(0, "1");
  panel.clearForRead();
  EXPECT_EQ(panel.readBack(), CoefficientPanel::Six{});
  EXPECT_EQ(panel.probeReadBack(), CoefficientPanel::Six{});
  EXPECT_EQ(panel.parameter(P::BatteryK), "");
  EXPECT_EQ(panel.coefficients()[0], "1");
  EXPECT_EQ(panel.probeFit()[0], "3");
}

TEST(CoefficientPanel, TemperatureChoicesFollowTheFamily) {
  CoefficientPanel panel;
  EXPECT_EQ(panel.pressureTemperatureChoices(), (std::vector<std::string>{"-4.5", "5", "15", "25", "35"}));
  panel.setPressureTemperatureIndex(4);
  panel.setProbeTemperatureIndex(1);
  panel.setFamily(true);
  EXPECT_EQ(panel.pressureTemperatureChoices(), (std::vector<std::string>{"0", "15", "30"}));
  EXPECT_EQ(panel.pressureTemperatureIndex(), 0);
  EXPECT_EQ(panel.probeTemperatureIndex(), 0);
  EXPECT_TRUE(panel.probeChoiceVisible());
  panel.setPressureTemperatureIndex(3);  // no fourth item for this family
  EXPECT_EQ(panel.pressureTemperatureIndex(), -1);
}

TEST(EditNumber, ConvertsOnlyWholeNumbers) {
  struct Case {
    const char* text;
    std::optional<double> number;
    std::optional<std::int32_t> integer;
  };
  const Case cases[] = {
      {"1", 1.0, 1},
      {" -2.5 ", -2.5, std::nullopt},
      {"1.5E-3", 0.0015, std::nullopt},
      {".5", 0.5, std::nullopt},
      {"+4", 4.0, 4},
      {"16300000", 16300000.0, 16300000},
      {"-7", -7.0, -7},
      {"2147483648", 2147483648.0, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"1.2.3", std::nullopt, std::nullopt},
      {"1,5", std::nullopt, std::nullopt},
      {"+-1", std::nullopt, std::nullopt},
      {"inf", std::nullopt, std::nullopt},
      {"nan", std::nullopt, std::nullopt},
      {"1e400", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseEditNumber(c.text), c.number);
    EXPECT_EQ(parseEditInteger(c.text), c.integer);
  }
  EXPECT_FALSE(parseEditSingle("1e39").has_value());  // beyond a single
  EXPECT_EQ(parseEditSingle("1e38"), 1e38f);
}

}  // namespace
}  // namespace ql::calibration
