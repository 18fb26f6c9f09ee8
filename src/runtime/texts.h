#pragma once
// Captions and messages come from the language file, looked up by section and key. A missing
// key gives an empty text.

#include <functional>
#include <string>

namespace ql {

using TextLookup = std::function<std::string(const std::string& section, const std::string& key)>;

}  // namespace ql
