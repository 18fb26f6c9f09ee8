#pragma once
// The system settings dialog ("系统设置"), opened modally from the program menu: battery
// change, display precisions, the logger's baud rate and the zero drift corrections. It renders
// the program's SystemSettings and forwards the operator's actions to it.

#include <QDialog>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace ql {

class PictureButton;
class VelmoPictures;

class SystemSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SystemSettingsDialog(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  // One drift box: current value + correction = displayed value, its button and success caption.
  struct DriftBox {
    QLineEdit* current = nullptr;
    QLineEdit* correction = nullptr;
    QLineEdit* displayed = nullptr;
    QLabel* written = nullptr;
  };
  QWidget* buildDriftBox(const QString& title, const QString& name, DriftBox& box, PictureButton* button);
  PictureButton* actionButton(const VelmoPictures& pictures, const QString& caption, const QString& name);
  QString text(const char* section, const char* key) const;
  void render();

  VelmoProgram& program_;
  SystemSettings& settings_;
  QSpinBox* temperatureDecimals_ = nullptr;
  QSpinBox* pressureDecimals_ = nullptr;
  QComboBox* rates_ = nullptr;
  QLabel* baudResult_ = nullptr;
  DriftBox temperature_;
  DriftBox pressure_;
  RenderBatch batch_;
};

}  // namespace ql
