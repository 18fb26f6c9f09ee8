#pragma once
// The choices of the port setup boxes and what each one means for the line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace ql {

// The baud box items, "300" .. "14745600" and "1M" .. "5M".
const std::vector<std::string>& baudRateItems();
inline constexpr const char* kDefaultBaudText = "19200";
// The rate a baud box text stands for: a whole number, or "1M".."5M" for 1,000,000..5,000,000.
// Nullopt for anything else (the rate then stays as it was).
std::optional<std::uint32_t> parseBaudRate(std::string_view text);

// "无校验", "奇校验", "偶校验" -> none, odd, even.
const std::vector<std::string>& parityItems();
Parity parityForIndex(int index);
// "8", "7", "6", "5".
const std::vector<std::string>& dataBitsItems();
ByteSize byteSizeForIndex(int index);
// "1", "1.5", "2".
const std::vector<std::string>& stopBitsItems();
StopBits stopBitsForIndex(int index);

// The line settings the assistant starts from: no flow control, RTS off, DTR on.
LineSettings assistantLineDefaults();

}  // namespace ql
