#pragma once
// The logging task the logger holds in its task registers, and the rules by which it takes a
// write to them: each task register is written whole, with its own register count, and a start or
// end time must be a date the logger can hold. A refused write is not acknowledged.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/bytes.h"
#include "sim/register_bank.h"

namespace ql::sim {

// Year - 2000, month, day, hour, minute, second: six plain binary bytes (not BCD).
using TaskTime = std::array<std::uint8_t, 6>;

struct LoggingTask {
  std::string name = "HARBOUR-07";  // up to 16 characters; padded with '=' in the register
  TaskTime start = {25, 3, 1, 8, 0, 0};
  TaskTime end = {25, 3, 15, 8, 0, 0};
  std::uint32_t recordIntervalMs = 1000;
  std::uint32_t averageIntervalMs = 1000;
  std::uint16_t averageCount = 1;
  bool sendRecordsToPort = false;
  float initialValueKpa = 0.0f;
  float depthIntervalKpa = 0.0f;
};

inline constexpr int kTaskNameBytes = 16;
inline constexpr std::uint8_t kTaskNamePad = '=';

// Writes the task into its registers (the run state is not part of it).
void storeTask(RegisterBank& bank, const LoggingTask& task);

// The register count a write to a task register must have; nullopt for other registers.
std::optional<std::uint16_t> taskRegisterCount(std::uint16_t reg);

// True when the logger takes data as the value of the task register reg written with count
// registers: the right count, a possible date for the start and end, 0 or 1 for the switches.
bool taskWriteAccepted(std::uint16_t reg, std::uint16_t count, const Bytes& data);

// True when the six bytes (year - 2000, month, day, hour, minute, second) name a real moment.
bool isValidTaskTime(const Bytes& bytes);

}  // namespace ql::sim
