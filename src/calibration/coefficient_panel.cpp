#include "calibration/coefficient_panel.h"

#include <string_view>

#include "link/text_filters.h"

namespace ql::calibration {

namespace {

constexpr GeneralParameterInfo kInfo[kGeneralParameterCount] = {
    {"电池K", "0.00143", "0.00143", true},
    {"电池B", "", "0", true},
    {"压力对温度的修正系数：", "1", "1，检测时为0", true},
    {"温度常温漂移常量：", "0", "-0.2<x<0.2", true},
    {"压力常温下漂移常量:", "0", "-0.5<x<0.5", true},
    {"压力AD值的偏移修正常数：", "", "16300000", false},
    {"压力探头的温度传感器AD值的偏移修正常数：", "", "4600000", false},
    {"多项式0：", "", "", false},
    {"多项式1：", "", "", false},
    {"多项式2：", "", "", false},
    {"多项式3：", "", "", false},
};

std::size_t slot(GeneralParameter which) { return static_cast<std::size_t>(which); }

bool inSix(int index) { return index >= 0 && index < CoefficientPanel::kCoefficientCount; }

}  // namespace

const GeneralParameterInfo& generalParameterInfo(GeneralParameter parameter) {
  return kInfo[slot(parameter)];
}

std::string generalParameterName(GeneralParameter parameter) {
  std::string name = generalParameterInfo(parameter).caption;
  for (std::string_view colon : {"：", ":"}) {
    if (name.size() >= colon.size() && name.compare(name.size() - colon.size(), colon.size(), colon) == 0)
      name.erase(name.size() - colon.size());
  }
  return name;
}

const std::vector<std::string>& pressureTemperatureItems(bool secondFamily) {
  static const std::vector<std::string> first = {"-4.5", "5", "15", "25", "35"};
  static const std::vector<std::string> second = {"0", "15", "30"};
  return secondFamily ? second : first;
}

CoefficientPanel::CoefficientPanel() {
  for (int i = 0; i < kGeneralParameterCount; ++i)
    parameters_[static_cast<std::size_t>(i)] = kInfo[i].defaultText;
}

void CoefficientPanel::setCoefficient(int index, std::string text) {
  if (!inSix(index)) return;
  coefficients_[static_cast<std::size_t>(index)] = std::move(text);
  notify();
}

void CoefficientPanel::setReadBack(int index, std::string text) {
  if (!inSix(index)) return;
  readBack_[static_cast<std::size_t>(index)] = std::move(text);
  notify();
}

void CoefficientPanel::setProbeFit(int index, std::string text) {
  if (!inSix(index)) return;
  probeFit_[static_cast<std::size_t>(index)] = std::move(text);
  notify();
}

void CoefficientPanel::setProbeReadBack(int index, std::string text) {
  if (!inSix(index)) return;
  probeReadBack_[static_cast<std::size_t>(index)] = std::move(text);
  notify();
}

void CoefficientPanel::toggleCoefficientsReadOnly() {
  coefficientsReadOnly_ = !coefficientsReadOnly_;
  notify();
}

void CoefficientPanel::copyReadBackToCoefficients() {
  coefficients_ = readBack_;
  notify();
}

const std::string& CoefficientPanel::parameter(GeneralParameter which) const {
  return parameters_[slot(which)];
}

void CoefficientPanel::setParameter(GeneralParameter which, const std::string& text) {
  parameters_[slot(which)] = generalParameterInfo(which).numberFiltered ? KeepNumberChars(text) : text;
  notify();
}

void CoefficientPanel::setFamily(bool secondFamily) {
  secondFamily_ = secondFamily;
  pressureTemperatureIndex_ = 0;
  probeTemperatureIndex_ = 0;
  notify();
}

void CoefficientPanel::setPressureTemperatureIndex(int index) {
  const int count = static_cast<int>(pressureTemperatureChoices().size());
  pressureTemperatureIndex_ = index >= 0 && index < count ? index : -1;
  notify();
}

void CoefficientPanel::setProbeTemperatureIndex(int index) {
  probeTemperatureIndex_ = index == 1 ? 1 : 0;
  notify();
}

void CoefficientPanel::clearForTab() {
  coefficients_ = {};
  readBack_ = {};
  notify();
}

void CoefficientPanel::clearForRead() {
  readBack_ = {};
  probeReadBack_ = {};
  parameters_ = {};
  notify();
}

}  // namespace ql::calibration
