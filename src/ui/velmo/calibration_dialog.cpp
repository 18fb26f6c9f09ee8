#include "ui/velmo/calibration_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>
#include <string_view>

#include "calibration/coefficient_read_sequence.h"
#include "calibration/coefficient_sequences.h"
#include "calibration/coefficient_write_sequence.h"
#include "calibration/parameter_backup.h"
#include "calibration/sample_rings.h"
#include "shell/velmo_program.h"
#include "ui/qt/port_box.h"
#include "ui/velmo/fit_curve_window.h"
#include "ui/velmo/point_table_model.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

using calibration::CurveMode;
using calibration::GeneralParameter;
using calibration::TableKey;
using calibration::WorkbenchTab;

constexpr const char* kSection = "CALIBRATION";
constexpr int kFontPixels = 12;
constexpr int kSideColumnWidth = 372;
constexpr int kTableHeight = 380;
constexpr int kFlashSize = 15;
constexpr int kCoefficientWidth = 112;
constexpr int kWindowStep = 5;
const QColor kHintColour(0, 0, 255);
const QColor kBlueCaption(0, 0, 255);
const QColor kOpenPortColour(255, 0, 0);

// Texts of the coefficient sequences and the backup that the status field shows, by key.
struct StatusText {
  const char* core;
  const char* key;
};
constexpr StatusText kStatusTexts[] = {
    {calibration::kReadDone, "status_read_done"},
    {calibration::kWriteDone, "status_write_done"},
    {calibration::backup_texts::kSaved, "status_saved"},
    {calibration::backup_texts::kCancelled, "status_cancelled"},
    {calibration::backup_texts::kSaveFailed, "status_save_failed"},
    {calibration::kNoBlockToRestore, "status_no_block"},
};

// The language keys of the general parameters, in the panel's order.
constexpr const char* kParameterKeys[calibration::kGeneralParameterCount] = {
    "param_battery_k",         "param_battery_b",      "param_pressure_on_temperature",
    "param_temperature_drift", "param_pressure_drift", "param_pressure_ad_offset",
    "param_probe_ad_offset",   "param_polynomial0",    "param_polynomial1",
    "param_polynomial2",       "param_polynomial3",
};

void setTextColour(QWidget* widget, const QColor& colour) {
  if (widget->palette().color(QPalette::WindowText) == colour &&
      widget->palette().color(QPalette::Text) == colour)
    return;
  QPalette colours = widget->palette();
  colours.setColor(QPalette::WindowText, colour);
  colours.setColor(QPalette::Text, colour);
  colours.setColor(QPalette::ButtonText, colour);
  widget->setPalette(colours);
}

void setTextIfChanged(QLabel* label, const std::string& text) {
  const QString shown = toQString(text);
  if (label->text() != shown) label->setText(shown);
}

// An edit keeps its caret while the operator types; a text from elsewhere replaces it (caret at
// the end).
void setTextIfChanged(QLineEdit* edit, const std::string& text) {
  const QString shown = toQString(text);
  if (edit->text() != shown) edit->setText(shown);
}

}  // namespace

CalibrationDialog::CalibrationDialog(VelmoProgram& program, QWidget* parent)
    : QDialog(parent), program_(program), desk_(program.calibration()), batch_(this, [this] { render(); }) {
  setObjectName("calibrationDialog");
  setWindowTitle(text("caption", "压力温度校正部分"));
  setModal(true);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);
  QFont dialogFont(QString::fromUtf8("SimSun"));
  dialogFont.setPixelSize(kFontPixels);
  setFont(dialogFont);

  tabs_ = new QTabBar(this);
  tabs_->setObjectName("calibrationTabs");
  tabs_->addTab(text("tab_pressure", "压力"));
  tabs_->addTab(text("tab_temperature", "温度"));
  tabs_->addTab(text("tab_general", "综合参数"));
  tabs_->addTab(text("tab_backup", "参数备份"));
  tabs_->setFocusPolicy(Qt::StrongFocus);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { desk_.selectTab(index); });

  pages_ = new QStackedWidget(this);
  pages_->setObjectName("calibrationPages");
  pages_->addWidget(buildTablePage());
  pages_->addWidget(buildGeneralPage());
  pages_->addWidget(buildBackupPage());
  buildTableMenu();

  auto* body = new QHBoxLayout;
  body->addWidget(pages_, 1);
  body->addWidget(buildSideColumn());

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 6, 6, 6);
  root->addWidget(tabs_);
  root->addLayout(body, 1);
  root->addWidget(buildProcedure());

  calibration::Workbench& bench = desk_.workbench();
  batch_.watch(bench.fields());
  batch_.watch(bench.pressureTable());
  batch_.watch(bench.temperatureTable());
  batch_.watch(desk_.panel());
  batch_.watch(desk_.backup());
  batch_.watch(desk_.reference());
  batch_.watch(desk_.figures());
  batch_.renderNow();
}

QString CalibrationDialog::text(const char* key, const char* chinese) const {
  const std::string shown = program_.text(kSection, key);
  return toQString(shown.empty() ? std::string(chinese) : shown);
}

QPushButton* CalibrationDialog::button(const char* key, const char* chinese, const char* name) {
  auto* pushButton = new QPushButton(text(key, chinese), this);
  pushButton->setObjectName(name);
  // Enter belongs to the tables (it confirms); no button takes it as the default.
  pushButton->setAutoDefault(false);
  pushButton->setDefault(false);
  return pushButton;
}

QLabel* CalibrationDialog::caption(const char* key, const char* chinese, const char* name) {
  auto* label = new QLabel(text(key, chinese), this);
  if (name) label->setObjectName(name);
  return label;
}

QLabel* CalibrationDialog::field(const char* name, int minimumWidth) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  if (minimumWidth > 0) label->setMinimumWidth(minimumWidth);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// --- the table page: a point table, the live fields and the coefficient panel ------------------

QTableView* CalibrationDialog::buildTableView(PointTableModel* model, const calibration::PointTable& table,
                                              const char* name) {
  auto* view = new QTableView(this);
  view->setObjectName(name);
  view->setModel(model);
  view->setItemDelegate(new PointTableDelegate(view));
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectItems);
  // Tab leaves the table, so every button is reachable from the keyboard.
  view->setTabKeyNavigation(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(22);
  view->horizontalHeader()->setHighlightSections(false);
  for (int column = 0; column < table.columnCount(); ++column)
    view->setColumnWidth(column, table.columnWidth(column));
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this,
          [this, view](const QPoint& at) { tableMenu_->popup(view->viewport()->mapToGlobal(at)); });
  view->installEventFilter(this);
  return view;
}

QWidget* CalibrationDialog::buildTablePage() {
  calibration::Workbench& bench = desk_.workbench();
  QStringList pressureHeaders;
  const std::pair<const char*, const char*> pressureKeys[] = {
      {"grid_p0", "序号"},      {"grid_p1", "测量点(Pa)"}, {"grid_p2", "回程1升压"}, {"grid_p3", "回程1降压"},
      {"grid_p4", "回程2升压"}, {"grid_p5", "回程2降压"},  {"grid_p6", "平均值"},    {"grid_p7", "验证升压"},
      {"grid_p8", "验证降压"},  {"grid_p9", "误差(%)"},    {"grid_p10", "压力影响"}};
  for (const auto& [key, chinese] : pressureKeys) pressureHeaders << text(key, chinese);
  QStringList temperatureHeaders;
  const std::pair<const char*, const char*> temperatureKeys[] = {
      {"grid_t0", "序号"},        {"grid_t1", "校准点(℃)"},  {"grid_t2", "测量值1(ad)"},
      {"grid_t3", "测量值2(ad)"}, {"grid_t4", "验证值1(℃)"}, {"grid_t5", "验证值2(℃)"},
      {"grid_t6", "误差(℃)"},     {"grid_t7", "时间(℃)"}};
  for (const auto& [key, chinese] : temperatureKeys) temperatureHeaders << text(key, chinese);

  pressureModel_ = new PointTableModel(
      bench.pressureTable(), [this] { return desk_.workbench().fields().pressureHighlight; }, pressureHeaders,
      this);
  temperatureModel_ = new PointTableModel(
      bench.temperatureTable(), [this] { return desk_.workbench().fields().temperatureHighlight; },
      temperatureHeaders, this);
  pressureView_ = buildTableView(pressureModel_, bench.pressureTable(), "pressureTable");
  temperatureView_ = buildTableView(temperatureModel_, bench.temperatureTable(), "temperatureTable");
  connect(pressureView_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    const calibration::Cell cell = PointTableModel::cellOf(index);
    desk_.workbench().selectPressureCell(cell.column, cell.row);
  });
  connect(temperatureView_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    const calibration::Cell cell = PointTableModel::cellOf(index);
    desk_.workbench().selectTemperatureCell(cell.column, cell.row);
  });

  tables_ = new QStackedWidget(this);
  tables_->setObjectName("pointTables");
  tables_->addWidget(pressureView_);
  tables_->addWidget(temperatureView_);
  tables_->setFixedHeight(kTableHeight);

  auto* hint = caption("hint", "按回车确定，空格选择数据，回退重新平均，双击公式编辑", "tableHint");
  setTextColour(hint, kHintColour);

  auto* live = new QHBoxLayout;
  instant1_ = field("instant1", 70);
  average1_ = field("average1", 70);
  instant2_ = field("instant2", 70);
  average2_ = field("average2", 70);
  sampleCount_ = field("sampleCount", 60);
  live->addWidget(caption("live_instant1", "即时1："));
  live->addWidget(instant1_);
  live->addWidget(caption("live_average1", "平均1："));
  live->addWidget(average1_);
  live->addWidget(caption("live_instant2", "即时2："));
  live->addWidget(instant2_);
  live->addWidget(caption("live_average2", "平均2："));
  live->addWidget(average2_);
  live->addWidget(sampleCount_);
  live->addStretch(1);

  auto* page = new QWidget(this);
  page->setObjectName("tablePage");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tables_);
  layout->addWidget(hint);
  layout->addLayout(live);
  layout->addWidget(buildCoefficientPanel());
  layout->addStretch(1);
  return page;
}

QWidget* CalibrationDialog::buildCoefficientPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("coefficientPanel");
  auto* grid = new QGridLayout(panel);
  grid->setVerticalSpacing(3);

  formula_ = caption("formula", "Y=a+bx+cx^2+dx^3+ex^4+fx^5", "formulaCaption");
  formula_->setToolTip(text("formula_tip", "双击公式编辑"));
  formula_->installEventFilter(this);
  grid->addWidget(formula_, 0, 0, 1, 6);

  const std::pair<const char*, const char*> captions[] = {{"coef_a", "系数a"}, {"coef_b", "系数b"},
                                                          {"coef_c", "系数c"}, {"coef_d", "系数d"},
                                                          {"coef_e", "系数e"}, {"coef_f", "系数f"}};
  for (int k = 0; k < 6; ++k) {
    QLabel* label = caption(captions[k].first, captions[k].second);
    label->setObjectName(QString("coefficientCaption%1").arg(k));
    coefficientCaptions_[static_cast<std::size_t>(k)] = label;
    grid->addWidget(label, 1, k);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString("coefficient%1").arg(k));
    edit->setFixedWidth(kCoefficientWidth);
    connect(edit, &QLineEdit::textEdited, this,
            [this, k](const QString& value) { desk_.panel().setCoefficient(k, value.toStdString()); });
    coefficients_[static_cast<std::size_t>(k)] = edit;
    grid->addWidget(edit, 2, k);
    QLabel* back = field(qPrintable(QString("readBack%1").arg(k)));
    readBack_[static_cast<std::size_t>(k)] = back;
    grid->addWidget(back, 3, k);
  }
  // "系数a" takes the logger's coefficients into the edits on a double-click.
  coefficientCaptions_[0]->setToolTip(text("coef_a_tip", "双击复制仪器中的系数"));
  coefficientCaptions_[0]->installEventFilter(this);

  // The error figures run to 15 digits: each takes two edit columns, its caption above it.
  sumOfSquares_ = field("sumOfSquares");
  sumOfAbsolute_ = field("sumOfAbsolute");
  largestFitError_ = field("largestFitError");
  grid->addWidget(caption("err_squares", "误差平方和："), 4, 0, 1, 2);
  grid->addWidget(sumOfSquares_, 5, 0, 1, 2);
  grid->addWidget(caption("err_abs", "误差绝对值和："), 4, 2, 1, 2);
  grid->addWidget(sumOfAbsolute_, 5, 2, 1, 2);
  grid->addWidget(caption("err_max", "误差最大值："), 4, 4, 1, 2);
  grid->addWidget(largestFitError_, 5, 4, 1, 2);

  order_ = new QSpinBox(this);
  order_->setObjectName("fitOrder");
  order_->setRange(1, 5);
  order_->setValue(calibration::FitFigures::kDefaultOrder);
  connect(order_, &QSpinBox::valueChanged, this, [this](int order) { desk_.setOrder(order); });
  adInput_ = new QLineEdit(this);
  adInput_->setObjectName("adInput");
  connect(adInput_, &QLineEdit::textEdited, this,
          [this](const QString& value) { desk_.workbench().fields().adInput = value.toStdString(); });
  adResult_ = new QLineEdit(this);
  adResult_->setObjectName("adResult");
  adResult_->setReadOnly(true);
  QPushButton* calculate = button("btn_ad", "AD计算", "adButton");
  connect(calculate, &QPushButton::clicked, this, [this] { desk_.calculateAd(); });

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(caption("order", "拟合阶数"));
  bottom->addWidget(order_);
  bottom->addSpacing(24);
  bottom->addWidget(calculate);
  bottom->addWidget(adInput_);
  bottom->addWidget(adResult_);
  bottom->addStretch(1);
  grid->addLayout(bottom, 6, 0, 1, 6);
  return panel;
}

// --- the side column: buttons, the logger's readings, choices and the reference source ------------

QWidget* CalibrationDialog::buildSideColumn() {
  sideColumn_ = new QWidget(this);
  sideColumn_->setObjectName("sideColumn");
  sideColumn_->setFixedWidth(kSideColumnWidth);
  auto* column = new QVBoxLayout(sideColumn_);
  column->setContentsMargins(0, 0, 0, 0);

  QPushButton* chooseFile = button("btn_choose_file", "选择校准文件", "chooseFileButton");
  QPushButton* start = button("btn_start", "开始获取", "startButton");
  QPushButton* confirm = button("btn_confirm", "确定", "confirmButton");
  QPushButton* fit = button("btn_fit", "计算拟合", "fitButton");
  QPushButton* read = button("btn_read", "获取", "readButton");
  QPushButton* write = button("btn_write", "写入", "writeButton");
  writeProbe_ = button("btn_write_probe", "写温2", "writeProbeButton");
  QPushButton* save = button("btn_save", "保存", "saveButton");
  connect(chooseFile, &QPushButton::clicked, this, [this] { desk_.chooseCalibrationFile(); });
  connect(start, &QPushButton::clicked, this, [this] { desk_.workbench().startAcquisition(); });
  connect(confirm, &QPushButton::clicked, this, [this] { desk_.workbench().confirm(); });
  connect(fit, &QPushButton::clicked, this, [this] { desk_.fit(); });
  connect(read, &QPushButton::clicked, this, [this] { desk_.readCoefficients(); });
  connect(write, &QPushButton::clicked, this, [this] { desk_.writeCoefficients(); });
  connect(writeProbe_, &QPushButton::clicked, this, [this] { desk_.writeProbeCoefficients(); });
  connect(save, &QPushButton::clicked, this, [this] { desk_.save(); });

  // The first four act on a point table only.
  tableButtons_ = new QWidget(sideColumn_);
  auto* tableRow = new QGridLayout(tableButtons_);
  tableRow->setContentsMargins(0, 0, 0, 0);
  tableRow->addWidget(chooseFile, 0, 0);
  tableRow->addWidget(start, 0, 1);
  tableRow->addWidget(confirm, 1, 0);
  tableRow->addWidget(fit, 1, 1);
  auto* coefficientRow = new QGridLayout;
  coefficientRow->addWidget(read, 0, 0);
  coefficientRow->addWidget(write, 0, 1);
  coefficientRow->addWidget(save, 1, 0);
  coefficientRow->addWidget(writeProbe_, 1, 1);
  column->addWidget(tableButtons_);
  column->addLayout(coefficientRow);

  auto* readings = new QGroupBox(text("readings", "仪器读数"), sideColumn_);
  auto* readingGrid = new QGridLayout(readings);
  temperature1Reading_ = field("temperature1Reading");
  pressureReading_ = field("pressureReading");
  temperature2Reading_ = field("temperature2Reading");
  readingGrid->addWidget(caption("reading_t1", "温度1(℃)："), 0, 0);
  readingGrid->addWidget(temperature1Reading_, 0, 1);
  readingGrid->addWidget(caption("reading_p", "压力(kPa)："), 1, 0);
  readingGrid->addWidget(pressureReading_, 1, 1);
  readingGrid->addWidget(caption("reading_t2", "温度2(℃)："), 2, 0);
  readingGrid->addWidget(temperature2Reading_, 2, 1);
  readingGrid->setColumnStretch(1, 1);
  column->addWidget(readings);

  largestError_ = field("largestError");
  column->addWidget(largestError_);
  auto* positionRow = new QHBoxLayout;
  positions_ = field("positions");
  flash_ = new QWidget(sideColumn_);
  flash_->setObjectName("acquisitionFlash");
  flash_->setFixedSize(kFlashSize, kFlashSize);
  flash_->setAutoFillBackground(true);
  QPalette flashColours = flash_->palette();
  flashColours.setColor(QPalette::Window, QColor(0, 160, 0));
  flash_->setPalette(flashColours);
  QSizePolicy keepPlace = flash_->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  flash_->setSizePolicy(keepPlace);
  positionRow->addWidget(positions_, 1);
  positionRow->addWidget(flash_);
  column->addLayout(positionRow);
  status_ = field("status");
  status_->setWordWrap(true);
  setTextColour(status_, QColor(0, 0, 160));
  column->addWidget(status_);

  auto* choices = new QGridLayout;
  window_ = new QSpinBox(sideColumn_);
  window_->setObjectName("averagingWindow");
  window_->setRange(calibration::SampleRings::kMinWindow, calibration::SampleRings::kMaxWindow);
  window_->setSingleStep(kWindowStep);
  window_->setValue(calibration::SampleRings::kDefaultWindow);
  connect(window_, &QSpinBox::valueChanged, this, [this](int size) { desk_.workbench().setWindow(size); });
  choices->addWidget(caption("window", "平均窗口："), 0, 0);
  choices->addWidget(window_, 0, 1);

  pressureTemperatureRow_ = new QWidget(sideColumn_);
  auto* temperatureRow = new QHBoxLayout(pressureTemperatureRow_);
  temperatureRow->setContentsMargins(0, 0, 0, 0);
  pressureTemperature_ = new QComboBox(pressureTemperatureRow_);
  pressureTemperature_->setObjectName("pressureTemperature");
  connect(pressureTemperature_, &QComboBox::activated, this,
          [this](int index) { desk_.panel().setPressureTemperatureIndex(index); });
  temperatureRow->addWidget(caption("choice_temperature", "压力系数(℃)："));
  temperatureRow->addWidget(pressureTemperature_, 1);
  choices->addWidget(pressureTemperatureRow_, 1, 0, 1, 2);

  probeChoiceRow_ = new QWidget(sideColumn_);
  auto* probeRow = new QHBoxLayout(probeChoiceRow_);
  probeRow->setContentsMargins(0, 0, 0, 0);
  probeChoice_ = new QButtonGroup(probeChoiceRow_);
  probeRow->addWidget(caption("choice_probe", "压力探头的温度系数"));
  for (int index = 0; index < 2; ++index) {
    auto* radio = new QRadioButton(index == 0 ? "0" : "30", probeChoiceRow_);
    radio->setObjectName(QString("probeChoice%1").arg(index));
    probeChoice_->addButton(radio, index);
    probeRow->addWidget(radio);
  }
  probeRow->addStretch(1);
  connect(probeChoice_, &QButtonGroup::idClicked, this,
          [this](int index) { desk_.panel().setProbeTemperatureIndex(index); });
  choices->addWidget(probeChoiceRow_, 2, 0, 1, 2);
  choices->setColumnStretch(1, 1);
  column->addLayout(choices);

  auto* reference = new QHBoxLayout;
  portCaption_ = caption("port", "S  串口:", "referencePortCaption");
  portCaption_->setToolTip(text("port_tip", "双击刷新串口列表"));
  portCaption_->installEventFilter(this);
  ports_ = new QComboBox(sideColumn_);
  ports_->setObjectName("referencePort");
  ports_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ports_->setMinimumContentsLength(14);
  connect(ports_, &QComboBox::activated, this,
          [this](int index) { desk_.reference().choosePort(portPathAt(ports_, index).toStdString()); });
  automatic_ = new QCheckBox(text("auto", "自动"), sideColumn_);
  automatic_->setObjectName("automatic");
  connect(automatic_, &QCheckBox::clicked, this,
          [this](bool checked) { desk_.reference().setAutomatic(checked); });
  reference->addWidget(portCaption_);
  reference->addWidget(ports_, 1);
  reference->addWidget(automatic_);
  column->addLayout(reference);

  // The probe-temperature fit and the probe coefficients read back (temperature tab).
  probeColumns_ = new QGroupBox(sideColumn_);
  probeColumns_->setObjectName("probeColumns");
  auto* probeGrid = new QGridLayout(probeColumns_);
  probeGrid->setVerticalSpacing(2);
  probeGrid->addWidget(caption("probe_fit", "探头拟合"), 0, 1);
  probeGrid->addWidget(caption("probe_read", "探头读回"), 0, 2);
  for (int k = 0; k < 6; ++k) {
    probeGrid->addWidget(new QLabel(QString(QChar('a' + k)), probeColumns_), k + 1, 0);
    QLabel* fitted = field(qPrintable(QString("probeFit%1").arg(k)), 120);
    QLabel* back = field(qPrintable(QString("probeReadBack%1").arg(k)), 120);
    probeFit_[static_cast<std::size_t>(k)] = fitted;
    probeReadBack_[static_cast<std::size_t>(k)] = back;
    probeGrid->addWidget(fitted, k + 1, 1);
    probeGrid->addWidget(back, k + 1, 2);
  }
  probeFit_[5]->setToolTip(text("probe_ad_tip", "双击计算探头温度"));
  probeFit_[5]->installEventFilter(this);
  column->addWidget(probeColumns_);
  column->addStretch(1);
  return sideColumn_;
}

// --- general parameters and backup ------------------------------------------------------------------

QWidget* CalibrationDialog::buildGeneralPage() {
  auto* page = new QWidget(this);
  page->setObjectName("generalPage");
  page->setContextMenuPolicy(Qt::CustomContextMenu);
  // The pressure-influence fit and its curve are offered here, where their results are shown.
  connect(page, &QWidget::customContextMenuRequested, this,
          [this, page](const QPoint& at) { tableMenu_->popup(page->mapToGlobal(at)); });
  auto* grid = new QGridLayout(page);
  for (int i = 0; i < calibration::kGeneralParameterCount; ++i) {
    const auto which = static_cast<GeneralParameter>(i);
    const calibration::GeneralParameterInfo& info = calibration::generalParameterInfo(which);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString("parameter%1").arg(i));
    edit->setFixedWidth(160);
    connect(edit, &QLineEdit::textEdited, this,
            [this, which](const QString& value) { desk_.panel().setParameter(which, value.toStdString()); });
    parameters_[static_cast<std::size_t>(i)] = edit;
    grid->addWidget(caption(kParameterKeys[i], info.caption), i, 0, Qt::AlignRight);
    grid->addWidget(edit, i, 1);
    const bool translatedHint = which == GeneralParameter::PressureOnTemperature;
    auto* hint =
        new QLabel(translatedHint ? text("hint_pressure_on_temperature", info.hint) : info.hint, page);
    setTextColour(hint, kHintColour);
    grid->addWidget(hint, i, 2);
  }
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(calibration::kGeneralParameterCount, 1);
  return page;
}

QWidget* CalibrationDialog::buildBackupPage() {
  auto* page = new QWidget(this);
  page->setObjectName("backupPage");
  listing_ = new QPlainTextEdit(page);
  listing_->setObjectName("parameterListing");
  listing_->setReadOnly(true);
  QPushButton* readAll = button("btn_block_read", "设备所有参数", "readBlockButton");
  QPushButton* load = button("btn_block_load", "从文件获取", "loadBackupButton");
  QPushButton* save = button("btn_block_save", "保存到文件", "saveBackupButton");
  QPushButton* restore = button("btn_block_restore", "写入到仪器", "restoreButton");
  connect(readAll, &QPushButton::clicked, this, [this] { desk_.readParameterBlock(); });
  connect(load, &QPushButton::clicked, this, [this] { desk_.loadBackup(); });
  connect(save, &QPushButton::clicked, this, [this] { desk_.saveBackup(); });
  connect(restore, &QPushButton::clicked, this, [this] { desk_.restoreBackup(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* each : {readAll, load, save, restore}) {
    each->setMinimumWidth(160);
    buttons->addWidget(each);
  }
  // The status field, where the backup tab's buttons report.
  backupStatus_ = field("backupStatus");
  backupStatus_->setWordWrap(true);
  setTextColour(backupStatus_, QColor(0, 0, 160));
  buttons->addWidget(backupStatus_);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(listing_, 1);
  layout->addLayout(buttons);
  return page;
}

QWidget* CalibrationDialog::buildProcedure() {
  const QStringList lines = {
      text("procedure1", "操作方法："),
      text(
          "procedure2",
          "首先选择校准‘压力’或‘温度’，然后‘选择校准文件’，再双击表格中的第一个要校准的位置，背景变成红色后，"
          "点击‘开始获取’，开始从仪器获取AD码值，数据稳定后，点"),
      text("procedure3",
           "击‘确定’，数据锁定，自动开始下一个，两个回程之后，自动计算好平均值，然后选择拟合多项式的阶数，"
           "比较后选择合适的阶数，然后将多项式系数写入到仪器，然后双击表格"),
      text("procedure4",
           "验证升压的第一个数据，点击‘获取’，验证后，点击‘确定’，最大误差合适后，校准完成。"
           "温度校准方法类似压力，最后保存校准报告。"),
  };
  auto* procedure = new QLabel(lines.join('\n'), this);
  procedure->setObjectName("procedure");
  procedure->setWordWrap(true);
  return procedure;
}

void CalibrationDialog::buildTableMenu() {
  tableMenu_ = new QMenu(this);
  tableMenu_->setObjectName("tableMenu");
  const auto item = [this](const char* key, const char* chinese, auto action) {
    QAction* added = tableMenu_->addAction(text(key, chinese));
    connect(added, &QAction::triggered, this, action);
  };
  item("menu_choose_file", "选择校准文件", [this] { desk_.chooseCalibrationFile(); });
  item("menu_last_record", "读取上次保存", [this] { desk_.loadLastRecord(); });
  tableMenu_->addSeparator();
  item("menu_probe_fit", "传感器温度计算拟合", [this] { desk_.fitProbeTemperature(); });
  tableMenu_->addSeparator();
  item("menu_restart", "重新开始平均", [this] { desk_.workbench().restartAveraging(); });
  tableMenu_->addSeparator();
  item("menu_influence_fit", "压力对温度影响的曲线拟合", [this] { desk_.fitPressureInfluence(); });
  tableMenu_->addSeparator();
  item("menu_curve_pressure", "压力拟合曲线", [this] { showCurve(CurveMode::Pressure); });
  item("menu_curve_temperature", "温度拟合曲线", [this] { showCurve(CurveMode::Temperature); });
  item("menu_curve_probe", "压力头温度拟合曲线", [this] { showCurve(CurveMode::ProbeTemperature); });
  item("menu_curve_influence", "温度补偿拟合曲线", [this] { showCurve(CurveMode::PressureInfluence); });
  tableMenu_->addSeparator();
  item("menu_averages", "计算平均值", [this] { desk_.workbench().computeAverages(); });
}

void CalibrationDialog::showCurve(CurveMode mode) {
  if (!desk_.canShowCurve(mode)) return;
  FitCurveWindow curve(mode, desk_.curveSource(), this);
  curve.setWindowTitle(text("curve_caption", "多项式拟合曲线"));
  curve.exec();
}

// --- life and events -----------------------------------------------------------------------------------

void CalibrationDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Opening twice does nothing: the opener may have opened the desk already.
  desk_.show();
  batch_.renderNow();
}

void CalibrationDialog::done(int result) {
  desk_.close();
  QDialog::done(result);
}

bool CalibrationDialog::eventFilter(QObject* watched, QEvent* event) {
  const bool table = watched == pressureView_ || watched == temperatureView_;
  if (table && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // The table acts when the key comes up; its press must not reach the dialog's buttons.
    if (enter && event->type() == QEvent::KeyPress) return true;
    if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) {
      const auto* view = static_cast<QTableView*>(watched);
      const calibration::Cell focused = PointTableModel::cellOf(view->currentIndex());
      if (enter) {
        desk_.workbench().keyReleased(TableKey::Enter, focused);
        return true;
      }
      if (key->key() == Qt::Key_Space && view->currentIndex().isValid()) {
        desk_.workbench().keyReleased(TableKey::Space, focused);
        return true;
      }
      if (key->key() == Qt::Key_Backspace) {
        desk_.workbench().keyReleased(TableKey::Backspace, focused);
        return true;
      }
    }
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == formula_) {
      desk_.panel().toggleCoefficientsReadOnly();
      return true;
    }
    if (watched == coefficientCaptions_[0]) {
      desk_.panel().copyReadBackToCoefficients();
      return true;
    }
    if (watched == probeFit_[5]) {
      desk_.calculateProbeAd();
      return true;
    }
    if (watched == portCaption_) {
      desk_.reference().refillPortChoices();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QString CalibrationDialog::statusText(const std::string& status) const {
  for (const StatusText& known : kStatusTexts)
    if (status == known.core) return text(known.key, known.core);
  return toQString(status);
}

// --- rendering --------------------------------------------------------------------------------------------

void CalibrationDialog::render() {
  const calibration::WorkbenchFields& fields = desk_.workbench().fields();
  const calibration::CoefficientPanel& panel = desk_.panel();
  const calibration::FitFigures& figures = desk_.figures();
  const int tab = desk_.tab();
  const bool pressureTab = tab == static_cast<int>(WorkbenchTab::Pressure);
  const bool temperatureTab = tab == static_cast<int>(WorkbenchTab::Temperature);
  const bool tableTab = pressureTab || temperatureTab;

  if (tabs_->currentIndex() != tab) {
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(tab);
  }
  pages_->setCurrentIndex(tableTab ? 0 : tab - 1);
  tables_->setCurrentIndex(temperatureTab ? 1 : 0);
  sideColumn_->setVisible(tab != static_cast<int>(WorkbenchTab::Backup));
  tableButtons_->setEnabled(tableTab);
  writeProbe_->setVisible(temperatureTab);
  probeColumns_->setVisible(temperatureTab);
  pressureTemperatureRow_->setVisible(pressureTab);
  probeChoiceRow_->setVisible(panel.probeChoiceVisible());

  // Tables.
  pressureModel_->refresh();
  temperatureModel_->refresh();
  const auto widths = [](QTableView* view, const calibration::PointTable& table) {
    for (int column = 0; column < table.columnCount(); ++column)
      if (view->columnWidth(column) != table.columnWidth(column))
        view->setColumnWidth(column, table.columnWidth(column));
  };
  widths(pressureView_, desk_.workbench().pressureTable());
  widths(temperatureView_, desk_.workbench().temperatureTable());

  // Live fields.
  setTextIfChanged(instant1_, fields.instant1);
  setTextIfChanged(average1_, fields.average1);
  setTextIfChanged(instant2_, fields.instant2);
  setTextIfChanged(average2_, fields.average2);
  setTextIfChanged(sampleCount_, fields.sampleCountText);
  setTextIfChanged(temperature1Reading_, fields.temperature1Reading);
  setTextIfChanged(pressureReading_, fields.pressureReading);
  setTextIfChanged(temperature2Reading_, fields.temperature2Reading);
  std::string_view largest = fields.largestError;
  const std::string_view prefix = calibration::kLargestErrorCaption;
  if (largest.substr(0, prefix.size()) == prefix) largest.remove_prefix(prefix.size());
  QString largestCaption = text("largest_error", calibration::kLargestErrorCaption);
  if (largestCaption.endsWith(':')) largestCaption += ' ';
  largestError_->setText(largestCaption + toQString(std::string(largest)));
  setTextIfChanged(positions_, fields.positions);
  status_->setText(statusText(fields.status));
  backupStatus_->setText(status_->text());
  flash_->setVisible(fields.acquisitionFlash);
  if (window_->value() != fields.window) {
    const QSignalBlocker quiet(window_);
    window_->setValue(fields.window);
  }
  setTextIfChanged(adInput_, fields.adInput);

  // Coefficient panel.
  const QColor captionColour = temperatureTab ? kBlueCaption : palette().color(QPalette::WindowText);
  for (int k = 0; k < 6; ++k) {
    const auto i = static_cast<std::size_t>(k);
    setTextIfChanged(coefficients_[i], panel.coefficients()[i]);
    coefficients_[i]->setReadOnly(panel.coefficientsReadOnly());
    setTextIfChanged(readBack_[i], panel.readBack()[i]);
    setTextIfChanged(probeFit_[i], panel.probeFit()[i]);
    setTextIfChanged(probeReadBack_[i], panel.probeReadBack()[i]);
    setTextColour(coefficientCaptions_[i], captionColour);
  }
  const calibration::FitErrorTexts& errors = temperatureTab ? figures.temperature : figures.pressure;
  setTextIfChanged(sumOfSquares_, errors.sumOfSquares);
  setTextIfChanged(sumOfAbsolute_, errors.sumOfAbsolute);
  setTextIfChanged(largestFitError_, errors.largest);
  if (order_->value() != figures.order) {
    const QSignalBlocker quiet(order_);
    order_->setValue(figures.order);
  }
  setTextIfChanged(adResult_, figures.adResult);

  // Choices.
  QStringList choices;
  for (const std::string& item : panel.pressureTemperatureChoices()) choices << toQString(item);
  QStringList shownChoices;
  for (int i = 0; i < pressureTemperature_->count(); ++i) shownChoices << pressureTemperature_->itemText(i);
  {
    const QSignalBlocker quiet(pressureTemperature_);
    if (shownChoices != choices) {
      pressureTemperature_->clear();
      pressureTemperature_->addItems(choices);
    }
    pressureTemperature_->setCurrentIndex(panel.pressureTemperatureIndex());
  }
  if (QAbstractButton* chosen = probeChoice_->button(panel.probeTemperatureIndex())) {
    const QSignalBlocker quiet(probeChoice_);
    chosen->setChecked(true);
  }

  // General parameters.
  for (int i = 0; i < calibration::kGeneralParameterCount; ++i)
    setTextIfChanged(parameters_[static_cast<std::size_t>(i)],
                     panel.parameter(static_cast<GeneralParameter>(i)));

  // Backup listing.
  QStringList lines;
  for (const std::string& line : desk_.backup().listing()) lines << toQString(line);
  const QString listing = lines.join('\n');
  if (listing_->toPlainText() != listing) listing_->setPlainText(listing);

  // Reference source.
  calibration::ReferenceSource& reference = desk_.reference();
  {
    const QSignalBlocker quiet(ports_);
    // Each port as the other port boxes show it; the path stays the item's value.
    if (reference.portChoices() != describedPorts_) {
      describedPorts_ = reference.portChoices();
      std::vector<SerialPortInfo> ports;
      for (const std::string& path : describedPorts_) ports.push_back(program_.describePort(path));
      showPorts(ports_, ports);
    }
    ports_->setCurrentIndex(ports_->findData(toQString(reference.chosenPort()), kPortPathRole));
  }
  setTextColour(ports_, reference.portOpen() ? kOpenPortColour : palette().color(QPalette::WindowText));
  if (automatic_->isChecked() != reference.automatic()) {
    const QSignalBlocker quiet(automatic_);
    automatic_->setChecked(reference.automatic());
  }
}

}  // namespace ql
