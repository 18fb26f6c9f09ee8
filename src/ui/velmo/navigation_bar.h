#pragma once
// The three large navigation buttons: download, data view, configuration. The caption of the
// page on show is red, the others black; under the mouse a caption turns blue.

#include <QWidget>
#include <array>

#include "shell/velmo_program.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"

namespace ql {

class PictureButton;
class VelmoPictures;

class NavigationBar : public QWidget {
  Q_OBJECT

 public:
  NavigationBar(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

  PictureButton* button(Page page) const { return buttons_[index(page)]; }

  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();

 private:
  static std::size_t index(Page page) { return static_cast<std::size_t>(page) - 1; }
  void render();

  VelmoProgram& program_;
  std::array<PictureButton*, 3> buttons_{};
  RenderBatch batch_;
  TextBinding texts_{program_};
};

}  // namespace ql
