#pragma once
// The backup tab: the parameter block the workbench holds, its listing, and the .CRO backup file
// it is saved to and loaded from. Questions and file dialogs go through the Operator; the outcome
// goes to the workbench's status field.

#include <functional>
#include <string>
#include <vector>

#include "calibration/parameter_block.h"
#include "runtime/observable.h"
#include "runtime/operator.h"

namespace ql::calibration {

namespace backup_texts {
inline constexpr const char* kOverwrite = "文件已经存在，确定要覆盖原文件吗？";
inline constexpr const char* kCancelled = "取消保存";
inline constexpr const char* kSaved = "保存成功";
inline constexpr const char* kSaveFailed = "保存失败";
}  // namespace backup_texts

class ParameterBackup : public Observable {
 public:
  using Status = std::function<void(const std::string&)>;

  explicit ParameterBackup(Status setStatus) : setStatus_(std::move(setStatus)) {}

  const ParameterBlock& block() const { return block_; }
  // The listing lines as the panel shows them.
  const std::vector<std::string>& listing() const { return listing_; }

  // A block read from the logger, listed by the family of the logger's model text.
  void showRead(const Bytes& block, bool secondFamily);
  // "从文件获取": a .CRO file chosen by the operator, listed by the family of its model number.
  // False when cancelled or unreadable (the buffer is then unchanged).
  bool loadFromFile(Operator& op, const std::string& directory);
  // The same for a file named by the caller (the command line).
  bool loadPath(const std::string& path);
  // "保存到文件": only a valid block is saved; the suggested name is the last three characters
  // of the serial number; an existing file is overwritten only when the operator agrees.
  bool saveToFile(Operator& op, const std::string& serialText, const std::string& directory);

 private:
  void list(bool secondFamily);

  Status setStatus_;
  ParameterBlock block_;
  std::vector<std::string> listing_;
};

}  // namespace ql::calibration
