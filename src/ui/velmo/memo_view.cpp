#include "ui/velmo/memo_view.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/velmo/ui_text.h"

namespace ql {

MemoView::MemoView(VelmoProgram& program, QWidget* parent)
    : QGroupBox(parent), program_(program), batch_(this, [this] { render(); }) {
  setObjectName("memoView");
  texts_.bind("MAIN", "cpt_data_infomation", [this](const QString& text) { setTitle(text); });
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("dataInformationMemo");
  text_->setReadOnly(true);
  text_->setUndoRedoEnabled(false);
  text_->setContextMenuPolicy(Qt::CustomContextMenu);

  clearAction_ = new QAction(this);
  texts_.bindText(clearAction_, "MENU", "menu_clear");
  clearAction_->setObjectName("clearMemoAction");
  connect(clearAction_, &QAction::triggered, this, [this] { program_.clearMemo(); });
  connect(text_, &QWidget::customContextMenuRequested, this, &MemoView::showPopupMenu);
  text_->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);

  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.memo());
  batch_.renderNow();
}

void MemoView::showPopupMenu(const QPoint& pos) {
  if (!program_.console().clearMenuOffered()) return;
  QMenu menu(this);
  menu.addAction(clearAction_);
  menu.exec(text_->viewport()->mapToGlobal(pos));
}

// The console's chords count the pointer buttons held when the key comes up.
bool MemoView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
      const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
      ConsoleChord chord;
      chord.key = key->key();
      chord.ctrl = key->modifiers().testFlag(Qt::ControlModifier);
      chord.alt = key->modifiers().testFlag(Qt::AltModifier);
      chord.leftButton = buttons.testFlag(Qt::LeftButton);
      chord.rightButton = buttons.testFlag(Qt::RightButton);
      program_.console().onKeyRelease(chord);
    }
  }
  return QGroupBox::eventFilter(watched, event);
}

void MemoView::applyTexts() { texts_.apply(); }

void MemoView::render() {
  const std::vector<std::string>& lines = program_.memo().lines();
  const bool grewOnly = shownLines_ > 0 && lines.size() > shownLines_ && lines.front() == firstShown_ &&
                        lines[shownLines_ - 1] == lastShown_;
  if (grewOnly) {
    for (std::size_t i = shownLines_; i < lines.size(); ++i) text_->appendPlainText(toQString(lines[i]));
  } else {
    QStringList all;
    all.reserve(int(lines.size()));
    for (const std::string& line : lines) all << toQString(line);
    text_->setPlainText(all.join('\n'));
  }
  shownLines_ = lines.size();
  firstShown_ = lines.empty() ? std::string() : lines.front();
  lastShown_ = lines.empty() ? std::string() : lines.back();
  // The newest line stays in view.
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

}  // namespace ql
