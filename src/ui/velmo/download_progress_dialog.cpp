#include "ui/velmo/download_progress_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/velmo/ui_text.h"

namespace ql {

namespace {
constexpr int kMinimumWidth = 420;
}

DownloadProgressDialog::DownloadProgressDialog(VelmoProgram& program, QWidget* parent)
    : QDialog(parent), program_(program), batch_(this, [this] { render(); }) {
  setObjectName("downloadProgressDialog");
  setWindowModality(Qt::ApplicationModal);
  setMinimumWidth(kMinimumWidth);
  label_ = new QLabel(this);
  label_->setObjectName("downloadLabel");
  label_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("downloadBar");
  bar_->setRange(0, 100);
  cancel_ = new QPushButton(this);
  cancel_->setObjectName("downloadCancel");
  cancel_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addLayout(buttons);

  connect(cancel_, &QPushButton::clicked, this, &DownloadProgressDialog::reject);
  batch_.watch(program_.downloadProgress());
  batch_.renderNow();
}

void DownloadProgressDialog::setTexts(const std::string& caption, const std::string& label,
                                      const std::string& cancel) {
  setWindowTitle(toQString(caption));
  label_->setText(toQString(label));
  cancel_->setText(toQString(cancel));
}

void DownloadProgressDialog::showIdle() {
  if (program_.downloadProgress().visible) return;  // a download owns the dialog
  idle_ = true;
  setTexts(program_.text("SYSTEMINFORMATION", "info_start_download"),
           program_.text("SYSTEMINFORMATION", "info_geting_file"),
           program_.text("SYSTEMINFORMATION", "info_get_file_cancle"));
  bar_->setValue(0);
  show();
  raise();
}

void DownloadProgressDialog::render() {
  const DownloadProgress& progress = program_.downloadProgress();
  if (!progress.visible) {
    if (!idle_) hide();
    return;
  }
  idle_ = false;
  setTexts(progress.caption, progress.label, progress.cancelCaption);
  bar_->setValue(progress.percent);
  if (!isVisible()) {
    show();
    raise();
  }
}

void DownloadProgressDialog::reject() {
  if (idle_) {
    idle_ = false;
    hide();
    return;
  }
  // The job asks the operator and closes the dialog through its model when it stops.
  program_.cancelDownload();
}

}  // namespace ql
