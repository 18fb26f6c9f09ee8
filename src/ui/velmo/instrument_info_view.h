#pragma once
// The instrument information panel of the download page: the nine read-only fields the
// information poll fills, the remaining battery charge with its picture, and the poll's status.
// A double-click on the clock field sets the logger's clock to the computer's.

#include <QGroupBox>
#include <array>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

class QLabel;
class QLineEdit;

namespace ql {

class VelmoPictures;

class InstrumentInfoView : public QGroupBox {
  Q_OBJECT

 public:
  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();
  InstrumentInfoView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();

  VelmoProgram& program_;
  const VelmoPictures& pictures_;
  std::array<QLineEdit*, 9> fields_{};
  QLineEdit* clockField_ = nullptr;
  QLabel* batteryPercent_;
  QLabel* batteryPicture_;
  QLabel* status_;
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
