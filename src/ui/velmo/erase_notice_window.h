#pragma once
// "DeleteAll": the borderless notice shown while the logger erases all its files. A view of the
// deletion's EraseNotice: shown application modal (without a nested event loop) while the model
// says visible, with its countdown text; hidden when that clears. The operator cannot close it.

#include <QDialog>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"

class QLabel;

namespace ql {

class EraseNoticeWindow : public QDialog {
  Q_OBJECT

 public:
  EraseNoticeWindow(VelmoProgram& program, QWidget* parent = nullptr);
  QString text() const;

 protected:
  void reject() override {}  // Escape does not close it; the countdown or the logger does
  void showEvent(QShowEvent* event) override;

 private:
  void render();

  VelmoProgram& program_;
  QLabel* label_;
  RenderBatch batch_;
};

}  // namespace ql
