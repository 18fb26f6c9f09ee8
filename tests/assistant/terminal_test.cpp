#include "assistant/terminal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "assistant/hex_reader.h"
#include "link/memory_port.h"
#include "runtime/virtual_scheduler.h"
#include "support/fake_port_tree.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

// The line of the tests: an in-memory port whose applied settings are recorded.
class FakeLine : public TerminalLine {
 public:
  explicit FakeLine(Scheduler& loop) : memoryPort(loop) {}
  Port& port() override { return memoryPort; }
  void setLineSettings(const LineSettings& settings) override {
    applied = settings;
    memoryPort.setBaudRate(settings.baudRate);
  }
  bool sendQueueEmpty() const override { return queueEmpty; }
  bool deliverInPieces(std::uint32_t, SerialPort::PieceHandler handler) override {
    piece = std::move(handler);
    return true;
  }

  MemoryPort memoryPort;
  LineSettings applied;
  bool queueEmpty = true;
  SerialPort::PieceHandler piece;  // what a real port calls for a block still arriving
};

class TerminalTest : public ::testing::Test {
 protected:
  TerminalTest() : line(loop), terminal(loop, line, [this] { return ports; }) {
    terminal.setOnChanged([this](unsigned changes) {
      ++notifications;
      changesSeen |= changes;
    });
  }

  void open() {
    terminal.pressOpenButton();
    ASSERT_TRUE(terminal.portOpen());
    notifications = 0;
    changesSeen = 0;
  }
  void receive(const char* hex, int delayMs = 0) { line.memoryPort.deliver(readHex(hex), delayMs); }
  std::string areaText() {
    const auto& t = terminal.receiveArea().text();
    return utf16ToUtf8(t);
  }
  Bytes written() const {
    Bytes all;
    for (const auto& w : line.memoryPort.writeLog()) all.insert(all.end(), w.begin(), w.end());
    return all;
  }

  std::vector<std::string> ports{"/dev/ttyS0", "/dev/ttyUSB0"};
  VirtualScheduler loop;
  FakeLine line;
  Terminal terminal;
  int notifications = 0;
  unsigned changesSeen = 0;
};

TEST_F(TerminalTest, OpenButtonTogglesThePortAndReportsAFailure) {
  EXPECT_EQ(terminal.portName(), "/dev/ttyS0");  // first listed port
  open();
  EXPECT_TRUE(line.memoryPort.isOpen());
  terminal.pressOpenButton();
  EXPECT_FALSE(terminal.portOpen());
  EXPECT_FALSE(line.memoryPort.isOpen());

  line.memoryPort.setOpenFails(true);
  terminal.pressOpenButton();
  EXPECT_FALSE(terminal.portOpen());
  EXPECT_EQ(terminal.message(), "串口不存在或被占用");
  loop.advance(999);
  EXPECT_EQ(terminal.message(), "串口不存在或被占用");
  loop.advance(1);
  EXPECT_EQ(terminal.message(), "");
}

TEST_F(TerminalTest, ChangingThePortReopensItOnlyWhenItWasOpen) {
  terminal.setPortName("/dev/pts/3");
  EXPECT_EQ(line.memoryPort.commName(), "/dev/pts/3");
  EXPECT_FALSE(line.memoryPort.isOpen());
  open();
  terminal.setPortName("/dev/pts/4");
  EXPECT_TRUE(line.memoryPort.isOpen());
  EXPECT_EQ(line.memoryPort.commName(), "/dev/pts/4");

  line.memoryPort.setOpenFails(true);
  terminal.setPortName("/dev/nothing");
  EXPECT_FALSE(terminal.portOpen());
  EXPECT_EQ(terminal.message(), "串口不存在或被占用");
}

TEST_F(TerminalTest, RefreshClosesThePortAndKeepsTheListWhenNoneAreFound) {
  open();
  ports = {"/dev/ttyACM0"};
  terminal.refreshPortList();
  EXPECT_FALSE(terminal.portOpen());
  EXPECT_EQ(terminal.portList(), ports);
  ports.clear();
  terminal.refreshPortList();
  EXPECT_EQ(terminal.portList(), std::vector<std::string>{"/dev/ttyACM0"});
}

TEST_F(TerminalTest, APortOpenedWithoutPermissionSaysHowToGetIt) {
  line.memoryPort.setOpenFails(true, PortFailure::PermissionDenied);
  terminal.pressOpenButton();
  EXPECT_FALSE(terminal.portOpen());
  const std::string advice =
      "Permission denied: add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in "
      "again";
  EXPECT_EQ(terminal.message(), advice);
  loop.advance(10'000);  // advice stays until something else is said
  EXPECT_EQ(terminal.message(), advice);
}

// Adapters plugged in and out of a fake machine reach the list on the periodic scan, while the
// open port and its name stay as they are.
TEST(TerminalPortScan, AdaptersPluggedInAndOutReachTheListWithoutTouchingThePort) {
  test::FakePortTree tree;
  tree.addUart("ttyS0", "serial8250");
  VirtualScheduler loop;
  FakeLine line(loop);
  Terminal terminal(loop, line, [&tree] { return serialPortPathsIn(tree.roots()); });
  unsigned changes = 0;
  terminal.setOnChanged([&changes](unsigned c) { changes |= c; });
  terminal.pressOpenButton();
  ASSERT_TRUE(terminal.portOpen());
  EXPECT_EQ(terminal.portList(), std::vector<std::string>{tree.node("ttyS0")});

  tree.plugUsb("ttyUSB0", "FTDI", "FT232R USB UART", "0403", "6001");
  loop.advance(Terminal::kPortScanMs - 1);
  EXPECT_EQ(terminal.portList().size(), 1u);
  loop.advance(1);
  EXPECT_EQ(terminal.portList(), (std::vector<std::string>{tree.node("ttyS0"), tree.node("ttyUSB0")}));
  EXPECT_TRUE(changes & Terminal::kPortList);

  changes = 0;
  loop.advance(Terminal::kPortScanMs);
  EXPECT_FALSE(changes & Terminal::kPortList);  // nothing changed, nothing redrawn

  tree.unplug("ttyUSB0");
  tree.unplug("ttyS0");
  loop.advance(Terminal::kPortScanMs);
  EXPECT_TRUE(terminal.portList().empty());  // unlike a refresh by hand, an empty scan counts
  EXPECT_TRUE(terminal.portOpen());
  EXPECT_EQ(terminal.portName(), tree.node("ttyS0"));
}

TEST_F(TerminalTest, LineSettingsFollowTheBoxes) {
  struct BaudCase {
    const char* text;
    std::uint32_t rate;
  };
  const BaudCase cases[] = {{"115200", 115200}, {"1M", 1000000},    {"5M", 5000000}, {"abc", 5000000},
                            {"", 5000000},      {"691200", 691200}, {"-5", 691200}};
  for (const auto& c : cases) {
    terminal.setBaudText(c.text);
    EXPECT_EQ(line.applied.baudRate, c.rate) << c.text;
  }
  terminal.setParityIndex(1);
  terminal.setDataBitsIndex(1);
  terminal.setStopBitsIndex(2);
  EXPECT_EQ(line.applied.parity, Parity::Odd);
  EXPECT_EQ(line.applied.byteSize, ByteSize::Seven);
  EXPECT_EQ(line.applied.stopBits, StopBits::Two);
  EXPECT_FALSE(line.applied.outxXonXoffFlow);
  EXPECT_EQ(line.applied.rtsControl, RtsControl::Disable);
}

TEST_F(TerminalTest, ReceivedBlocksAreCountedAndShownInOneBatch) {
  open();
  receive("41 42");
  loop.advance(0);
  EXPECT_EQ(terminal.receiveCounterText(), "2(2)");
  EXPECT_EQ(areaText(), "41 42 ");
  for (int i = 0; i < 50; ++i) receive("00 7F 80 FF");
  loop.advance(0);
  EXPECT_EQ(terminal.receivedTotal(), 2u + 50 * 4);
  EXPECT_EQ(terminal.receiveCounterText(), "202(4)");
  EXPECT_EQ(notifications, 0);  // nothing drawn yet
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(notifications, 1);  // 51 blocks, one redraw
  EXPECT_TRUE(changesSeen & Terminal::kReceiveArea);
  EXPECT_TRUE(changesSeen & Terminal::kCounters);
  EXPECT_EQ(terminal.info(), std::to_string(6 + 49 * 12));  // length before the last block
  EXPECT_EQ(areaText().substr(6, 12), "00 7F 80 FF ");
}

// A block after a quiet frame is drawn at once; blocks close behind it wait for the frame's end.
TEST_F(TerminalTest, RedrawsAtMostOnceAFrameAndAtOnceAfterAQuietOne) {
  open();
  receive("01");
  loop.advance(1);
  EXPECT_EQ(notifications, 1);
  receive("02");
  loop.advance(Terminal::kFlushDelayMs / 2);
  EXPECT_EQ(notifications, 1);
  loop.advance(Terminal::kFlushDelayMs);  // the frame that began with the first redraw is over
  EXPECT_EQ(notifications, 2);
  EXPECT_EQ(terminal.flushedTotal(), 2u);

  loop.advance(100);
  receive("03");
  loop.advance(1);
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(areaText(), "01 02 03 ");
}

TEST_F(TerminalTest, TextDisplayAndStoppedDisplay) {
  open();
  terminal.setHexDisplay(false);
  receive("41 42");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "AB");

  terminal.setDisplayRunning(false);
  receive("43 44 45");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "AB");  // not shown, but counted
  EXPECT_EQ(terminal.receiveCounterText(), "5(3)");
  terminal.setDisplayRunning(true);
  receive("0D 0A 46");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "AB\nF");

  // Switching modes between two blocks of one batch keeps them in order.
  terminal.setHexDisplay(true);
  receive("47");
  loop.advance(0);
  terminal.setHexDisplay(false);
  receive("48");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "AB\nF47 H");
}

TEST_F(TerminalTest, RestoredTextKeepsOneBreakPerLine) {
  terminal.setReceiveText("a\r\nb\rc\nd");
  EXPECT_EQ(areaText(), "a\nb\nc\nd");
}

TEST_F(TerminalTest, AutoClearEmptiesAnAreaOverTheLimitAndOffKeepsIt) {
  open();
  const std::string block = hexDump(Bytes(2048, 0xAA));
  const std::size_t blocksToPassLimit = Terminal::kAutoClearLimit / (2048 * 3) + 1;
  for (std::size_t i = 0; i < blocksToPassLimit; ++i) receive(block.c_str());
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_GT(terminal.receiveArea().length(), Terminal::kAutoClearLimit);
  receive("01");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "01 ");

  terminal.setAutoClear(false);
  for (std::size_t i = 0; i < blocksToPassLimit; ++i) receive(block.c_str());
  receive("02");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(terminal.receiveArea().length(), 3 + blocksToPassLimit * 2048 * 3 + 3);
}

TEST_F(TerminalTest, SendsHexadecimalOrTextAndCountsOnlyWhatThePortTook) {
  terminal.setSendText("01 0g 2");
  terminal.sendOnce();  // closed port: nothing sent, nothing counted
  EXPECT_EQ(terminal.sentTotal(), 0u);
  EXPECT_EQ(terminal.message(), "");

  open();
  terminal.sendOnce();
  EXPECT_EQ(written(), (Bytes{0x01, 0x02}));
  EXPECT_EQ(terminal.sendCounterText(), "2(2)");
  EXPECT_EQ(terminal.message(), " 发送完毕");

  terminal.setSendText("xyz ghi");
  terminal.sendOnce();
  EXPECT_EQ(terminal.sentTotal(), 2u);

  terminal.setHexSend(false);
  terminal.setSendText("AT\n温");
  terminal.sendOnce();
  EXPECT_EQ(written(), (Bytes{0x01, 0x02, 'A', 'T', '\r', '\n', 0xE6, 0xB8, 0xA9}));
  EXPECT_EQ(terminal.sendCounterText(), "9(7)");

  terminal.quickSend("AA BB CC");
  EXPECT_EQ(terminal.sendCounterText(), "12(3)");
  terminal.resetCounters();
  EXPECT_EQ(terminal.sendCounterText(), "0(0)");
  EXPECT_EQ(terminal.receiveCounterText(), "0(0)");
}

TEST_F(TerminalTest, AutoSendRepeatsAtThePeriod) {
  open();
  terminal.setSendText("55");
  terminal.setAutoSendPeriod(100);
  terminal.setAutoSend(true);
  loop.advance(350);
  EXPECT_EQ(line.memoryPort.writeLog().size(), 3u);
  terminal.setAutoSendPeriod(0);  // ignored
  terminal.setAutoSendPeriod(50);
  loop.advance(100);
  EXPECT_EQ(line.memoryPort.writeLog().size(), 5u);
  terminal.setAutoSend(false);
  loop.advance(1000);
  EXPECT_EQ(line.memoryPort.writeLog().size(), 5u);
}

TEST_F(TerminalTest, ReadOutRunsOnEveryBlockEvenWhileTheDisplayIsStopped) {
  ReadOutParameters p;
  p.byPosition[0] = {"温度", ValueType::Float, 3, 4};
  p.byPattern[0] = {"计数", ValueType::Integer, "AA 55", 4};
  terminal.setReadOutParameters(p);
  open();
  terminal.setDisplayRunning(false);
  receive("01 AA 55 00 00 01 00");
  receive("00 00 3F 80 00 00");
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(terminal.readOutValues()[0], "1");
  EXPECT_EQ(terminal.readOutValues()[2], "256");
  receive("01 02");  // no pattern, too short: labels keep their values
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(terminal.readOutValues()[0], "1");
  EXPECT_EQ(terminal.readOutValues()[2], "256");
}

// Pieces of a block still arriving are shown at once; the block's count and the read-out see the
// whole block at its end, as when it came in one go.
TEST_F(TerminalTest, PiecesAreShownAtOnceAndTheBlockIsCountedAndReadWhole) {
  ReadOutParameters p;
  p.byPattern[0] = {"计数", ValueType::Integer, "AA 55", 4};
  terminal.setReadOutParameters(p);
  open();
  ASSERT_TRUE(line.piece);
  auto piece = [&](const char* hex, bool blockEnds) {
    const Bytes bytes = readHex(hex);
    line.piece(bytes.data(), bytes.size(), blockEnds);
  };
  receive("41 42");
  loop.advance(Terminal::kFlushDelayMs);
  const std::string before = terminal.readOutValues()[2];

  piece("01 AA", false);  // the pattern is cut between two pieces
  piece("55 00 00 01 00", false);
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(areaText(), "41 42 01 AA 55 00 00 01 00 ");
  EXPECT_EQ(terminal.flushedTotal(), 9u);
  EXPECT_EQ(terminal.receiveCounterText(), "9(2)");  // the block before
  EXPECT_EQ(terminal.readOutValues()[2], before);
  EXPECT_EQ(terminal.info(), "6");  // the area's length before the block

  piece("", true);
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(terminal.receiveCounterText(), "9(7)");
  EXPECT_EQ(terminal.readOutValues()[2], "256");

  piece("03 04 05", true);  // a block in one piece
  loop.advance(Terminal::kFlushDelayMs);
  EXPECT_EQ(terminal.receiveCounterText(), "12(3)");
  EXPECT_EQ(areaText(), "41 42 01 AA 55 00 00 01 00 03 04 05 ");
}

class TerminalFiles : public TerminalTest {
 protected:
  test::TempDir scratch_{"serulo-terminal"};
  fs::path dir_ = scratch_.path();
};

TEST_F(TerminalFiles, SendFileGoesOutInPiecesWithProgressAndAFinalMessage) {
  const std::string path = (dir_ / "firmware.bin").string();
  Bytes content;
  for (int i = 0; i < 10000; ++i) content.push_back(static_cast<std::uint8_t>(i * 7));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), content.size());

  open();
  line.queueEmpty = false;  // the port is still busy: only the first piece is queued
  ASSERT_TRUE(terminal.sendFile(path));
  EXPECT_EQ(terminal.info(), path);
  loop.advance(100);
  EXPECT_EQ(written().size(), FileSender::kPieceSize);
  EXPECT_EQ(terminal.message(), "发送文件 40%");
  line.queueEmpty = true;
  loop.advance(100);
  EXPECT_EQ(written(), content);
  EXPECT_EQ(terminal.sentTotal(), 10000u);
  EXPECT_EQ(terminal.message(), " 发送完毕");

  EXPECT_FALSE(terminal.sendFile((dir_ / "missing.bin").string()));
}

TEST_F(TerminalFiles, SaveWritesAStampLineTheAreaAndALineEnd) {
  open();
  terminal.setHexDisplay(false);
  receive("41 0A 42");
  loop.advance(Terminal::kFlushDelayMs);
  const std::string path = (dir_ / "TEST.TXT").string();
  ASSERT_TRUE(terminal.saveReceiveArea(path, DateTime{2026, 3, 4, 5, 6, 7}));
  std::ifstream in(path, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "    2026 03 04  05:06:07\r\nA\r\nB\r\n");
}

}  // namespace
}  // namespace ql
