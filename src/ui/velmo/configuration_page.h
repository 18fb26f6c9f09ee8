#pragma once
// Page 3, the logging task: the configuration box (task name, start and end, work mode with the
// box of the chosen mode, the two options, the memory and battery estimates, the page's status,
// the read and write buttons, the program menu button at its top right) and the work-mode
// diagram.
//
// The page is a view of the program's task page model: every edit goes through the model's
// operation, and the edited field then shows the model's filtered text with the caret at its
// end. Everything else is re-read from the model once per turn of the event loop.

#include <QWidget>

#include "task/task_page.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QTimeEdit;

namespace ql {

class ModeDiagramView;
class PictureButton;
class VelmoPictures;
class VelmoProgram;

class ConfigurationPage : public QWidget {
  Q_OBJECT

 public:
  ConfigurationPage(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

  // The box of a work mode (None: the empty place shown while no mode is chosen).
  QWidget* modeBox(task::WorkMode mode) const;
  ModeDiagramView* diagram() const { return diagram_; }

  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();

 private:
  using TextEdit = void (task::TaskPage::*)(const std::string&);
  using TextField = std::string task::TaskFields::*;

  QWidget* buildTaskBox(const VelmoPictures& pictures);
  QLayout* buildTaskFields();
  QStackedWidget* buildModeBoxes();
  QGroupBox* buildFastBox();
  QGroupBox* buildIntervalBox();
  QGroupBox* buildAverageBox();
  QGroupBox* buildDepthBox();
  QLayout* buildEstimates();
  QLayout* buildActions(const VelmoPictures& pictures);
  void orderTabs();

  // A field edited by the operator: the model filters it, the field shows the result.
  QLineEdit* textField(const char* name, TextEdit edit, TextField field);
  void fieldEdited(QLineEdit* edit, TextEdit operation, TextField field);
  void startEdited();
  void endEdited();

  void render();
  void openProgramMenu();

  VelmoProgram& program_;
  task::TaskPage& task_;
  RenderBatch batch_;
  TextBinding texts_{program_};
  // Set while the view writes the model's values into its widgets: their change signals are
  // the view's own, not the operator's.
  bool rendering_ = false;

  PictureButton* menuButton_ = nullptr;
  QLineEdit* name_ = nullptr;
  QDateEdit* startDate_ = nullptr;
  QTimeEdit* startTime_ = nullptr;
  QDateEdit* endDate_ = nullptr;
  QTimeEdit* endTime_ = nullptr;
  QComboBox* workMode_ = nullptr;
  QStackedWidget* modeBoxes_ = nullptr;
  QGroupBox* fastBox_ = nullptr;
  QGroupBox* intervalBox_ = nullptr;
  QGroupBox* averageBox_ = nullptr;
  QGroupBox* depthBox_ = nullptr;
  QComboBox* sampleRate_ = nullptr;
  QLineEdit* recordInterval_ = nullptr;
  QLabel* recordIntervalDuration_ = nullptr;
  QLineEdit* averageRecordInterval_ = nullptr;
  QLabel* averageRecordIntervalDuration_ = nullptr;
  QLineEdit* averageCount_ = nullptr;
  QLineEdit* averageInterval_ = nullptr;
  QLabel* averageIntervalDuration_ = nullptr;
  QLabel* initialValueCaption_ = nullptr;
  QLineEdit* initialValue_ = nullptr;
  QButtonGroup* zeroPoint_ = nullptr;
  QRadioButton* currentPressure_ = nullptr;
  QRadioButton* seaLevel_ = nullptr;
  QLineEdit* depthInterval_ = nullptr;
  QLabel* equivalentPressure_ = nullptr;
  QCheckBox* sendRecords_ = nullptr;
  QCheckBox* clockSync_ = nullptr;
  QLabel* memory_ = nullptr;
  QLabel* battery_ = nullptr;
  QLabel* memoryFull_ = nullptr;
  QLabel* batterySpent_ = nullptr;
  QLabel* status_ = nullptr;
  PictureButton* readButton_ = nullptr;
  PictureButton* writeButton_ = nullptr;
  ModeDiagramView* diagram_ = nullptr;
};

}  // namespace ql
