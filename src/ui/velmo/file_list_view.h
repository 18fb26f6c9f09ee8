#pragma once
// The instrument's file list on the download page: the recorded files newest first, one of which
// the operator picks (its details go to the data information memo), their count, and the
// buttons that act on the logger's files: "获取" fetches the picked file, "删除" deletes it,
// "全删" erases them all.

#include <QGroupBox>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"
#include "ui/velmo/velmo_pictures.h"

class QLabel;
class QListWidget;

namespace ql {

class FileListView : public QGroupBox {
  Q_OBJECT

 public:
  FileListView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();

 private:
  void render();
  // The picked item's position (0-based), -1 when none.
  int selectedPosition() const;

  VelmoProgram& program_;
  QListWidget* list_;
  QLabel* count_;
  QString countCaption_;
  bool tableChanged_ = true;
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
