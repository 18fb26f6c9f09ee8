#include "ui/velmo/file_list_view.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/velmo/ui_text.h"

namespace ql {

FileListView::FileListView(VelmoProgram& program, QWidget* parent)
    : QGroupBox(toQString(program.text("MAIN", "info_file_list")), parent),
      program_(program),
      countCaption_(toQString(program.text("MAIN", "info_file_num"))),
      batch_(this, [this] { render(); }) {
  setObjectName("fileListView");
  list_ = new QListWidget(this);
  list_->setObjectName("instrumentFileList");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  count_ = new QLabel(this);
  count_->setObjectName("fileCount");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(count_);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) program_.showFileDetails(row);
  });

  program_.fileTable().subscribe([this] {
    tableChanged_ = true;
    batch_.schedule();
  });
  batch_.watch(program_.instrumentInfo());  // the file count
  batch_.renderNow();
}

void FileListView::render() {
  if (tableChanged_) {
    // Every reply rebuilds the list; the selection goes with the old one (a position may now
    // stand for another slot).
    tableChanged_ = false;
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (const std::string& item : program_.fileTable().items()) list_->addItem(toQString(item));
  }
  count_->setText(countCaption_ + " " + QString::number(program_.instrumentInfo().fileCount));
}

}  // namespace ql
