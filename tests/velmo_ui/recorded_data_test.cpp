// velmo's recorded-data windows, offscreen: a download from a logger in the process through the
// file list's button and the progress dialog, the stored file on the data page, paging, a
// damaged data file, deleting one file, and the chart window with its whole-file view.

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "data/data_file.h"
#include "data/download_record.h"
#include "data/task_log.h"
#include "link/crc.h"
#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/velmo/chart_window.h"
#include "ui/velmo/data_view_page.h"
#include "ui/velmo/download_progress_dialog.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/record_chart.h"
#include "ui/velmo/velmo_main_window.h"

namespace ql {
namespace {

// The logger runs on the real clock here: waits are bounded, generous for a busy machine.
constexpr int kLinkTimeoutMs = 30000;
constexpr int kUiTimeoutMs = 5000;
constexpr const char* kSerial = "0210012345";
constexpr std::time_t kFirstRecordTime = 1772323200;  // 2026-03-01 00:00:00 UTC

QString q(const std::string& text) { return QString::fromStdString(text); }

// A fresh velmo home with the delivered resources.
class TestHome {
 public:
  TestHome() {
    const QDir source(QL_TEST_RESOURCE_DIR);
    for (const QFileInfo& file : source.entryInfoList(QDir::Files))
      QFile::copy(file.absoluteFilePath(), dir_.filePath(file.fileName()));
  }
  // port: the one name the program's port list shows; empty: no port at all.
  ProgramEnvironment environment(const std::string& port = {}) const {
    return {VelmoHome(dir_.path().toStdString(), {}),
            [port] { return port.empty() ? std::vector<std::string>{} : std::vector<std::string>{port}; },
            {}};
  }
  std::string dir() const { return dir_.path().toStdString(); }
  // A data file under bakwlr/<serial>/ holding count records of a slow tide; withStart gives its
  // task the start 2026-03-01 00:00:00.
  std::string storeDataFile(const std::string& name, int count, bool withStart = false) const {
    const std::string folder = dir() + "/bakwlr/" + kSerial;
    std::filesystem::create_directories(folder);
    DataFileHeader header;
    header.setFirmwareVersion("1.3.1.5");
    header.setSerialNumber(kSerial);
    Bytes slot(DataFileHeader::kSlotSize, 0);
    slot[0] = 50;
    const std::string task = "TIDE";
    std::copy(task.begin(), task.end(), slot.begin() + 2);
    if (withStart) {
      const std::uint8_t start[6] = {26, 3, 1, 0, 0, 0};
      std::copy(start, start + 6, slot.begin() + 18);
    }
    header.setSlot(slot);
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < count; ++i) {
      // One record a minute from 2026-03-01 00:00.
      const std::time_t t = kFirstRecordTime + std::time_t(i) * 60;
      std::tm when{};
      gmtime_r(&t, &when);
      auto bcd = [](int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); };
      const std::uint32_t temperature = 150000 + std::uint32_t(i % 500) * 10;
      const std::uint32_t pressure = 1100000 + std::uint32_t((i * 37) % 20000) * 10;
      const std::uint8_t record[16] = {bcd(when.tm_year - 100),
                                       bcd(when.tm_mon + 1),
                                       bcd(when.tm_mday),
                                       bcd(when.tm_hour),
                                       bcd(when.tm_min),
                                       0,
                                       std::uint8_t(temperature >> 16),
                                       std::uint8_t(temperature >> 8),
                                       std::uint8_t(temperature),
                                       std::uint8_t(pressure >> 16),
                                       std::uint8_t(pressure >> 8),
                                       std::uint8_t(pressure),
                                       0,
                                       0x27,
                                       0x10,
                                       60};
      stream.insert(stream.end(), record, record + 16);
    }
    stream.push_back(0x12);  // the checksum that ends the stream
    stream.push_back(0x34);
    const std::string path = folder + "/" + name;
    if (!writeDataFile(path, header, stream.data(), stream.size())) return {};
    return path;
  }

 private:
  QTemporaryDir dir_;
};

template <typename Widget>
Widget* child(QWidget& window, const char* name) {
  return window.findChild<Widget*>(name);
}

void click(PictureButton* button) {
  QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
  QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
}

// Shows page 2 and opens the local list's item whose text ends in name.
QListWidget* openOnDataPage(VelmoMainWindow& window, const QString& name) {
  window.program().showPage(Page::DataView);
  auto* list = child<QListWidget>(window, "localFileList");
  if (!list) return nullptr;
  // The list is rebuilt on the next turn of the loop after the page change.
  (void)QTest::qWaitFor([list] { return list->count() > 0; }, kUiTimeoutMs);  // an empty list finds nothing
  for (int row = 0; row < list->count(); ++row) {
    if (!list->item(row)->text().endsWith(name)) continue;
    list->setCurrentRow(row);
    const QRect area = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, area.center());
    return list;
  }
  return nullptr;
}

}  // namespace

class RecordedDataTest : public QObject {
  Q_OBJECT

 private slots:
  void downloadDeleteAndCancelThroughTheWindow();
  void dataPageShowsPagesOfAStoredFile();
  void aDamagedDataFileSaysWhy();
  void depthParametersAreCleanedAsTyped();
  void barometricFileCompensatesTheWaterHeightColumn();
  void driftAndRestoredChoicesShowOnTheDataPage();
  void chartWindowDrawsThePageAndTheWholeFile();
  void bannerDoubleClickShowsTheProgressDialogIdle();
};

void RecordedDataTest::downloadDeleteAndCancelThroughTheWindow() {
  TestHome home;
  QtScheduler loop;
  MemoryPort port(loop);
  sim::LoggerModel logger;
  sim::SimulatedLink link(loop, port, logger);
  ScriptedOperator op;
  VelmoMainWindow window(home.environment("/dev/ttyQL"), &op, nullptr, VelmoMainWindow::Link{loop, port});
  window.start();
  VelmoProgram& program = window.program();

  auto* files = child<QListWidget>(window, "instrumentFileList");
  QVERIFY(files);
  // The poll has read the file list (the poll exists once the deferred start-up ran).
  auto listed = [&](int count) { return files->count() == count && !program.infoPoll().running(); };
  QTRY_VERIFY_WITH_TIMEOUT(listed(3), kLinkTimeoutMs);

  // The smallest file (40 records) comes without the speed switch.
  int small = -1;
  for (int position = 0; position < files->count(); ++position) {
    const int slot = *program.fileTable().slotOfItem(position);
    if (logger.files().file(slot + 1)->size() == 40 * 16 + 2) small = position;
  }
  QVERIFY(small >= 0);
  files->setCurrentRow(small);
  op.answerSaveFile("");  // the export offered after storing is declined
  click(child<PictureButton>(window, "downloadButton"));

  DownloadProgressDialog* dialog = window.progressDialog();
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), kUiTimeoutMs);
  QCOMPARE(dialog->windowTitle(), q(program.text("SYSTEMINFORMATION", "info_start_download")));
  QCOMPARE(dialog->isModal(), true);
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), kLinkTimeoutMs);
  QTRY_COMPARE_WITH_TIMEOUT(program.download().outcome(), DownloadJob::Outcome::Stored, kUiTimeoutMs);
  const std::string stored = program.download().storedPath();
  QCOMPARE(std::filesystem::file_size(stored), std::uintmax_t(DataFileHeader::kSize + 40 * 16 + 2));

  // On page 2 the stored file is listed, in red as the one stored last, and opens.
  const QString storedName = q(std::filesystem::path(stored).filename().string());
  QListWidget* local = openOnDataPage(window, storedName);
  QVERIFY(local);
  QCOMPARE(local->currentItem()->foreground().color(), QColor(Qt::red));
  const DataPage& page = window.dataViewPage()->dataPage();
  QVERIFY(page.isOpen());
  QCOMPARE(page.recordCount(), 40);
  auto* table = child<QTableView>(window, "dataTable");
  QCOMPARE(table->model()->rowCount(), 41);  // the records and the spare row

  // Delete the second listed file: the question, then its slot's number goes out three times.
  program.showPage(Page::Download);
  QTRY_VERIFY_WITH_TIMEOUT(listed(3), kLinkTimeoutMs);
  files->setCurrentRow(1);
  const int slot = *program.fileTable().slotOfItem(1);
  port.clearWriteLog();
  op.answerYesNo(true);
  click(child<PictureButton>(window, "deleteButton"));
  const auto questions = op.prompts(PromptKind::YesNo);
  QVERIFY(!questions.empty());
  QCOMPARE(q(questions.back().text), q(program.text("QL310", "ql310_del_one_file")));
  const Bytes expected =
      AppendCrc(Bytes{0x01, 0x10, 0xE0, 0x0D, 0x00, 0x01, 0x02, 0x00, std::uint8_t(slot + 1)});
  auto deleteWrites = [&] { return std::count(port.writeLog().begin(), port.writeLog().end(), expected); };
  QTRY_COMPARE_WITH_TIMEOUT(deleteWrites(), std::ptrdiff_t(3), kUiTimeoutMs);
  QTRY_VERIFY_WITH_TIMEOUT(listed(2), kLinkTimeoutMs);
  QVERIFY2(op.unexpected().empty(), op.unexpected().empty() ? "" : op.unexpected().front().c_str());

  // A larger file (300 records, some seconds on the line) cancelled midway: the question, the
  // dialog goes, nothing is stored.
  int larger = -1;
  for (int position = 0; position < files->count(); ++position) {
    const int listedSlot = *program.fileTable().slotOfItem(position);
    if (logger.files().file(listedSlot + 1)->size() == 300 * 16 + 2) larger = position;
  }
  QVERIFY(larger >= 0);
  files->setCurrentRow(larger);
  click(child<PictureButton>(window, "downloadButton"));
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible() && program.download().received() > 0, kLinkTimeoutMs);
  op.answerYesNo(true);
  QTest::mouseClick(dialog->findChild<QPushButton*>("downloadCancel"), Qt::LeftButton);
  QCOMPARE(q(op.prompts(PromptKind::YesNo).back().text), q(program.text("SUB", "sub_down_file_now")));
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), kUiTimeoutMs);
  QCOMPARE(program.download().outcome(), DownloadJob::Outcome::Cancelled);
  QVERIFY(program.download().storedPath().empty());
  QVERIFY2(op.unexpected().empty(), op.unexpected().empty() ? "" : op.unexpected().front().c_str());
  // The first download's data file (its download record sits beside it).
  std::ptrdiff_t storedFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(stored).parent_path()))
    if (entry.path().extension() == ".wlr") ++storedFiles;
  QCOMPARE(storedFiles, std::ptrdiff_t(1));
}

void RecordedDataTest::dataPageShowsPagesOfAStoredFile() {
  TestHome home;
  QVERIFY(!home.storeDataFile("20260301000000_TIDE.wlr", 20002).empty());
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  QVERIFY(openOnDataPage(window, "20260301000000_TIDE.wlr"));
  auto* table = child<QTableView>(window, "dataTable");
  auto* previous = child<PictureButton>(window, "previousPageButton");
  auto* next = child<PictureButton>(window, "nextPageButton");
  QAbstractItemModel* model = table->model();

  // Every page keeps the 10,001 numbered rows (and the spare row) of the first; the last page
  // fills only the rows it has records for.
  struct Expected {
    int page;
    int filled;  // rows showing a record
    QString firstNumber, lastNumber;
    bool previous, next;
  };
  const Expected pages[] = {
      {1, 10001, " 1", " 10001", false, true},
      {2, 10001, " 10001", " 20001", true, true},
      {3, 2, " 20001", " 30001", true, false},
  };
  for (const Expected& e : pages) {
    if (e.page > 1) click(next);
    QCOMPARE(window.dataViewPage()->dataPage().page(), e.page);
    QCOMPARE(model->rowCount(), 10002);
    QCOMPARE(model->data(model->index(0, 0)).toString(), e.firstNumber);
    QCOMPARE(model->data(model->index(10000, 0)).toString(), e.lastNumber);
    QVERIFY(!model->data(model->index(e.filled - 1, 1)).toString().isEmpty());
    QVERIFY(model->data(model->index(e.filled, 1)).toString().isEmpty());
    QCOMPARE(previous->isVisible(), e.previous);
    QCOMPARE(next->isVisible(), e.next);
  }
  QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), q(window.program().text("GRID", "gridst2")));
  // Record 20,001 is minute 20,000 from the start: 2026-03-14 21:20.
  QCOMPARE(model->data(model->index(0, 1)).toString(), QString("2026-03-14 21:20:00"));

  click(previous);
  QCOMPARE(window.dataViewPage()->dataPage().page(), 2);

  // The data-page export from page 2: an existing file is only overwritten after a Yes; No shows
  // the dialog again. The export runs from record 10,001 to the last.
  const std::string existing = home.dir() + "/taken.csv";
  std::ofstream(existing) << "keep";
  const std::string chosen = home.dir() + "/page2";
  op.answerSaveFile(existing);
  op.answerYesNo(false);
  op.answerSaveFile(chosen);
  click(child<PictureButton>(window, "exportButton"));
  QVERIFY(op.unexpected().empty());
  QCOMPARE(op.unusedAnswers(), std::size_t(0));
  std::ifstream keep(existing);
  std::string kept;
  std::getline(keep, kept);
  QCOMPARE(kept, std::string("keep"));
  std::ifstream csv(chosen + ".csv", std::ios::binary);
  QVERIFY(csv.good());
  std::vector<std::string> lines;
  for (std::string line; std::getline(csv, line);) lines.push_back(line);
  QCOMPARE(lines.size(), std::size_t(11 + 10002));
  QCOMPARE(lines[0].rfind("time:,", 0), std::size_t(0));
  QCOMPARE(lines[7], std::string("water density:,1.025,Gravitational acceleration:,9.8,Offset:,-100\r"));
  QCOMPARE(lines[11].substr(0, 20), std::string("2026-03-07 22:40:00,"));     // record 10,001
  QCOMPARE(lines.back().substr(0, 20), std::string("2026-03-14 21:21:00,"));  // record 20,002
  QVERIFY(!std::filesystem::exists(home.dir() + "/V_recoder/page2.csv"));
  op.answerSaveFile("");  // cancelled: nothing is written
  click(child<PictureButton>(window, "exportButton"));
  QCOMPARE(op.prompts(PromptKind::SaveFile).size(), std::size_t(3));
  QCOMPARE(op.unusedAnswers(), std::size_t(0));
  QCOMPARE(model->data(model->index(0, 0)).toString(), QString(" 10001"));

  // A clicked row turns red in its value cells; the title row forgets it.
  const QModelIndex cell = model->index(5, 2);
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
  QCOMPARE(model->data(cell, Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
  QVERIFY(!model->data(model->index(5, 0), Qt::BackgroundRole).isValid());
  QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(table->horizontalHeader()->sectionViewportPosition(2) + 5, 5));
  QVERIFY(!model->data(cell, Qt::BackgroundRole).isValid());
  QCOMPARE(op.prompts(PromptKind::Message).size(), std::size_t(0));
}

void RecordedDataTest::aDamagedDataFileSaysWhy() {
  TestHome home;
  QVERIFY(!home.storeDataFile("20260301000000_GOOD.wlr", 50).empty());
  const std::string folder = home.dir() + "/bakwlr/" + kSerial;
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"20260301000001_SHORT.wlr", QByteArray(100, 'x')},
      {"20260301000002_GARBAGE.wlr", QByteArray(412, char(0xFF)) + QByteArray(64, 'g')},
  };
  for (const Case& c : cases) {
    QFile file(QString::fromStdString(folder) + "/" + c.name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(c.bytes);
  }
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  auto* message = child<QLabel>(window, "openMessage");
  auto* table = child<QTableView>(window, "dataTable");
  for (const Case& c : cases) {
    QVERIFY(openOnDataPage(window, "20260301000000_GOOD.wlr"));
    QCOMPARE(table->model()->rowCount(), 51);
    QVERIFY(openOnDataPage(window, c.name));
    QVERIFY2(message->isVisible(), c.name);
    QVERIFY(!message->text().isEmpty());
    QCOMPARE(table->model()->rowCount(), 0);  // the good file is no longer shown as if open
    const auto messages = op.prompts(PromptKind::Message);
    QVERIFY(!messages.empty());
    QCOMPARE(q(messages.back().text), message->text());
  }
  // The next good file clears the message.
  QVERIFY(openOnDataPage(window, "20260301000000_GOOD.wlr"));
  QVERIFY(!message->isVisible());
}

void RecordedDataTest::depthParametersAreCleanedAsTyped() {
  TestHome home;
  VelmoMainWindow window(home.environment());
  window.start();
  auto* density = child<QLineEdit>(window, "densityEdit");
  QCOMPARE(density->text(), QString("1.025"));
  density->clear();
  QTest::keyClicks(density, "1.0.2");
  QCOMPARE(density->text(), QString("1.02"));
  QCOMPARE(window.dataViewPage()->depthParameters().density, 1.02);
  density->selectAll();
  QTest::keyClick(density, Qt::Key_Backspace);
  QCOMPARE(window.dataViewPage()->depthParameters().density, DepthParameters::kDefaultDensity);
  auto* offset = child<QLineEdit>(window, "offsetEdit");
  offset->clear();
  QTest::keyClicks(offset, "-9a5");
  QCOMPARE(offset->text(), QString("-95"));
  QCOMPARE(window.dataViewPage()->depthParameters().offset, -95.0);
}

void RecordedDataTest::barometricFileCompensatesTheWaterHeightColumn() {
  TestHome home;
  QVERIFY(!home.storeDataFile("20260301000000_TIDE.wlr", 120).empty());  // 00:00 .. 01:59
  const std::string air = home.dir() + "/air.csv";
  std::ofstream(air) << "time,kPa\n2026-03-01 00:00:00,101.0\n2026-03-01 01:00:00,101.0\n";
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  QVERIFY(openOnDataPage(window, "20260301000000_TIDE.wlr"));
  const DataPage& page = window.dataViewPage()->dataPage();
  QCOMPARE(page.cell(0, 4), std::string("1.00"));  // (110 - 100) / 1.025 / 9.8

  op.answerOpenFile(air);
  QTest::mouseClick(child<QPushButton>(window, "chooseBarometricButton"), Qt::LeftButton);
  QCOMPARE(page.cell(0, 4), std::string("0.90"));  // (110 - 101) / 1.025 / 9.8
  QCOMPARE(page.cell(61, 4), std::string());       // 01:01, after the series
  QVERIFY(child<QLabel>(window, "barometricSummary")->text().startsWith("air.csv"));
  QVERIFY(!child<QLineEdit>(window, "offsetEdit")->isEnabled());
  auto* uncovered = child<QLabel>(window, "uncoveredCaption");
  QVERIFY(uncovered->isVisible());
  QVERIFY(uncovered->text().startsWith("59 "));
  // The chart draws the same heights: none where the table has none.
  window.dataViewPage()->openChart();
  ChartWindow* chart = window.dataViewPage()->chartWindow();
  QTRY_VERIFY_WITH_TIMEOUT(chart->isVisible(), kUiTimeoutMs);
  QCOMPARE(chart->chart()->series(RecordChart::Value::Temperature)->count(), 120);
  QCOMPARE(chart->chart()->series(RecordChart::Value::WaterHeight)->count(), 61);
  QCOMPARE(chart->chart()->series(RecordChart::Value::WaterHeight)->at(0).y(),
           double(float(9 / 1.025 / 9.8)));
  chart->close();

  // Sea water takes the latitude; the density and gravity boxes give way.
  auto* latitude = child<QLineEdit>(window, "latitudeEdit");
  QVERIFY(!latitude->isEnabled());
  QTest::mouseClick(child<QRadioButton>(window, "seaWaterChoice"), Qt::LeftButton);
  QVERIFY(latitude->isEnabled());
  QVERIFY(!child<QLineEdit>(window, "densityEdit")->isEnabled());
  QCOMPARE(window.program().dataPage().water(), DataPageController::Water::SeaWater);
  QCOMPARE(page.heightOptions().latitude, std::optional<double>(0));

  QTest::mouseClick(child<QPushButton>(window, "clearBarometricButton"), Qt::LeftButton);
  QTest::mouseClick(child<QRadioButton>(window, "fixedGravityChoice"), Qt::LeftButton);
  QCOMPARE(page.cell(61, 4), std::string("1.22"));  // (112.257 - 100) / 1.025 / 9.8
  QVERIFY(page.heightOptions().plain());
  QVERIFY(!uncovered->isVisible());
  QVERIFY(child<QLineEdit>(window, "offsetEdit")->isEnabled());
  QVERIFY(op.unexpected().empty());
}

void RecordedDataTest::driftAndRestoredChoicesShowOnTheDataPage() {
  TestHome home;
  const std::string air = home.dir() + "/air.csv";
  std::ofstream(air) << "time,kPa\n2026-03-01 00:00:00,101.0\n2026-03-01 01:00:00,101.0\n";
  std::ofstream(home.dir() + "/datapage.ini")
      << "[DataPage]\r\nwater=sea\r\nlatitude=30\r\nbarometricFile=" << air << "\r\n";
  // Synchronised at the task's start; ten days later the logger was 50 s fast.
  const std::string synchronised = home.storeDataFile("20260311000000_TIDE.wlr", 60, true);
  QVERIFY(!home.storeDataFile("20260301000000_PLAIN.wlr", 60).empty());
  DownloadRecord record;
  record.serial = kSerial;
  record.slot = 0;
  record.entryHex = std::string(100, '0');
  record.sha256 = std::string(64, '0');
  record.pcTime = "2026-03-11T00:00:00";
  record.loggerClock = "2026-03-11T00:00:50";
  QVERIFY(writeDownloadRecord(synchronised, record));
  QVERIFY(
      appendTaskLog(home.dir() + "/" + kTaskLogFile,
                    {kSerial, "TIDE", {2026, 3, 1, 0, 0, 0}, {2026, 3, 11, 0, 0, 0}, DateTime{2026, 3, 1}}));

  VelmoMainWindow window(home.environment());
  window.start();
  QVERIFY(openOnDataPage(window, "20260301000000_PLAIN.wlr"));
  // The choices of the last run.
  QTRY_VERIFY_WITH_TIMEOUT(child<QRadioButton>(window, "seaWaterChoice")->isChecked(), kUiTimeoutMs);
  QCOMPARE(child<QLineEdit>(window, "latitudeEdit")->text(), QString("30"));
  QVERIFY(child<QLabel>(window, "barometricSummary")->text().startsWith("air.csv"));
  QCOMPARE(child<QLineEdit>(window, "barometricGapEdit")->text(), QString("2"));

  auto* drift = child<QLabel>(window, "driftCaption");
  auto* correct = child<QCheckBox>(window, "driftCorrectionCheck");
  QVERIFY(drift->isVisible());
  QVERIFY(drift->text().contains("not known"));
  QVERIFY(!correct->isEnabled());
  QCOMPARE(correct->toolTip().toStdString(), window.program().dataPage().drift().reason);
  QVERIFY(correct->toolTip().contains("not known"));

  QVERIFY(openOnDataPage(window, "20260311000000_TIDE.wlr"));
  QVERIFY(drift->text().endsWith("+5 s/day"));
  QVERIFY(correct->isEnabled());
  QVERIFY(correct->toolTip().isEmpty());
  correct->click();
  QVERIFY(window.program().dataPage().driftCorrection());

  // The gap limit reaches the water heights: 00:00 and 01:00 are 1 h apart.
  const DataPage& page = window.dataViewPage()->dataPage();
  QVERIFY(!page.cell(30, 4).empty());
  auto* gap = child<QLineEdit>(window, "barometricGapEdit");
  gap->clear();
  QTest::keyClicks(gap, "0.5");
  QCOMPARE(window.program().dataPage().barometricGapHours(), 0.5);
  QVERIFY(page.cell(30, 4).empty());
}

void RecordedDataTest::chartWindowDrawsThePageAndTheWholeFile() {
  TestHome home;
  const int records = 200000;  // 20 pages
  QVERIFY(!home.storeDataFile("20260301000000_LONG.wlr", records).empty());
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  QVERIFY(openOnDataPage(window, "20260301000000_LONG.wlr"));
  auto* table = child<QTableView>(window, "dataTable");
  const QModelIndex cell = table->model()->index(3, 2);
  // A double-click follows a press on the same cell.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());

  ChartWindow* chart = window.dataViewPage()->chartWindow();
  QTRY_VERIFY_WITH_TIMEOUT(chart->isVisible(), kUiTimeoutMs);
  QCOMPARE(chart->windowTitle(), q(window.program().text("QL310", "ql310_graphdis")));
  RecordChart* plot = chart->chart();
  for (RecordChart::Value value : RecordChart::kValues) {
    QLineSeries* series = plot->series(value);
    QCOMPARE(series->count(), 10001);
    QVERIFY(series->isVisible());
  }
  QCOMPARE(plot->series(RecordChart::Value::Temperature)->name(),
           q(window.program().text("QL310", "ql310_temp")));

  // The wheel zooms the page view 50 steps in at most; further steps change nothing.
  auto timeRange = [&] {
    for (QAbstractAxis* axis : plot->series(RecordChart::Value::Temperature)->attachedAxes())
      if (auto* time = qobject_cast<QDateTimeAxis*>(axis))
        return time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch();
    return qint64(-1);
  };
  auto wheel = [&](int delta) {
    const QPoint centre = plot->viewport()->rect().center();
    QWheelEvent event(centre, plot->viewport()->mapToGlobal(centre), {}, QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot->viewport(), &event);
  };
  const qint64 unzoomed = timeRange();
  for (int step = 0; step < 60; ++step) wheel(120);
  QCOMPARE(RecordChart::zoomLevel(), RecordChart::kMaxZoomLevel);
  const qint64 closest = timeRange();
  QVERIFY(closest < unzoomed / 5);
  wheel(120);
  QCOMPARE(timeRange(), closest);

  // Unticking a box empties its series.
  chart->findChild<QCheckBox*>("pressureBox")->click();
  QCOMPARE(plot->series(RecordChart::Value::Pressure)->count(), 0);
  chart->findChild<QCheckBox*>("pressureBox")->click();

  // The whole file: every record is read, at most two points per pixel column and series (and
  // the neighbours just outside the range).
  chart->findChild<QCheckBox*>("wholeFileBox")->click();
  QCOMPARE(int(chart->fileSeries().size()), records);
  const int columns = plot->plotWidth();
  QVERIFY(columns > 100);
  for (RecordChart::Value value : RecordChart::kValues) {
    const int points = plot->series(value)->count();
    QVERIFY2(points <= 2 * columns + 2,
             qPrintable(QString("%1 points for %2 columns").arg(points).arg(columns)));
    QVERIFY(points >= columns);
  }
  // Zooming into the middle narrows the time range and thins again for it.
  const double firstBefore = plot->visibleFirstMs(), lastBefore = plot->visibleLastMs();
  plot->zoomTimeAround((firstBefore + lastBefore) / 2, 100);
  plot->redraw();
  QVERIFY(plot->visibleFirstMs() > firstBefore);
  QVERIFY(plot->visibleLastMs() < lastBefore);
  QLineSeries* temperature = plot->series(RecordChart::Value::Temperature);
  QVERIFY(temperature->count() <= 2 * columns + 2);
  QDateTimeAxis* timeAxis = nullptr;
  for (QAbstractAxis* axis : temperature->attachedAxes())
    if (auto* time = qobject_cast<QDateTimeAxis*>(axis)) timeAxis = time;
  QVERIFY(timeAxis);
  const double shownFirst = double(timeAxis->min().toMSecsSinceEpoch());
  const double shownLast = double(timeAxis->max().toMSecsSinceEpoch());
  QVERIFY(temperature->count() > 2);
  for (int i = 1; i + 1 < temperature->count(); ++i) {
    QVERIFY(temperature->at(i).x() >= shownFirst);
    QVERIFY(temperature->at(i).x() <= shownLast);
  }
  // Panning stops at the end of the data.
  plot->panTime(1e15);
  QCOMPARE(plot->visibleLastMs(), chart->fileSeries().timeMs.back());

  chart->close();
  QTRY_VERIFY_WITH_TIMEOUT(!chart->isVisible(), kUiTimeoutMs);
}

void RecordedDataTest::bannerDoubleClickShowsTheProgressDialogIdle() {
  TestHome home;
  VelmoMainWindow window(home.environment());
  window.start();
  QWidget* banner = window.findChild<QWidget*>("banner");
  QVERIFY(banner);
  QTest::mouseDClick(banner, Qt::LeftButton);
  DownloadProgressDialog* dialog = window.progressDialog();
  QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), kUiTimeoutMs);
  QCOMPARE(dialog->findChild<QProgressBar*>("downloadBar")->value(), 0);
  QVERIFY(!window.program().download().running());
  QTest::mouseClick(dialog->findChild<QPushButton*>("downloadCancel"), Qt::LeftButton);
  QVERIFY(!dialog->isVisible());
}

}  // namespace ql

QTEST_MAIN(ql::RecordedDataTest)
#include "recorded_data_test.moc"
