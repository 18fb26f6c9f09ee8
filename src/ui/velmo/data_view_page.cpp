#include "ui/velmo/data_view_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "data/csv_export.h"
#include "data/local_store.h"
#include "runtime/formats.h"
#include "shell/velmo_program.h"
#include "ui/velmo/chart_window.h"
#include "ui/velmo/data_table_model.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/stored_file_export.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

const QColor kLatestItemColour(Qt::red);
constexpr int kMaxListWidth = 360;
const std::vector<FileFilter> kCsvFilter{{"*.csv", "*.csv"}};
constexpr const char* kCsvExtension = ".csv";
// Messages the language files have no text for.
constexpr const char* kExportFailedText = "The CSV file could not be written:";

}  // namespace

DataViewPage::DataViewPage(VelmoProgram& program, const VelmoPictures& pictures, Operator& op,
                           QWidget* parent)
    : QWidget(parent), program_(program), operator_(op), navigationBatch_(this, [this] {
        if (program_.navigation().page == Page::DataView) listLocalFiles();
      }) {
  setObjectName("dataViewPage");
  auto text = [&](const char* key) { return toQString(program_.text("MAIN", key)); };
  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};
  const PictureButton::Pictures widePictures{
      pictures[Picture::WideNormal], pictures[Picture::WidePressed], {}};
  auto makeButton = [this](const PictureButton::Pictures& look, const char* name, const QString& caption) {
    auto* button = new PictureButton(look, this);
    button->setObjectName(name);
    button->setCaption(caption);
    return button;
  };

  const SavedState& saved = program_.savedState();
  depth_ = DepthParameters{saved.density, saved.gravity, saved.pressureOffset};
  page_.setDepthParameters(depth_);

  // The local file list.
  auto* localBox = new QGroupBox(text("cpt_sec_hard_list"), this);
  localBox->setObjectName("localFilesBox");
  localFiles_ = new QListWidget(localBox);
  localFiles_->setObjectName("localFileList");
  localFiles_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* localLayout = new QVBoxLayout(localBox);
  localLayout->addWidget(localFiles_);
  connect(localFiles_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { openLocalFile(localFiles_->row(item)); });

  // The table.
  QStringList titles;
  for (int column = 0; column < DataPage::kColumns; ++column) {
    // The unit goes on a second line, so that the value columns stay narrow.
    QString title = toQString(program_.text(DataPage::kTitleSection, DataPage::columnTitleKey(column)));
    const qsizetype unit = title.indexOf('(');
    if (unit > 0) title = title.left(unit).trimmed() + "\n" + title.mid(unit);
    titles << title;
  }
  model_ = new DataTableModel(page_, titles, this);
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
    if (index.column() > 0 && !page_.cell(index.row(), index.column()).empty()) openChart();
  });

  message_ = new QLabel(this);
  message_->setObjectName("openMessage");
  message_->setWordWrap(true);
  message_->setStyleSheet("color: red;");
  message_->hide();

  // Page buttons, the chart, the exports.
  previous_ = makeButton(actionPictures, "previousPageButton", text("btn_sec_last_page"));
  next_ = makeButton(actionPictures, "nextPageButton", text("btn_sec_next_page"));
  pageCaption_ = new QLabel(this);
  pageCaption_->setObjectName("pageCaption");
  auto* chartButton =
      makeButton(actionPictures, "chartButton", toQString(program_.text("QL310", "ql310_graphdis")));
  auto* exportButton = makeButton(widePictures, "exportButton", text("btn_sec_save_as"));
  auto* downloadLayoutButton = makeButton(widePictures, "downloadLayoutExportButton", text("cpt_sec_serial"));
  connect(previous_, &PictureButton::clicked, this, [this] { showPage(page_.page() - 1); });
  connect(next_, &PictureButton::clicked, this, [this] { showPage(page_.page() + 1); });
  connect(chartButton, &PictureButton::clicked, this, &DataViewPage::openChart);
  connect(exportButton, &PictureButton::clicked, this, &DataViewPage::exportDataPage);
  connect(downloadLayoutButton, &PictureButton::clicked, this, &DataViewPage::exportDownloadLayout);

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
  side->addWidget(exportButton);
  side->addWidget(downloadLayoutButton);

  auto* centre = new QVBoxLayout;
  centre->addWidget(table_, 1);
  centre->addWidget(message_);
  centre->addLayout(tableRow);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(side, 0);
  layout->addLayout(centre, 1);

  chart_ = new ChartWindow(program_, page_, this);
  showPageButtons();
  navigationBatch_.watch(program_.navigation());
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
  };
  const std::array<Row, 3> rows{{
      {"cpt_sec_water", "densityEdit", QString::fromUtf8("g/cm³"), depth_.density},
      {"cpt_sec_g", "gravityEdit", QString::fromUtf8("m/s²"), depth_.gravity},
      {"cpt_sec_offset", "offsetEdit", QStringLiteral("kPa"), depth_.offset},
  }};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto* caption = new QLabel(toQString(program_.text("MAIN", rows[i].captionKey)), box);
    auto* edit = new QLineEdit(toQString(formatShortest(rows[i].value)), box);
    edit->setObjectName(rows[i].name);
    caption->setBuddy(edit);
    grid->addWidget(caption, int(i), 0);
    grid->addWidget(edit, int(i), 1);
    grid->addWidget(new QLabel(rows[i].unit, box), int(i), 2);
    parameterEdits_[i] = edit;
    const Parameter parameter = static_cast<Parameter>(i);
    connect(edit, &QLineEdit::textEdited, this, [this, parameter] { parameterEdited(parameter); });
  }
  return box;
}

void DataViewPage::parameterEdited(Parameter parameter) {
  QLineEdit* edit = parameterEdits_[parameter];
  const double defaults[] = {DepthParameters::kDefaultDensity, DepthParameters::kDefaultGravity,
                             DepthParameters::kDefaultPressureOffset};
  const ParameterEdit cleaned = editParameter(edit->text().toStdString(), defaults[parameter]);
  const QString shown = toQString(cleaned.text);
  if (shown != edit->text()) {
    edit->setText(shown);
    edit->setCursorPosition(int(shown.size()));
  }
  double* targets[] = {&depth_.density, &depth_.gravity, &depth_.offset};
  *targets[parameter] = cleaned.value;
  // The next decoding uses it; rows shown keep the values they were decoded with.
  page_.setDepthParameters(depth_);
  program_.setDepthParameters(depth_);
}

void DataViewPage::applyPrecisions() {
  page_.setTemperatureDecimals(program_.savedState().temperatureDecimals);
  page_.setPressureDecimals(program_.savedState().pressureDecimals);
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
  applyPrecisions();
  const OpenResult result = page_.openItem(program_.home().dir(), item->text().toStdString());
  model_->reload();
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
  applyPrecisions();
  if (!page_.showPage(page)) return;
  model_->reload();
  table_->scrollToTop();
  showPageButtons();
}

void DataViewPage::showPageButtons() {
  previous_->setVisible(page_.previousVisible());
  next_->setVisible(page_.nextVisible());
  pageCaption_->setVisible(page_.isOpen() && page_.pageCount() > 1);
  pageCaption_->setText(QString("%1 / %2").arg(page_.page()).arg(page_.pageCount()));
}

void DataViewPage::openChart() {
  if (!page_.isOpen()) return;
  chart_->openForPage(depth_);
}

std::string DataViewPage::nowText() const { return formatDateTime(localDateTime(std::time(nullptr))); }

std::string DataViewPage::chooseExportFile(const std::string& proposedName) {
  const LocalStore store(program_.home().dir());
  const std::string directory = store.exportDialogDirectory();
  const std::string title = program_.text("MAIN", "btn_sec_save_as");
  for (;;) {
    std::string path =
        operator_.chooseSaveFile(title, directory + "/" + proposedName + kCsvExtension, kCsvFilter);
    if (path.empty()) return {};
    if (std::filesystem::path(path).extension().empty()) path += kCsvExtension;
    if (!std::filesystem::exists(path)) return path;
    if (operator_.askYesNo("", program_.text("SYSTEMINFORMATION", "info_fileexists"))) return path;
  }
}

void DataViewPage::exportDataPage() {
  // Nothing happens without a picked, open file.
  if (localFiles_->currentRow() < 0 || !page_.isOpen()) return;
  const std::string now = nowText();
  const std::string compact = formatCompactStamp(localDateTime(std::time(nullptr)));
  const std::string path = chooseExportFile(dataPageExportName(page_.header(), compact));
  if (path.empty()) return;
  ExportOptions options;
  options.depth = depth_;
  options.temperatureDecimals = program_.savedState().temperatureDecimals;
  options.pressureDecimals = program_.savedState().pressureDecimals;
  options.now = now;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !ExportOpenFile(page_, options, out) || !out.flush())
    operator_.showMessage("", std::string(kExportFailedText) + " " + path);
}

void DataViewPage::exportDownloadLayout() {
  if (localFiles_->currentRow() < 0 || !page_.isOpen()) return;
  const std::string compact = formatCompactStamp(localDateTime(std::time(nullptr)));
  const std::string path = chooseExportFile(LocalStore::exportName(compact, page_.header().entry().name()));
  if (path.empty()) return;
  ExportOptions options;
  options.depth = depth_;
  options.temperatureDecimals = program_.savedState().temperatureDecimals;
  options.pressureDecimals = program_.savedState().pressureDecimals;
  options.now = nowText();
  if (!writeStoredDownloadExport(page_.path(), path, options))
    operator_.showMessage("", std::string(kExportFailedText) + " " + path);
}

}  // namespace ql
