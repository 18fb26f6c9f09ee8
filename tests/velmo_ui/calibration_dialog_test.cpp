// The calibration dialog, offscreen, on the virtual clock against a logger in the process: the
// service chord opens it with its four tabs and closing it takes the logger out of calibration
// mode; a confirmed acquisition lands in the red cell's place; a tab change swaps table and
// panel; a fit fills the coefficient edits and only then opens the curve; the pop-up menu's
// order; English captions with the Chinese text where the language file has none.
// With QL_SHOT_DIR set it also saves a picture of each tab (calibration-<tab>-<language>.png).

#include "ui/velmo/calibration_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>

#include "link/crc.h"
#include "link/memory_port.h"
#include "link/register_map.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/engineering_console.h"
#include "shell/saved_state.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "test_home.h"
#include "ui/qt/port_box.h"
#include "ui/velmo/velmo_main_window.h"

namespace ql {
namespace {

using calibration::Cell;
namespace pc = calibration::pressure_column;

constexpr std::int64_t kLinkTimeoutMs = 120000;

// Five pressure points, the same AD code in all four cycle columns (so column 6 is filled).
const char* kPointFile =
    "[CONFIG]\r\n校准点数=5\r\n"
    "校准1=0\r\n校准2=50000\r\n校准3=100000\r\n校准4=150000\r\n校准5=200000\r\n"
    "AD1_1=1000000\r\nAD1_2=2300000\r\nAD1_3=3500000\r\nAD1_4=4600000\r\nAD1_5=5600000\r\n";

// velmo's main window on the virtual clock, linked to a logger in the process.
struct LinkedWindow {
  using Prepare = std::function<void(test::TestHome&)>;
  explicit LinkedWindow(const std::string& language = "chinese", const Prepare& prepare = {})
      : window(environment(language, prepare), &op, nullptr, VelmoMainWindow::Link{loop, port}) {
    // What start() defers by a real 10 ms, at once: the search then runs on the virtual clock.
    window.show();
    program().initialise();
  }
  ProgramEnvironment environment(const std::string& language, const Prepare& prepare) {
    if (prepare) prepare(home);
    SavedState state;
    state.languageName = language;
    saveSavedState(home.path("sysuse.d"), state);
    ProgramEnvironment env = home.environment("/dev/ttyQL");
    env.referencePort = &referencePort;
    env.describePort = [](const std::string& path) {
      return SerialPortInfo{path, "FTDI FT232R USB UART (0403:6001)", {}};
    };
    return env;
  }
  VelmoProgram& program() { return window.program(); }
  bool linkUp() {
    return loop.advanceUntil(
        [this] { return program().connectionPanel().linkShownAsOk && !program().infoPoll().running(); },
        kLinkTimeoutMs);
  }
  // Moves the virtual clock on and lets the views render.
  void advance(std::int64_t ms) {
    loop.advance(ms);
    QCoreApplication::processEvents();
  }
  std::ptrdiff_t written(const Bytes& frame) const {
    return std::count(port.writeLog().begin(), port.writeLog().end(), AppendCrc(frame));
  }

  test::TestHome home;
  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger;
  sim::SimulatedLink link{loop, port, logger};
  MemoryPort referencePort{loop};  // the pressure reference's port
  ScriptedOperator op;
  VelmoMainWindow window;
};

// A shown dialog over a linked window's program.
struct OpenDialog {
  explicit OpenDialog(LinkedWindow& linked) : linked(linked), dialog(linked.program(), &linked.window) {
    dialog.show();
    QCoreApplication::processEvents();
  }
  calibration::CalibrationDesk& desk() { return linked.program().calibration(); }
  template <typename Widget>
  Widget* child(const char* name) {
    return dialog.findChild<Widget*>(name);
  }
  void click(const char* button) {
    QPushButton* pushButton = child<QPushButton>(button);
    QVERIFY2(pushButton, button);
    pushButton->click();
    QCoreApplication::processEvents();
  }
  void loadPoints() {
    QVERIFY(linked.home.write("points.ini", QByteArray(kPointFile)));
    linked.op.answerOpenFile(linked.home.path("points.ini"));
    click("chooseFileButton");
  }
  QAction* menuItem(const QString& text) {
    for (QAction* action : dialog.tableMenu()->actions())
      if (action->text() == text) return action;
    return nullptr;
  }
  // Runs a menu item; the object name of the modal window it brought up (closed again), or empty.
  QString modalFrom(QAction* action) {
    QString seen;
    QTimer::singleShot(0, &dialog, [&seen, this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && modal != &dialog) {
        seen = modal->objectName();
        modal->close();
      }
    });
    action->trigger();
    QCoreApplication::processEvents();
    return seen;
  }
  void saveShot(const QString& name) {
    if (const QByteArray dir = qgetenv("QL_SHOT_DIR"); !dir.isEmpty())
      QVERIFY(dialog.grab().save(QString::fromUtf8(dir) + "/calibration-" + name + ".png"));
  }

  LinkedWindow& linked;
  CalibrationDialog dialog;
};

QModelIndex indexOf(QTableView* view, Cell cell) { return view->model()->index(cell.row - 1, cell.column); }

// Red, also under the pointer's hover tint.
bool shownRed(OpenDialog& open, QTableView* view, Cell cell) {
  const QRect rect = view->visualRect(indexOf(view, cell));
  const QImage image = open.dialog.grab().toImage();
  const QColor shown =
      image.pixelColor(view->viewport()->mapTo(&open.dialog, rect.center() + QPoint(rect.width() / 3, 0)));
  return shown.red() > 200 && shown.green() < 60 && shown.blue() < 60;
}

}  // namespace

class CalibrationDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void serviceChordOpensTheDialogAndClosingLeavesCalibrationMode();
  void confirmedAcquisitionLandsInTheRedCell();
  void tabChangeSwapsTableAndPanel();
  void fitFillsTheCoefficientsAndTheCurveOpensOnlyThen();
  void formulaCaptionUnlocksTheCoefficientsForTheCalculator();
  void automaticOpensTheReferencePortInRed();
  void tableMenuKeepsItsOrder();
  void englishCaptionsFallBackToChinese();
};

void CalibrationDialogTest::serviceChordOpensTheDialogAndClosingLeavesCalibrationMode() {
  LinkedWindow linked;
  QVERIFY(linked.linkUp());
  const Bytes enter = reg::writeRequest(reg::kCalibrationMode, calibration::Workbench::kEnterCalibrationMode);
  const Bytes leave = reg::writeRequest(reg::kCalibrationMode, calibration::Workbench::kLeaveCalibrationMode);

  QStringList tabs;
  QString title;
  QSize size;
  bool openWhileShown = false;
  QTimer::singleShot(0, &linked.window, [&] {
    auto* dialog = qobject_cast<CalibrationDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    title = dialog->windowTitle();
    size = dialog->size();
    auto* bar = dialog->findChild<QTabBar*>("calibrationTabs");
    for (int i = 0; i < bar->count(); ++i) tabs << bar->tabText(i);
    openWhileShown = linked.program().calibration().open();
    linked.advance(400);  // the calibration-mode write goes out twice
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  linked.port.clearWriteLog();  // the information poll writes the same register
  ConsoleChord chord;
  chord.key = EngineeringConsole::serviceKey(std::time(nullptr));
  chord.ctrl = chord.alt = chord.rightButton = true;
  QVERIFY(linked.program().console().onKeyRelease(chord));

  QCOMPARE(tabs, QStringList({"压力", "温度", "综合参数", "参数备份"}));
  QCOMPARE(title, QString("压力温度校正部分"));
  QCOMPARE(size, QSize(1177, 759));
  QVERIFY(openWhileShown);
  QCOMPARE(linked.written(enter), std::ptrdiff_t(2));
  QVERIFY(!linked.program().calibration().open());
  QVERIFY(!linked.program().linkState().CalibrationActive);
  linked.advance(400);
  QCOMPARE(linked.written(leave), std::ptrdiff_t(2));
}

void CalibrationDialogTest::confirmedAcquisitionLandsInTheRedCell() {
  LinkedWindow linked;
  QVERIFY(linked.linkUp());
  OpenDialog open(linked);
  open.loadPoints();
  QTableView* view = open.dialog.pressureView();
  QCOMPARE(view->model()->rowCount(), 5);
  QCOMPARE(view->model()->data(indexOf(view, {pc::kPoint, 3})).toString(), QString("100000"));

  // Double-click: the cell turns red and shows no text.
  const Cell first{pc::kCycle1Rising, 1};
  const QPoint at = view->visualRect(indexOf(view, first)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  QCoreApplication::processEvents();
  QCOMPARE(open.desk().workbench().pressureCell(), first);
  QVERIFY(shownRed(open, view, first));
  QCOMPARE(view->model()->data(indexOf(view, first)).toString(), QString());

  open.click("startButton");
  linked.advance(5000);
  const std::string average = open.desk().workbench().fields().average1;
  QVERIFY(!average.empty() && average != "0");
  QCOMPARE(open.child<QLabel>("average1")->text(), QString::fromStdString(average));

  // Enter in the table confirms: the average is locked, the red cell moves down.
  view->setFocus();
  view->setCurrentIndex(indexOf(view, first));
  QTest::keyClick(view, Qt::Key_Return);
  QCoreApplication::processEvents();
  QCOMPARE(view->model()->data(indexOf(view, first)).toString(), QString::fromStdString(average));
  QVERIFY(!shownRed(open, view, first));
  QVERIFY(shownRed(open, view, {pc::kCycle1Rising, 2}));
  QCOMPARE(open.child<QLabel>("sampleCount")->text(), QString("0"));

  // Space takes the focused cell into the calculator's input.
  view->setCurrentIndex(indexOf(view, {pc::kPoint, 3}));
  QTest::keyClick(view, Qt::Key_Space);
  QCoreApplication::processEvents();
  QCOMPARE(open.child<QLineEdit>("adInput")->text(), QString("100000"));
  open.saveShot("pressure-" + QString::fromStdString(linked.program().language()));
}

void CalibrationDialogTest::tabChangeSwapsTableAndPanel() {
  LinkedWindow linked;
  OpenDialog open(linked);
  auto* bar = open.child<QTabBar>("calibrationTabs");
  QWidget* pressureTemperature = open.child<QComboBox>("pressureTemperature");
  QWidget* writeProbe = open.child<QPushButton>("writeProbeButton");
  QVERIFY(open.dialog.pressureView()->isVisible());
  QVERIFY(pressureTemperature->isVisible());
  QVERIFY(!writeProbe->isVisible());

  open.desk().panel().setCoefficient(0, "1.0000000E+00");
  QCoreApplication::processEvents();
  QCOMPARE(open.child<QLineEdit>("coefficient0")->text(), QString("1.0000000E+00"));

  bar->setCurrentIndex(1);
  QCoreApplication::processEvents();
  QCOMPARE(open.desk().tab(), 1);
  QVERIFY(open.dialog.temperatureView()->isVisible());
  QVERIFY(!open.dialog.pressureView()->isVisible());
  QVERIFY(!pressureTemperature->isVisible());
  QVERIFY(writeProbe->isVisible());
  QVERIFY(open.child<QWidget>("probeColumns")->isVisible());
  QCOMPARE(open.child<QLineEdit>("coefficient0")->text(), QString());  // cleared by the tab change

  bar->setCurrentIndex(2);
  QCoreApplication::processEvents();
  QVERIFY(open.child<QWidget>("generalPage")->isVisible());
  QVERIFY(!open.child<QWidget>("coefficientPanel")->isVisible());
  QCOMPARE(open.child<QLineEdit>("parameter0")->text(), QString("0.00143"));
  // The number filter: letters typed into "电池K" do not stay.
  QTest::keyClicks(open.child<QLineEdit>("parameter0"), "x5");
  QCOMPARE(open.desk().panel().parameter(calibration::GeneralParameter::BatteryK), std::string("0.001435"));
  QCoreApplication::processEvents();
  QCOMPARE(open.child<QLineEdit>("parameter0")->text(), QString("0.001435"));

  bar->setCurrentIndex(3);
  QCoreApplication::processEvents();
  QVERIFY(open.child<QPlainTextEdit>("parameterListing")->isVisible());
  QVERIFY(!open.child<QWidget>("sideColumn")->isVisible());
}

void CalibrationDialogTest::fitFillsTheCoefficientsAndTheCurveOpensOnlyThen() {
  LinkedWindow linked;
  OpenDialog open(linked);
  open.loadPoints();
  QAction* pressureCurve = open.menuItem("压力拟合曲线");
  QVERIFY(pressureCurve);
  QCOMPARE(open.modalFrom(pressureCurve), QString());  // no coefficients yet

  open.child<QSpinBox>("fitOrder")->setValue(3);
  open.click("fitButton");
  const QRegularExpression coefficient(R"(^-?\d\.\d{7}E[+-]\d{2}$)");
  for (int k = 0; k < 4; ++k) {
    const QString shown = open.child<QLineEdit>(qPrintable(QString("coefficient%1").arg(k)))->text();
    QVERIFY2(coefficient.match(shown).hasMatch(), qPrintable(shown));
  }
  // Order 3 leaves e and f at zero.
  QCOMPARE(open.child<QLineEdit>("coefficient4")->text(), QString("0.0000000E+00"));
  QVERIFY(!open.child<QLabel>("sumOfSquares")->text().isEmpty());
  QVERIFY(open.child<QLabel>("largestFitError")->text().contains(" @ "));

  QCOMPARE(open.modalFrom(pressureCurve), QString("fitCurveWindow"));
  // The temperature curve belongs to the temperature tab.
  QCOMPARE(open.modalFrom(open.menuItem("温度拟合曲线")), QString());
  open.saveShot("fit-" + QString::fromStdString(linked.program().language()));
}

void CalibrationDialogTest::formulaCaptionUnlocksTheCoefficientsForTheCalculator() {
  LinkedWindow linked;
  OpenDialog open(linked);
  std::array<QLineEdit*, 6> edits{};
  for (int k = 0; k < 6; ++k)
    edits[std::size_t(k)] = open.child<QLineEdit>(qPrintable(QString("coefficient%1").arg(k)));
  QVERIFY(edits[0]->isReadOnly());
  QTest::mouseDClick(open.child<QLabel>("formulaCaption"), Qt::LeftButton);
  QCoreApplication::processEvents();
  QVERIFY(!edits[0]->isReadOnly());

  // a = 1, the others 0: "AD计算" at the default input gives 1.
  for (int k = 0; k < 6; ++k) QTest::keyClicks(edits[std::size_t(k)], k == 0 ? "1" : "0");
  QCOMPARE(open.desk().panel().coefficients()[0], std::string("1"));
  QCOMPARE(open.child<QLineEdit>("adInput")->text(), QString("4285025"));
  open.click("adButton");
  QCOMPARE(open.child<QLineEdit>("adResult")->text(), QString("1"));

  // A second double-click locks them again.
  QTest::mouseDClick(open.child<QLabel>("formulaCaption"), Qt::LeftButton);
  QCoreApplication::processEvents();
  QVERIFY(edits[0]->isReadOnly());
}

void CalibrationDialogTest::automaticOpensTheReferencePortInRed() {
  LinkedWindow linked;
  OpenDialog open(linked);
  open.loadPoints();
  auto* ports = open.child<QComboBox>("referencePort");
  auto* automatic = open.child<QCheckBox>("automatic");
  const auto textColour = [ports] { return ports->palette().color(QPalette::Text); };

  // No cell selected: the box does not stay checked.
  ports->setFocus();
  QTest::keyClick(ports, Qt::Key_Down);
  QCOMPARE(open.desk().reference().chosenPort(), std::string("/dev/ttyQL"));
  // The box shows the port's description as the other port boxes do; the path is its value.
  QVERIFY2(ports->currentText().contains("FTDI FT232R"), qPrintable(ports->currentText()));
  QCOMPARE(portPathAt(ports, ports->currentIndex()), QString("/dev/ttyQL"));
  QTest::mouseClick(automatic, Qt::LeftButton);
  linked.advance(100);
  QVERIFY(!automatic->isChecked());
  QVERIFY(!linked.referencePort.isOpen());

  open.desk().workbench().selectPressureCell(pc::kCycle1Rising, 1);
  QTest::mouseClick(automatic, Qt::LeftButton);
  linked.advance(100);
  QVERIFY(automatic->isChecked());
  QVERIFY(linked.referencePort.isOpen());
  QCOMPARE(textColour(), QColor(255, 0, 0));

  QTest::mouseClick(automatic, Qt::LeftButton);
  linked.advance(1000);
  QVERIFY(!linked.referencePort.isOpen());
  QVERIFY(textColour() != QColor(255, 0, 0));
}

void CalibrationDialogTest::tableMenuKeepsItsOrder() {
  LinkedWindow linked;
  OpenDialog open(linked);
  QStringList items;
  for (QAction* action : open.dialog.tableMenu()->actions())
    items << (action->isSeparator() ? "-" : action->text());
  QCOMPARE(items, QStringList({"选择校准文件", "读取上次保存", "-", "传感器温度计算拟合", "-", "重新开始平均",
                               "-", "压力对温度影响的曲线拟合", "-", "压力拟合曲线", "温度拟合曲线",
                               "压力头温度拟合曲线", "温度补偿拟合曲线", "-", "计算平均值"}));
}

void CalibrationDialogTest::englishCaptionsFallBackToChinese() {
  // A language file without the fit button's key: the button keeps the workbench's text.
  bool keyRemoved = false;
  LinkedWindow linked("english", [&keyRemoved](test::TestHome& home) {
    QFile file(QString::fromStdString(home.path("english.lag")));
    if (!file.open(QIODevice::ReadOnly)) return;
    QByteArray english = file.readAll();
    file.close();
    const QByteArray key = "btn_fit=F&it\n";
    keyRemoved = english.contains(key) && home.write("english.lag", english.replace(key, ""));
  });
  QVERIFY(keyRemoved);
  OpenDialog open(linked);
  QCOMPARE(open.dialog.windowTitle(), QString("Pressure and temperature calibration"));
  QCOMPARE(open.child<QTabBar>("calibrationTabs")->tabText(0), QString("Pressure"));
  QCOMPARE(open.child<QPushButton>("startButton")->text(), QString("&Start"));
  QCOMPARE(open.child<QPushButton>("fitButton")->text(), QString("计算拟合"));
  QCOMPARE(open.dialog.pressureView()->model()->headerData(pc::kAverage, Qt::Horizontal).toString(),
           QString("Average"));
}

}  // namespace ql

QTEST_MAIN(ql::CalibrationDialogTest)
#include "calibration_dialog_test.moc"
