#pragma once
// The logger's model text and the two families of calibration layout it selects: a model whose
// text contains "25" is of the second family, every other one of the first.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ql::sim {

struct LoggerConfig;

bool isSecondFamily(std::string_view modelText);

// The code of register 0x2001 for a model text: "QL310" (any case) is 100, the code the program
// shows as "QL310"; any other text gives the number its digits form ("QL325" is 325, shown as
// "325", so the program sees the same family). Nothing for a text without digits or above 65535.
std::optional<std::uint16_t> modelCodeOfText(std::string_view modelText);

// Sets the model text and its code; false (config unchanged) when the text has no code.
bool applyModelText(LoggerConfig& config, std::string_view modelText);

}  // namespace ql::sim
