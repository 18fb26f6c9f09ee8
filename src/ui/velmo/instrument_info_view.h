#pragma once
// The instrument information panel of the download page: the nine read-only fields the
// information poll fills, the remaining battery charge with its picture, and the poll's status.

#include <QGroupBox>
#include <array>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"

class QLabel;
class QLineEdit;

namespace ql {

class VelmoPictures;

class InstrumentInfoView : public QGroupBox {
  Q_OBJECT

 public:
  InstrumentInfoView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

 private:
  void render();

  VelmoProgram& program_;
  const VelmoPictures& pictures_;
  std::array<QLineEdit*, 9> fields_{};
  QLabel* batteryPercent_;
  QLabel* batteryPicture_;
  QLabel* status_;
  RenderBatch batch_;
};

}  // namespace ql
