#include "ui/velmo/erase_notice_window.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/velmo/ui_text.h"

namespace ql {

namespace {
constexpr int kWidth = 460;
constexpr int kMargin = 24;
}  // namespace

EraseNoticeWindow::EraseNoticeWindow(VelmoProgram& program, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      program_(program),
      batch_(this, [this] { render(); }) {
  setObjectName("eraseNotice");
  setWindowTitle("DeleteAll");
  setWindowModality(Qt::ApplicationModal);
  setFixedWidth(kWidth);
  label_ = new QLabel(this);
  label_->setObjectName("eraseNoticeLabel");
  label_->setAlignment(Qt::AlignCenter);
  label_->setWordWrap(true);
  setStyleSheet("#eraseNotice { border: 1px solid palette(dark); }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(label_);
  batch_.watch(program_.eraseNotice());
  batch_.renderNow();
}

QString EraseNoticeWindow::text() const { return label_->text(); }

void EraseNoticeWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the main window.
  if (QWidget* owner = parentWidget()) {
    const QPoint centre = owner->mapToGlobal(owner->rect().center());
    move(centre - QPoint(width() / 2, height() / 2));
  }
}

void EraseNoticeWindow::render() {
  const EraseNotice& notice = program_.eraseNotice();
  label_->setText(toQString(notice.label));
  if (notice.visible && !isVisible()) {
    show();
    raise();
  } else if (!notice.visible && isVisible()) {
    hide();
  }
}

}  // namespace ql
