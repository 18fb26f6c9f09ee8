#include "assistant/receive_area_file.h"

#include <cstdint>
#include <fstream>
#include <iterator>

#include "runtime/atomic_file.h"
#include "runtime/encoding.h"

namespace ql {
namespace {

std::size_t characterCount(const std::string& utf8, std::size_t upTo) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < upTo && i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

std::string receiveAreaFilePath(const std::string& settingsPath) {
  if (settingsPath.empty()) return "m";
  std::string path = settingsPath;
  path.back() = 'm';
  return path;
}

bool writeReceiveAreaFile(const std::string& path, const std::string& utf8Text) {
  if (characterCount(utf8Text, utf8Text.size()) <= 3) return false;
  std::size_t length = std::min(utf8Text.size(), kReceiveAreaFileLimit);
  while (length < utf8Text.size() && length > 0 && (static_cast<unsigned char>(utf8Text[length]) & 0xC0) == 0x80) {
    --length;  // back off to the start of the character that does not fit
  }
  const auto l = static_cast<std::uint32_t>(length);
  const char header[4] = {static_cast<char>(l & 0xFF), static_cast<char>(l >> 8 & 0xFF),
                          static_cast<char>(l >> 16 & 0xFF), static_cast<char>(l >> 24 & 0xFF)};
  return writeFileAtomically(path, std::string(header, 4) + utf8Text.substr(0, length));
}

std::optional<std::string> readReceiveAreaFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (content.size() <= 8) return std::nullopt;
  const std::uint32_t raw = static_cast<std::uint32_t>(static_cast<unsigned char>(content[0])) |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(content[1])) << 8 |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(content[2])) << 16 |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(content[3])) << 24;
  const auto length = static_cast<std::int32_t>(raw);
  if (length < 0 || static_cast<std::size_t>(length) > kReceiveAreaFileLimit) return std::nullopt;
  if (content.size() - 4 < static_cast<std::size_t>(length)) return std::nullopt;
  return decodeLegacyText(content.substr(4, static_cast<std::size_t>(length)));
}

}  // namespace ql
