#pragma once
// The logger's protocol constants: function codes, register addresses and the baud-rate codes.
// Shared by the logger model and its tests; later registers join this one list.

#include <array>
#include <cstdint>
#include <optional>

namespace ql::sim {

inline constexpr std::uint8_t kSlaveAddress = 0x01;

// Function codes. A control frame (0x04) is 01 04 01 01 + a two-byte code + CRC and has no reply.
inline constexpr std::uint8_t kFunctionRead = 0x03;
inline constexpr std::uint8_t kFunctionControl = 0x04;
inline constexpr std::uint8_t kFunctionWrite = 0x10;

// Frame sizes including the CRC. A write frame is 7 bytes of head + its byte count + 2.
inline constexpr int kReadFrameSize = 8;
inline constexpr int kControlFrameSize = 8;
inline constexpr int kWriteHeadSize = 7;
inline constexpr int kCrcSize = 2;
// Modbus limit on the registers one read may return (the byte count is one byte).
inline constexpr int kMaxReadCount = 125;

// Control codes (the two bytes after 01 04 01 01).
inline constexpr std::uint16_t kControlLinkEcho = 0x0404;
inline constexpr std::uint16_t kControlLink = 0x0303;
inline constexpr std::uint16_t kControlIndicatorOn = 0x0106;
inline constexpr std::uint16_t kControlIndicatorOff = 0x0105;

namespace reg {
inline constexpr std::uint16_t kLiveValues = 0x0001;      // 8 registers
inline constexpr std::uint16_t kBatteryVoltage = 0x0101;  // mV
inline constexpr std::uint16_t kRecordInterval = 0x1001;  // 2 registers, ms
inline constexpr std::uint16_t kTaskStart = 0x1003;       // 3 registers
inline constexpr std::uint16_t kTaskEnd = 0x1006;         // 3 registers
inline constexpr std::uint16_t kClock = 0x1009;           // 3 registers: yy mm dd hh mi ss, binary
inline constexpr std::uint16_t kSendToPort = 0x100C;
inline constexpr std::uint16_t kTaskRunState = 0x100D;     // 0x0001 = running
inline constexpr std::uint16_t kAverageInterval = 0x100E;  // 2 registers
inline constexpr std::uint16_t kAverageCount = 0x1010;
inline constexpr std::uint16_t kBaudRate = 0x1102;  // write only: 0x00 code, or a speed switch
inline constexpr std::uint16_t kModel = 0x2001;
inline constexpr std::uint16_t kSerialNumber = 0x2002;        // 2 registers
inline constexpr std::uint16_t kHardwareVersion = 0x2004;     // 2 registers, four version bytes
inline constexpr std::uint16_t kFirmwareVersion = 0x2006;     // 2 registers, four version bytes
inline constexpr std::uint16_t kBatteryConsumption = 0x2080;  // 2 registers
inline constexpr std::uint16_t kFlashSize = 0xE001;           // 2 registers, bytes
inline constexpr std::uint16_t kFlashUsed = 0xE003;           // 2 registers, bytes
inline constexpr std::uint16_t kTaskName = 0xE005;            // 8 registers
inline constexpr std::uint16_t kFileTable = 0xE00D;           // read: the table; write: delete (below)
inline constexpr std::uint16_t kFileData = 0xE00E;            // the count field carries the file number
inline constexpr std::uint16_t kCalibrationMode = 0xFEFE;     // 0x005C enters, 0x0000 leaves

// Instrument constants: 32-bit values read two registers at a time at odd addresses, 16-bit
// values at 0xF301 and 0xF302 ...
inline constexpr std::uint16_t kConstantsFirst = 0xF001;
inline constexpr std::uint16_t kConstantsLast = 0xF302;
// ... and over 0xF101.. and 0xF201.. the ratios: doubles read four registers at a time, which
// overlap the 32-bit constants at the same addresses.
inline constexpr std::uint16_t kRatiosFirst = 0xF100;
inline constexpr std::uint16_t kRatiosLast = 0xF2FF;
inline constexpr std::uint16_t kPressureRatiosFirst = 0xF101;
inline constexpr std::uint16_t kTemperatureRatiosFirst = 0xF201;
inline constexpr int kRatioCount = 6;
inline constexpr int kRatioRegisters = 4;
}  // namespace reg

// Values written to the file table register: a file number 1..16 deletes that file, this erases all.
inline constexpr std::uint16_t kEraseAllFiles = 0xF0F0;

// Values written to register 0x1102.
inline constexpr std::uint16_t kSpeedSwitch = 0xF0F0;
inline constexpr std::uint16_t kSpeedSwitchAlternative = 0xF1F1;
// The rate the logger moves to on a speed switch; it reports it after the acknowledgement.
inline constexpr std::uint32_t kSpeedSwitchRate = 115200;

// Baud-rate codes written to 0x1102 as 0x00 code: code 3 is 4800 ... code 10 is 115200.
inline constexpr int kFirstBaudCode = 3;
inline constexpr std::array<std::uint32_t, 8> kBaudRates = {4800,  9600,  14400, 19200,
                                                            28800, 38400, 57600, 115200};

inline std::optional<std::uint32_t> baudRateOfCode(int code) {
  int index = code - kFirstBaudCode;
  if (index < 0 || index >= static_cast<int>(kBaudRates.size())) return std::nullopt;
  return kBaudRates[static_cast<std::size_t>(index)];
}

inline std::optional<int> codeOfBaudRate(std::uint32_t rate) {
  for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
    if (kBaudRates[i] == rate) return static_cast<int>(i) + kFirstBaudCode;
  }
  return std::nullopt;
}

}  // namespace ql::sim
