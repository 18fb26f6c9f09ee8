#pragma once
// The extension panel: ten quick-send rows (rendered from their model, edits forwarded to it),
// the checksum buttons that append a check value to the send area, and the converters between a
// decimal number and its IEEE-754 byte images.

#include <QWidget>
#include <array>

#include "assistant/quick_send_rows.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ql {

class Terminal;

class ExtensionPanel : public QWidget {
  Q_OBJECT

 public:
  ExtensionPanel(Terminal& terminal, QuickSendRows& quickSend, QPlainTextEdit& sendArea,
                 QWidget* parent = nullptr);

  QPushButton* quickSendButton(int row) const { return quickButtons_[row]; }
  QLineEdit* quickSendEdit(int row) const { return quickEdits_[row]; }

 private:
  QWidget* buildQuickSendRows();
  QWidget* buildChecksumButtons();
  QWidget* buildConverters();
  void renderQuickSend();

  Terminal& terminal_;
  QuickSendRows& quickSend_;
  QPlainTextEdit& sendArea_;
  std::array<QLineEdit*, kQuickSendRows> quickEdits_{};
  std::array<QPushButton*, kQuickSendRows> quickButtons_{};
};

}  // namespace ql
