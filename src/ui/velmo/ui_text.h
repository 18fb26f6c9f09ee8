#pragma once
// The core keeps texts as UTF-8 std::string; Qt wants QString.

#include <QString>
#include <string>

namespace ql {

inline QString toQString(const std::string& text) { return QString::fromStdString(text); }

}  // namespace ql
