#pragma once
// The live-value box of the download page: temperature, pressure and the third value chosen by
// DIS_THIRD (conductivity, water depth or internal temperature), with the "show" and "stop"
// buttons whose red captions mean live display is on. The fields stay empty until live values
// are polled.

#include <QGroupBox>

#include "shell/velmo_program.h"

class QLineEdit;

namespace ql {

class PictureButton;
class VelmoPictures;

class LiveValuesBox : public QGroupBox {
  Q_OBJECT

 public:
  LiveValuesBox(const VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

  // Live display on: both captions red; off: black.
  void setLiveDisplayOn(bool on);
  bool liveDisplayOn() const { return liveDisplayOn_; }

 private:
  QLineEdit* addRow(int row, const QString& caption, const QString& unit, const char* objectName);

  PictureButton* showButton_;
  PictureButton* stopButton_;
  bool liveDisplayOn_ = false;
};

}  // namespace ql
