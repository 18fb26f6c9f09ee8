#include "ui/velmo/configuration_page.h"

#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include "shell/velmo_program.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

ConfigurationPage::ConfigurationPage(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QWidget(parent), program_(program) {
  setObjectName("configurationPage");
  auto* configuration = new QGroupBox(toQString(program_.text("MAIN", "cpt_trd_mac_set")), this);
  configuration->setObjectName("configurationBox");
  auto* diagram = new QGroupBox(toQString(program_.text("MAIN", "cpt_trd_image")), this);
  diagram->setObjectName("workModeDiagramBox");

  menuButton_ = new PictureButton({pictures[Picture::Menu], pictures[Picture::Menu], {}}, configuration);
  menuButton_->setObjectName("programMenuButton");
  menuButton_->setSliced(false);
  menuButton_->setPressOffset(1);
  menuButton_->setReleaseSlackAbove(3);
  menuButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  menuButton_->setAccessibleName(toQString(program_.text("MENU", "menu_setsys")));
  connect(menuButton_, &PictureButton::clicked, this, [this] { openProgramMenu(); });

  auto* top = new QHBoxLayout;
  top->addStretch(1);
  top->addWidget(menuButton_);
  auto* configurationLayout = new QVBoxLayout(configuration);
  configurationLayout->addLayout(top);
  configurationLayout->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(configuration, 3);
  layout->addWidget(diagram, 2);
}

void ConfigurationPage::openProgramMenu() {
  // The menu serves a linked instrument only.
  if (!program_.connectionPanel().linkShownAsOk) return;

  QMenu menu(this);
  menu.setObjectName("programMenu");
  // System settings, update check and about arrive with their dialogs; until then the items
  // are shown but cannot be chosen.
  for (const char* key : {"menu_setsys", "menu_updcheck", "menu_about"}) {
    QAction* item = menu.addAction(toQString(program_.text("MENU", key)));
    item->setEnabled(false);
  }
  // At the mouse, opening to the left and a little lower; below the button from the keyboard.
  const QPoint anchor = menuButton_->underMouse()
                            ? QCursor::pos()
                            : menuButton_->mapToGlobal(QPoint(menuButton_->width(), menuButton_->height()));
  menu.exec(anchor + QPoint(-menu.sizeHint().width(), 5));
}

}  // namespace ql
