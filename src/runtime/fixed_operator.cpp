#include "runtime/fixed_operator.h"

#include <ostream>

namespace ql {

FixedOperator::FixedOperator(bool answer, Sink sink) : answer_(answer), sink_(std::move(sink)) {}

FixedOperator::FixedOperator(bool answer, std::ostream& out)
    : FixedOperator(answer, [&out](const std::string& title, const std::string& text) {
        out << title << ": " << text << '\n';
      }) {}

bool FixedOperator::askYesNo(const std::string& title, const std::string& text) {
  if (sink_) sink_(title, text + (answer_ ? " -> Yes" : " -> No"));
  return answer_;
}

void FixedOperator::showMessage(const std::string& title, const std::string& text) {
  if (sink_) sink_(title, text);
}

std::string FixedOperator::chooseOpenFile(const std::string&, const std::string&,
                                          const std::vector<FileFilter>&) {
  return {};
}

std::string FixedOperator::chooseSaveFile(const std::string&, const std::string&,
                                          const std::vector<FileFilter>&) {
  return {};
}

}  // namespace ql
