#pragma once
// The steps of the coefficient read (ReadStep) and write (WriteStep) sequences: for each step
// number, what it sends. A step without an entry ends its sequence. Frames are without CRC.
//
//   read   0  pressure set of the chosen temperature     write   0  pressure set of the chosen temperature
//         10  temperature sensor 1 set                          10  temperature sensor 1 set
//         11  temperature sensor 2 (probe) set                  20  0x3006 constants (four singles, one
//         integer) 20  0x3006 constants                                  21  0x2084 pressure drift 21  0x2084
//         pressure drift                             22  0x2086 probe AD offset 22  0x2086 probe AD offset 23
//         0x3016/0x3017 pressure-on-temperature cubic 23  0x3016/0x3017 (firmware permitting) 40  probe set
//         from the probe fit 50  the 512-byte parameter block             100..111  first-family restore from
//         the block
//                                                       200..207  second-family restore, 64-byte pages

#include <cstdint>
#include <optional>
#include <string>

#include "calibration/coefficient_panel.h"
#include "calibration/parameter_block.h"
#include "link/bytes.h"

namespace ql::calibration {

namespace read_step {
inline constexpr int kPressure = 0;
inline constexpr int kTemperature = 10;
inline constexpr int kProbe = 11;
inline constexpr int kGeneral = 20;
inline constexpr int kPressureDrift = 21;
inline constexpr int kProbeAdOffset = 22;
inline constexpr int kTemperatureInfluence = 23;
inline constexpr int kParameterBlock = 50;
}  // namespace read_step

namespace write_step {
inline constexpr int kPressure = 0;
inline constexpr int kTemperature = 10;
inline constexpr int kGeneral = 20;
inline constexpr int kPressureDrift = 21;
inline constexpr int kProbeAdOffset = 22;
inline constexpr int kTemperatureInfluence = 23;
inline constexpr int kProbe = 40;
inline constexpr int kRestoreFirst = 100;  // .. 111
inline constexpr int kRestorePages = 200;  // .. 207
}  // namespace write_step

// The pressure set of the temperature choice: 0x3011, 0x3012, 0x3013, 0x3001, 0x3014 by index.
std::optional<std::uint16_t> pressureCoefficientRegister(int choiceIndex);
// 0x3016 for the probe choice "0", 0x3017 for "30".
std::uint16_t temperatureInfluenceRegister(int probeIndex);

// 01 10 <register> <count = size / 2> <size> <data>
Bytes coefficientWriteFrame(std::uint16_t address, const Bytes& data);

struct StepAction {
  enum class Kind {
    Send,    // send frame
    SkipTo,  // continue at step next at once
    Wait,    // send nothing, stay at this step
    Refuse,  // send nothing and stop: message says which field is not a number
    End,     // no entry: the sequence is done
  };
  Kind kind = Kind::End;
  Bytes frame;
  int next = 0;
  std::string message;
  // The frame becomes LastRequest (the acknowledgement rule and the two-register reads use it).
  bool recorded = false;

  static StepAction send(Bytes frame, bool recorded) {
    return {Kind::Send, std::move(frame), 0, {}, recorded};
  }
  static StepAction skipTo(int next) { return {Kind::SkipTo, {}, next, {}, false}; }
  static StepAction wait() { return {Kind::Wait, {}, 0, {}, false}; }
  static StepAction refuse(std::string message) { return {Kind::Refuse, {}, 0, std::move(message), false}; }
  static StepAction end() { return {}; }
};

// influenceReadable: the firmware knows 0x3016/0x3017, or the logger is of the second family.
StepAction readStepAction(int step, const CoefficientPanel& panel, bool influenceReadable);
StepAction writeStepAction(int step, const CoefficientPanel& panel, const ParameterBlock& block);

// The status text for a field that is not a number.
inline constexpr const char* kNotANumber = "不是数字";

}  // namespace ql::calibration
