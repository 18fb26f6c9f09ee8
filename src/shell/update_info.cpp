#include "shell/update_info.h"

#include <cctype>
#include <cstdio>

namespace ql::update {
namespace {

// The value from offset on, up to 'limit' characters and the line's end, spaces and '=' dropped.
// Lines end with a carriage return; a bare line feed ends one too, so a file saved with Unix line
// ends does not run into the next key.
std::string valueAt(const std::string& info, std::size_t offset, std::size_t limit) {
  std::string value;
  for (std::size_t i = offset; i < info.size() && i - offset < limit; ++i) {
    const char c = info[i];
    if (c == '\r' || c == '\n') break;
    if (c == ' ' || c == '=') continue;
    value += c;
  }
  return value;
}

std::string entryKey(const char* prefix, int entry) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%02d", entry);
  return std::string(prefix) + digits;
}

}  // namespace

std::optional<std::string> serverVersion(const std::string& info) {
  const std::size_t at = info.find("softversion");
  if (at == std::string::npos) return std::nullopt;
  std::string version = valueAt(info, at + 13, 100);  // the key and two separator characters
  for (char& c : version) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return version;
}

bool isNewer(const std::string& serverVersion, const std::string& runningVersion) {
  return serverVersion > runningVersion;
}

std::optional<std::string> fileName(const std::string& info, int entry) {
  const std::string key = entryKey("newfile", entry);
  const std::size_t at = info.find(key);
  if (at == std::string::npos) return std::nullopt;
  return valueAt(info, at + key.size() + 1, std::string::npos);  // the key and one separator
}

std::optional<std::string> fileChecksum(const std::string& info, int entry) {
  const std::string key = entryKey("sha256", entry);
  const std::size_t at = info.find(key);
  if (at == std::string::npos) return std::nullopt;
  std::string sum = valueAt(info, at + key.size(), std::string::npos);
  for (char& c : sum) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return sum;
}

bool isBareFileName(const std::string& name) {
  if (name.empty() || name.find('.') == 0) return false;  // also refuses "." and ".."
  if (name.find("..") != std::string::npos) return false;
  for (unsigned char c : name)
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
  return true;
}

std::string serverPath(const std::string& name) {
  return std::string("/media/QL310/") + name.substr(0, name.find('.')) + ".zip";
}

std::string storedName(const std::string& name, int entry) { return entry == 0 ? kUpdaterName : name; }

}  // namespace ql::update
