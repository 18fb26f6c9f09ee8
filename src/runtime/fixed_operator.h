#pragma once
// The operator of headless runs: nobody is there to ask.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "runtime/operator.h"

namespace ql {

// Answers every question with one configured value, reports messages and questions to a sink,
// and cancels every file dialog.
class FixedOperator : public Operator {
 public:
  using Sink = std::function<void(const std::string& title, const std::string& text)>;

  FixedOperator(bool answer, Sink sink);
  // Writes "title: text" lines to out (questions end with " -> Yes" or " -> No").
  FixedOperator(bool answer, std::ostream& out);

  bool askYesNo(const std::string& title, const std::string& text) override;
  void showMessage(const std::string& title, const std::string& text) override;
  std::string chooseOpenFile(const std::string& title, const std::string& directory,
                             const std::vector<FileFilter>& filters) override;
  std::string chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                             const std::vector<FileFilter>& filters) override;

 private:
  bool answer_;
  Sink sink_;
};

}  // namespace ql
