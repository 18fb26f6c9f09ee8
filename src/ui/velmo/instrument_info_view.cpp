#include "ui/velmo/instrument_info_view.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

struct InfoField {
  const char* captionKey;  // MAIN caption key
  const char* objectName;
  std::string InstrumentInfo::*value;
};

constexpr std::array<InfoField, 9> kInfoFields{{
    {"cpt_machine_sn", "serialNumberField", &InstrumentInfo::serialNumber},
    {"cpt_machine_type", "modelField", &InstrumentInfo::model},
    {"cpt_mac_pcb", "hardwareVersionField", &InstrumentInfo::hardwareVersion},
    {"cpt_firmware", "firmwareVersionField", &InstrumentInfo::firmwareVersion},
    {"cpt_rom_size", "flashSizeField", &InstrumentInfo::flashSize},
    {"cpt_rom_type", "flashUsedField", &InstrumentInfo::flashUsed},
    {"cpt_mac_work", "flashFreeField", &InstrumentInfo::flashFree},
    {"cpt_work_times", "batteryVoltageField", &InstrumentInfo::batteryVoltage},
    {"cpt_mac_clock", "clockField", &InstrumentInfo::clock},
}};

Picture pictureOf(BatteryLevel level) {
  switch (level) {
    case BatteryLevel::Low:
      return Picture::BatteryLow;
    case BatteryLevel::Middle:
      return Picture::BatteryMiddle;
    case BatteryLevel::Full:
      break;
  }
  return Picture::BatteryFull;
}

}  // namespace

InstrumentInfoView::InstrumentInfoView(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QGroupBox(parent), program_(program), pictures_(pictures), batch_(this, [this] { render(); }) {
  setObjectName("instrumentInfoView");
  texts_.bind("MAIN", "cpt_machine_info", [this](const QString& text) { setTitle(text); });
  auto* layout = new QGridLayout(this);
  for (std::size_t i = 0; i < kInfoFields.size(); ++i) {
    auto* caption = new QLabel(this);
    texts_.bindText(caption, "MAIN", kInfoFields[i].captionKey);
    auto* field = new QLineEdit(this);
    field->setObjectName(kInfoFields[i].objectName);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    caption->setBuddy(field);
    layout->addWidget(caption, int(i), 0);
    layout->addWidget(field, int(i), 1);
    fields_[i] = field;
    if (kInfoFields[i].value == &InstrumentInfo::clock) clockField_ = field;
  }
  clockField_->installEventFilter(this);

  batteryPercent_ = new QLabel(this);
  batteryPercent_->setObjectName("batteryPercent");
  batteryPicture_ = new QLabel(this);
  batteryPicture_->setObjectName("batteryPicture");
  auto* battery = new QHBoxLayout;
  battery->addStretch(1);
  battery->addWidget(batteryPercent_);
  battery->addWidget(batteryPicture_);
  layout->addLayout(battery, int(kInfoFields.size()), 0, 1, 2);

  status_ = new QLabel(this);
  status_->setObjectName("pollStatus");
  status_->setWordWrap(true);
  layout->addWidget(status_, int(kInfoFields.size()) + 1, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(int(kInfoFields.size()) + 2, 1);

  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.instrumentInfo());
  batch_.renderNow();
}

bool InstrumentInfoView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == clockField_ && event->type() == QEvent::MouseButtonDblClick) program_.synchroniseClock();
  return QGroupBox::eventFilter(watched, event);
}

void InstrumentInfoView::applyTexts() { texts_.apply(); }

void InstrumentInfoView::render() {
  const InstrumentInfo& info = program_.instrumentInfo();
  for (std::size_t i = 0; i < kInfoFields.size(); ++i) {
    const QString text = toQString(info.*kInfoFields[i].value);
    if (fields_[i]->text() != text) fields_[i]->setText(text);
  }
  batteryPercent_->setText(toQString(info.batteryPercent) + "%");
  batteryPicture_->setPixmap(pictures_[pictureOf(info.batteryLevel)]);
  status_->setText(toQString(info.statusText));
}

}  // namespace ql
