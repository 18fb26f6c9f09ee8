// Page 3 of velmo's main window, offscreen: the work modes with their boxes and diagrams, the
// fields that filter what is typed, the fixed-depth profile refused by firmware 1.3.1, and the
// read and write buttons against a logger in the process.

#include "ui/velmo/configuration_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "task/task_texts.h"
#include "test_home.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/velmo/mode_diagram_view.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/velmo_main_window.h"

namespace ql {
namespace {

using task::WorkMode;

// The logger runs on the real clock here: waits are bounded, generous for a busy machine.
constexpr int kLinkTimeoutMs = 30000;

QString q(const std::string& text) { return QString::fromStdString(text); }

using test::TestHome;

template <typename Widget>
Widget* child(QWidget& parent, const char* name) {
  return parent.findChild<Widget*>(name);
}

void click(PictureButton* button) {
  QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
  QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
}

// Replaces a field's text the way an operator does: select all, then type.
void typeInto(QLineEdit* edit, const QString& keys) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, keys);
}

// The boxes shown on the page, among the four modes' (None: no box).
QList<WorkMode> shownBoxes(ConfigurationPage& page) {
  QList<WorkMode> shown;
  for (WorkMode mode : {WorkMode::FastAcquisition, WorkMode::FixedInterval, WorkMode::AverageAcquisition,
                        WorkMode::FixedDepthProfile}) {
    if (page.modeBox(mode)->isVisibleTo(&page)) shown.append(mode);
  }
  return shown;
}

// A window linked to a logger in the process, on page 3 once the logger is read.
struct LinkedWindow {
  explicit LinkedWindow(sim::LoggerConfig config)
      : port(loop),
        logger(std::move(config)),
        link(loop, port, logger),
        window(home.environment("/dev/ttyQL"), &op, nullptr, VelmoMainWindow::Link{loop, port}) {
    window.start();
  }
  VelmoProgram& program() { return window.program(); }
  ConfigurationPage& page() { return *child<ConfigurationPage>(window, "configurationPage"); }
  bool linked() { return program().connectionPanel().linkShownAsOk && !program().infoPoll().running(); }

  TestHome home;
  QtScheduler loop;
  MemoryPort port;
  sim::LoggerModel logger;
  sim::SimulatedLink link;
  ScriptedOperator op;
  VelmoMainWindow window;
};

}  // namespace

class ConfigurationPageTest : public QObject {
  Q_OBJECT

 private slots:
  void eachModeShowsItsBoxAndDiagramOnly();
  void typedFieldsShowTheFilteredTextAndTheirDurations();
  void depthProfileRefusedByFirmware131FallsBackToAverage();
  void readButtonShowsTheLoggersTaskAndWriteButtonWritesIt();
};

void ConfigurationPageTest::eachModeShowsItsBoxAndDiagramOnly() {
  // A missing diagram leaves its box empty; the program still starts.
  TestHome home({"mode_depth.png"});
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  VelmoProgram& program = window.program();
  program.showPage(Page::Configuration);
  auto& page = *child<ConfigurationPage>(window, "configurationPage");
  QTRY_VERIFY(page.isVisible());
  QVERIFY(op.log().empty());  // no missing-picture box

  // No mode chosen: no box, no diagram.
  auto* modes = child<QComboBox>(page, "workModeList");
  QCOMPARE(modes->currentIndex(), -1);
  QCOMPARE(modes->count(), 4);
  QCOMPARE(modes->itemText(3), q(program.text("ITEM", "item_items4")));
  QVERIFY(shownBoxes(page).isEmpty());
  QCOMPARE(page.diagram()->shownMode(), WorkMode::None);

  for (WorkMode mode : {WorkMode::FastAcquisition, WorkMode::FixedInterval, WorkMode::AverageAcquisition,
                        WorkMode::FixedDepthProfile}) {
    modes->setCurrentIndex(static_cast<int>(mode));
    QCOMPARE(program.taskPage().fields().mode, mode);
    QCOMPARE(shownBoxes(page), QList<WorkMode>{mode});
    QCOMPARE(page.diagram()->shownMode(), mode);
    const QPixmap& diagram = page.diagram()->shownPicture();
    if (mode == WorkMode::FixedDepthProfile) {
      QVERIFY(diagram.isNull());
    } else {
      QCOMPARE(diagram.size(), QSize(480, 300));
    }
  }
  // Each of the delivered diagrams is a different picture.
  QVERIFY(page.diagram()->picture(WorkMode::FastAcquisition).toImage() !=
          page.diagram()->picture(WorkMode::FixedInterval).toImage());
  QVERIFY(page.diagram()->picture(WorkMode::FixedInterval).toImage() !=
          page.diagram()->picture(WorkMode::AverageAcquisition).toImage());

  // The depth profile's captions carry their words from the start.
  QCOMPARE(child<QLabel>(page, "initialValueCaption")->text(),
           q(program.text("QL310", "ql310_cpt_initvalue")));
  QCOMPARE(child<QLabel>(page, "equivalentPressureCaption")->text(),
           q(program.text("QL310", "ql310_equespres") + " 10.05 KPa"));

  // The zero point: neither choice at first; the sea level names the initial value.
  auto* current = child<QRadioButton>(page, "currentPressureChoice");
  auto* seaLevel = child<QRadioButton>(page, "seaLevelChoice");
  QVERIFY(!current->isChecked() && !seaLevel->isChecked());
  QTest::mouseClick(seaLevel, Qt::LeftButton);
  QCOMPARE(program.taskPage().fields().zeroPoint, task::ZeroPoint::SeaLevel);
  QCOMPARE(child<QLabel>(page, "initialValueCaption")->text(),
           q(program.text("QL310", "ql310_cpt_seapres") + ":"));
  QVERIFY(!current->isChecked());
}

void ConfigurationPageTest::typedFieldsShowTheFilteredTextAndTheirDurations() {
  TestHome home;
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  VelmoProgram& program = window.program();
  program.showPage(Page::Configuration);
  auto& page = *child<ConfigurationPage>(window, "configurationPage");
  QTRY_VERIFY(page.isVisible());
  child<QComboBox>(page, "workModeList")->setCurrentIndex(int(WorkMode::FixedInterval));
  auto word = [&](const char* key) { return " " + program.text("BIT", key); };

  struct Case {
    const char* field;
    QString typed;
    QString shown;
    const char* duration;  // the caption beside the field, or null
    std::string durationText;
  };
  const std::string day = word("day"), hour = word("hour"), minute = word("minute"), second = word("second");
  const std::vector<Case> cases{
      {"recordIntervalEdit", "1a2b3", "123", "recordIntervalDuration",
       "0" + day + " 0" + hour + " 2" + minute + " 3" + second},
      // Only the first nine characters count, then the digits among them.
      {"recordIntervalEdit", "12345678901", "123456789", "recordIntervalDuration",
       "1428" + day + " 21" + hour + " 33" + minute + " 9" + second},
      {"averageIntervalEdit", "12345", "12345", "averageIntervalDuration",
       "0" + day + " 0" + hour + " 20" + minute + " 34.5" + second},
      {"initialValueEdit", ".5kPa", "0.5", nullptr, {}},
      {"depthIntervalEdit", "2", "2", "equivalentPressureCaption",
       program.text("QL310", "ql310_equespres") + " 20.090 KPa"},
      // The name is cut to what the logger holds: 16 bytes.
      {"taskNameEdit", "ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP", nullptr, {}},
  };
  for (const Case& c : cases) {
    auto* edit = child<QLineEdit>(page, c.field);
    QVERIFY2(edit, c.field);
    typeInto(edit, c.typed);
    QCOMPARE(edit->text(), c.shown);
    QCOMPARE(edit->cursorPosition(), int(c.shown.size()));
    if (c.duration) QCOMPARE(child<QLabel>(page, c.duration)->text(), q(c.durationText));
  }
  QCOMPARE(q(program.taskPage().fields().recordInterval), QString("123456789"));

  // Typed in the middle, the filtered text comes back with the caret at its end.
  auto* interval = child<QLineEdit>(page, "recordIntervalEdit");
  typeInto(interval, "60");
  interval->setCursorPosition(1);
  QTest::keyClicks(interval, "x5");
  QCOMPARE(interval->text(), QString("605"));
  QCOMPARE(interval->cursorPosition(), 3);

  // Enter in a field writes nothing.
  QTest::keyClick(interval, Qt::Key_Return);
  QTest::qWait(2 * task::TaskWriteSequence::kTickMs);
  QVERIFY(op.log().empty());
  QVERIFY(!program.taskWrite().running());
}

void ConfigurationPageTest::depthProfileRefusedByFirmware131FallsBackToAverage() {
  sim::LoggerConfig config;
  config.firmwareVersion = {1, 3, 1, 5};
  LinkedWindow linked(config);
  QTRY_VERIFY_WITH_TIMEOUT(linked.linked(), kLinkTimeoutMs);
  VelmoProgram& program = linked.program();
  program.showPage(Page::Configuration);
  QTRY_VERIFY_WITH_TIMEOUT(program.taskRead().finished(), kLinkTimeoutMs);
  ConfigurationPage& page = linked.page();
  auto* modes = child<QComboBox>(page, "workModeList");
  modes->setCurrentIndex(int(WorkMode::FixedInterval));
  QCOMPARE(page.diagram()->shownMode(), WorkMode::FixedInterval);

  modes->setCurrentIndex(int(WorkMode::FixedDepthProfile));
  QCOMPARE(modes->currentIndex(), int(WorkMode::AverageAcquisition));
  QCOMPARE(shownBoxes(page), QList<WorkMode>{WorkMode::AverageAcquisition});
  QCOMPARE(page.diagram()->shownMode(), WorkMode::FixedInterval);  // the diagram stays
  QCOMPARE(child<QLabel>(page, "taskStatus")->text(), q(program.text("QL310", "ql310_mode3_error")));
}

void ConfigurationPageTest::readButtonShowsTheLoggersTaskAndWriteButtonWritesIt() {
  sim::LoggerConfig config;
  config.task.name = "PIER-9";
  config.task.start = {30, 6, 1, 8, 0, 0};
  config.task.end = {30, 6, 2, 8, 0, 0};
  config.task.recordIntervalMs = 30000;
  config.task.averageCount = 4;
  config.task.averageIntervalMs = 2000;
  LinkedWindow linked(config);
  QTRY_VERIFY_WITH_TIMEOUT(linked.linked(), kLinkTimeoutMs);
  VelmoProgram& program = linked.program();
  program.showPage(Page::Configuration);  // reads the task by itself the first time
  QTRY_VERIFY_WITH_TIMEOUT(program.taskRead().finished(), kLinkTimeoutMs);
  ConfigurationPage& page = linked.page();

  auto* name = child<QLineEdit>(page, "taskNameEdit");
  typeInto(name, "SCRATCH");
  typeInto(child<QLineEdit>(page, "averageCountEdit"), "9");
  click(child<PictureButton>(page, "readConfigurationButton"));
  QTRY_VERIFY_WITH_TIMEOUT(program.taskRead().finished(), kLinkTimeoutMs);
  QTRY_COMPARE(name->text(), QString("PIER-9"));
  QCOMPARE(child<QDateEdit>(page, "startDateEdit")->date(), QDate(2030, 6, 1));
  QCOMPARE(child<QDateEdit>(page, "endDateEdit")->date(), QDate(2030, 6, 2));
  QCOMPARE(child<QLineEdit>(page, "averageRecordIntervalEdit")->text(), QString("30"));
  QCOMPARE(child<QLineEdit>(page, "averageCountEdit")->text(), QString("4"));
  QCOMPARE(child<QLineEdit>(page, "averageIntervalEdit")->text(), QString("20"));
  // 30 s with four values averaged: the average acquisition, derived by firmware 1.3.1.
  QCOMPARE(child<QComboBox>(page, "workModeList")->currentIndex(), int(WorkMode::AverageAcquisition));
  QCOMPARE(shownBoxes(page), QList<WorkMode>{WorkMode::AverageAcquisition});

  // A new task: a fixed interval of 5 s, records sent to the port.
  typeInto(name, "QUAY");
  child<QComboBox>(page, "workModeList")->setCurrentIndex(int(WorkMode::FixedInterval));
  typeInto(child<QLineEdit>(page, "recordIntervalEdit"), "5");
  auto* sendRecords = child<QCheckBox>(page, "sendRecordsCheck");
  sendRecords->setFocus();
  QTest::keyClick(sendRecords, Qt::Key_Space);
  QVERIFY(program.taskPage().fields().sendRecords);
  linked.op.answerYesNo(true);
  click(child<PictureButton>(page, "writeConfigurationButton"));
  QTRY_VERIFY_WITH_TIMEOUT(program.taskWrite().finished(), kLinkTimeoutMs);
  QCOMPARE(q(linked.op.prompts(PromptKind::YesNo).front().text),
           q(program.text("SYSTEMINFORMATION", "info_write_set_ok")));
  QVERIFY2(linked.op.unexpected().empty(),
           linked.op.unexpected().empty() ? "" : linked.op.unexpected().front().c_str());

  const sim::RegisterBank& registers = linked.logger.registers();
  const Bytes nameBytes = registers.read(0xE005, 8);
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(nameBytes.data()), int(nameBytes.size())),
           QByteArray("QUAY============"));
  QCOMPARE(registers.getU32(0x1001), 5000u);
  QCOMPARE(registers.get(0x1010), std::uint16_t(1));
  QCOMPARE(registers.get(0x100C), std::uint16_t(1));
  QCOMPARE(registers.read(0x1003, 3), (Bytes{30, 6, 1, 8, 0, 0}));
  QCOMPARE(registers.get(0x100D), std::uint16_t(1));  // recording
  QVERIFY(linked.logger.recording());
}

}  // namespace ql

QTEST_MAIN(ql::ConfigurationPageTest)
#include "configuration_page_test.moc"
