#include "ui/velmo/data_view_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "runtime/formats.h"
#include "shell/velmo_program.h"
#include "ui/velmo/chart_window.h"
#include "ui/velmo/data_table_model.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

const QColor kLatestItemColour(Qt::red);
constexpr int kMaxListWidth = 360;

}  // namespace

DataViewPage::DataViewPage(VelmoProgram& program, const VelmoPictures& pictures, Operator& op,
                           QWidget* parent)
    : QWidget(parent),
      program_(program),
      operator_(op),
      controller_(program.dataPage()),
      navigationBatch_(this, [this] {
        if (program_.navigation().page != Page::DataView) return;
        listLocalFiles();
        showParameterValues();
        showHeightChoices();
      }) {
  setObjectName("dataViewPage");
  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};
  const PictureButton::Pictures widePictures{
      pictures[Picture::WideNormal], pictures[Picture::WidePressed], {}};
  auto makeButton = [this](const PictureButton::Pictures& look, const char* name, const char* section,
                           const char* key) {
    auto* button = new PictureButton(look, this);
    button->setObjectName(name);
    texts_.bind(section, key, [button](const QString& text) { button->setCaption(text); });
    return button;
  };

  // The local file list.
  auto* localBox = texts_.titleOf(new QGroupBox(this), "MAIN", "cpt_sec_hard_list");
  localBox->setObjectName("localFilesBox");
  localFiles_ = new QListWidget(localBox);
  localFiles_->setObjectName("localFileList");
  localFiles_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* localLayout = new QVBoxLayout(localBox);
  localLayout->addWidget(localFiles_);
  connect(localFiles_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { openLocalFile(localFiles_->row(item)); });

  // The table.
  model_ = new DataTableModel(controller_.page(), {}, this);
  table_ = new QTableView(this);
  table_->setObjectName("dataTable");
  table_->setModel(model_);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  // Rows of one height: the view then never measures 10,001 rows.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionsClickable(true);
  connect(table_, &QTableView::clicked, this,
          [this](const QModelIndex& index) { model_->highlightRow(index.row()); });
  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this] { model_->highlightRow(-1); });
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.column() > 0 && !controller_.page().cell(index.row(), index.column()).empty()) openChart();
  });

  message_ = new QLabel(this);
  message_->setObjectName("openMessage");
  message_->setWordWrap(true);
  message_->setStyleSheet("color: red;");
  message_->hide();
  uncoveredCaption_ = new QLabel(this);
  uncoveredCaption_->setObjectName("uncoveredCaption");
  uncoveredCaption_->setWordWrap(true);
  uncoveredCaption_->setStyleSheet("color: #b05000;");
  uncoveredCaption_->hide();
  driftCaption_ = new QLabel(this);
  driftCaption_->setObjectName("driftCaption");
  driftCaption_->setWordWrap(true);
  driftCaption_->hide();

  // Page buttons, the chart, the exports.
  previous_ = makeButton(actionPictures, "previousPageButton", "MAIN", "btn_sec_last_page");
  next_ = makeButton(actionPictures, "nextPageButton", "MAIN", "btn_sec_next_page");
  pageCaption_ = new QLabel(this);
  pageCaption_->setObjectName("pageCaption");
  auto* chartButton = makeButton(actionPictures, "chartButton", "QL310", "ql310_graphdis");
  auto* exportButton = makeButton(widePictures, "exportButton", "MAIN", "btn_sec_save_as");
  auto* downloadLayoutButton =
      makeButton(widePictures, "downloadLayoutExportButton", "MAIN", "cpt_sec_serial");
  auto* annotatedButton = makeButton(widePictures, "annotatedExportButton", "MAIN", "btn_sec_save_annotated");
  connect(previous_, &PictureButton::clicked, this, [this] { showPage(controller_.page().page() - 1); });
  connect(next_, &PictureButton::clicked, this, [this] { showPage(controller_.page().page() + 1); });
  connect(chartButton, &PictureButton::clicked, this, &DataViewPage::openChart);
  connect(exportButton, &PictureButton::clicked, this, &DataViewPage::exportDataPage);
  connect(downloadLayoutButton, &PictureButton::clicked, this, &DataViewPage::exportDownloadLayout);
  connect(annotatedButton, &PictureButton::clicked, this, &DataViewPage::exportAnnotated);
  driftCorrectionCheck_ = texts_.textOf(new QCheckBox(this), "MAIN", "chk_sec_drift_correct");
  driftCorrectionCheck_->setObjectName("driftCorrectionCheck");
  connect(driftCorrectionCheck_, &QCheckBox::toggled, this,
          [this](bool on) { controller_.setDriftCorrection(on); });

  auto* tableRow = new QHBoxLayout;
  tableRow->addWidget(previous_);
  tableRow->addWidget(next_);
  tableRow->addWidget(pageCaption_);
  tableRow->addStretch(1);
  tableRow->addWidget(chartButton);

  // The file list with what acts on the open file below it; the table takes the rest.
  auto* side = new QVBoxLayout;
  side->addWidget(localBox, 1);
  side->addWidget(buildParameters());
  side->addWidget(buildHeightChoices());
  side->addWidget(exportButton);
  side->addWidget(downloadLayoutButton);
  side->addWidget(annotatedButton);
  side->addWidget(driftCorrectionCheck_);

  auto* centre = new QVBoxLayout;
  centre->addWidget(table_, 1);
  centre->addWidget(message_);
  centre->addWidget(uncoveredCaption_);
  centre->addWidget(driftCaption_);
  centre->addLayout(tableRow);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(side, 0);
  layout->addLayout(centre, 1);

  chart_ = new ChartWindow(program_, controller_.page(), this);
  showPageButtons();
  showHeightChoices();
  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  showDrift();
  navigationBatch_.watch(program_.navigation());
}

void DataViewPage::applyTexts() {
  texts_.apply();
  QStringList titles;
  for (int column = 0; column < DataPage::kColumns; ++column) {
    // The unit goes on a second line, so that the value columns stay narrow.
    QString title = toQString(program_.text(DataPage::kTitleSection, DataPage::columnTitleKey(column)));
    const qsizetype unit = title.indexOf('(');
    if (unit > 0) title = title.left(unit).trimmed() + "\n" + title.mid(unit);
    titles << title;
  }
  model_->setTitles(titles);
  showHeightChoices();  // its summary may be the "none" text
  chart_->applyTexts();
}

DataViewPage::~DataViewPage() = default;

QWidget* DataViewPage::buildParameters() {
  auto* box = new QGroupBox(this);
  box->setObjectName("depthParameters");
  auto* grid = new QGridLayout(box);
  struct Row {
    const char* captionKey;
    const char* name;
    QString unit;
    double value;
    DataPageController::Parameter parameter;
  };
  const DepthParameters& depth = controller_.depthParameters();
  const std::array<Row, 3> rows{{
      {"cpt_sec_water", "densityEdit", QString::fromUtf8("g/cm³"), depth.density,
       DataPageController::Parameter::Density},
      {"cpt_sec_g", "gravityEdit", QString::fromUtf8("m/s²"), depth.gravity,
       DataPageController::Parameter::Gravity},
      {"cpt_sec_offset", "offsetEdit", QStringLiteral("kPa"), depth.offset,
       DataPageController::Parameter::Offset},
  }};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto* caption = texts_.textOf(new QLabel(box), "MAIN", rows[i].captionKey);
    auto* edit = new QLineEdit(toQString(formatShortest(rows[i].value)), box);
    edit->setObjectName(rows[i].name);
    caption->setBuddy(edit);
    grid->addWidget(caption, int(i), 0);
    grid->addWidget(edit, int(i), 1);
    grid->addWidget(new QLabel(rows[i].unit, box), int(i), 2);
    parameterEdits_[i] = edit;
    const DataPageController::Parameter parameter = rows[i].parameter;
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit, parameter] { parameterEdited(edit, parameter); });
  }
  return box;
}

QWidget* DataViewPage::buildHeightChoices() {
  auto* box = new QGroupBox(this);
  box->setObjectName("heightChoices");
  auto* grid = new QGridLayout(box);
  fixedGravityChoice_ = texts_.textOf(new QRadioButton(box), "MAIN", "cpt_sec_water_fresh");
  fixedGravityChoice_->setObjectName("fixedGravityChoice");
  seaWaterChoice_ = texts_.textOf(new QRadioButton(box), "MAIN", "cpt_sec_water_sea");
  seaWaterChoice_->setObjectName("seaWaterChoice");
  auto* latitudeCaption = texts_.textOf(new QLabel(box), "MAIN", "cpt_sec_latitude");
  latitudeEdit_ = new QLineEdit(toQString(formatShortest(controller_.latitude())), box);
  latitudeEdit_->setObjectName("latitudeEdit");
  latitudeCaption->setBuddy(latitudeEdit_);
  grid->addWidget(fixedGravityChoice_, 0, 0, 1, 3);
  grid->addWidget(seaWaterChoice_, 1, 0, 1, 3);
  grid->addWidget(latitudeCaption, 2, 0);
  grid->addWidget(latitudeEdit_, 2, 1);
  grid->addWidget(new QLabel(QString::fromUtf8("°"), box), 2, 2);
  connect(fixedGravityChoice_, &QRadioButton::clicked, this, [this] {
    controller_.chooseWater(DataPageController::Water::FixedGravity);
    pageReloaded();
  });
  connect(seaWaterChoice_, &QRadioButton::clicked, this, [this] {
    controller_.chooseWater(DataPageController::Water::SeaWater);
    pageReloaded();
  });
  connect(latitudeEdit_, &QLineEdit::textEdited, this, [this] {
    parameterEdited(latitudeEdit_, DataPageController::Parameter::Latitude);
    pageReloaded();
  });

  auto* barometricCaption = texts_.textOf(new QLabel(box), "MAIN", "cpt_sec_baro");
  barometricSummary_ = new QLabel(box);
  barometricSummary_->setObjectName("barometricSummary");
  barometricSummary_->setWordWrap(true);
  auto* choose = texts_.textOf(new QPushButton(box), "MAIN", "btn_sec_baro_choose");
  choose->setObjectName("chooseBarometricButton");
  auto* clear = texts_.textOf(new QPushButton(box), "MAIN", "btn_sec_baro_clear");
  clear->setObjectName("clearBarometricButton");
  clearBarometricButton_ = clear;
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(choose);
  buttons->addWidget(clear);
  buttons->addStretch(1);
  auto* gapCaption = texts_.textOf(new QLabel(box), "MAIN", "cpt_sec_baro_gap");
  barometricGapEdit_ = new QLineEdit(toQString(formatShortest(controller_.barometricGapHours())), box);
  barometricGapEdit_->setObjectName("barometricGapEdit");
  gapCaption->setBuddy(barometricGapEdit_);
  grid->addWidget(barometricCaption, 3, 0, 1, 3);
  grid->addWidget(barometricSummary_, 4, 0, 1, 3);
  grid->addLayout(buttons, 5, 0, 1, 3);
  grid->addWidget(gapCaption, 6, 0);
  grid->addWidget(barometricGapEdit_, 6, 1);
  grid->addWidget(new QLabel(QStringLiteral("h"), box), 6, 2);
  connect(barometricGapEdit_, &QLineEdit::textEdited, this, [this] {
    parameterEdited(barometricGapEdit_, DataPageController::Parameter::BarometricGapHours);
    pageReloaded();
  });
  connect(choose, &QPushButton::clicked, this, &DataViewPage::chooseBarometricFile);
  connect(clear, &QPushButton::clicked, this, &DataViewPage::clearBarometricFile);
  return box;
}

void DataViewPage::parameterEdited(QLineEdit* edit, DataPageController::Parameter parameter) {
  const QString shown = toQString(controller_.editParameter(parameter, edit->text().toStdString()));
  if (shown != edit->text()) {
    edit->setText(shown);
    edit->setCursorPosition(int(shown.size()));
  }
}

void DataViewPage::showHeightChoices() {
  const bool sea = controller_.water() == DataPageController::Water::SeaWater;
  fixedGravityChoice_->setChecked(!sea);
  seaWaterChoice_->setChecked(sea);
  latitudeEdit_->setEnabled(sea);
  // The fixed gravity and density do not enter the sea-water depth; the offset gives way to a
  // barometric series.
  parameterEdits_[0]->setEnabled(!sea);
  parameterEdits_[1]->setEnabled(!sea);
  parameterEdits_[2]->setEnabled(!controller_.barometricSeries());
  const std::string summary = controller_.barometricSummary();
  barometricSummary_->setText(summary.empty() ? toQString(program_.text("MAIN", "cpt_sec_baro_none"))
                                              : toQString(summary));
  barometricSummary_->setToolTip(
      controller_.barometricSeries() ? toQString(controller_.barometricSeries()->source) : QString());
  clearBarometricButton_->setEnabled(controller_.barometricSeries() != nullptr);
}

void DataViewPage::showParameterValues() {
  const DepthParameters& depth = controller_.depthParameters();
  const std::array<std::pair<QLineEdit*, double>, 5> shown{{
      {parameterEdits_[0], depth.density},
      {parameterEdits_[1], depth.gravity},
      {parameterEdits_[2], depth.offset},
      {latitudeEdit_, controller_.latitude()},
      {barometricGapEdit_, controller_.barometricGapHours()},
  }};
  for (const auto& [edit, value] : shown) edit->setText(toQString(formatShortest(value)));
}

void DataViewPage::showDrift() {
  const std::string drift = controller_.driftText();
  driftCaption_->setText(toQString(drift));
  driftCaption_->setVisible(!drift.empty());
  const bool applies = controller_.canCorrectDrift();
  driftCorrectionCheck_->setEnabled(applies);
  driftCorrectionCheck_->setToolTip(applies ? QString() : toQString(controller_.drift().reason));
}

void DataViewPage::pageReloaded() {
  model_->reload();
  showHeightChoices();
  const std::string uncovered = controller_.uncoveredText();
  uncoveredCaption_->setText(toQString(uncovered));
  uncoveredCaption_->setVisible(!uncovered.empty());
}

void DataViewPage::chooseBarometricFile() {
  if (controller_.chooseBarometricFile()) pageReloaded();
}

void DataViewPage::clearBarometricFile() {
  controller_.clearBarometricFile();
  pageReloaded();
}

void DataViewPage::listLocalFiles() {
  // The open file stays open; only the list is rebuilt.
  localFiles_->clear();
  for (const LocalFileItem& item : ListLocalFiles(program_.home().dir(), program_.lastSaveStamp())) {
    auto* listItem = new QListWidgetItem(toQString(item.text), localFiles_);
    if (item.red) listItem->setForeground(kLatestItemColour);
  }
  // Wide enough for whole names, within reason.
  const int wanted = localFiles_->sizeHintForColumn(0) + 2 * localFiles_->frameWidth() +
                     localFiles_->verticalScrollBar()->sizeHint().width();
  localFiles_->setMinimumWidth(std::min(wanted, kMaxListWidth));
}

bool DataViewPage::openLocalFile(int row) {
  QListWidgetItem* item = localFiles_->item(row);
  if (!item) return false;
  const OpenResult result = controller_.openItem(item->text().toStdString());
  pageReloaded();
  showDrift();
  showPageButtons();
  if (result.opened()) {
    message_->hide();
    table_->scrollToTop();
    return true;
  }
  message_->setText(toQString(result.message));
  message_->setVisible(!result.message.empty());
  if (!result.message.empty()) operator_.showMessage("", result.message);
  return false;
}

void DataViewPage::showPage(int page) {
  if (!controller_.showPage(page)) return;
  pageReloaded();
  table_->scrollToTop();
  showPageButtons();
}

void DataViewPage::showPageButtons() {
  const DataPage& page = controller_.page();
  previous_->setVisible(page.previousVisible());
  next_->setVisible(page.nextVisible());
  pageCaption_->setVisible(page.isOpen() && page.pageCount() > 1);
  pageCaption_->setText(QString("%1 / %2").arg(page.page()).arg(page.pageCount()));
}

void DataViewPage::openChart() {
  if (!controller_.page().isOpen()) return;
  chart_->openForPage(controller_.depthParameters());
}

// Nothing happens without a picked, open file.
void DataViewPage::exportDataPage() {
  if (localFiles_->currentRow() >= 0) controller_.exportOpenFile(DataPageController::Layout::DataPage);
}

void DataViewPage::exportDownloadLayout() {
  if (localFiles_->currentRow() >= 0) controller_.exportOpenFile(DataPageController::Layout::Download);
}

void DataViewPage::exportAnnotated() {
  if (localFiles_->currentRow() >= 0) controller_.exportOpenFile(DataPageController::Layout::Annotated);
}

}  // namespace ql
