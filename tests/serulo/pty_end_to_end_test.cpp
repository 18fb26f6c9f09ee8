// serulo against a pseudo-terminal pair: the window opens the slave side with its line
// settings, and the test plays the device on the master side.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>

#include "assistant/hex_reader.h"
#include "pty_line.h"
#include "ui/serulo/receive_view.h"
#include "window_fixture.h"

namespace ql::testing {
namespace {

class PtyEndToEnd : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slavePath_ = ptsname(master_);
  }
  void TearDown() override {
    WindowFixture::TearDown();
    if (master_ >= 0) ::close(master_);
  }

  void deviceWrites(const char* hex) {
    const Bytes bytes = readHex(hex);
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Everything the program sent until `count` bytes are in or the wait ends.
  Bytes deviceReads(std::size_t count, int timeoutMs = 3000) {
    Bytes got;
    (void)QTest::qWaitFor(  // the caller compares what came

        [&] {
          std::uint8_t buffer[4096];
          const ssize_t n = ::read(master_, buffer, sizeof buffer);
          if (n > 0) got.insert(got.end(), buffer, buffer + n);
          return got.size() >= count;
        },
        timeoutMs);
    return got;
  }
  PtyLine line() const {
    const auto l = readPtyLine(master_);
    EXPECT_TRUE(l.has_value());
    return l.value_or(PtyLine{});
  }
  QString receiveViewText() const {
    QString all;
    for (int r = 0; r < window_->receiveView()->rowCount(); ++r)
      all += window_->receiveView()->rowText(r) + "|";
    return all;
  }

  int master_ = -1;
  std::string slavePath_;
};

TEST_F(PtyEndToEnd, OpensWithTheLineSettingsAndFollowsTheirChangesWhileOpen) {
  // The settings the window starts from are visible on the other side once it opens.
  std::ofstream(settingsPath()) << "[Com_Set]\r\nComNumber=" << slavePath_
                                << "\r\nBaudRate=57600\r\nParity=3\r\nByteSize=2\r\nStopBits=3\r\n";
  SeruloWindow& window = openWindow({"/dev/ttyQLnone"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.terminal().portOpen(); }, 3000));
  EXPECT_EQ(find<QPushButton>("openButton")->text(), "关闭串口");
  // A pseudo-terminal keeps the speed and the stop bits but always reports 8 data bits and no
  // parity (the kernel forces them), so those two are checked on the terminal's side.
  PtyLine l = line();
  EXPECT_EQ(l.speed, 57600u);
  EXPECT_TRUE(l.twoStopBits);
  EXPECT_EQ(window.terminal().lineSettings().parity, Parity::Even);
  EXPECT_EQ(window.terminal().lineSettings().byteSize, ByteSize::Seven);

  for (const auto& [text, speed] :
       {std::pair{"921600", 921600u}, {"691200", 691200u}, {"1M", 1000000u}, {"250000", 250000u}}) {
    find<QComboBox>("baudBox")->setCurrentText(text);
    EXPECT_EQ(line().speed, speed) << text;
  }
  find<QComboBox>("parityBox")->setCurrentIndex(1);
  find<QComboBox>("dataBitsBox")->setCurrentIndex(0);
  find<QComboBox>("stopBitsBox")->setCurrentIndex(0);
  l = line();
  EXPECT_FALSE(l.twoStopBits);
  EXPECT_EQ(window.terminal().lineSettings().parity, Parity::Odd);
  EXPECT_EQ(window.terminal().lineSettings().byteSize, ByteSize::Eight);
  EXPECT_TRUE(window.terminal().portOpen());

  click("openButton");
  EXPECT_FALSE(window.terminal().portOpen());
  EXPECT_EQ(find<QPushButton>("openButton")->text(), "打开串口");
}

TEST_F(PtyEndToEnd, ReceivesSplitBlocksAndSendsOnceAndPeriodically) {
  SeruloWindow& window = openWindow({slavePath_});
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.terminal().portOpen(); }, 3000));

  deviceWrites("41 42");
  ASSERT_TRUE(QTest::qWaitFor([&] { return text("receiveCounter") == "2(2)"; }, 3000));
  QTest::qWait(60);  // a pause longer than the 20 ms block gap: the next bytes are a new block
  deviceWrites("00 7F 80 FF");
  ASSERT_TRUE(QTest::qWaitFor([&] { return text("receiveCounter") == "6(4)"; }, 3000));
  EXPECT_EQ(receiveViewText(), "41 42 00 7F 80 FF |");

  find<QCheckBox>("hexDisplayCheck")->setChecked(false);
  deviceWrites("48 69 0D 0A 01 E6 B8 A9");
  ASSERT_TRUE(QTest::qWaitFor([&] { return text("receiveCounter") == "14(8)"; }, 3000));
  EXPECT_EQ(receiveViewText(), QString("41 42 00 7F 80 FF Hi|·温|"));

  auto* sendArea = find<QPlainTextEdit>("sendArea");
  sendArea->setPlainText("01 0g 2");
  click("manualSendButton");
  EXPECT_EQ(deviceReads(2), (Bytes{0x01, 0x02}));
  EXPECT_EQ(text("sendCounter"), "2(2)");
  EXPECT_EQ(text("messagePanel"), " 发送完毕");

  sendArea->setPlainText("55");
  find<QSpinBox>("periodBox")->setValue(20);
  find<QCheckBox>("autoSendCheck")->setChecked(true);
  Bytes periodic = deviceReads(5);
  find<QCheckBox>("autoSendCheck")->setChecked(false);
  const std::uint64_t sentWhenStopped = window.terminal().sentTotal();
  QTest::qWait(200);
  EXPECT_EQ(window.terminal().sentTotal(), sentWhenStopped);  // the timer stopped
  // Every counted byte arrives, and nothing more.
  const Bytes rest = deviceReads(sentWhenStopped - 2 - periodic.size(), 3000);
  periodic.insert(periodic.end(), rest.begin(), rest.end());
  EXPECT_GE(periodic.size(), 5u);
  EXPECT_EQ(periodic, Bytes(sentWhenStopped - 2, 0x55));

  find<QLineEdit>("quickSendEdit1")->setText("AA BB");
  click("quickSendButton1");
  EXPECT_EQ(deviceReads(2), (Bytes{0xAA, 0xBB}));
}

TEST_F(PtyEndToEnd, ChosenFileIsSentWhole) {
  SeruloWindow& window = openWindow({slavePath_});
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.terminal().portOpen(); }, 3000));
  Bytes content;
  for (int i = 0; i < 20000; ++i) content.push_back(static_cast<std::uint8_t>(i * 13));
  const std::string path = (dir_ / "data.bin").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), content.size());
  dialogs_.answerOpenFile(path);
  click("chooseFileButton");
  EXPECT_EQ(deviceReads(content.size()), content);
  EXPECT_TRUE(QTest::qWaitFor([&] { return text("messagePanel") == " 发送完毕"; }, 3000));
  EXPECT_EQ(text("infoPanel").toStdString(), path);
}

TEST_F(PtyEndToEnd, ControlReturnSendsTheSendAreaFromTheKeyboard) {
  SeruloWindow& window = openWindow({slavePath_});
  ASSERT_TRUE(window.terminal().portOpen());
  EXPECT_TRUE(find<QPushButton>("manualSendButton")->toolTip().contains("Ctrl+Return"));
  auto* sendArea = find<QPlainTextEdit>("sendArea");
  sendArea->setPlainText("01 02 03");
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  sendArea->setFocus();
  QTest::keyClick(sendArea, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(deviceReads(3), readHex("01 02 03"));
  EXPECT_EQ(sendArea->toPlainText(), "01 02 03");  // no new line typed
  // The keypad's Enter too, wherever the focus is.
  QTest::keyClick(find<QComboBox>("baudBox"), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(deviceReads(3), readHex("01 02 03"));
  EXPECT_EQ(window.terminal().sentTotal(), 6u);
}

}  // namespace
}  // namespace ql::testing
