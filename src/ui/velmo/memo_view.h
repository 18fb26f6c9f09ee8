#pragma once
// The data information memo: read-only lines of status and file details, kept scrolled to the
// newest line; its pop-up menu clears it while the information poll is idle. Keys released in it
// go to the engineering console.

#include <QGroupBox>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

class QAction;
class QPlainTextEdit;

namespace ql {

class MemoView : public QGroupBox {
  Q_OBJECT

 public:
  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();
  explicit MemoView(VelmoProgram& program, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();
  void showPopupMenu(const QPoint& pos);

  VelmoProgram& program_;
  QPlainTextEdit* text_;
  QAction* clearAction_;
  // What is on screen, to append only the new lines when the memo merely grew.
  std::size_t shownLines_ = 0;
  std::string firstShown_;
  std::string lastShown_;
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
