#include "ui/velmo/live_values_box.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "ui/velmo/monitor_window.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {
// The units of temperature and pressure are the same in every language.
constexpr const char* kTemperatureUnit = "℃";
constexpr const char* kPressureUnit = "kPa";
}  // namespace

LiveValuesBox::LiveValuesBox(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QGroupBox(parent), program_(program), batch_(this, [this] { render(); }) {
  setObjectName("liveValuesBox");
  auto* layout = new QGridLayout(this);
  layout->setColumnStretch(1, 1);
  setLayout(layout);

  const ThirdField third = program.switches().thirdField();
  texts_.bind("MAIN", "cpt_nowdata", [this](const QString& text) { setTitle(text); });
  temperature_ = addRow(0, QString::fromUtf8(kTemperatureUnit), "temperatureField");
  pressure_ = addRow(1, QString::fromUtf8(kPressureUnit), "pressureField");
  third_ = addRow(2, {}, "thirdField");
  texts_.bindText(findChild<QLabel*>("temperatureFieldCaption"), "MAIN", "cpt_temperation");
  texts_.bindText(findChild<QLabel*>("pressureFieldCaption"), "MAIN", "cpt_pressation");
  // The third field's caption and unit depend on the logger's third channel.
  auto* thirdCaption = findChild<QLabel*>("thirdFieldCaption");
  auto* thirdUnit = findChild<QLabel*>("thirdFieldUnit");
  texts_.bind({}, {}, [this, third, thirdCaption, thirdUnit](const QString&) {
    thirdCaption->setText(toQString(program_.texts().thirdFieldCaption(third)));
    thirdUnit->setText(toQString(program_.texts().thirdFieldUnit(third)));
  });

  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};
  showButton_ = new PictureButton(actionPictures, this);
  showButton_->setObjectName("liveShowButton");
  texts_.bind("MAIN", "btn_display", [this](const QString& text) { showButton_->setCaption(text); });
  connect(showButton_, &PictureButton::clicked, this, [this] { setLiveDisplayOn(true); });
  stopButton_ = new PictureButton(actionPictures, this);
  stopButton_->setObjectName("liveStopButton");
  texts_.bind("MAIN", "btn_stop_dis", [this](const QString& text) { stopButton_->setCaption(text); });
  connect(stopButton_, &PictureButton::clicked, this, [this] { setLiveDisplayOn(false); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(showButton_);
  buttons->addWidget(stopButton_);
  layout->addLayout(buttons, 3, 0, 1, 3);

  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.liveValues());
  batch_.renderNow();
}

QLineEdit* LiveValuesBox::addRow(int row, const QString& unit, const char* objectName) {
  auto* layout = static_cast<QGridLayout*>(this->layout());
  auto* label = new QLabel(this);
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

void LiveValuesBox::applyTexts() {
  texts_.apply();
  if (monitor_) monitor_->applyTexts();
}

void LiveValuesBox::setLiveDisplayOn(bool on) {
  program_.liveValues().setLiveDisplay(on);
  batch_.renderNow();  // the captions answer the press at once
}

bool LiveValuesBox::liveDisplayOn() const { return program_.liveValues().liveDisplayOn(); }

void LiveValuesBox::render() {
  const LiveValues& live = program_.liveValues();
  temperature_->setText(toQString(live.temperatureText()));
  pressure_->setText(toQString(live.pressureText()));
  third_->setText(toQString(live.thirdText()));
  const QColor color = live.liveDisplayOn() ? Qt::red : Qt::black;
  showButton_->setCaptionColor(color);
  stopButton_->setCaptionColor(color);
}

void LiveValuesBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(toQString(program_.text("MENU", "menu_dis")), this, [this] { openMonitor(); });
  menu.exec(event->globalPos());
}

void LiveValuesBox::openMonitor() {
  setLiveDisplayOn(true);
  if (!monitor_) monitor_ = new MonitorWindow(program_.liveValues(), program_.texts(), window());
  monitor_->execWithTemperatureCurve();
}

}  // namespace ql
