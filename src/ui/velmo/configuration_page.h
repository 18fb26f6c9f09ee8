#pragma once
// Page 3, the task configuration: the configuration box with the program menu button at its top
// right, and the work-mode diagram. The task settings themselves are added with the task
// configuration.

#include <QWidget>

namespace ql {

class PictureButton;
class VelmoPictures;
class VelmoProgram;

class ConfigurationPage : public QWidget {
  Q_OBJECT

 public:
  ConfigurationPage(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent = nullptr);

 private:
  void openProgramMenu();

  VelmoProgram& program_;
  PictureButton* menuButton_;
};

}  // namespace ql
