#pragma once
// The control form ("设置"): the captions of the ten quick-send buttons and the five read-out
// parameters. OK hands the edited values back; Cancel and Escape change nothing.

#include <QDialog>
#include <array>

#include "assistant/assistant_settings.h"
#include "assistant/read_out.h"

class QLineEdit;
class QComboBox;
class QSpinBox;

namespace ql {

class ControlForm : public QDialog {
  Q_OBJECT

 public:
  ControlForm(const std::array<QString, kQuickSendRows>& captions, const ReadOutParameters& parameters,
              QWidget* parent = nullptr);

  std::array<QString, kQuickSendRows> captions() const;
  ReadOutParameters parameters() const;

 private:
  struct ParameterFields {
    QLineEdit* name = nullptr;
    QComboBox* type = nullptr;
    QSpinBox* startByte = nullptr;   // parameters 1 and 2
    QLineEdit* pattern = nullptr;    // parameters 3, 4 and 5
    QSpinBox* count = nullptr;
  };

  QWidget* buildParameterGroup(int number, ParameterFields& fields);

  std::array<QLineEdit*, kQuickSendRows> captionEdits_{};
  std::array<ParameterFields, kReadOutCount> fields_{};
};

}  // namespace ql
