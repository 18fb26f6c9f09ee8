#pragma once
// The coefficient panel of the pressure and temperature tabs and the general-parameter panel, as
// texts: what the operator types, what the fits put there and what is read back from the logger.
// The coefficient reads and writes take their values from here and show their results here.

#include <array>
#include <string>
#include <vector>

#include "runtime/observable.h"

namespace ql::calibration {

// The general parameters in the order of their panel.
enum class GeneralParameter {
  BatteryK,               // "电池K"
  BatteryB,               // "电池B"
  PressureOnTemperature,  // "压力对温度的修正系数："
  TemperatureDrift,       // "温度常温漂移常量："
  PressureDrift,          // "压力常温下漂移常量:"
  PressureAdOffset,       // "压力AD值的偏移修正常数：" (integer)
  ProbeAdOffset,          // "压力探头的温度传感器AD值的偏移修正常数：" (integer)
  Polynomial0,            // "多项式0：" .. "多项式3：": the pressure-on-temperature cubic
  Polynomial1,
  Polynomial2,
  Polynomial3,
};
inline constexpr int kGeneralParameterCount = 11;

struct GeneralParameterInfo {
  const char* caption;
  const char* defaultText;
  const char* hint;
  // Every change passes through KeepNumberChars.
  bool numberFiltered;
};
const GeneralParameterInfo& generalParameterInfo(GeneralParameter parameter);
// The caption without its trailing colon, for messages.
std::string generalParameterName(GeneralParameter parameter);

// The items of the pressure temperature choice: "-4.5" "5" "15" "25" "35", or "0" "15" "30" for
// the second model family.
const std::vector<std::string>& pressureTemperatureItems(bool secondFamily);

class CoefficientPanel : public Observable {
 public:
  static constexpr int kCoefficientCount = 6;  // a..f
  using Six = std::array<std::string, kCoefficientCount>;

  CoefficientPanel();

  // The coefficient edits a..f: the fit's result and the source of the coefficient writes.
  const Six& coefficients() const { return coefficients_; }
  void setCoefficient(int index, std::string text);
  // The coefficients read back from the logger, under the edits.
  const Six& readBack() const { return readBack_; }
  void setReadBack(int index, std::string text);
  // The probe-temperature fit (temperature tab): the source of the probe write.
  const Six& probeFit() const { return probeFit_; }
  void setProbeFit(int index, std::string text);
  // The probe-temperature coefficients read back from the logger.
  const Six& probeReadBack() const { return probeReadBack_; }
  void setProbeReadBack(int index, std::string text);

  // The coefficient edits are read-only until the formula caption is double-clicked.
  bool coefficientsReadOnly() const { return coefficientsReadOnly_; }
  void toggleCoefficientsReadOnly();
  // Double-click on "系数a": the logger's coefficients into the edits.
  void copyReadBackToCoefficients();

  const std::string& parameter(GeneralParameter which) const;
  // The number-filtered fields keep only what KeepNumberChars keeps, whoever sets them.
  void setParameter(GeneralParameter which, const std::string& text);

  // Fills the pressure temperature choice for the family and selects its first item; the probe
  // choice goes back to "0" and is offered only for the second family.
  void setFamily(bool secondFamily);
  bool secondFamily() const { return secondFamily_; }
  const std::vector<std::string>& pressureTemperatureChoices() const {
    return pressureTemperatureItems(secondFamily_);
  }
  // -1: no selection.
  int pressureTemperatureIndex() const { return pressureTemperatureIndex_; }
  void setPressureTemperatureIndex(int index);
  // The probe choice: 0 for "0", 1 for "30".
  int probeTemperatureIndex() const { return probeTemperatureIndex_; }
  void setProbeTemperatureIndex(int index);
  bool probeChoiceVisible() const { return secondFamily_; }

  // A tab change: the coefficient edits and the read-back fields under them are emptied.
  void clearForTab();
  // The read button: read-back fields and every general parameter emptied before reading.
  void clearForRead();

 private:
  Six coefficients_;
  Six readBack_;
  Six probeFit_;
  Six probeReadBack_;
  bool coefficientsReadOnly_ = true;
  std::array<std::string, kGeneralParameterCount> parameters_;
  bool secondFamily_ = false;
  int pressureTemperatureIndex_ = 0;
  int probeTemperatureIndex_ = 0;
};

}  // namespace ql::calibration
