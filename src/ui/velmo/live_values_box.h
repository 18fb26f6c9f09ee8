#pragma once
// The live-value box of the download page: temperature, pressure and the third value chosen by
// DIS_THIRD (conductivity, water depth or internal temperature), with the "show" and "stop"
// buttons whose red captions mean live display is on. Its pop-up menu opens the online monitor.
// The fields show the program's live values as they come in.

#include <QGroupBox>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

class QLineEdit;

namespace ql {

class MonitorWindow;
class PictureButton;
class VelmoPictures;

class LiveValuesBox : public QGroupBox {
  Q_OBJECT

 public:
  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();
  LiveValuesBox(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

  // Live display on: both captions red; off: black.
  void setLiveDisplayOn(bool on);
  bool liveDisplayOn() const;
  // The pop-up item: live display on and the monitor shown modally with the temperature curve.
  void openMonitor();
  // The monitor window, once it was opened.
  MonitorWindow* monitorWindow() const { return monitor_; }

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QLineEdit* addRow(int row, const QString& unit, const char* objectName);
  void render();

  VelmoProgram& program_;
  QLineEdit* temperature_;
  QLineEdit* pressure_;
  QLineEdit* third_;
  PictureButton* showButton_;
  PictureButton* stopButton_;
  MonitorWindow* monitor_ = nullptr;
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
