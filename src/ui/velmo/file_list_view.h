#pragma once
// The instrument's file list on the download page: the recorded files newest first, one of which
// the operator picks (its details go to the data information memo), and their count.

#include <QGroupBox>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"

class QLabel;
class QListWidget;

namespace ql {

class FileListView : public QGroupBox {
  Q_OBJECT

 public:
  explicit FileListView(VelmoProgram& program, QWidget* parent = nullptr);

 private:
  void render();

  VelmoProgram& program_;
  QListWidget* list_;
  QLabel* count_;
  QString countCaption_;
  bool tableChanged_ = true;
  RenderBatch batch_;
};

}  // namespace ql
