#include "ui/velmo/file_list_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"

namespace ql {

FileListView::FileListView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QGroupBox(parent), program_(program), batch_(this, [this] { render(); }) {
  setObjectName("fileListView");
  texts_.bind("MAIN", "info_file_list", [this](const QString& text) { setTitle(text); });
  texts_.bind("MAIN", "info_file_num", [this](const QString& text) {
    countCaption_ = text;
    batch_.renderNow();
  });
  list_ = new QListWidget(this);
  list_->setObjectName("instrumentFileList");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  count_ = new QLabel(this);
  count_->setObjectName("fileCount");

  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};
  auto makeButton = [&](const char* name, const char* captionKey) {
    auto* button = new PictureButton(actionPictures, this);
    button->setObjectName(name);
    texts_.bind("MAIN", captionKey, [button](const QString& text) { button->setCaption(text); });
    return button;
  };
  auto* download = makeButton("downloadButton", "btn_get_file");
  auto* downloadNew = makeButton("downloadNewButton", "btn_get_new_files");
  auto* remove = makeButton("deleteButton", "btn_flush");
  auto* removeAll = makeButton("deleteAllButton", "btn_stop_work");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(download);
  buttons->addWidget(downloadNew);
  buttons->addWidget(remove);
  buttons->addWidget(removeAll);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(count_);
  layout->addLayout(buttons);

  connect(download, &PictureButton::clicked, this, [this] {
    // Nothing is fetched without a picked file.
    if (selectedPosition() >= 0) program_.startDownload(selectedPosition());
  });
  connect(downloadNew, &PictureButton::clicked, this, [this] { program_.downloadNewFiles(); });
  connect(remove, &PictureButton::clicked, this, [this] { program_.deleteFile(selectedPosition()); });
  connect(removeAll, &PictureButton::clicked, this, [this] { program_.deleteAllFiles(); });

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) program_.showFileDetails(row);
  });

  program_.fileTable().subscribe([this] {
    tableChanged_ = true;
    batch_.schedule();
  });
  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.instrumentInfo());  // the file count
  batch_.renderNow();
}

int FileListView::selectedPosition() const {
  const QListWidgetItem* item = list_->currentItem();
  return item && item->isSelected() ? list_->row(item) : -1;
}

void FileListView::applyTexts() { texts_.apply(); }

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
