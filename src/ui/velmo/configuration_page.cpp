#include "ui/velmo/configuration_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "shell/velmo_program.h"
#include "task/task_time.h"
#include "ui/velmo/mode_diagram_view.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/system_settings_dialog.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

using task::WorkMode;

// Units beside the depth-profile fields: the same in every language.
constexpr const char* kPressureUnit = "kPa";
constexpr const char* kDepthUnit = "m";
// Room for the longest interval (nine digits) and a little more.
constexpr int kNumberFieldChars = 12;

QDate toQDate(const DateTime& dt) { return QDate(dt.year, dt.month, dt.day); }
QTime toQTime(const DateTime& dt) { return QTime(dt.hour, dt.minute, dt.second); }
DateTime fromQt(const QDate& date, const QTime& time) {
  return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

// The model's text into a field; the caret goes to the end when the text changes.
void showText(QLineEdit* edit, const std::string& text) {
  const QString shown = toQString(text);
  if (edit->text() == shown) return;
  edit->setText(shown);
  edit->setCursorPosition(int(shown.size()));
}

QLabel* captionFor(QWidget* buddy, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(buddy);
  return label;
}

QLabel* derivedCaption(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

ConfigurationPage::ConfigurationPage(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QWidget(parent), program_(program), task_(program.taskPage()), batch_(this, [this] { render(); }) {
  setObjectName("configurationPage");
  // The update's hand-over ends the program by closing the main window.
  program_.setQuitHandler([this] { window()->close(); });
  QWidget* configuration = buildTaskBox(pictures);

  auto* diagramBox = texts_.titleOf(new QGroupBox(this), "MAIN", "cpt_trd_image");
  diagramBox->setObjectName("workModeDiagramBox");
  diagram_ = new ModeDiagramView(program_.home(), diagramBox);
  auto* diagramLayout = new QVBoxLayout(diagramBox);
  diagramLayout->addWidget(diagram_);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(configuration, 3);
  layout->addWidget(diagramBox, 2);
  orderTabs();

  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(task_);
  batch_.renderNow();
}

QWidget* ConfigurationPage::modeBox(WorkMode mode) const {
  return modeBoxes_->widget(static_cast<int>(mode) + 1);
}

QWidget* ConfigurationPage::buildTaskBox(const VelmoPictures& pictures) {
  auto* box = texts_.titleOf(new QGroupBox(this), "MAIN", "cpt_trd_mac_set");
  box->setObjectName("configurationBox");

  menuButton_ = new PictureButton({pictures[Picture::Menu], pictures[Picture::Menu], {}}, box);
  menuButton_->setObjectName("programMenuButton");
  menuButton_->setSliced(false);
  menuButton_->setPressOffset(1);
  menuButton_->setReleaseSlackAbove(3);
  menuButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  texts_.bind("MENU", "menu_setsys", [this](const QString& text) { menuButton_->setAccessibleName(text); });
  connect(menuButton_, &PictureButton::clicked, this, [this] { openProgramMenu(); });

  // The fields on the left; the menu button keeps the top right corner.
  auto* top = new QHBoxLayout;
  top->addLayout(buildTaskFields(), 1);
  top->addWidget(menuButton_, 0, Qt::AlignTop | Qt::AlignRight);

  auto* layout = new QVBoxLayout(box);
  layout->addLayout(top);
  layout->addWidget(buildModeBoxes());

  sendRecords_ = texts_.textOf(new QCheckBox(box), "QL310", "ql310_cpt_send_com");
  sendRecords_->setObjectName("sendRecordsCheck");
  connect(sendRecords_, &QCheckBox::toggled, this, [this](bool on) {
    if (rendering_) return;
    task_.setSendRecords(on);
  });
  clockSync_ = texts_.textOf(new QCheckBox(box), "MAIN", "cpt_trd_write_clock");
  clockSync_->setObjectName("clockSyncCheck");
  connect(clockSync_, &QCheckBox::toggled, this, [this](bool on) {
    if (rendering_) return;
    task_.setClockSync(on);
  });
  layout->addWidget(sendRecords_);
  layout->addWidget(clockSync_);
  layout->addLayout(buildEstimates());
  layout->addStretch(1);
  layout->addLayout(buildActions(pictures));
  return box;
}

QLayout* ConfigurationPage::buildTaskFields() {
  auto* grid = new QGridLayout;
  grid->setColumnStretch(3, 1);  // the fields keep their natural width

  name_ = textField("taskNameEdit", &task::TaskPage::editName, &task::TaskFields::name);
  grid->addWidget(texts_.textOf(captionFor(name_, {}, this), "MAIN", "cpt_trd_name"), 0, 0);
  grid->addWidget(name_, 0, 1, 1, 2);

  auto dateEdit = [this](const char* name) {
    auto* edit = new QDateEdit(this);
    edit->setObjectName(name);
    edit->setDisplayFormat("yyyy-MM-dd");
    edit->setCalendarPopup(true);
    edit->setDateRange(QDate(task::kFirstTaskYear, 1, 1), QDate(task::kLastTaskYear, 12, 31));
    return edit;
  };
  auto timeEdit = [this](const char* name) {
    auto* edit = new QTimeEdit(this);
    edit->setObjectName(name);
    edit->setDisplayFormat("HH:mm:ss");
    return edit;
  };
  startDate_ = dateEdit("startDateEdit");
  startTime_ = timeEdit("startTimeEdit");
  endDate_ = dateEdit("endDateEdit");
  endTime_ = timeEdit("endTimeEdit");
  connect(startDate_, &QDateEdit::dateChanged, this, [this] { startEdited(); });
  connect(startTime_, &QTimeEdit::timeChanged, this, [this] { startEdited(); });
  connect(endDate_, &QDateEdit::dateChanged, this, [this] { endEdited(); });
  connect(endTime_, &QTimeEdit::timeChanged, this, [this] { endEdited(); });
  grid->addWidget(texts_.textOf(captionFor(startDate_, {}, this), "MAIN", "cpt_trd_starttime"), 1, 0);
  grid->addWidget(startDate_, 1, 1);
  grid->addWidget(startTime_, 1, 2);
  grid->addWidget(texts_.textOf(captionFor(endDate_, {}, this), "MAIN", "cpt_trd_stoptime"), 2, 0);
  grid->addWidget(endDate_, 2, 1);
  grid->addWidget(endTime_, 2, 2);

  workMode_ = new QComboBox(this);
  workMode_->setObjectName("workModeList");
  int item = 0;
  for (const char* key : {"item_items1", "item_items2", "item_items3", "item_items4"}) {
    workMode_->addItem({});
    texts_.bind("ITEM", key, [this, item](const QString& text) { workMode_->setItemText(item, text); });
    ++item;
  }
  workMode_->setCurrentIndex(-1);
  connect(workMode_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (rendering_) return;
    task_.chooseWorkMode(static_cast<WorkMode>(index));
    batch_.renderNow();  // a refused mode snaps back at once
  });
  grid->addWidget(texts_.textOf(captionFor(workMode_, {}, this), "MAIN", "cpt_trd_word_mode"), 3, 0);
  grid->addWidget(workMode_, 3, 1, 1, 2);
  return grid;
}

QStackedWidget* ConfigurationPage::buildModeBoxes() {
  modeBoxes_ = new QStackedWidget(this);
  modeBoxes_->setObjectName("workModeBoxes");
  auto* none = new QWidget(modeBoxes_);
  none->setObjectName("noWorkModeBox");
  modeBoxes_->addWidget(none);
  fastBox_ = buildFastBox();
  intervalBox_ = buildIntervalBox();
  averageBox_ = buildAverageBox();
  depthBox_ = buildDepthBox();
  for (QGroupBox* box : {fastBox_, intervalBox_, averageBox_, depthBox_}) modeBoxes_->addWidget(box);
  return modeBoxes_;
}

// Each mode's box carries the mode's name; its fields are labelled inside.
QGroupBox* ConfigurationPage::buildFastBox() {
  auto* box = texts_.titleOf(new QGroupBox(this), "ITEM", "item_items1");
  box->setObjectName("fastAcquisitionBox");
  sampleRate_ = new QComboBox(box);
  sampleRate_->setObjectName("sampleRateList");
  for (int i = 0; i < task::kSampleRateCount; ++i) sampleRate_->addItem(toQString(task::sampleRateText(i)));
  sampleRate_->setCurrentIndex(-1);
  connect(sampleRate_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (rendering_) return;
    task_.chooseSampleRate(index);
    batch_.renderNow();
  });
  auto* grid = new QGridLayout(box);
  grid->addWidget(texts_.textOf(captionFor(sampleRate_, {}, box), "TASK", "task_test_interval"), 0, 0);
  grid->addWidget(sampleRate_, 0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  return box;
}

QGroupBox* ConfigurationPage::buildIntervalBox() {
  auto* box = texts_.titleOf(new QGroupBox(this), "ITEM", "item_items2");
  box->setObjectName("fixedIntervalBox");
  recordInterval_ =
      textField("recordIntervalEdit", &task::TaskPage::editRecordInterval, &task::TaskFields::recordInterval);
  recordIntervalDuration_ = derivedCaption("recordIntervalDuration", box);
  auto* grid = new QGridLayout(box);
  grid->addWidget(texts_.textOf(captionFor(recordInterval_, {}, box), "TASK", "task_interval"), 0, 0);
  grid->addWidget(recordInterval_, 0, 1);
  grid->addWidget(recordIntervalDuration_, 0, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  return box;
}

QGroupBox* ConfigurationPage::buildAverageBox() {
  auto* box = texts_.titleOf(new QGroupBox(this), "ITEM", "item_items3");
  box->setObjectName("averageAcquisitionBox");
  averageRecordInterval_ = textField("averageRecordIntervalEdit", &task::TaskPage::editAverageRecordInterval,
                                     &task::TaskFields::averageRecordInterval);
  averageRecordIntervalDuration_ = derivedCaption("averageRecordIntervalDuration", box);
  averageCount_ =
      textField("averageCountEdit", &task::TaskPage::editAverageCount, &task::TaskFields::averageCount);
  averageInterval_ = textField("averageIntervalEdit", &task::TaskPage::editAverageInterval,
                               &task::TaskFields::averageInterval);
  texts_.bind("TASK", "task_aver_interval_hint", [this](const QString& hint) {
    averageInterval_->setToolTip(hint);
    averageInterval_->setPlaceholderText(hint);
  });
  averageIntervalDuration_ = derivedCaption("averageIntervalDuration", box);

  auto* grid = new QGridLayout(box);
  grid->addWidget(texts_.textOf(captionFor(averageRecordInterval_, {}, box), "TASK", "task_interval"), 0, 0);
  grid->addWidget(averageRecordInterval_, 0, 1);
  grid->addWidget(averageRecordIntervalDuration_, 0, 2);
  grid->addWidget(texts_.textOf(captionFor(averageCount_, {}, box), "TASK", "task_aver_count"), 1, 0);
  grid->addWidget(averageCount_, 1, 1);
  grid->addWidget(texts_.textOf(captionFor(averageInterval_, {}, box), "TASK", "task_aver_interval"), 2, 0);
  grid->addWidget(averageInterval_, 2, 1);
  grid->addWidget(averageIntervalDuration_, 2, 2);
  grid->setColumnStretch(2, 1);
  return box;
}

QGroupBox* ConfigurationPage::buildDepthBox() {
  auto* box = texts_.titleOf(new QGroupBox(this), "ITEM", "item_items4");
  box->setObjectName("depthProfileBox");
  initialValue_ =
      textField("initialValueEdit", &task::TaskPage::editInitialValue, &task::TaskFields::initialValue);
  initialValueCaption_ = captionFor(initialValue_, {}, box);
  initialValueCaption_->setObjectName("initialValueCaption");

  auto* zeroBox = texts_.titleOf(new QGroupBox(box), "QL310", "ql310_cpt_initzero");
  zeroBox->setObjectName("zeroPointBox");
  currentPressure_ = texts_.textOf(new QRadioButton(zeroBox), "QL310", "ql310_cpt_pres");
  currentPressure_->setObjectName("currentPressureChoice");
  seaLevel_ = texts_.textOf(new QRadioButton(zeroBox), "QL310", "ql310_cpt_seapres");
  seaLevel_->setObjectName("seaLevelChoice");
  zeroPoint_ = new QButtonGroup(this);
  zeroPoint_->addButton(currentPressure_);
  zeroPoint_->addButton(seaLevel_);
  connect(currentPressure_, &QRadioButton::clicked, this, [this] {
    if (rendering_) return;
    task_.chooseZeroPoint(task::ZeroPoint::CurrentPressure);
    batch_.renderNow();
  });
  connect(seaLevel_, &QRadioButton::clicked, this, [this] {
    if (rendering_) return;
    task_.chooseZeroPoint(task::ZeroPoint::SeaLevel);
    batch_.renderNow();
  });
  auto* zeroLayout = new QHBoxLayout(zeroBox);
  zeroLayout->addWidget(currentPressure_);
  zeroLayout->addWidget(seaLevel_);
  zeroLayout->addStretch(1);

  depthInterval_ =
      textField("depthIntervalEdit", &task::TaskPage::editDepthInterval, &task::TaskFields::depthInterval);
  equivalentPressure_ = derivedCaption("equivalentPressureCaption", box);

  auto* grid = new QGridLayout(box);
  grid->addWidget(initialValueCaption_, 0, 0);
  grid->addWidget(initialValue_, 0, 1);
  grid->addWidget(new QLabel(kPressureUnit, box), 0, 2);
  grid->addWidget(zeroBox, 1, 0, 1, 4);
  grid->addWidget(texts_.textOf(captionFor(depthInterval_, {}, box), "QL310", "ql310_cpt_fixed_depth"), 2, 0);
  grid->addWidget(depthInterval_, 2, 1);
  grid->addWidget(new QLabel(kDepthUnit, box), 2, 2);
  grid->addWidget(equivalentPressure_, 2, 3);
  grid->setColumnStretch(3, 1);
  return box;
}

QLayout* ConfigurationPage::buildEstimates() {
  memory_ = derivedCaption("memoryEstimate", this);
  battery_ = derivedCaption("batteryEstimate", this);
  memoryFull_ = derivedCaption("memoryFullCaption", this);
  batterySpent_ = derivedCaption("batterySpentCaption", this);
  status_ = derivedCaption("taskStatus", this);
  status_->setStyleSheet("color: #b3261e;");  // a refused write is read at once
  auto* layout = new QVBoxLayout;
  for (QLabel* label : {memory_, battery_, memoryFull_, batterySpent_, status_}) layout->addWidget(label);
  return layout;
}

QLayout* ConfigurationPage::buildActions(const VelmoPictures& pictures) {
  const PictureButton::Pictures wide{pictures[Picture::WideNormal], pictures[Picture::WidePressed], {}};
  readButton_ = new PictureButton(wide, this);
  readButton_->setObjectName("readConfigurationButton");
  texts_.bind("TASK", "task_test_channel", [this](const QString& text) { readButton_->setCaption(text); });
  connect(readButton_, &PictureButton::clicked, this, [this] { program_.readConfiguration(); });
  writeButton_ = new PictureButton(wide, this);
  writeButton_->setObjectName("writeConfigurationButton");
  texts_.bind("MAIN", "btn_trd_write_set", [this](const QString& text) { writeButton_->setCaption(text); });
  connect(writeButton_, &PictureButton::clicked, this, [this] { program_.writeConfiguration(); });
  auto* row = new QHBoxLayout;
  row->addWidget(readButton_);
  row->addWidget(writeButton_);
  row->addStretch(1);
  return row;
}

void ConfigurationPage::orderTabs() {
  const QList<QWidget*> order{name_,
                              startDate_,
                              startTime_,
                              endDate_,
                              endTime_,
                              workMode_,
                              sampleRate_,
                              recordInterval_,
                              averageRecordInterval_,
                              averageCount_,
                              averageInterval_,
                              initialValue_,
                              currentPressure_,
                              seaLevel_,
                              depthInterval_,
                              sendRecords_,
                              clockSync_,
                              readButton_,
                              writeButton_,
                              menuButton_};
  for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QLineEdit* ConfigurationPage::textField(const char* name, TextEdit edit, TextField field) {
  auto* line = new QLineEdit(this);
  line->setObjectName(name);
  if (edit != &task::TaskPage::editName) {
    line->setMaximumWidth(line->fontMetrics().horizontalAdvance(QString(kNumberFieldChars, '0')) +
                          line->fontMetrics().height());
  }
  connect(line, &QLineEdit::textEdited, this, [this, line, edit, field] { fieldEdited(line, edit, field); });
  return line;
}

void ConfigurationPage::fieldEdited(QLineEdit* edit, TextEdit operation, TextField field) {
  if (rendering_) return;
  (task_.*operation)(edit->text().toStdString());
  // The field shows what the model kept, the caret at its end.
  const QString kept = toQString(task_.fields().*field);
  if (edit->text() != kept) edit->setText(kept);
  edit->setCursorPosition(int(kept.size()));
  batch_.renderNow();
}

void ConfigurationPage::startEdited() {
  if (rendering_) return;
  task_.setStart(fromQt(startDate_->date(), startTime_->time()));
  batch_.renderNow();  // a refused moment returns to the model's
}

void ConfigurationPage::endEdited() {
  if (rendering_) return;
  task_.setEnd(fromQt(endDate_->date(), endTime_->time()));
  batch_.renderNow();
}

void ConfigurationPage::render() {
  const task::TaskFields& f = task_.fields();
  rendering_ = true;
  showText(name_, f.name);
  startDate_->setDate(toQDate(f.start));
  startTime_->setTime(toQTime(f.start));
  endDate_->setDate(toQDate(f.end));
  endTime_->setTime(toQTime(f.end));
  workMode_->setCurrentIndex(static_cast<int>(f.mode));
  modeBoxes_->setCurrentIndex(static_cast<int>(f.shownBox) + 1);

  sampleRate_->setCurrentIndex(f.sampleRateIndex);
  showText(recordInterval_, f.recordInterval);
  recordIntervalDuration_->setText(toQString(f.recordIntervalDuration));
  showText(averageRecordInterval_, f.averageRecordInterval);
  averageRecordIntervalDuration_->setText(toQString(f.averageRecordIntervalDuration));
  showText(averageCount_, f.averageCount);
  showText(averageInterval_, f.averageInterval);
  averageIntervalDuration_->setText(toQString(f.averageIntervalDuration));

  initialValueCaption_->setText(toQString(f.initialValueCaption));
  showText(initialValue_, f.initialValue);
  // Neither choice is checked until the operator makes one.
  zeroPoint_->setExclusive(false);
  currentPressure_->setChecked(f.zeroPoint == task::ZeroPoint::CurrentPressure);
  seaLevel_->setChecked(f.zeroPoint == task::ZeroPoint::SeaLevel);
  zeroPoint_->setExclusive(true);
  showText(depthInterval_, f.depthInterval);
  equivalentPressure_->setText(toQString(f.equivalentPressureCaption));

  sendRecords_->setChecked(f.sendRecords);
  clockSync_->setChecked(f.clockSync);
  memory_->setText(toQString(f.memoryCaption));
  battery_->setText(toQString(f.batteryCaption));
  memoryFull_->setText(toQString(f.memoryFullCaption));
  batterySpent_->setText(toQString(f.batterySpentCaption));
  status_->setText(toQString(f.statusText));
  diagram_->showMode(f.shownDiagram);
  rendering_ = false;
}

void ConfigurationPage::openProgramMenu() {
  // The menu serves a linked instrument only.
  if (!program_.connectionPanel().linkShownAsOk) return;

  QMenu menu(this);
  menu.setObjectName("programMenu");
  QAction* settings = menu.addAction(toQString(program_.text("MENU", "menu_setsys")));
  connect(settings, &QAction::triggered, this, [this] {
    SystemSettingsDialog dialog(program_, VelmoPictures::load(program_.home()), this);
    dialog.exec();
  });
  QAction* update = menu.addAction(toQString(program_.text("MENU", "menu_updcheck")));
  connect(update, &QAction::triggered, this, [this] { program_.checkForUpdate(); });
  QAction* about = menu.addAction(toQString(program_.text("MENU", "menu_about")));
  connect(about, &QAction::triggered, this, [this] { program_.showAbout(); });
  // At the mouse, opening to the left and a little lower; below the button from the keyboard.
  const QPoint anchor = menuButton_->underMouse()
                            ? QCursor::pos()
                            : menuButton_->mapToGlobal(QPoint(menuButton_->width(), menuButton_->height()));
  menu.exec(anchor + QPoint(-menu.sizeHint().width(), 5));
}

void ConfigurationPage::applyTexts() { texts_.apply(); }

}  // namespace ql
