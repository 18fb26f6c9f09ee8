#pragma once
// The logger's protocol constants: function codes, register addresses and the baud-rate codes.
// Shared by the logger model and its tests; later registers join this one list.

#include <cstdint>
#include <optional>

#include "link/register_map.h"

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

// Register addresses: link/register_map.h, the one list for the program and the logger.

// Values written to the file table register: a file number 1..16 deletes that file, this erases all.
inline constexpr std::uint16_t kEraseAllFiles = 0xF0F0;

// Values written to register 0x1102.
inline constexpr std::uint16_t kSpeedSwitch = 0xF0F0;
inline constexpr std::uint16_t kSpeedSwitchAlternative = 0xF1F1;
// The rate the logger moves to on a speed switch; it reports it after the acknowledgement.
inline constexpr std::uint32_t kSpeedSwitchRate = 115200;

// Baud-rate codes written to 0x1102 as 0x00 code: code 3 is 4800 ... code 10 is 115200
// (reg::kBaudRates, reg::baudCode).
inline std::optional<std::uint32_t> baudRateOfCode(int code) {
  int index = code - reg::baudCode(0);
  if (index < 0 || index >= reg::kBaudRateCount) return std::nullopt;
  return reg::kBaudRates[index];
}

inline std::optional<int> codeOfBaudRate(std::uint32_t rate) {
  for (int i = 0; i < reg::kBaudRateCount; ++i)
    if (reg::kBaudRates[i] == rate) return reg::baudCode(i);
  return std::nullopt;
}

}  // namespace ql::sim
