#include "ui/velmo/live_values_box.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {
// The units of temperature and pressure are the same in every language.
constexpr const char* kTemperatureUnit = "℃";
constexpr const char* kPressureUnit = "kPa";
}  // namespace

LiveValuesBox::LiveValuesBox(const VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QGroupBox(toQString(program.text("MAIN", "cpt_nowdata")), parent) {
  setObjectName("liveValuesBox");
  auto* layout = new QGridLayout(this);
  layout->setColumnStretch(1, 1);
  setLayout(layout);

  const ThirdField third = program.switches().thirdField();
  addRow(0, toQString(program.text("MAIN", "cpt_temperation")), QString::fromUtf8(kTemperatureUnit),
         "temperatureField");
  addRow(1, toQString(program.text("MAIN", "cpt_pressation")), QString::fromUtf8(kPressureUnit),
         "pressureField");
  addRow(2, toQString(program.texts().thirdFieldCaption(third)),
         toQString(program.texts().thirdFieldUnit(third)), "thirdField");

  // Live values are polled by a later part of the program; until then the buttons do nothing
  // and say so by being disabled. Their captions still show whether live display is on.
  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};
  showButton_ = new PictureButton(actionPictures, this);
  showButton_->setObjectName("liveShowButton");
  showButton_->setCaption(toQString(program.text("MAIN", "btn_display")));
  showButton_->setEnabled(false);
  stopButton_ = new PictureButton(actionPictures, this);
  stopButton_->setObjectName("liveStopButton");
  stopButton_->setCaption(toQString(program.text("MAIN", "btn_stop_dis")));
  stopButton_->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(showButton_);
  buttons->addWidget(stopButton_);
  layout->addLayout(buttons, 3, 0, 1, 3);

  setLiveDisplayOn(program.switches().liveDisplayAtStart());
}

QLineEdit* LiveValuesBox::addRow(int row, const QString& caption, const QString& unit,
                                 const char* objectName) {
  auto* layout = static_cast<QGridLayout*>(this->layout());
  auto* label = new QLabel(caption, this);
  label->setObjectName(QString(objectName) + "Caption");
  auto* unitLabel = new QLabel(unit, this);
  unitLabel->setObjectName(QString(objectName) + "Unit");
  auto* field = new QLineEdit(this);
  field->setObjectName(objectName);
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::ClickFocus);
  label->setBuddy(field);
  layout->addWidget(label, row, 0);
  layout->addWidget(field, row, 1);
  layout->addWidget(unitLabel, row, 2);
  return field;
}

void LiveValuesBox::setLiveDisplayOn(bool on) {
  liveDisplayOn_ = on;
  const QColor color = on ? Qt::red : Qt::black;
  showButton_->setCaptionColor(color);
  stopButton_->setCaptionColor(color);
}

}  // namespace ql
