#pragma once
// The listing of a parameter block on the backup tab, one text per line, for either model
// family. Values are the block's singles and integers (big-endian) in the shortest float text.

#include <optional>
#include <string>
#include <vector>

#include "calibration/parameter_block.h"

namespace ql::calibration {

// Nothing for a first-family block whose byte 0 is 0: the panel keeps what it listed before.
// The second family's block is always listed, beginning with all 512 bytes in hexadecimal.
std::optional<std::vector<std::string>> listParameterBlock(const ParameterBlock& block, bool secondFamily);

}  // namespace ql::calibration
