#include "data/local_store.h"

#include <filesystem>
#include <system_error>

#include "link/text_filters.h"
#include "runtime/encoding.h"

namespace ql {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDataFilesDir = "bakwlr";
constexpr const char* kRecordsDir = "V_recoder";

std::string withoutColons(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ':') out += c;
  return out;
}

std::string ensureDirectory(const fs::path& dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  return fs::is_directory(dir, error) ? dir.generic_string() : std::string();
}

}  // namespace

std::string LocalStore::dataFileDirectory(const std::string& serialNumber) const {
  return ensureDirectory(fs::path(home_) / kDataFilesDir / serialNumber);
}

std::string LocalStore::exportDirectory(const std::string& serialNumber) const {
  return ensureDirectory(fs::path(home_) / kRecordsDir / serialNumber);
}

std::string LocalStore::exportDialogDirectory() const {
  return (fs::path(home_) / kRecordsDir).generic_string();
}

std::string LocalStore::dataFileName(const std::string& stamp, const std::string& itemText) {
  std::string item;
  for (char c : decodeLegacyText(withoutColons(itemText))) {
    auto b = static_cast<unsigned char>(c);
    item += (c == '/' || c == '\\' || b < 0x20 || b == 0x7F) ? '_' : c;
  }
  return stamp + "_" + item + ".wlr";
}

std::string LocalStore::exportName(const std::string& stamp, const std::string& itemText) {
  return KeepPrintable(stamp + "_" + withoutColons(itemText));
}

}  // namespace ql
