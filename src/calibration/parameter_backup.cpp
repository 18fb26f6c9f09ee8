#include "calibration/parameter_backup.h"

#include <filesystem>

#include "calibration/parameter_listing.h"

namespace ql::calibration {

namespace {

const std::vector<FileFilter> kBackupFilter = {{"*.CRO", "*.CRO"}};

// The save dialog's default extension.
std::string withDefaultExtension(const std::string& path) {
  if (std::filesystem::path(path).has_extension()) return path;
  return path + ".cro";
}

std::string lastCharacters(const std::string& text, std::size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

}  // namespace

void ParameterBackup::list(bool secondFamily) {
  if (std::optional<std::vector<std::string>> lines = listParameterBlock(block_, secondFamily)) {
    listing_ = std::move(*lines);
    notify();
  }
}

void ParameterBackup::showRead(const Bytes& block, bool secondFamily) {
  block_.storeRead(block);
  list(secondFamily);
}

bool ParameterBackup::loadFromFile(Operator& op, const std::string& directory) {
  const std::string path = op.chooseOpenFile("", directory, kBackupFilter);
  return !path.empty() && loadPath(path);
}

bool ParameterBackup::loadPath(const std::string& path) {
  if (!block_.loadFile(path)) return false;
  list(block_.modelOfSecondFamily());
  return true;
}

bool ParameterBackup::saveToFile(Operator& op, const std::string& serialText, const std::string& directory) {
  if (!block_.valid()) return false;
  const std::string name = lastCharacters(serialText, 3);
  const std::string suggested = directory.empty() ? name : directory + "/" + name;
  std::string path = op.chooseSaveFile("", suggested, kBackupFilter);
  if (path.empty()) return false;
  path = withDefaultExtension(path);
  std::error_code error;
  if (std::filesystem::exists(path, error) && !op.askYesNo("", backup_texts::kOverwrite)) {
    setStatus_(backup_texts::kCancelled);
    return false;
  }
  const bool saved = block_.saveFile(path);
  setStatus_(saved ? backup_texts::kSaved : backup_texts::kSaveFailed);
  return saved;
}

}  // namespace ql::calibration
