// The routing order of received blocks: which branch each block takes and what it is handed to.

#include "link/receive_dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"

namespace ql {
namespace {

using Branch = ReceiveDispatcher::Branch;

// A read reply as the logger sends it: echo of the request, then 01 03 n data CRC.
Bytes readReply(std::uint16_t address, std::uint16_t count, const Bytes& data) {
  Bytes response;
  response.reserve(3 + data.size());
  response.push_back(0x01);
  response.push_back(0x03);
  response.push_back(static_cast<std::uint8_t>(data.size()));
  response.insert(response.end(), data.begin(), data.end());
  return concat({AppendCrc(reg::readRequest(address, count)), AppendCrc(response)});
}

Bytes zeros(std::size_t n) { return Bytes(n, 0); }
Bytes cut(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); }

struct Recorder : ReplyHandlers {
  std::vector<std::string> calls;
  std::optional<ReplyKind> awaited;
  void onReply(ReplyKind kind, const Bytes&) override {
    calls.push_back("reply" + std::to_string(static_cast<int>(kind)));
  }
  bool awaits(ReplyKind kind) const override { return awaited == kind; }
  int count(ReplyKind kind) const {
    return static_cast<int>(
        std::count(calls.begin(), calls.end(), "reply" + std::to_string(static_cast<int>(kind))));
  }
  void onCalibrationBlock(const Bytes&) override { calls.push_back("calibration"); }
  void onDownloadBlock(const Bytes&) override { calls.push_back("download"); }
  void onFileDataHead(const Bytes& b) override { calls.push_back("head" + std::to_string(b.size())); }
  void onFileListContinuation(const Bytes&) override { calls.push_back("list-continuation"); }
  void onSpeedSwitchReply(std::uint32_t rate) override { calls.push_back("switch" + std::to_string(rate)); }
  void onConnectionAnswer() override { calls.push_back("connect"); }
  void onTrace(const std::string& line) override { calls.push_back("trace " + line); }
};

class Dispatch : public ::testing::Test {
 protected:
  Dispatch() {
    state.ProbeCounter = probe::kConnected;
    state.ConnectedPort = "/dev/ttyUSB0";
  }
  Branch feed(const Bytes& block) {
    dispatcher.onReceiveData(block.data(), block.size());
    return dispatcher.lastBranch();
  }
  LinkState state;
  Recorder handlers;
  ReceiveDispatcher dispatcher{state, handlers};
};

TEST_F(Dispatch, EachReplyTakesItsRow) {
  const Bytes fileDataEcho = AppendCrc(bytesFromHex("01 03 E0 0E 00 02"));
  struct Case {
    const char* what;
    Bytes block;
    Branch branch;
    std::optional<ReplyKind> kind;
  } cases[] = {
      {"empty", {}, Branch::Ignored, {}},
      {"five bytes", bytesFromHex("01 03 02 00 00"), Branch::TooShort, {}},
      {"battery voltage", readReply(0x0101, 1, bytesFromHex("0E 10")), Branch::Reply,
       ReplyKind::BatteryVoltage},
      {"serial number", readReply(0x2002, 2, bytesFromHex("0C 84 8E 79")), Branch::Reply,
       ReplyKind::SerialNumber},
      {"serial number, 18 bytes",
       concat({readReply(0x2002, 2, bytesFromHex("0C 84 8E 79")), Bytes{0}}),
       Branch::Unmatched,
       {}},
      {"model", readReply(0x2001, 1, bytesFromHex("00 64")), Branch::Reply, ReplyKind::Model},
      {"hardware", readReply(0x2004, 2, zeros(4)), Branch::Reply, ReplyKind::HardwareVersion},
      {"firmware", readReply(0x2006, 2, zeros(4)), Branch::Reply, ReplyKind::FirmwareVersion},
      {"flash size", readReply(0xE001, 2, zeros(4)), Branch::Reply, ReplyKind::FlashSize},
      {"flash used", readReply(0xE003, 2, zeros(4)), Branch::Reply, ReplyKind::FlashUsed},
      {"clock", readReply(0x1009, 3, zeros(6)), Branch::Reply, ReplyKind::Clock},
      {"clock cut short", cut(readReply(0x1009, 3, zeros(6)), 18), Branch::Unmatched, {}},
      {"file list head", readReply(0xE00D, 1, zeros(2)), Branch::Reply, ReplyKind::FileList},
      {"task name", readReply(0xE005, 8, zeros(16)), Branch::Reply, ReplyKind::TaskName},
      {"task start", readReply(0x1003, 3, zeros(6)), Branch::Reply, ReplyKind::TaskStart},
      {"task end", readReply(0x1006, 3, zeros(6)), Branch::Reply, ReplyKind::TaskEnd},
      {"interval", readReply(0x1001, 2, zeros(4)), Branch::Reply, ReplyKind::RecordInterval},
      {"average count", readReply(0x1010, 1, zeros(2)), Branch::Reply, ReplyKind::AverageCount},
      {"average interval", readReply(0x100E, 2, zeros(4)), Branch::Reply, ReplyKind::AverageInterval},
      {"send to port", readReply(0x100C, 1, zeros(2)), Branch::Reply, ReplyKind::SendToPort},
      {"run state", readReply(0x100D, 1, zeros(2)), Branch::Reply, ReplyKind::TaskRunState},
      {"battery used", readReply(0x2080, 2, zeros(4)), Branch::Reply, ReplyKind::BatteryUsed},
      {"constant F10F", readReply(0xF10F, 2, zeros(4)), Branch::Reply, ReplyKind::Constant32},
      {"constant F001", readReply(0xF001, 2, zeros(4)), Branch::Reply, ReplyKind::Constant32},
      {"constant F302", readReply(0xF302, 1, zeros(2)), Branch::Reply, ReplyKind::Constant16},
      {"ratio F115", readReply(0xF115, 4, zeros(8)), Branch::Reply, ReplyKind::Ratio64},
      {"ratio F209", readReply(0xF209, 4, zeros(8)), Branch::Reply, ReplyKind::Ratio64},
      {"depth settings", readReply(0x2088, 4, zeros(8)), Branch::Reply, ReplyKind::DepthSettings},
      {"live values without echo", concat({bytesFromHex("01 03 08"), zeros(10)}), Branch::Reply,
       ReplyKind::LiveValues},
      {"live values, 16 bytes", readReply(0x0001, 8, zeros(16)), Branch::Reply, ReplyKind::LiveValues},
      {"file-data fragment", concat({fileDataEcho, zeros(32)}), Branch::FileDataHeld, {}},
      {"file-data head", concat({fileDataEcho, zeros(100)}), Branch::FileDataHead, {}},
      {"speed switch report",
       concat({AppendCrc(bytesFromHex("01 10 11 02 00 01 02 F1 F1")),
               bytesFromHex("01 10 11 02 00 01 00 01 C2 00 AA BB")}),
       Branch::SpeedSwitch,
       {}},
      {"unknown register", readReply(0x4000, 1, zeros(2)), Branch::Unmatched, {}},
  };
  for (const auto& c : cases) {
    state.HeldFragment.clear();
    EXPECT_EQ(feed(c.block), c.branch) << c.what;
    if (c.kind) {
      EXPECT_EQ(dispatcher.lastKind(), *c.kind) << c.what;
    }
  }
  EXPECT_NE(std::find(handlers.calls.begin(), handlers.calls.end(), "switch115200"), handlers.calls.end());
}

TEST_F(Dispatch, ClaimingFlagsComeFirst) {
  const Bytes info = readReply(0x2001, 1, bytesFromHex("00 64"));
  state.Downloading = true;
  EXPECT_EQ(feed(info), Branch::Download);  // file data that looks like a reply is still file data
  state.CalibrationActive = true;
  EXPECT_EQ(feed(info), Branch::Calibration);
  EXPECT_EQ(handlers.calls, (std::vector<std::string>{"download", "calibration"}));
}

TEST_F(Dispatch, TraceShowsEveryBlockBeforeAnythingElse) {
  state.TraceSwitch = true;
  state.Downloading = true;
  feed(bytesFromHex("01 AB"));
  ASSERT_EQ(handlers.calls.size(), 2u);
  EXPECT_EQ(handlers.calls[0], "trace 01 AB ");
  EXPECT_EQ(handlers.calls[1], "download");
}

TEST_F(Dispatch, ProbeAnswerConnectsWhileSearchingAndIsTheSerialNumberOnceConnected) {
  const Bytes answer = readReply(0x2002, 2, bytesFromHex("0C 84 8E 79"));
  state.ConnectedPort.clear();
  state.ProbeCounter = 3;
  EXPECT_EQ(feed(answer), Branch::Connection);
  EXPECT_EQ(handlers.calls.back(), "connect");

  state.ConnectedPort = "/dev/ttyUSB0";
  state.ProbeCounter = probe::kConnected;
  EXPECT_EQ(feed(answer), Branch::Reply);
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::SerialNumber);
}

TEST_F(Dispatch, AfterAManualConnectEveryBlockIsTheAnswer) {
  state.ConnectedPort.clear();
  state.ProbeCounter = probe::kAwaitingManualAnswer;
  EXPECT_EQ(feed(readReply(0x2001, 1, bytesFromHex("00 64"))), Branch::Connection);
  EXPECT_EQ(feed(bytesFromHex("FF FF FF FF FF FF")), Branch::Connection);
  EXPECT_EQ(std::count(handlers.calls.begin(), handlers.calls.end(), "connect"), 2);
}

TEST_F(Dispatch, AFileDataHeadSplitAfterFortyBytesIsJoined) {
  Bytes head = concat({AppendCrc(bytesFromHex("01 03 E0 0E 00 01")), zeros(200)});
  EXPECT_EQ(feed(Bytes(head.begin(), head.begin() + 40)), Branch::FileDataHeld);
  EXPECT_EQ(feed(Bytes(head.begin() + 40, head.end())), Branch::FileDataHead);
  EXPECT_EQ(handlers.calls.back(), "head208");
  EXPECT_TRUE(state.HeldFragment.empty());
}

TEST_F(Dispatch, FileListContinuationTakesTheNextBlock) {
  state.FileListContinues = true;
  EXPECT_EQ(feed(readReply(0x2001, 1, bytesFromHex("00 64"))), Branch::FileListContinuation);
  EXPECT_EQ(handlers.calls.back(), "list-continuation");
}

TEST_F(Dispatch, WriteAcknowledgementsCountOnce) {
  const Bytes write = AppendCrc(reg::writeRequest(0x100D, 1));
  const Bytes ack = AppendCrc(bytesFromHex("01 10 10 0D 00 01"));
  state.LastRequest = write;

  EXPECT_EQ(feed(concat({write, ack})), Branch::Reply);
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::WriteAcknowledged);
  EXPECT_EQ(handlers.count(ReplyKind::WriteAcknowledged), 1);

  EXPECT_EQ(feed(ack), Branch::Reply);  // without the echo
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::WriteAcknowledgedBare);
  EXPECT_EQ(handlers.count(ReplyKind::WriteAcknowledgedBare), 1);

  state.LastRequest = AppendCrc(reg::writeRequest(reg::kBaudCode, 4));
  EXPECT_EQ(feed(concat({state.LastRequest, AppendCrc(bytesFromHex("01 10 11 02 00 01"))})), Branch::Reply);
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::BaudRateAccepted);
  EXPECT_EQ(handlers.count(ReplyKind::WriteAcknowledged) + handlers.count(ReplyKind::WriteAcknowledgedBare),
            2);

  state.LastRequest.clear();
  EXPECT_EQ(feed(ack), Branch::Unmatched);
}

TEST_F(Dispatch, SettingsReadsAreKnownByWhatIsAwaited) {
  handlers.awaited = ReplyKind::SettingsDriftValue;
  EXPECT_EQ(feed(zeros(33)), Branch::Reply);
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::SettingsDriftValue);
  EXPECT_EQ(feed(zeros(17)), Branch::Unmatched);
  handlers.awaited = ReplyKind::SettingsPressureDrift;
  EXPECT_EQ(feed(zeros(17)), Branch::Reply);
  EXPECT_EQ(dispatcher.lastKind(), ReplyKind::SettingsPressureDrift);
  handlers.awaited.reset();
  EXPECT_EQ(feed(zeros(17)), Branch::Unmatched);
}

}  // namespace
}  // namespace ql
