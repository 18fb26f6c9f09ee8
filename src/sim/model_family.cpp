#include "sim/model_family.h"

#include <cctype>
#include <string>

#include "link/register_map.h"
#include "sim/logger_config.h"

namespace ql::sim {

bool isSecondFamily(std::string_view modelText) { return modelText.find("25") != std::string_view::npos; }

std::optional<std::uint16_t> modelCodeOfText(std::string_view modelText) {
  std::string upper;
  for (char c : modelText) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "QL310") return reg::kModelQL310;
  std::uint32_t code = 0;
  bool anyDigit = false;
  for (char c : modelText) {
    if (c < '0' || c > '9') continue;
    anyDigit = true;
    code = code * 10 + static_cast<std::uint32_t>(c - '0');
    if (code > 0xFFFF) return std::nullopt;
  }
  if (!anyDigit) return std::nullopt;
  return static_cast<std::uint16_t>(code);
}

bool applyModelText(LoggerConfig& config, std::string_view modelText) {
  std::optional<std::uint16_t> code = modelCodeOfText(modelText);
  if (!code) return false;
  config.modelText = std::string(modelText);
  config.model = *code;
  return true;
}

}  // namespace ql::sim
