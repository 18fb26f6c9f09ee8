#pragma once
// The operator of the windowed programs: message boxes and file dialogs over a parent window.

#include <QPointer>
#include <QWidget>

#include "runtime/operator.h"

namespace ql {

class QtOperator : public Operator {
 public:
  explicit QtOperator(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  bool askYesNo(const std::string& title, const std::string& text) override;
  void showMessage(const std::string& title, const std::string& text) override;
  std::string chooseOpenFile(const std::string& title, const std::string& directory,
                             const std::vector<FileFilter>& filters) override;
  std::string chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                             const std::vector<FileFilter>& filters) override;

  // "文本文件 (*.TXT);;所有文件 (*.*)" from the filter list.
  static QString filterText(const std::vector<FileFilter>& filters);

 private:
  QPointer<QWidget> parent_;
};

}  // namespace ql
