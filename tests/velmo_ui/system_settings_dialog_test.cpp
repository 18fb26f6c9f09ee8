// The system settings dialog, offscreen, against a logger in the process: the live values and
// offsets it shows, a temperature correction written through its button, OK keeping the
// precisions, in both delivered languages. With QL_SHOT_DIR set it also saves a picture of the
// dialog per language (settings-<language>.png).

#include "ui/velmo/system_settings_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "shell/saved_state.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "test_home.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/velmo_main_window.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {
namespace {

constexpr int kLinkTimeoutMs = 30000;

using test::TestHome;

template <typename Widget>
Widget* child(QWidget& parent, const char* name) {
  return parent.findChild<Widget*>(name);
}

void click(PictureButton* button) {
  QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
  QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
}

// A window in the given language linked to a logger in the process.
struct LinkedWindow {
  explicit LinkedWindow(const std::string& language)
      : port(loop), link(loop, port, logger), window(environment(language), &op, nullptr, {{loop, port}}) {
    window.start();
  }
  ProgramEnvironment environment(const std::string& language) {
    SavedState state;
    state.languageName = language;
    saveSavedState(home.path("sysuse.d"), state);
    return home.environment("/dev/ttyQL");
  }
  VelmoProgram& program() { return window.program(); }
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

class SystemSettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsLiveValuesAndWritesACorrection();
  void programMenuOpensTheDialog();
};

void SystemSettingsDialogTest::programMenuOpensTheDialog() {
  LinkedWindow linked("chinese");
  VelmoProgram& program = linked.program();
  QTRY_VERIFY_WITH_TIMEOUT(linked.linked(), kLinkTimeoutMs);
  program.showPage(Page::Configuration);
  auto* menuButton = child<PictureButton>(linked.window, "programMenuButton");
  QTRY_VERIFY(menuButton->isVisible());

  bool dialogSeen = false;
  QTimer::singleShot(100, &linked.window, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    // The dialog runs modally once the item is chosen: look at it, then leave it.
    QTimer::singleShot(100, &linked.window, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      dialogSeen = modal && modal->objectName() == "systemSettings" && program.systemSettings().open();
      if (modal) click(modal->findChild<PictureButton*>("returnButton"));
    });
    menu->actions().first()->trigger();
    menu->close();
  });
  click(menuButton);
  QTRY_VERIFY(dialogSeen);
  QTRY_VERIFY(!program.systemSettings().open());
}

void SystemSettingsDialogTest::showsLiveValuesAndWritesACorrection() {
  for (const std::string language : {"chinese", "english"}) {
    LinkedWindow linked(language);
    VelmoProgram& program = linked.program();
    QTRY_VERIFY_WITH_TIMEOUT(linked.linked(), kLinkTimeoutMs);
    QCOMPARE(program.language(), language);

    SystemSettingsDialog dialog(program, VelmoPictures::load(program.home()), &linked.window);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString::fromStdString(program.text("QL310", "qlsys_maincpt")));
    auto* current = child<QLineEdit>(dialog, "temperatureCurrent");
    QTRY_VERIFY_WITH_TIMEOUT(!current->text().isEmpty(), kLinkTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!program.systemSettings().temperatureDump().empty(), kLinkTimeoutMs);
    QVERIFY(!child<QLineEdit>(dialog, "pressureCurrent")->text().isEmpty());
    QVERIFY(!child<QLabel>(dialog, "temperatureWritten")->isVisible());
    QCOMPARE(child<QComboBox>(dialog, "baudRates")->count(), 8);

    // Typed correction: the displayed value follows; the button writes it.
    QTest::keyClicks(child<QLineEdit>(dialog, "temperatureCorrection"), "0.15");
    QTRY_VERIFY(!child<QLineEdit>(dialog, "temperatureDisplayed")->text().isEmpty());
    if (const QByteArray dir = qgetenv("QL_SHOT_DIR"); !dir.isEmpty())
      QVERIFY(dialog.grab().save(QString::fromUtf8(dir) + "/settings-" + QString::fromStdString(language) +
                                 ".png"));
    linked.op.answerYesNo(true);
    click(child<PictureButton>(dialog, "temperatureChangeButton"));
    QTRY_VERIFY_WITH_TIMEOUT(child<QLabel>(dialog, "temperatureWritten")->isVisible(), kLinkTimeoutMs);

    // OK takes the spin boxes.
    child<QSpinBox>(dialog, "temperatureDecimals")->setValue(3);
    child<QSpinBox>(dialog, "pressureDecimals")->setValue(1);
    click(child<PictureButton>(dialog, "okButton"));
    QVERIFY(!dialog.isVisible());
    QVERIFY(!program.systemSettings().open());
    QCOMPARE(program.savedState().temperatureDecimals, 3);
    QCOMPARE(program.savedState().pressureDecimals, 1);
  }
}

}  // namespace ql

QTEST_MAIN(ql::SystemSettingsDialogTest)
#include "system_settings_dialog_test.moc"
