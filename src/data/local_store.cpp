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

std::string LocalStore::exportDialogDirectory() const { return (fs::path(home_) / kRecordsDir).generic_string(); }

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

std::vector<std::string> LocalStore::listDataFiles() const {
  std::vector<std::string> items;
  std::error_code error;
  const fs::path root = fs::path(home_) / kDataFilesDir;
  if (!fs::is_directory(root, error)) return items;
  for (const fs::directory_entry& dir : fs::directory_iterator(root, error)) {
    if (!dir.is_directory(error) || dir.is_symlink(error)) continue;
    for (const fs::directory_entry& file : fs::directory_iterator(dir.path(), error)) {
      if (file.is_directory(error) || file.path().extension() != ".wlr") continue;
      items.push_back(dir.path().filename().string() + "/" + file.path().filename().string());
    }
  }
  return items;
}

bool LocalStore::isLatestSave(const std::string& item, const std::string& lastSaveStamp) {
  if (lastSaveStamp.empty()) return false;
  std::size_t at = item.find(lastSaveStamp);
  return at != std::string::npos && at >= 1;
}

}  // namespace ql
