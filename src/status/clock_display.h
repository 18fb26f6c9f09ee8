#pragma once
// The logger's clock as the information panel shows it ("yyyy-mm-dd hh:mm:ss"), kept ticking
// between reads: once a second the shown time moves on by one second.

#include <optional>
#include <string>

#include "runtime/formats.h"

namespace ql {

// A clock text as the panel shows it has exactly this many characters.
inline constexpr std::size_t kClockTextLength = 19;

// dt one second later, on the calendar (leap years included), without the local time zone: the
// shown text is the logger's wall time and must not jump at a daylight-saving change.
DateTime nextSecond(const DateTime& dt);

// The shown text one second later; nullopt (the text stays as it is) when it holds 18 characters
// or fewer or does not parse as a date and time.
std::optional<std::string> advancedClockText(const std::string& text);

}  // namespace ql
