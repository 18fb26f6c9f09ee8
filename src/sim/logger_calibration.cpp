// The logger's calibration side: the acquisition read, the coefficient registers and the
// parameter block with its page writes.

#include <algorithm>
#include <cmath>
#include <limits>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "sim/logger_model.h"
#include "sim/model_family.h"
#include "sim/parameter_block_layout.h"
#include "sim/registers.h"

namespace ql::sim {

namespace {

Bytes singles(std::initializer_list<float> values) {
  Bytes out;
  for (float value : values) {
    Bytes single = FloatToBeBytes(value);
    out.insert(out.end(), single.begin(), single.end());
  }
  return out;
}

// Reading in units of 0.0001; a set that gives no finite number reads as 0.
std::int32_t scaledReading(double value) {
  double scaled = std::round(value * kLiveValueScale);
  if (!std::isfinite(scaled)) return 0;
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(std::clamp(scaled, kMin, kMax));
}

// The pressure sets give Pa, as the workbench fits them from its points; the logger reports kPa.
constexpr double kPaPerKpa = 1000.0;

// The factory sets invert the linear part of the transfer functions: readings are right to a few
// thousandths before the logger is calibrated.
constexpr float kPressureOffset = static_cast<float>(-kPressureAdZero / kPressureAdPerKpa * kPaPerKpa);
constexpr float kPressureSlope = static_cast<float>(kPaPerKpa / kPressureAdPerKpa);
constexpr std::uint32_t kProbeAdOffsetAtFactory = 4600000;

}  // namespace

void LoggerModel::seedCalibration() {
  Bytes pressure = singles({kPressureOffset, kPressureSlope, 0.0f, 0.0f, 0.0f, 0.0f});
  for (std::uint16_t address :
       {reg::kPressureCoefficients25, reg::kPressureCoefficientsLow, reg::kPressureCoefficientsMid,
        reg::kPressureCoefficientsWarm, reg::kPressureCoefficientsHigh}) {
    calibration_.write(address, pressure);
  }
  calibration_.write(reg::kTemperature1Coefficients,
                     singles({static_cast<float>(-kTemperature1AdZero / kTemperature1AdPerDegree),
                              static_cast<float>(1.0 / kTemperature1AdPerDegree), 0.0f, 0.0f, 0.0f, 0.0f}));
  calibration_.write(reg::kTemperature2Coefficients,
                     singles({static_cast<float>(-kTemperature2AdZero / kTemperature2AdPerDegree),
                              static_cast<float>(1.0 / kTemperature2AdPerDegree), 0.0f, 0.0f, 0.0f, 0.0f}));
  calibration_.write(reg::kSpareCoefficients, Bytes(24, 0));
  calibration_.write(reg::kTemperatureConstants, bank_.read(reg::kTemperatureConstants, 10));
  calibration_.write(reg::kTemperatureInfluence, singles({0.0f, 0.0f, 0.0f, 0.0f}));
  calibration_.write(reg::kTemperatureInfluenceWarm, singles({0.0f, 0.0f, 0.0f, 0.0f}));
  bank_.setU32(reg::kProbeAdOffset, kProbeAdOffsetAtFactory);

  storedBlock_.assign(reg::kParameterBlockSize, 0);
  storedBlock_[0] = 1;  // a valid block
  const Bytes productionDate = {0x20, 0x18, 0x09, 0x01};
  std::copy(productionDate.begin(), productionDate.end(), storedBlock_.begin() + kProductionDateOffset);
  if (secondFamily()) {
    Bytes crystal = singles({0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    std::copy(crystal.begin(), crystal.end(), storedBlock_.begin() + kCrystalCoefficientsOffset);
  }
}

void LoggerModel::addCalibrationHandlers() {
  RegisterRange calibration{reg::kCalibrationBase, reg::kCalibrationLast};
  addReadHandler(calibration, [this](const Request& r) { return readCalibration(r); });
  addWriteHandler(calibration, [this](const Request& r) { return writeCalibration(r); });
  addReadHandler({reg::kParameterBlock, reg::kParameterBlock},
                 [this](const Request& r) { return readParameterBlock(r); });
  auto lastPage = static_cast<std::uint16_t>(reg::kParameterPages + reg::kParameterPageCount - 1);
  addWriteHandler({reg::kParameterPages, lastPage},
                  [this](const Request& r) { return writeParameterPage(r); });
}

bool LoggerModel::secondFamily() const { return isSecondFamily(config_.modelText); }

FeltConditions LoggerModel::feltConditions() const {
  LiveValues live = liveValues();
  double water = live.temperature / kLiveValueScale;
  FeltConditions felt;
  felt.pressureKpa =
      pressureSource_ ? pressureSource_() : feltPressure_.value_or(live.pressure / kLiveValueScale);
  felt.temperature1 = feltTemperature_.value_or(water);
  felt.temperature2 = feltTemperature_.value_or(water);
  return felt;
}

AcquisitionReadings LoggerModel::acquisitionReadings() const {
  AdCodes codes = adCodes();
  AcquisitionReadings readings;
  readings.pressure = scaledReading(
      evaluateCoefficients(calibration_.coefficients(reg::kPressureCoefficients25), codes.pressure) /
      kPaPerKpa);
  readings.temperature1 = scaledReading(
      evaluateCoefficients(calibration_.coefficients(reg::kTemperature1Coefficients), codes.temperature1));
  readings.temperature2 = scaledReading(
      evaluateCoefficients(calibration_.coefficients(reg::kTemperature2Coefficients), codes.temperature2));
  return readings;
}

Answer LoggerModel::readCalibration(const Request& request) const {
  if (request.count == 0 || request.count > kMaxReadCount) return Answer::none();
  if (request.firstRegister == reg::kAcquisition && request.count == reg::kAcquisitionCount) {
    return readAnswer(acquisitionBytes(adCodes(), acquisitionReadings()));
  }
  return readAnswer(calibration_.read(request.firstRegister, request.count));
}

Answer LoggerModel::writeCalibration(const Request& request) {
  calibration_.write(request.firstRegister, request.data);
  return writeAck(request);
}

Bytes LoggerModel::parameterBlock() const {
  Bytes block = storedBlock_;
  for (const BlockField& field : blockFields(secondFamily())) {
    int registers = static_cast<int>((field.regOffset + field.size + 1) / 2);
    Bytes value =
        field.calibration ? calibration_.read(field.reg, registers) : bank_.read(field.reg, registers);
    auto from = value.begin() + static_cast<std::ptrdiff_t>(field.regOffset);
    std::copy(from, from + static_cast<std::ptrdiff_t>(field.size),
              block.begin() + static_cast<std::ptrdiff_t>(field.offset));
  }
  return block;
}

Answer LoggerModel::readParameterBlock(const Request& request) const {
  Bytes block = parameterBlock();
  if (request.count != reg::kParameterBlockCount) {
    if (request.count == 0 || request.count > kMaxReadCount) return Answer::none();
    block.resize(2u * request.count);
    return readAnswer(block);
  }
  // The whole block follows the head 01 03 00: 512 bytes do not fit the one-byte count.
  Bytes response = {kSlaveAddress, kFunctionRead, 0x00};
  response.insert(response.end(), block.begin(), block.end());
  return Answer{{{AppendCrc(response), 0}}, true, {}};
}

Answer LoggerModel::writeParameterPage(const Request& request) {
  constexpr std::size_t kPageBytes = 2u * reg::kParameterPageRegisters;
  if (request.count != reg::kParameterPageRegisters || request.data.size() != kPageBytes)
    return Answer::none();
  std::size_t page = request.firstRegister - reg::kParameterPages;
  // The block as it reads now, with this page over it; then every register place goes back.
  Bytes block = parameterBlock();
  std::copy(request.data.begin(), request.data.end(),
            block.begin() + static_cast<std::ptrdiff_t>(page * kPageBytes));
  storedBlock_ = block;
  for (const BlockField& field : blockFields(secondFamily())) {
    if (!field.restorable) continue;
    auto from = block.begin() + static_cast<std::ptrdiff_t>(field.offset);
    Bytes value(from, from + static_cast<std::ptrdiff_t>(field.size));
    if (field.calibration) {
      Bytes whole = calibration_.read(field.reg, static_cast<int>((field.regOffset + field.size + 1) / 2));
      std::copy(value.begin(), value.end(), whole.begin() + static_cast<std::ptrdiff_t>(field.regOffset));
      calibration_.write(field.reg, whole);
    } else {
      bank_.setBytes(field.reg, value);
    }
  }
  return writeAck(request);
}

}  // namespace ql::sim
