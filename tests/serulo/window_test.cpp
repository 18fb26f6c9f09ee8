#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <fstream>

#include "assistant/hex_reader.h"
#include "assistant/receive_area_file.h"
#include "runtime/ini_file.h"
#include "support/fake_port_tree.h"
#include "ui/qt/port_box.h"
#include "ui/serulo/control_form.h"
#include "ui/serulo/receive_view.h"
#include "window_fixture.h"

namespace ql::testing {
namespace {

using SeruloWindowTest = WindowFixture;

TEST_F(SeruloWindowTest, StartsWithItsDefaultsAndReportsAPortThatCannotOpen) {
  SeruloWindow& window = openWindow();
  EXPECT_EQ(window.windowTitle(), "串口调试助手 V2.1.05        20121212 - 20181016");
  EXPECT_EQ(window.size(), QSize(710, 561));
  EXPECT_EQ(find<QComboBox>("baudBox")->currentText(), "19200");
  EXPECT_EQ(find<QPlainTextEdit>("sendArea")->toPlainText(), "1276");
  EXPECT_EQ(find<QPushButton>("openButton")->text(), "打开串口");
  EXPECT_EQ(text("messagePanel"), "串口不存在或被占用");
  EXPECT_TRUE(QTest::qWaitFor([&] { return text("messagePanel").isEmpty(); }, 3000));
}

TEST_F(SeruloWindowTest, PortBoxDescribesThePortsAndFollowsAdaptersKeepingTheChoice) {
  test::FakePortTree tree;
  tree.addUart("ttyS0", "serial8250");
  SeruloOptions options;
  options.portLister = [&tree] { return serialPortPathsIn(tree.roots()); };
  options.portDescriber = [&tree](const std::string& path) { return describeSerialPort(path, tree.roots()); };
  SeruloWindow& window = openWindowWith(std::move(options));
  auto* portBox = find<QComboBox>("portBox");
  ASSERT_EQ(portBox->count(), 1);
  EXPECT_EQ(portBox->currentText().toStdString(), tree.node("ttyS0"));

  tree.plugUsb("ttyUSB0", "FTDI", "FT232R USB UART", "0403", "6001", "usb-FTDI_FT232R-if00-port0");
  window.terminal().rescanPorts();
  ASSERT_EQ(portBox->count(), 2);
  // The edit and the settings keep the device path; the drop-down and tooltip tell what it is.
  EXPECT_EQ(portBox->itemText(1).toStdString(), tree.node("ttyUSB0"));
  EXPECT_EQ(portPathAt(portBox, 1).toStdString(), tree.node("ttyUSB0"));
  EXPECT_EQ(portBox->itemData(1, kPortLabelRole).toString().toStdString(),
            tree.node("ttyUSB0") + " — FTDI FT232R USB UART (0403:6001)");
  EXPECT_TRUE(portBox->itemData(1, Qt::ToolTipRole).toString().endsWith("usb-FTDI_FT232R-if00-port0"));
  EXPECT_EQ(portBox->currentText().toStdString(), tree.node("ttyS0"));

  tree.unplug("ttyS0");
  window.terminal().rescanPorts();
  EXPECT_EQ(portBox->count(), 1);
  EXPECT_EQ(portBox->currentText().toStdString(), tree.node("ttyS0"));
  EXPECT_EQ(window.currentSettings().portName, tree.node("ttyS0"));
}

TEST_F(SeruloWindowTest, ChecksumButtonsAndConvertersWorkOnTheirFields) {
  openWindow();
  auto* sendArea = find<QPlainTextEdit>("sendArea");
  sendArea->setPlainText("01 03 00 00 00 01");
  click("crcButton");
  EXPECT_EQ(sendArea->toPlainText(), "01 03 00 00 00 01 84 0A ");
  sendArea->setPlainText("01 02 03");
  click("internetChecksumButton");
  EXPECT_EQ(sendArea->toPlainText(), "01 02 03 FB FD ");
  sendArea->setPlainText("xyz ghi");
  click("sum16Button");
  EXPECT_EQ(sendArea->toPlainText(), "xyz ghi");

  auto* decimal = find<QLineEdit>("decimalEdit");
  QTest::keyClicks(decimal, "x1.5.0");
  EXPECT_EQ(decimal->text(), "1.50");
  click("toSingleButton");
  click("toDoubleButton");
  EXPECT_EQ(find<QLineEdit>("singleEdit")->text(), "3FC00000");
  EXPECT_EQ(find<QLineEdit>("doubleEdit")->text(), "3FF8000000000000");
  find<QLineEdit>("singleEdit")->setText("3F800000");
  click("fromSingleButton");
  EXPECT_EQ(decimal->text(), "1");
  find<QLineEdit>("doubleEdit")->setText("3FF8");  // not 16 digits: the decimal stays
  click("fromDoubleButton");
  EXPECT_EQ(decimal->text(), "1");

  // "转换" turns the send area into its hexadecimal dump and back.
  sendArea->setPlainText("AB温");
  find<QCheckBox>("convertCheck")->setChecked(true);
  EXPECT_EQ(sendArea->toPlainText(), "41 42 E6 B8 A9 ");
  find<QCheckBox>("convertCheck")->setChecked(false);
  EXPECT_EQ(sendArea->toPlainText(), "AB温");
}

TEST_F(SeruloWindowTest, SettingsAndTheReceiveAreaSurviveARestart) {
  SeruloWindow& first = openWindow();
  find<QCheckBox>("rememberCheck")->setChecked(true);
  find<QComboBox>("baudBox")->setCurrentText("921600");
  find<QComboBox>("parityBox")->setCurrentIndex(2);
  find<QComboBox>("dataBitsBox")->setCurrentIndex(1);
  find<QCheckBox>("hexDisplayCheck")->setChecked(false);
  find<QSpinBox>("periodBox")->setValue(250);
  find<QPlainTextEdit>("sendArea")->setPlainText("AA BB");
  find<QLineEdit>("quickSendEdit3")->setText("01 03");
  click("extensionButton");
  EXPECT_EQ(first.width(), 710 + 251);
  first.terminal().setReceiveText(std::string(70000, 'x'));
  closeWindow();

  SeruloWindow& second = openWindow();
  EXPECT_TRUE(find<QCheckBox>("rememberCheck")->isChecked());
  EXPECT_EQ(find<QComboBox>("baudBox")->currentText(), "921600");
  EXPECT_EQ(second.terminal().lineSettings().baudRate, 921600u);
  EXPECT_EQ(second.terminal().lineSettings().parity, Parity::Even);
  EXPECT_EQ(second.terminal().lineSettings().byteSize, ByteSize::Seven);
  EXPECT_FALSE(find<QCheckBox>("hexDisplayCheck")->isChecked());
  EXPECT_EQ(find<QSpinBox>("periodBox")->value(), 250);
  EXPECT_EQ(find<QPlainTextEdit>("sendArea")->toPlainText(), "AA BB");
  EXPECT_EQ(find<QLineEdit>("quickSendEdit3")->text(), "01 03");
  EXPECT_EQ(find<QPushButton>("extensionButton")->text(), "隐藏扩展");
  EXPECT_EQ(second.width(), 710 + 251);
  EXPECT_EQ(second.terminal().receiveArea().length(), 65530u);

  // Unticking is remembered too.
  find<QCheckBox>("rememberCheck")->setChecked(false);
  closeWindow();
  openWindow();
  EXPECT_FALSE(find<QCheckBox>("rememberCheck")->isChecked());
}

TEST_F(SeruloWindowTest, ControlFormStoresTheParametersAtOnceAndTheReadOutUsesThem) {
  SeruloWindow& window = openWindow();
  QTimer::singleShot(50, [] {
    auto* form = qobject_cast<ControlForm*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    form->findChild<QLineEdit*>("captionEdit2")->setText("读温度");
    form->findChild<QLineEdit*>("nameEdit1")->setText("温度");
    form->findChild<QComboBox*>("typeBox1")->setCurrentIndex(1);
    form->findChild<QSpinBox*>("startBox1")->setValue(3);
    form->findChild<QLineEdit*>("nameEdit3")->setText("计数");
    QTest::keyClicks(form->findChild<QLineEdit*>("patternEdit3"), "AA 5z5");
    form->findChild<QSpinBox*>("countBox3")->setValue(4);
    form->findChild<QLineEdit*>("nameEdit4")->setText("总数");
    form->findChild<QLineEdit*>("patternEdit4")->setText("7E");
    form->findChild<QSpinBox*>("countBox4")->setValue(8);
    QTest::mouseClick(form->findChild<QPushButton*>("okButton"), Qt::LeftButton);
  });
  window.openControlForm();

  EXPECT_EQ(find<QPushButton>("quickSendButton2")->text(), "读温度");
  EXPECT_EQ(text("readOutCaption1"), "温度");
  const ReadOutParameters p = window.terminal().readOutParameters();
  EXPECT_EQ(p.byPattern[0].pattern, "AA55");
  IniFile ini;
  ASSERT_TRUE(ini.load(settingsPath()));  // written although "界面记忆" is off
  EXPECT_EQ(ini.readString("Value", "No1"), "温度");
  EXPECT_EQ(ini.readString("Value", "No1a"), "1");
  EXPECT_EQ(ini.readString("Value", "No3c"), "4");
  EXPECT_EQ(ini.readString("Value", "No4c"), "8");

  closeWindow();
  SeruloWindow& again = openWindow();
  EXPECT_EQ(again.terminal().readOutParameters(), p);
  EXPECT_EQ(text("readOutCaption3"), "计数");

  // Escape closes the form without a change.
  QTimer::singleShot(50, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
  again.openControlForm();
  EXPECT_EQ(again.terminal().readOutParameters(), p);
}

TEST_F(SeruloWindowTest, ReadOutLabelsHideInALowWindow) {
  SeruloWindow& window = openWindow();
  auto* panel = window.findChild<QWidget*>("readOutPanel");
  window.resize(710, 500);
  EXPECT_FALSE(panel->isVisibleTo(&window));
  window.resize(710, 600);
  EXPECT_TRUE(panel->isVisibleTo(&window));
}

TEST_F(SeruloWindowTest, ReceiveViewDrawsEveryByteAndFollowsTheEndUnlessScrolledAway) {
  SeruloWindow& window = openWindow();
  ReceiveView* view = window.receiveView();
  Bytes all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
  window.terminal().setReceiveText(hexDump(all));
  ASSERT_EQ(view->columns() % 3, 0);  // whole bytes per row
  QString joined;
  for (int r = 0; r < view->rowCount(); ++r) {
    EXPECT_LE(view->rowText(r).size(), view->columns());
    joined += view->rowText(r);
  }
  EXPECT_EQ(joined.toStdString(), hexDump(all));
  EXPECT_TRUE(view->followsEnd());

  std::string many;
  for (int i = 0; i < 500; ++i) many += "line " + std::to_string(i) + "\n";
  window.terminal().setReceiveText(many);
  EXPECT_TRUE(view->followsEnd());
  EXPECT_EQ(view->rowText(499), "line 499");
  view->verticalScrollBar()->setValue(10);  // the user scrolls up
  window.terminal().setReceiveText(many + "more\n");
  EXPECT_EQ(view->verticalScrollBar()->value(), 10);
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  window.terminal().setReceiveText(many + "more\nand more");
  EXPECT_TRUE(view->followsEnd());
  EXPECT_EQ(view->rowText(view->rowCount() - 1), "and more");
}

TEST_F(SeruloWindowTest, ReceiveViewSelectsWithTheMouseAndCopies) {
  SeruloWindow& window = openWindow();
  ReceiveView* view = window.receiveView();
  window.terminal().setReceiveText("41 42 43 44\n温度 25\n");
  QWidget* port = view->viewport();
  const QFontMetrics metrics(view->font());
  const int w = metrics.horizontalAdvance(QLatin1Char('0'));
  const int h = metrics.lineSpacing();
  auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, port->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(port, &event);
  };
  // From column 3 of the first row to column 4 of the second: "42 43 44\n温度" ("温" and "度" are
  // two columns wide each).
  mouse(QEvent::MouseButtonPress, QPoint(3 + 3 * w + 1, 3 + h / 2), Qt::LeftButton);
  mouse(QEvent::MouseMove, QPoint(3 + 4 * w + 1, 3 + h + h / 2), Qt::LeftButton);
  EXPECT_EQ(view->selectedText(), "42 43 44\n温度");
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "42 43 44\n温度");
}

TEST_F(SeruloWindowTest, SaveWritesTheReceiveAreaToTheChosenPath) {
  SeruloWindow& window = openWindow();
  const std::string path = (dir_ / "saved.TXT").string();
  dialogs_.answerSaveFile(path);
  QTest::mouseDClick(find<QLabel>("savePathLabel"), Qt::LeftButton);
  EXPECT_EQ(text("savePathLabel").toStdString(), path);
  window.terminal().setReceiveText("41 42 ");
  click("saveButton");
  std::ifstream in(path, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(content.size(), 26u);
  EXPECT_EQ(content.substr(26), "41 42 \r\n");
}

}  // namespace
}  // namespace ql::testing
