#pragma once
// The operator: whoever answers the program's questions. Dialogs in the windows, scripted answers
// in tests, fixed answers in headless runs. Core code asks through this and never opens a dialog.

#include <string>
#include <vector>

namespace ql {

struct FileFilter {
  std::string description;  // "CSV files"
  std::string pattern;      // "*.csv"
};

class Operator {
 public:
  virtual ~Operator() = default;

  // A Yes/No question; true for Yes.
  virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
  // A message the operator acknowledges.
  virtual void showMessage(const std::string& title, const std::string& text) = 0;
  // A file to read; empty when the operator cancels.
  virtual std::string chooseOpenFile(const std::string& title, const std::string& directory,
                                     const std::vector<FileFilter>& filters) = 0;
  // A file to write; empty when the operator cancels.
  virtual std::string chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                                     const std::vector<FileFilter>& filters) = 0;
};

}  // namespace ql
