#pragma once
// The local store under velmo's home: downloaded data files in "bakwlr/<serial number>/", named
// by the save time and the file's list item ("20260105060000_TIDE.wlr"), and the exports in
// "V_recoder/<serial number>/".

#include <string>

namespace ql {

class LocalStore {
 public:
  explicit LocalStore(std::string homeDir) : home_(std::move(homeDir)) {}

  // "<home>/bakwlr/<serial>"; created (with its parents) when missing. Empty when it cannot be.
  std::string dataFileDirectory(const std::string& serialNumber) const;
  // "<home>/V_recoder/<serial>", created the same way, and the directory the export's save
  // dialog opens in ("<home>/V_recoder").
  std::string exportDirectory(const std::string& serialNumber) const;
  std::string exportDialogDirectory() const;

  // "<stamp>_<item>.wlr": the item text without ':' and with path separators and control
  // characters made '_' (a task name may hold any byte).
  static std::string dataFileName(const std::string& stamp, const std::string& itemText);
  // The name the export's save dialog proposes: "<stamp>_<item>" without ':' and with only
  // printable characters.
  static std::string exportName(const std::string& stamp, const std::string& itemText);

 private:
  std::string home_;
};

}  // namespace ql
