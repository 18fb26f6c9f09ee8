#include "ui/velmo/system_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/velmo/banner.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

constexpr int kValueWidth = 90;

QLineEdit* valueField(const QString& name, bool readOnly, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setReadOnly(readOnly);
  field->setFixedWidth(kValueWidth);
  return field;
}

QSpinBox* precisionBox(const QString& name, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(1, 3);
  return box;
}

}  // namespace

SystemSettingsDialog::SystemSettingsDialog(VelmoProgram& program, const VelmoPictures& pictures,
                                           QWidget* parent)
    : QDialog(parent),
      program_(program),
      settings_(program.systemSettings()),
      batch_(this, [this] { render(); }) {
  setObjectName("systemSettings");
  setWindowTitle(text("QL310", "qlsys_maincpt"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new Banner(text("QL310", "qlsys_maincpt"), this));

  // Battery change.
  auto* battery = new QGroupBox(this);
  auto* batteryRow = new QHBoxLayout(battery);
  auto* notice = new QLabel(text("QL310", "qlsys_info_batchange"), battery);
  notice->setWordWrap(true);
  batteryRow->addWidget(notice, 1);
  PictureButton* change = actionButton(pictures, text("QL310", "qlsys_batchange"), "batteryChangeButton");
  connect(change, &PictureButton::clicked, this, [this] { settings_.changeBattery(); });
  batteryRow->addWidget(change);
  layout->addWidget(battery);

  // Display precisions.
  auto* precision = new QGroupBox(this);
  auto* precisionGrid = new QGridLayout(precision);
  temperatureDecimals_ = precisionBox("temperatureDecimals", precision);
  pressureDecimals_ = precisionBox("pressureDecimals", precision);
  precisionGrid->addWidget(new QLabel(text("SYSTEMSET", "cpt_temp_dis_point"), precision), 0, 0);
  precisionGrid->addWidget(temperatureDecimals_, 0, 1);
  precisionGrid->addWidget(new QLabel(text("QL310", "cpt_bit"), precision), 0, 2);
  precisionGrid->addWidget(new QLabel(text("SYSTEMSET", "cpt_pres_dis_point"), precision), 1, 0);
  precisionGrid->addWidget(pressureDecimals_, 1, 1);
  precisionGrid->addWidget(new QLabel(text("QL310", "cpt_bit"), precision), 1, 2);
  precisionGrid->setColumnStretch(3, 1);
  layout->addWidget(precision);

  // Baud rate.
  auto* baud = new QGroupBox(this);
  auto* baudRow = new QHBoxLayout(baud);
  baudRow->addWidget(new QLabel(text("QL310", "qlsys_changebaud"), baud));
  rates_ = new QComboBox(baud);
  rates_->setObjectName("baudRates");
  for (const char* name : SystemSettings::kBaudRateNames) rates_->addItem(name);
  rates_->setCurrentIndex(-1);
  connect(rates_, &QComboBox::currentIndexChanged, this, [this](int index) { settings_.selectRate(index); });
  baudRow->addWidget(rates_);
  PictureButton* changeRate = actionButton(pictures, text("QL310", "qlsys_btn_change"), "baudChangeButton");
  connect(changeRate, &PictureButton::clicked, this, [this] { settings_.changeBaudRate(); });
  baudRow->addWidget(changeRate);
  baudResult_ = new QLabel(baud);
  baudResult_->setObjectName("baudResult");
  baudResult_->setStyleSheet("color: #b3261e;");
  baudRow->addWidget(baudResult_, 1);
  layout->addWidget(baud);

  // Zero drift.
  PictureButton* changeTemperature =
      actionButton(pictures, text("QL310", "qlsys_btn_change"), "temperatureChangeButton");
  connect(changeTemperature, &PictureButton::clicked, this, [this] { settings_.changeTemperatureOffset(); });
  layout->addWidget(
      buildDriftBox(text("QL310", "qlsys_temp_choffset"), "temperature", temperature_, changeTemperature));
  connect(temperature_.correction, &QLineEdit::textEdited, this,
          [this](const QString& value) { settings_.setTemperatureCorrection(value.toStdString()); });
  PictureButton* changePressure =
      actionButton(pictures, text("QL310", "qlsys_btn_change"), "pressureChangeButton");
  connect(changePressure, &PictureButton::clicked, this, [this] { settings_.changePressureOffset(); });
  layout->addWidget(buildDriftBox(text("SYSTEMSET", "change_offset"), "pressure", pressure_, changePressure));
  connect(pressure_.correction, &QLineEdit::textEdited, this,
          [this](const QString& value) { settings_.setPressureCorrection(value.toStdString()); });

  // OK and return.
  auto* actions = new QHBoxLayout;
  actions->addStretch(1);
  PictureButton* ok = actionButton(pictures, text("SYSTEMSET", "btn_ok"), "okButton");
  connect(ok, &PictureButton::clicked, this, [this] {
    settings_.setPrecisions(temperatureDecimals_->value(), pressureDecimals_->value());
    settings_.accept();
    accept();
  });
  PictureButton* back = actionButton(pictures, text("SYSTEMSET", "btn_cancle"), "returnButton");
  connect(back, &PictureButton::clicked, this, [this] { reject(); });
  actions->addWidget(ok);
  actions->addWidget(back);
  layout->addLayout(actions);

  batch_.watch(settings_.fields());
}

QString SystemSettingsDialog::text(const char* section, const char* key) const {
  return toQString(program_.text(section, key));
}

PictureButton* SystemSettingsDialog::actionButton(const VelmoPictures& pictures, const QString& caption,
                                                  const QString& name) {
  auto* button =
      new PictureButton({pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}}, this);
  button->setObjectName(name);
  button->setCaption(caption);
  return button;
}

QWidget* SystemSettingsDialog::buildDriftBox(const QString& title, const QString& name, DriftBox& box,
                                             PictureButton* button) {
  auto* group = new QGroupBox(title, this);
  group->setObjectName(name + "Drift");
  auto* grid = new QGridLayout(group);
  box.current = valueField(name + "Current", true, group);
  box.correction = valueField(name + "Correction", false, group);
  box.displayed = valueField(name + "Displayed", true, group);
  box.written = new QLabel(text("QL310", "qlsys_dis4"), group);
  box.written->setObjectName(name + "Written");
  box.written->setStyleSheet("color: #1b7f3b;");
  grid->addWidget(new QLabel(text("QL310", "qlsys_dis1"), group), 0, 0);
  grid->addWidget(box.current, 0, 1);
  grid->addWidget(new QLabel("+", group), 0, 2);
  grid->addWidget(box.correction, 0, 3);
  grid->addWidget(new QLabel("=", group), 0, 4);
  grid->addWidget(box.displayed, 0, 5);
  grid->addWidget(button, 0, 6);
  grid->addWidget(box.written, 0, 7);
  grid->addWidget(new QLabel(text("QL310", "qlsys_dis2"), group), 1, 3, Qt::AlignHCenter);
  grid->addWidget(new QLabel(text("QL310", "qlsys_dis3"), group), 1, 5, Qt::AlignHCenter);
  grid->setColumnStretch(8, 1);
  return group;
}

void SystemSettingsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  program_.showSystemSettings();
  const SystemSettingsFields& fields = settings_.fields();
  temperatureDecimals_->setValue(fields.temperatureDecimals);
  pressureDecimals_->setValue(fields.pressureDecimals);
  batch_.renderNow();
}

void SystemSettingsDialog::done(int result) {
  settings_.close();
  QDialog::done(result);
}

void SystemSettingsDialog::render() {
  const SystemSettingsFields& fields = settings_.fields();
  baudResult_->setText(toQString(fields.baudResult));
  const auto show = [](DriftBox& box, const std::string& current, const std::string& correction,
                       const std::string& displayed, bool written) {
    box.current->setText(toQString(current));
    if (box.correction->text().toStdString() != correction) box.correction->setText(toQString(correction));
    box.displayed->setText(toQString(displayed));
    box.written->setVisible(written);
  };
  show(temperature_, fields.temperatureCurrent, fields.temperatureCorrection, fields.temperatureDisplayed,
       fields.temperatureWritten);
  show(pressure_, fields.pressureCurrent, fields.pressureCorrection, fields.pressureDisplayed,
       fields.pressureWritten);
}

}  // namespace ql
