// velmo's main window, offscreen: start-up in a fresh home, the navigation buttons' release
// rule, the connected state against a simulated logger on a pseudo-terminal, the program menu
// gate, the missing-picture stop, and what the exit keeps for the next start.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "runtime/scripted_operator.h"
#include "shell/saved_state.h"
#include "sim/logger_model.h"
#include "sim/pty_server.h"
#include "test_home.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/velmo_main_window.h"

namespace ql {
namespace {

// Real ports and threads: waits are bounded, generous for a busy machine.
constexpr int kLinkTimeoutMs = 20000;

QString q(const std::string& text) { return QString::fromStdString(text); }

using test::TestHome;

// A simulated logger (serial 210012345, 9600 baud) on a pseudo-terminal, served on its own thread.
class SimulatedLogger {
 public:
  explicit SimulatedLogger(sim::LoggerConfig config = {}) : model_(config), server_(model_) {
    server_.open();
    server_.start();
  }
  ~SimulatedLogger() { server_.stop(); }
  const std::string& path() const { return server_.slavePath(); }

 private:
  sim::LoggerModel model_;
  sim::PtyServer server_;
};

template <typename Widget>
Widget* child(QWidget& window, const char* name) {
  return window.findChild<Widget*>(name);
}

void clickAt(QWidget* widget, QPoint press, QPoint release) {
  QTest::mousePress(widget, Qt::LeftButton, {}, press);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, release);
}

// What a click on the program menu button brought up; an open menu is read and closed.
struct MenuSeen {
  bool looked = false;  // the check ran, menu or not
  bool opened = false;
  QStringList items;
  QList<bool> enabled;
};

MenuSeen clickMenuButton(PictureButton* button) {
  auto seen = std::make_shared<MenuSeen>();
  QTimer::singleShot(50, button, [seen] {
    seen->looked = true;
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    seen->opened = true;
    for (QAction* action : menu->actions()) {
      seen->items << action->text();
      seen->enabled << action->isEnabled();
    }
    menu->close();
  });
  clickAt(button, button->rect().center(), button->rect().center());
  (void)QTest::qWaitFor([seen] { return seen->looked; }, 5000);  // the caller checks what was seen
  return *seen;
}

}  // namespace

class VelmoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void navigationActsOnReleaseInside_data();
  void navigationActsOnReleaseInside();
  void pictureButtonsWorkFromTheKeyboard();
  void showsTheLinkedLoggerAndItsInformation();
  void missingPictureEndsStartUpWithTheLanguageMessage();
  void exitKeepsGeometryAndLanguageForTheNextStart();
  void chosenLanguageAppliesAtOnceAndIsStoredAtExit();
  void memoFollowsItsLinesAndClears();
  void doubleClickOnTheClockSetsTheLoggersClock();
  void startUpSwitchesShapeTheDownloadPage_data();
  void startUpSwitchesShapeTheDownloadPage();
};

void VelmoWindowTest::navigationActsOnReleaseInside_data() {
  QTest::addColumn<QPoint>("release");  // offset from the button's centre, or a fixed point
  QTest::addColumn<bool>("fromTop");    // release y is measured from the top edge
  QTest::addColumn<bool>("switches");
  QTest::newRow("centre") << QPoint(0, 0) << false << true;
  QTest::newRow("13 px above the top") << QPoint(0, -13) << true << true;
  QTest::newRow("14 px above the top") << QPoint(0, -14) << true << false;
  QTest::newRow("below the bottom") << QPoint(0, 1000) << false << false;
  QTest::newRow("right of the button") << QPoint(1000, 0) << false << false;
}

void VelmoWindowTest::navigationActsOnReleaseInside() {
  QFETCH(QPoint, release);
  QFETCH(bool, fromTop);
  QFETCH(bool, switches);

  TestHome home;
  VelmoMainWindow window(home.environment());
  window.start();
  auto* pages = child<QStackedWidget>(window, "pages");
  auto* download = child<PictureButton>(window, "downloadPageButton");
  auto* dataView = child<PictureButton>(window, "dataViewPageButton");
  QVERIFY(pages && download && dataView);
  QCOMPARE(pages->currentIndex(), 0);
  QCOMPARE(download->captionColor(), QColor(Qt::red));

  const QPoint centre = dataView->rect().center();
  const QPoint at = fromTop ? QPoint(centre.x() + release.x(), release.y()) : centre + release;
  QTest::mousePress(dataView, Qt::LeftButton, {}, centre);
  QVERIFY(dataView->isDown());  // pressed picture while held
  QTest::mouseRelease(dataView, Qt::LeftButton, {}, at);
  QVERIFY(!dataView->isDown());

  if (switches) {
    QCOMPARE(window.program().navigation().page, Page::DataView);
    QTRY_COMPARE(pages->currentIndex(), 1);
    QTRY_COMPARE(dataView->captionColor(), QColor(Qt::red));
    QCOMPARE(download->captionColor(), QColor(Qt::black));
  } else {
    QTest::qWait(20);
    QCOMPARE(window.program().navigation().page, Page::Download);
    QCOMPARE(pages->currentIndex(), 0);
  }
}

void VelmoWindowTest::pictureButtonsWorkFromTheKeyboard() {
  TestHome home;
  VelmoMainWindow window(home.environment());
  window.start();
  auto* pages = child<QStackedWidget>(window, "pages");
  auto* configuration = child<PictureButton>(window, "configurationPageButton");
  QVERIFY(pages && configuration);

  QVERIFY(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(configuration, Qt::Key_Space);
  QTRY_COMPARE(pages->currentIndex(), 2);
  QTest::keyClick(&window, Qt::Key_1, Qt::AltModifier);
  QTRY_COMPARE(pages->currentIndex(), 0);
}

void VelmoWindowTest::showsTheLinkedLoggerAndItsInformation() {
  SimulatedLogger logger;
  TestHome home;
  VelmoMainWindow window(home.environment(logger.path()));
  QCOMPARE(window.windowTitle(), q(window.program().texts().windowTitle()));
  window.start();

  auto* linkStatus = child<QLabel>(window, "linkStatus");
  auto* serial = child<QLineEdit>(window, "serialNumberField");
  auto* model = child<QLineEdit>(window, "modelField");
  auto* menuButton = child<PictureButton>(window, "programMenuButton");
  QVERIFY(linkStatus && serial && model && menuButton);
  const QString linked = q(window.program().text("COMLINK", "com_link_ok"));
  QVERIFY(!linked.isEmpty());

  // Not linked yet: the program menu stays shut.
  QVERIFY(!clickMenuButton(menuButton).opened);

  QTRY_COMPARE_WITH_TIMEOUT(linkStatus->text(), linked, kLinkTimeoutMs);
  QTRY_COMPARE_WITH_TIMEOUT(serial->text(), QString("0210012345"), kLinkTimeoutMs);
  QTRY_COMPARE_WITH_TIMEOUT(model->text(), QString("QL310"), kLinkTimeoutMs);
  // Auto search chose the port itself: the lists stay disabled and show its choice.
  auto* portBox = child<QComboBox>(window, "portBox");
  QVERIFY(portBox);
  QVERIFY(!portBox->isEnabled());
  QCOMPARE(portBox->currentText(), q(logger.path()));

  // The file list fills from the logger's table; picking a file shows its details in the memo.
  auto* files = child<QListWidget>(window, "instrumentFileList");
  auto* fileCount = child<QLabel>(window, "fileCount");
  auto* memo = child<QPlainTextEdit>(window, "dataInformationMemo");
  QVERIFY(files && fileCount && memo);
  const int recorded = sim::LoggerConfig{}.fileCount;
  QVERIFY(recorded >= 2);
  QTRY_COMPARE_WITH_TIMEOUT(files->count(), recorded, kLinkTimeoutMs);
  QTRY_COMPARE(fileCount->text(),
               q(window.program().text("MAIN", "info_file_num")) + " " + QString::number(recorded));
  files->setCurrentRow(1);
  QTRY_VERIFY(memo->toPlainText().contains(files->item(1)->text()));
  QVERIFY(!memo->toPlainText().contains(files->item(0)->text()));

  // Linked: the menu opens with its three items, each of which can be chosen.
  const MenuSeen menu = clickMenuButton(menuButton);
  QVERIFY(menu.opened);
  QCOMPARE(menu.items, QStringList({q(window.program().text("MENU", "menu_setsys")),
                                    q(window.program().text("MENU", "menu_updcheck")),
                                    q(window.program().text("MENU", "menu_about"))}));
  QCOMPARE(menu.enabled, QList<bool>({true, true, true}));
}

void VelmoWindowTest::doubleClickOnTheClockSetsTheLoggersClock() {
  sim::LoggerConfig config;
  config.clockOffsetSeconds = -3600;
  SimulatedLogger logger(config);
  TestHome home;
  VelmoMainWindow window(home.environment(logger.path()));
  window.start();
  auto* clock = child<QLineEdit>(window, "clockField");
  QVERIFY(clock);
  auto secondsFromNow = [clock] {
    const QDateTime shown = QDateTime::fromString(clock->text(), "yyyy-MM-dd HH:mm:ss");
    return shown.isValid() ? std::abs(shown.secsTo(QDateTime::currentDateTime())) : 1000000;
  };
  QTRY_VERIFY_WITH_TIMEOUT(std::abs(secondsFromNow() - 3600) <= 2, kLinkTimeoutMs);

  QTest::mouseDClick(clock, Qt::LeftButton);
  // The three writes go out, the clock is read back and shown.
  QTRY_VERIFY_WITH_TIMEOUT(secondsFromNow() <= 2, kLinkTimeoutMs);
}

void VelmoWindowTest::missingPictureEndsStartUpWithTheLanguageMessage() {
  TestHome home({"menupg.svd"});
  ScriptedOperator op;
  VelmoMainWindow window(home.environment(), &op);
  window.start();
  QVERIFY(window.isVisible());

  QTRY_VERIFY(!window.isVisible());
  const std::vector<Prompt> messages = op.prompts(PromptKind::Message);
  QCOMPARE(messages.size(), std::size_t(1));
  QCOMPARE(q(messages[0].title), q(window.program().text("SYSTEMINFORMATION", "systemerrorinfo")));
  QCOMPARE(q(messages[0].text), q(window.program().text("SYSTEMINFORMATION", "systemfileerror")));
  QVERIFY(!messages[0].text.empty());
  // The exit steps ran: the settings were saved.
  QVERIFY(QFile::exists(q(home.path("sysuse.d"))));
}

void VelmoWindowTest::exitKeepsGeometryAndLanguageForTheNextStart() {
  TestHome home;
  QString chineseTitle;
  QSize size;
  {
    VelmoMainWindow window(home.environment());
    window.start();
    chineseTitle = window.windowTitle();
    auto* languages = child<QComboBox>(window, "languageBox");
    QVERIFY(languages);
    QCOMPARE(languages->currentText(), QString("chinese"));
    QVERIFY(languages->findText("english") >= 0);
    languages->setCurrentText("english");
    size = window.minimumSizeHint() + QSize(40, 30);
    window.move(20, 30);
    window.resize(size);
    QVERIFY(window.close());
  }
  const SavedStateLoad saved = loadSavedState(home.path("sysuse.d"));
  QVERIFY(saved.fileFound);
  QCOMPARE(QFileInfo(q(home.path("sysuse.d"))).size(), qint64(SavedState::kFileSize));
  QCOMPARE(q(saved.state.languageName), QString("english"));
  QVERIFY(saved.state.window.has_value());
  QCOMPARE(saved.state.window->left, 20);
  QCOMPARE(saved.state.window->top, 30);
  QCOMPARE(QSize(saved.state.window->width, saved.state.window->height), size);

  VelmoMainWindow next(home.environment());
  QCOMPARE(next.size(), size);
  QCOMPARE(next.pos(), QPoint(20, 30));
  QCOMPARE(next.program().language(), std::string("english"));
  QCOMPARE(next.windowTitle(), q(next.program().texts().windowTitle()));
  QVERIFY(next.windowTitle() != chineseTitle);
  auto* download = child<PictureButton>(next, "downloadPageButton");
  QVERIFY(download);
  QCOMPARE(download->caption(), q(next.program().text("MAIN", "btn_down")));
}

bool hasChinese(const QString& text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

void VelmoWindowTest::chosenLanguageAppliesAtOnceAndIsStoredAtExit() {
  TestHome home;
  const LanguageTexts english = LanguageTexts::fromFile(home.path("english.lag"));
  {
    VelmoMainWindow window(home.environment());
    window.start();
    auto* languages = child<QComboBox>(window, "languageBox");
    auto* download = child<PictureButton>(window, "downloadPageButton");
    auto* liveValues = child<QGroupBox>(window, "liveValuesBox");
    QVERIFY(languages && download && liveValues);
    QVERIFY(hasChinese(download->caption()));

    const int index = languages->findText("english");
    QVERIFY(index >= 0);
    languages->setCurrentIndex(index);
    emit languages->textActivated(languages->itemText(index));
    QCoreApplication::processEvents();  // the views' batched renders

    QCOMPARE(download->caption(), q(english.text("MAIN", "btn_down")));
    QCOMPARE(liveValues->title(), q(english.text("MAIN", "cpt_nowdata")));
    QCOMPARE(window.windowTitle(), q(english.windowTitle()));
    // No caption of the navigation, the download page or the data page is left in Chinese.
    QWidget* navigation = download->parentWidget();
    for (QWidget* part :
         {navigation, child<QWidget>(window, "downloadPage"), child<QWidget>(window, "dataViewPage")}) {
      QVERIFY(part);
      for (auto* button : part->findChildren<PictureButton*>())
        QVERIFY2(!hasChinese(button->caption()), qPrintable(button->objectName()));
      for (auto* label : part->findChildren<QLabel*>())
        QVERIFY2(!hasChinese(label->text()), qPrintable(label->text()));
      for (auto* box : part->findChildren<QGroupBox*>())
        QVERIFY2(!hasChinese(box->title()), qPrintable(box->title()));
      for (auto* button : part->findChildren<QAbstractButton*>())
        QVERIFY2(!hasChinese(button->text()), qPrintable(button->text()));
    }
    auto* initialValue = child<QLabel>(window, "initialValueCaption");
    QVERIFY(initialValue);
    QCOMPARE(initialValue->text(), q(english.text("QL310", "ql310_cpt_initvalue")));
    auto* table = child<QTableView>(window, "dataTable");
    QVERIFY(table);
    QVERIFY(!hasChinese(table->model()->headerData(1, Qt::Horizontal).toString()));
    QVERIFY(window.close());
  }
  const SavedStateLoad saved = loadSavedState(home.path("sysuse.d"));
  QCOMPARE(q(saved.state.languageName), QString("english"));
}

void VelmoWindowTest::memoFollowsItsLinesAndClears() {
  TestHome home;
  VelmoMainWindow window(home.environment());
  window.start();
  auto* memo = child<QPlainTextEdit>(window, "dataInformationMemo");
  auto* clear = window.findChild<QAction*>("clearMemoAction");
  QVERIFY(memo && clear);
  QVERIFY(memo->isReadOnly());

  for (int i = 0; i < 300; ++i) window.program().memo().addRaw("line " + std::to_string(i));
  QTRY_COMPARE(memo->blockCount(), 300);
  window.program().memo().addRaw("one more");
  QTRY_COMPARE(memo->blockCount(), 301);
  QCOMPARE(memo->document()->lastBlock().text(), QString("one more"));
  QCOMPARE(memo->document()->firstBlock().text(), QString("line 0"));

  clear->trigger();
  QVERIFY(window.program().memo().lines().empty());
  QTRY_COMPARE(memo->toPlainText(), QString());
}

void VelmoWindowTest::startUpSwitchesShapeTheDownloadPage_data() {
  QTest::addColumn<int>("autoStart");
  QTest::addColumn<int>("third");
  QTest::addColumn<int>("autoDisplay");
  QTest::addColumn<int>("linkEcho");
  QTest::addColumn<QString>("thirdKey");  // QL310 caption key; the unit key follows from it
  QTest::newRow("defaults") << 1 << 1 << 1 << 0 << "1";
  QTest::newRow("water depth, live display off, link echo, manual") << 0 << 2 << 0 << 1 << "2";
  QTest::newRow("internal temperature") << 1 << 3 << 1 << 0 << "3";
  QTest::newRow("unknown third field is conductivity") << 1 << 7 << 1 << 0 << "1";
}

void VelmoWindowTest::startUpSwitchesShapeTheDownloadPage() {
  QFETCH(int, autoStart);
  QFETCH(int, third);
  QFETCH(int, autoDisplay);
  QFETCH(int, linkEcho);
  QFETCH(QString, thirdKey);

  TestHome home;
  QVERIFY(home.write("Sysuse.ini", QString("[CONFIG]\r\nAUTOSTART=%1\r\nDIS_THIRD=%2\r\nLINKECHO=%3\r\n\r\n"
                                           "[SAVE]\r\nDISPLAYLENGTH=2\r\nAUTODISPLAY=%4\r\n")
                                       .arg(autoStart)
                                       .arg(third)
                                       .arg(linkEcho)
                                       .arg(autoDisplay)
                                       .toUtf8()));
  VelmoMainWindow window(home.environment());
  window.start();
  const VelmoProgram& program = window.program();

  auto* thirdCaption = child<QLabel>(window, "thirdFieldCaption");
  auto* thirdUnit = child<QLabel>(window, "thirdFieldUnit");
  auto* show = child<PictureButton>(window, "liveShowButton");
  auto* stop = child<PictureButton>(window, "liveStopButton");
  auto* state = child<QLabel>(window, "stateCaption");
  auto* autoSearch = window.findChild<QCheckBox*>("autoSearchBox");
  auto* portBox = child<QComboBox>(window, "portBox");
  QVERIFY(thirdCaption && thirdUnit && show && stop && state && autoSearch && portBox);

  QCOMPARE(thirdCaption->text(), q(program.text("QL310", ("ql310_third_dis" + thirdKey).toStdString())));
  QCOMPARE(thirdUnit->text(), q(program.text("QL310", ("ql310_third_bit" + thirdKey).toStdString())));
  QVERIFY(!thirdCaption->text().isEmpty());
  const QColor live = autoDisplay == 1 ? QColor(Qt::red) : QColor(Qt::black);
  QCOMPARE(show->captionColor(), live);
  QCOMPARE(stop->captionColor(), live);
  QCOMPARE(state->palette().color(QPalette::WindowText) == QColor(Qt::red), linkEcho == 1);
  QCOMPARE(autoSearch->isChecked(), autoStart == 1);
  // After the deferred start-up the search owns the lists; without it the operator does.
  QTRY_COMPARE(portBox->isEnabled(), autoStart != 1);

  if (autoStart == 1) {
    // Switching the automatic search on again turns live display off.
    autoSearch->click();
    autoSearch->click();
    QVERIFY(autoSearch->isChecked());
    QCOMPARE(show->captionColor(), QColor(Qt::black));
  }
}

}  // namespace ql

QTEST_MAIN(ql::VelmoWindowTest)
#include "velmo_window_test.moc"
