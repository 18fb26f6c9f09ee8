#include "ui/velmo/data_view_page.h"

#include <QGroupBox>
#include <QHBoxLayout>

#include "shell/velmo_program.h"
#include "ui/velmo/ui_text.h"

namespace ql {

DataViewPage::DataViewPage(const VelmoProgram& program, QWidget* parent) : QWidget(parent) {
  setObjectName("dataViewPage");
  auto* localFiles = new QGroupBox(toQString(program.text("MAIN", "cpt_sec_hard_list")), this);
  localFiles->setObjectName("localFilesBox");
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(localFiles, 1);
  layout->addStretch(3);
}

}  // namespace ql
