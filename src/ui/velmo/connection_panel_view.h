#pragma once
// The connection panel of the download page: port and rate lists, the automatic search box,
// connect and disconnect, and the two status lines.

#include <QGroupBox>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace ql {

class PictureButton;
class VelmoPictures;

class ConnectionPanelView : public QGroupBox {
  Q_OBJECT

 public:
  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();
  ConnectionPanelView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

 signals:
  // The operator switched the automatic search on (live display goes off then).
  void autoSearchSwitchedOn();

 private:
  void render();

  VelmoProgram& program_;
  QComboBox* portBox_;
  QComboBox* rateBox_;
  QCheckBox* autoSearchBox_;
  PictureButton* connectButton_;
  PictureButton* disconnectButton_;
  QLabel* stateCaption_;
  QLabel* linkStatus_;
  QLabel* searchStatus_;
  std::vector<std::string> describedPorts_;  // the ports the port box was last filled with
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
