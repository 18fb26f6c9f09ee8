#include "ui/qt/qt_operator.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace ql {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

bool QtOperator::askYesNo(const std::string& title, const std::string& text) {
  return QMessageBox::question(parent_, q(title), q(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

void QtOperator::showMessage(const std::string& title, const std::string& text) {
  QMessageBox::information(parent_, q(title), q(text));
}

QString QtOperator::filterText(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const auto& f : filters) parts << q(f.description) + " (" + q(f.pattern) + ")";
  return parts.join(";;");
}

std::string QtOperator::chooseOpenFile(const std::string& title, const std::string& directory,
                                       const std::vector<FileFilter>& filters) {
  return QFileDialog::getOpenFileName(parent_, q(title), q(directory), filterText(filters)).toStdString();
}

std::string QtOperator::chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                                       const std::vector<FileFilter>& filters) {
  QFileDialog dialog(parent_, q(title), q(suggestedPath), filterText(filters));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The default extension follows the first filter ("*.TXT" -> "TXT").
  if (!filters.empty()) {
    const QString pattern = q(filters.front().pattern);
    const int dot = pattern.lastIndexOf('.');
    if (dot >= 0 && !pattern.mid(dot + 1).contains('*')) dialog.setDefaultSuffix(pattern.mid(dot + 1));
  }
  if (!suggestedPath.empty()) dialog.selectFile(QFileInfo(q(suggestedPath)).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace ql
