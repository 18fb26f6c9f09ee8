#include "calibration/coefficient_steps.h"

#include <array>
#include <iterator>

#include "calibration/edit_number.h"
#include "link/codecs.h"
#include "link/register_map.h"

namespace ql::calibration {

namespace {

using Six = CoefficientPanel::Six;

constexpr std::uint16_t kSetRegisters = reg::kCoefficientRegisters;  // six singles
constexpr std::uint16_t kConstantsRegisters = 10;                    // four singles and an integer
constexpr std::uint16_t kInfluenceRegisters = 8;                     // four singles
constexpr std::uint16_t kSingleRegisters = 2;

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The six edits as singles: wait while one is empty, refuse when one is not a number.
StepAction sixSingles(std::uint16_t address, const Six& texts, const std::string& captionPrefix) {
  for (const std::string& text : texts)
    if (withoutBlanks(text).empty()) return StepAction::wait();
  Bytes data;
  static constexpr std::array<const char*, 6> kLetters = {"a", "b", "c", "d", "e", "f"};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::optional<float> value = parseEditSingle(texts[i]);
    if (!value) return StepAction::refuse(captionPrefix + kLetters[i] + kNotANumber);
    append(data, FloatToBeBytes(*value));
  }
  return StepAction::send(coefficientWriteFrame(address, data), true);
}

Bytes integerBytes(std::int32_t value) {
  Bytes out;
  putBeU32(out, static_cast<std::uint32_t>(value));
  return out;
}

StepAction writeConstants(const CoefficientPanel& panel) {
  using P = GeneralParameter;
  for (P field :
       {P::BatteryK, P::BatteryB, P::PressureOnTemperature, P::TemperatureDrift, P::PressureAdOffset})
    if (withoutBlanks(panel.parameter(field)).empty()) return StepAction::skipTo(write_step::kPressureDrift);
  Bytes data;
  for (P field : {P::PressureOnTemperature, P::TemperatureDrift, P::BatteryK, P::BatteryB}) {
    std::optional<float> value = parseEditSingle(panel.parameter(field));
    if (!value) return StepAction::refuse(generalParameterName(field) + kNotANumber);
    append(data, FloatToBeBytes(*value));
  }
  std::optional<std::int32_t> offset = parseEditInteger(panel.parameter(P::PressureAdOffset));
  if (!offset) return StepAction::refuse(generalParameterName(P::PressureAdOffset) + kNotANumber);
  append(data, integerBytes(*offset));
  return StepAction::send(coefficientWriteFrame(reg::kTemperatureConstants, data), true);
}

// The fields written after the constants send 0 in place of what is not a number.
Bytes singleOrZero(const std::string& text) { return FloatToBeBytes(parseEditSingle(text).value_or(0.0f)); }
Bytes integerOrZero(const std::string& text) { return integerBytes(parseEditInteger(text).value_or(0)); }

struct RestoreStep {
  std::uint16_t address;
  std::size_t offset;  // in the block
  std::size_t size;
};

// First family: the block's places of the coefficient registers, written one register set a step.
constexpr RestoreStep kRestoreSteps[] = {
    {reg::kPressureCoefficients25, 96, 24},
    {reg::kTemperature1Coefficients, 120, 24},
    {reg::kTemperature2Coefficients, 144, 24},
    {reg::kSpareCoefficients, 168, 24},
    {reg::kTemperatureConstants, 192, 20},
    {reg::kPressureDrift, 212, 4},
    {reg::kPressureCoefficientsLow, 336, 24},
    {reg::kPressureCoefficientsMid, 360, 24},
    {reg::kPressureCoefficientsWarm, 384, 24},
    {reg::kPressureCoefficientsHigh, 408, 24},
    {reg::kProbeAdOffset, 216, 4},
    {reg::kTemperatureInfluence, 464, 16},
};
constexpr int kRestoreStepCount = static_cast<int>(std::size(kRestoreSteps));

}  // namespace

std::optional<std::uint16_t> pressureCoefficientRegister(int choiceIndex) {
  static constexpr std::uint16_t kByIndex[] = {reg::kPressureCoefficientsLow, reg::kPressureCoefficientsMid,
                                               reg::kPressureCoefficientsWarm, reg::kPressureCoefficients25,
                                               reg::kPressureCoefficientsHigh};
  if (choiceIndex < 0 || choiceIndex >= static_cast<int>(std::size(kByIndex))) return std::nullopt;
  return kByIndex[choiceIndex];
}

std::uint16_t temperatureInfluenceRegister(int probeIndex) {
  return probeIndex == 1 ? reg::kTemperatureInfluenceWarm : reg::kTemperatureInfluence;
}

Bytes coefficientWriteFrame(std::uint16_t address, const Bytes& data) {
  Bytes frame{0x01, 0x10};
  putBeU16(frame, address);
  putBeU16(frame, static_cast<std::uint16_t>(data.size() / 2));
  frame.push_back(static_cast<std::uint8_t>(data.size()));
  append(frame, data);
  return frame;
}

StepAction readStepAction(int step, const CoefficientPanel& panel, bool influenceReadable) {
  switch (step) {
    case read_step::kPressure: {
      std::optional<std::uint16_t> address = pressureCoefficientRegister(panel.pressureTemperatureIndex());
      if (!address) return StepAction::skipTo(read_step::kPressure + 1);
      return StepAction::send(reg::readRequest(*address, kSetRegisters), false);
    }
    case read_step::kTemperature:
      return StepAction::send(reg::readRequest(reg::kTemperature1Coefficients, kSetRegisters), false);
    case read_step::kProbe:
      return StepAction::send(reg::readRequest(reg::kTemperature2Coefficients, kSetRegisters), false);
    case read_step::kGeneral:
      return StepAction::send(reg::readRequest(reg::kTemperatureConstants, kConstantsRegisters), false);
    case read_step::kPressureDrift:
      return StepAction::send(reg::readRequest(reg::kPressureDrift, kSingleRegisters), true);
    case read_step::kProbeAdOffset:
      return StepAction::send(reg::readRequest(reg::kProbeAdOffset, kSingleRegisters), true);
    case read_step::kTemperatureInfluence:
      if (!influenceReadable) return StepAction::skipTo(read_step::kTemperatureInfluence + 1);
      return StepAction::send(
          reg::readRequest(temperatureInfluenceRegister(panel.probeTemperatureIndex()), kInfluenceRegisters),
          true);
    case read_step::kParameterBlock:
      return StepAction::send(reg::readRequest(reg::kParameterBlock, reg::kParameterBlockCount), false);
    default:
      return StepAction::end();
  }
}

StepAction writeStepAction(int step, const CoefficientPanel& panel, const ParameterBlock& block) {
  using P = GeneralParameter;
  switch (step) {
    case write_step::kPressure: {
      std::optional<std::uint16_t> address = pressureCoefficientRegister(panel.pressureTemperatureIndex());
      if (!address) return StepAction::skipTo(write_step::kPressure + 1);
      return sixSingles(*address, panel.coefficients(), "系数");
    }
    case write_step::kTemperature:
      return sixSingles(reg::kTemperature1Coefficients, panel.coefficients(), "系数");
    case write_step::kProbe:
      return sixSingles(reg::kTemperature2Coefficients, panel.probeFit(), "探头温度系数");
    case write_step::kGeneral:
      return writeConstants(panel);
    case write_step::kPressureDrift:
      return StepAction::send(
          coefficientWriteFrame(reg::kPressureDrift, singleOrZero(panel.parameter(P::PressureDrift))), true);
    case write_step::kProbeAdOffset:
      return StepAction::send(
          coefficientWriteFrame(reg::kProbeAdOffset, integerOrZero(panel.parameter(P::ProbeAdOffset))), true);
    case write_step::kTemperatureInfluence: {
      Bytes data;
      for (P field : {P::Polynomial0, P::Polynomial1, P::Polynomial2, P::Polynomial3})
        append(data, singleOrZero(panel.parameter(field)));
      return StepAction::send(
          coefficientWriteFrame(temperatureInfluenceRegister(panel.probeTemperatureIndex()), data), true);
    }
    default:
      break;
  }
  if (step >= write_step::kRestoreFirst && step < write_step::kRestoreFirst + kRestoreStepCount) {
    const RestoreStep& restore = kRestoreSteps[step - write_step::kRestoreFirst];
    return StepAction::send(coefficientWriteFrame(restore.address, block.slice(restore.offset, restore.size)),
                            true);
  }
  if (step >= write_step::kRestorePages && step < write_step::kRestorePages + reg::kParameterPageCount) {
    const int page = step - write_step::kRestorePages;
    constexpr std::size_t kPageBytes = 2u * reg::kParameterPageRegisters;
    return StepAction::send(
        coefficientWriteFrame(static_cast<std::uint16_t>(reg::kParameterPages + page),
                              block.slice(kPageBytes * static_cast<std::size_t>(page), kPageBytes)),
        true);
  }
  return StepAction::end();
}

}  // namespace ql::calibration
