#pragma once
// "压力温度校正部分": velmo's calibration workbench, a fixed-size modal dialog opened by the
// engineering console's service chord. It renders the program's CalibrationDesk (point tables,
// live fields, coefficient panel, general parameters, parameter backup, reference source) and
// forwards every button, key and menu item to one call of the desk. Closing it closes the desk,
// which takes the logger out of calibration mode.
//
// Captions come from section CALIBRATION of the language file; a key the file lacks shows the
// workbench's own Chinese text.

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "calibration/calibration_desk.h"
#include "ui/velmo/render_batch.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;
class QTableView;
class QWidget;

namespace ql {

class PointTableModel;
class VelmoProgram;

class CalibrationDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 1177;
  static constexpr int kClientHeight = 759;

  explicit CalibrationDialog(VelmoProgram& program, QWidget* parent = nullptr);

  // The language text of a CALIBRATION key, or chinese when the file has none.
  QString text(const char* key, const char* chinese) const;

  QTableView* pressureView() const { return pressureView_; }
  QTableView* temperatureView() const { return temperatureView_; }
  // The tables' pop-up menu, as it is offered.
  QMenu* tableMenu() const { return tableMenu_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildTablePage();
  QWidget* buildCoefficientPanel();
  QWidget* buildGeneralPage();
  QWidget* buildBackupPage();
  QWidget* buildSideColumn();
  QWidget* buildProcedure();
  QTableView* buildTableView(PointTableModel* model, const calibration::PointTable& table, const char* name);
  void buildTableMenu();
  QPushButton* button(const char* key, const char* chinese, const char* name);
  QLabel* caption(const char* key, const char* chinese, const char* name = nullptr);
  QLabel* field(const char* name, int minimumWidth = 0);
  void showCurve(calibration::CurveMode mode);
  QString statusText(const std::string& status) const;
  void render();

  VelmoProgram& program_;
  std::vector<std::string> describedPorts_;  // the paths the reference port box was last filled with
  calibration::CalibrationDesk& desk_;

  QTabBar* tabs_ = nullptr;
  QStackedWidget* pages_ = nullptr;   // table page, general parameters, backup
  QStackedWidget* tables_ = nullptr;  // pressure table, temperature table
  QWidget* sideColumn_ = nullptr;
  PointTableModel* pressureModel_ = nullptr;
  PointTableModel* temperatureModel_ = nullptr;
  QTableView* pressureView_ = nullptr;
  QTableView* temperatureView_ = nullptr;
  QMenu* tableMenu_ = nullptr;

  // Live fields.
  QLabel* instant1_ = nullptr;
  QLabel* average1_ = nullptr;
  QLabel* instant2_ = nullptr;
  QLabel* average2_ = nullptr;
  QLabel* sampleCount_ = nullptr;
  QLabel* temperature1Reading_ = nullptr;
  QLabel* pressureReading_ = nullptr;
  QLabel* temperature2Reading_ = nullptr;
  QLabel* largestError_ = nullptr;
  QLabel* positions_ = nullptr;
  QLabel* status_ = nullptr;
  QWidget* flash_ = nullptr;
  QSpinBox* window_ = nullptr;

  // Coefficient panel.
  QLabel* formula_ = nullptr;
  std::array<QLabel*, 6> coefficientCaptions_{};
  std::array<QLineEdit*, 6> coefficients_{};
  std::array<QLabel*, 6> readBack_{};
  std::array<QLabel*, 6> probeFit_{};
  std::array<QLabel*, 6> probeReadBack_{};
  QWidget* probeColumns_ = nullptr;
  QLabel* sumOfSquares_ = nullptr;
  QLabel* sumOfAbsolute_ = nullptr;
  QLabel* largestFitError_ = nullptr;
  QSpinBox* order_ = nullptr;
  QLineEdit* adInput_ = nullptr;
  QLineEdit* adResult_ = nullptr;
  QWidget* pressureTemperatureRow_ = nullptr;
  QComboBox* pressureTemperature_ = nullptr;
  QWidget* probeChoiceRow_ = nullptr;
  QButtonGroup* probeChoice_ = nullptr;

  // Buttons that depend on the tab.
  QPushButton* writeProbe_ = nullptr;
  QWidget* tableButtons_ = nullptr;

  // General parameters and backup.
  std::array<QLineEdit*, calibration::kGeneralParameterCount> parameters_{};
  QPlainTextEdit* listing_ = nullptr;
  QLabel* backupStatus_ = nullptr;

  // Reference source.
  QLabel* portCaption_ = nullptr;
  QComboBox* ports_ = nullptr;
  QCheckBox* automatic_ = nullptr;

  RenderBatch batch_;
};

}  // namespace ql
