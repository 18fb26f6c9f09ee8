#pragma once
// "文件获取": the progress of a download. It is a view of the job's DownloadProgress: shown
// (application modal, without a nested event loop, so the link and its timers keep running)
// while the model says visible, hidden when that clears. Its cancel button, Escape and the
// window's close button all ask the job to cancel; the job decides whether the dialog goes.

#include <QDialog>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ql {

class DownloadProgressDialog : public QDialog {
  Q_OBJECT

 public:
  DownloadProgressDialog(VelmoProgram& program, QWidget* parent = nullptr);

  // The banner's double-click: the dialog at 0 % with nothing being fetched; cancel closes it.
  void showIdle();

 protected:
  void reject() override;

 private:
  void render();
  void setTexts(const std::string& caption, const std::string& label, const std::string& cancel);

  VelmoProgram& program_;
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  bool idle_ = false;  // shown by the banner, not by a download
  RenderBatch batch_;
};

}  // namespace ql
