// The search, manual connect, disconnect and port watch on the virtual clock, against a
// scripted logger behind an in-memory port.

#include "link/connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/memory_port.h"
#include "link/receive_dispatcher.h"
#include "link/register_map.h"
#include "runtime/virtual_scheduler.h"

namespace ql {
namespace {

// The probe answer of a logger with this serial number.
Bytes probeAnswer(std::uint32_t serial) {
  Bytes response{0x01, 0x03, 0x04};
  putBeU32(response, serial);
  return concat({AppendCrc(reg::probeRequest()), AppendCrc(response)});
}

struct SentFrame {
  std::string port;
  std::uint32_t rate;
  Bytes bytes;
};

class ConnectionTest : public ::testing::Test, protected ReplyHandlers {
 protected:
  ConnectionTest() {
    port.setDevice([this](const Bytes& written, std::uint32_t rate) {
      sent.push_back({port.commName(), rate, written});
      if (answer) {
        if (auto reply = answer(written, rate)) port.deliver(*reply, 10);
      }
    });
    port.setOnReceiveData([this](const std::uint8_t* d, std::size_t n) { dispatcher.onReceiveData(d, n); });
  }

  void onConnectionAnswer() override { connection.connectedStep(); }

  // A logger on `where` at `rate` that answers the probe request.
  void loggerAt(const std::string& where, std::uint32_t rate) {
    answer = [this, where, rate](const Bytes& written, std::uint32_t lineRate) -> std::optional<Bytes> {
      if (port.commName() != where || lineRate != rate) return std::nullopt;
      if (written != AppendCrc(reg::probeRequest())) return std::nullopt;
      return probeAnswer(210012345);
    };
  }

  std::vector<SentFrame> probesSent() const {
    std::vector<SentFrame> probes;
    for (const auto& s : sent)
      if (s.bytes == AppendCrc(reg::probeRequest())) probes.push_back(s);
    return probes;
  }

  std::string text(const std::string& key) { return "COMLINK/" + key; }

  VirtualScheduler loop;
  MemoryPort port{loop};
  LinkState state;
  ConnectionPanel panel;
  std::vector<std::string> portList{"/dev/ttyA", "/dev/ttyB"};
  Connection connection{loop,
                        port,
                        state,
                        panel,
                        [](const std::string& s, const std::string& k) { return s + "/" + k; },
                        [this] { return portList; }};
  ReceiveDispatcher dispatcher{state, *this};
  std::unique_ptr<Timer> second = loop.makeTimer(1000, [this] { connection.onSecondTick(); });
  std::function<std::optional<Bytes>(const Bytes&, std::uint32_t)> answer;
  std::vector<SentFrame> sent;
  int connectedCalls = 0;
};

TEST_F(ConnectionTest, SearchWalksEveryRateOfTheFirstPortBeforeFindingTheSecond) {
  loggerAt("/dev/ttyB", 115200);
  connection.onConnected = [this] { ++connectedCalls; };
  connection.startSearchLoop();
  second->start();

  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 30000));
  // Eight passes on the first port and eight on the second, 700 ms each, after the first tick.
  EXPECT_GT(loop.nowMs(), 10000);
  EXPECT_LT(loop.nowMs(), 13500);
  EXPECT_EQ(state.ConnectedPort, "/dev/ttyB");
  EXPECT_EQ(state.ProbeCounter, probe::kConnected);
  EXPECT_EQ(port.baudRate(), 115200u);
  EXPECT_EQ(connectedCalls, 1);
  EXPECT_EQ(panel.linkStatus, text("com_link_ok"));
  EXPECT_EQ(panel.searchStatus,
            text("com_link_find1") + " /dev/ttyB, " + text("com_link_find2") + " 115200 bps");

  auto probes = probesSent();
  ASSERT_EQ(probes.size(), 16u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(probes[i].port, "/dev/ttyA");
    EXPECT_EQ(probes[i].rate, reg::kBaudRates[i]);
    EXPECT_EQ(probes[8 + i].port, "/dev/ttyB");
    EXPECT_EQ(probes[8 + i].rate, reg::kBaudRates[i]);
  }
  // Each probe follows its pass's link frame by 310 ms: the frames alternate.
  EXPECT_EQ(sent.front().bytes, AppendCrc(reg::controlFrame(0x03)));

  // Once connected the search sends nothing more.
  std::size_t before = sent.size();
  loop.advance(5000);
  EXPECT_EQ(probesSent().size(), 16u);
  EXPECT_GE(sent.size(), before);
}

TEST_F(ConnectionTest, AdaptersPluggedInOrOutDuringTheSearchChangeItsListAtOnce) {
  loggerAt("/dev/ttyUSB0", 9600);
  connection.startSearchLoop();
  second->start();
  loop.advance(3000);  // trying the rates of /dev/ttyA
  ASSERT_EQ(panel.portText(), "/dev/ttyA");

  // /dev/ttyB is unplugged and the logger's adapter plugged in: the walk carries on at ttyA.
  portList = {"/dev/ttyA", "/dev/ttyUSB0"};
  loop.advance(1000);
  EXPECT_EQ(panel.ports, portList);
  EXPECT_EQ(panel.portText(), "/dev/ttyA");
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 15000));
  EXPECT_EQ(state.ConnectedPort, "/dev/ttyUSB0");
  for (const auto& probe : probesSent()) EXPECT_NE(probe.port, "/dev/ttyB");
}

TEST_F(ConnectionTest, UnpluggingThePortBeingTriedStartsTheWalkOnTheRestAndAnEmptyMachineEmptiesTheList) {
  connection.startSearchLoop();
  second->start();
  loop.advance(3000);
  ASSERT_EQ(panel.portText(), "/dev/ttyA");
  portList = {"/dev/ttyB"};
  loop.advance(1000);
  EXPECT_EQ(panel.ports, portList);
  loop.advance(1000);
  EXPECT_EQ(panel.portText(), "/dev/ttyB");
  EXPECT_EQ(port.commName(), "/dev/ttyB");

  portList.clear();
  loop.advance(1000);
  EXPECT_TRUE(panel.ports.empty());
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(panel.searchStatus, text("com_link_find_no"));
}

TEST_F(ConnectionTest, WithoutTheSearchTheListStillFollowsThePortsAndKeepsTheChoice) {
  connection.setAutoSearch(false);
  panel.ports = {"/dev/ttyA", "/dev/ttyB"};
  panel.portIndex = 1;
  second->start();
  portList = {"/dev/ttyACM0", "/dev/ttyB"};
  loop.advance(1000);
  EXPECT_EQ(panel.ports, portList);
  EXPECT_EQ(panel.portText(), "/dev/ttyB");
  portList = {"/dev/ttyACM0"};
  loop.advance(1000);
  EXPECT_EQ(panel.portIndex, -1);
  EXPECT_TRUE(sent.empty());
}

TEST_F(ConnectionTest, APortTheUserMayNotOpenSaysHowToGetPermission) {
  port.setOpenFails(true, PortFailure::PermissionDenied);
  connection.startSearchLoop();
  second->start();
  loop.advance(3000);
  const std::string advice =
      "Permission denied: add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in "
      "again";
  EXPECT_EQ(panel.searchStatus, advice);
  loop.advance(10000);  // the one-second list refresh does not hide it
  EXPECT_EQ(panel.searchStatus, advice);
  // Other failures leave the usual search texts.
  port.setOpenFails(true);
  loop.advance(6000);
  EXPECT_EQ(panel.searchStatus, text("com_link_check"));
}

TEST_F(ConnectionTest, SearchTriesTheLastEndpointFirst) {
  loggerAt("/dev/ttyB", 57600);
  connection.setPreferredEndpoint(Connection::Endpoint{"/dev/ttyB", 57600});
  connection.startSearchLoop();
  second->start();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 30000));
  EXPECT_LT(loop.nowMs(), 2500);
  EXPECT_EQ(probesSent().size(), 1u);
}

TEST_F(ConnectionTest, APortNameWithUnderscoresIsProbedWhole) {
  // The stable names under /dev/serial/by-id hold "_"; the search must open the name as it is.
  const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0";
  portList = {"/dev/ttyA", byId};
  loggerAt(byId, 9600);
  connection.startSearchLoop();
  second->start();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 30000));
  EXPECT_EQ(state.ConnectedPort, byId);
  EXPECT_EQ(panel.ports, portList);
  std::vector<std::string> probed;
  for (const auto& p : probesSent())
    if (std::find(probed.begin(), probed.end(), p.port) == probed.end()) probed.push_back(p.port);
  EXPECT_EQ(probed, portList);

  // The port watch finds the name in the list and keeps the link.
  loop.advance(40000);
  EXPECT_TRUE(state.connected());
}

TEST_F(ConnectionTest, AWrongSeventeenByteAnswerDoesNotConnect) {
  answer = [](const Bytes& written, std::uint32_t) -> std::optional<Bytes> {
    if (written != AppendCrc(reg::probeRequest())) return std::nullopt;
    Bytes wrong = probeAnswer(210012345);
    wrong[9] = 0x10;  // 01 10 instead of 01 03 04
    return wrong;
  };
  connection.startSearchLoop();
  second->start();
  EXPECT_FALSE(loop.advanceUntil([&] { return state.connected(); }, 20000));
  EXPECT_LT(state.ProbeCounter, probe::kStop);
}

TEST_F(ConnectionTest, NoPortMeansNoFramesAndTheNoPortText) {
  portList.clear();
  state.ProbeCounter = probe::kIdle;
  connection.startSearchLoop();
  second->start();
  loop.advance(5000);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(panel.searchStatus, text("com_link_find_no"));
}

TEST_F(ConnectionTest, ManualConnectTakesTheFirstReplyOfAnyKind) {
  // Whatever the logger says at the wrong rate counts after a manual connect.
  answer = [](const Bytes&, std::uint32_t) -> std::optional<Bytes> {
    return bytesFromHex("FF 00 7E 31 99 C0");
  };
  int manual = 0;
  connection.onManualConnect = [&] { ++manual; };
  connection.startSearchLoop();
  panel.ports = {"/dev/ttyA", "/dev/ttyB"};
  panel.portIndex = 1;
  panel.rateIndex = 3;
  connection.connectManually();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 2000));
  EXPECT_FALSE(panel.autoSearch);
  EXPECT_EQ(state.ConnectedPort, "/dev/ttyB");
  EXPECT_EQ(port.baudRate(), 19200u);
  EXPECT_EQ(manual, 1);
  EXPECT_EQ(state.ProbeCounter, probe::kConnected);
  // The link frame went out before the probe read, 200 ms apart.
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, AppendCrc(reg::controlFrame(0x03)));
  EXPECT_EQ(sent[1].bytes, AppendCrc(reg::probeRequest()));
}

TEST_F(ConnectionTest, DisconnectClosesAndSaysSo) {
  loggerAt("/dev/ttyA", 9600);
  int disconnected = 0;
  connection.onDisconnected = [&] { ++disconnected; };
  connection.startSearchLoop();
  second->start();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 10000));

  connection.disconnect();
  EXPECT_FALSE(state.connected());
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(panel.linkStatus, text("com_link_not"));
  EXPECT_EQ(panel.searchStatus, text("com_mac_notlink"));
  EXPECT_FALSE(panel.autoSearch);
  EXPECT_GE(state.ProbeCounter, probe::kStop);
  std::size_t before = sent.size();
  loop.advance(15000);
  EXPECT_EQ(sent.size(), before);  // no search, no keep-alive
}

TEST_F(ConnectionTest, KeepAliveReadsTheModelEveryElevenIdleSeconds) {
  loggerAt("/dev/ttyA", 9600);
  connection.startSearchLoop();
  second->start();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 10000));
  sent.clear();
  loop.advance(23000);
  const Bytes keepAlive = AppendCrc(reg::readRequest(reg::kModel, 1));
  int reads = 0;
  for (const auto& s : sent) reads += s.bytes == keepAlive;
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(state.LastRequest, keepAlive);
}

TEST_F(ConnectionTest, AVanishedPortIsNoticedOnceTheLinkIsOlderThanThirtySeconds) {
  loggerAt("/dev/ttyB", 9600);
  connection.startSearchLoop();
  second->start();
  ASSERT_TRUE(loop.advanceUntil([&] { return state.connected(); }, 20000));

  // The adapter is unplugged; another one whose name begins with the same text remains.
  portList = {"/dev/ttyA", "/dev/ttyB2"};
  loop.advance(29000);
  EXPECT_TRUE(state.connected());
  ASSERT_TRUE(loop.advanceUntil([&] { return !state.connected(); }, 3000));
  EXPECT_TRUE(panel.ports.empty());
  EXPECT_EQ(panel.linkStatus, text("com_link_not"));
}

TEST_F(ConnectionTest, RestoringTheRateWritesItTwiceAndFollowsIt) {
  panel.ports = {"/dev/ttyA"};
  panel.portIndex = 0;
  panel.rateIndex = 1;
  port.setCommName("/dev/ttyA");
  port.open();
  port.setBaudRate(115200);
  connection.restoreBaudRate();
  loop.advance(200);
  const Bytes write = AppendCrc(bytesFromHex("01 10 11 02 00 01 02 00 04"));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, write);
  EXPECT_EQ(sent[1].bytes, write);
  EXPECT_EQ(sent[0].rate, 115200u);  // sent at the fast rate, then the port follows
  EXPECT_EQ(port.baudRate(), 9600u);
}

}  // namespace
}  // namespace ql
