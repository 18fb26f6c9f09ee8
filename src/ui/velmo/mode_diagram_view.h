#pragma once
// The picture of a work mode in the "工作模式示意图" box: what the mode records, drawn by
// make_pictures.py. The pictures are looked up like the button pictures (the home, then the
// installed share directory); a missing one leaves the box empty, it does not stop the program.

#include <QPixmap>
#include <QWidget>
#include <array>

#include "shell/velmo_home.h"
#include "task/task_page.h"

namespace ql {

class ModeDiagramView : public QWidget {
  Q_OBJECT

 public:
  explicit ModeDiagramView(const VelmoHome& home, QWidget* parent = nullptr);

  // The diagram of mode (None: nothing).
  void showMode(task::WorkMode mode);
  task::WorkMode shownMode() const { return shown_; }
  // The picture shown; null when none is (or its file is missing).
  const QPixmap& shownPicture() const;
  // The picture of a mode, loaded or not.
  const QPixmap& picture(task::WorkMode mode) const;

  // The file name of a mode's picture; empty for None.
  static const char* fileName(task::WorkMode mode);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<QPixmap, 4> pictures_;
  task::WorkMode shown_ = task::WorkMode::None;
};

}  // namespace ql
