#pragma once
// Text encodings met in files from older installations (GBK) and on the serial line.

#include <string>

namespace ql {

bool isValidUtf8(const std::string& bytes);
// GBK (CP936) bytes to UTF-8; invalid sequences become U+FFFD.
std::string gbkToUtf8(const std::string& gbk);
// UTF-8 to GBK; characters GBK lacks become '?'.
std::string utf8ToGbk(const std::string& utf8);
// UTF-8 text as it stands, or GBK converted to UTF-8 when it is not valid UTF-8.
// A UTF-8 byte order mark is dropped.
std::string decodeLegacyText(const std::string& bytes);

}  // namespace ql
