#pragma once
// A calibration workbench on the virtual clock behind the program's receive dispatcher. The port
// has no logger behind it, so the tests hand in the replies they need; what the workbench sends
// is in the port's write log.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "calibration/workbench.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/link_state.h"
#include "link/memory_port.h"
#include "link/receive_dispatcher.h"
#include "link/reply_handlers.h"
#include "runtime/virtual_scheduler.h"

namespace ql::calibration::test {

// The wall clock at virtual time 0.
inline constexpr std::time_t kStartTime = 1796900000;

// The nine values of an acquisition reply, in reply order.
struct Acquisition {
  std::int32_t temperature1Ad = 0;
  std::int32_t pressureAd = 0;
  std::int32_t temperature2Ad = 0;
  std::int32_t referenceAd = 0;
  std::int32_t temperature1Reading = 0;  // 0.0001 degrees C
  std::int32_t pressureReading = 0;      // 0.0001 kPa
  std::int32_t temperature2Reading = 0;
};

// 01 03 24, the 36 data bytes, CRC: the reply without its echo (41 bytes).
inline Bytes acquisitionReply(const Acquisition& a) {
  Bytes reply{0x01, 0x03, 0x24};
  const std::int32_t values[] = {a.temperature1Ad,
                                 a.pressureAd,
                                 a.temperature2Ad,
                                 a.referenceAd,
                                 0,
                                 a.temperature1Reading,
                                 a.pressureReading,
                                 0,
                                 a.temperature2Reading};
  for (std::int32_t value : values) putBeU32(reply, static_cast<std::uint32_t>(value));
  return AppendCrc(reply);
}

inline Bytes withEcho(const Bytes& reply) { return concat({AppendCrc(acquisitionRequest()), reply}); }

class CalibrationHandoff : public ReplyHandlers {
 public:
  Workbench* workbench = nullptr;
  void onCalibrationBlock(const Bytes& block) override { workbench->receive(block); }
};

class WorkbenchFixture : public ::testing::Test {
 protected:
  WorkbenchFixture() {
    handoff.workbench = &workbench;
    port.setOnReceiveData(
        [this](const std::uint8_t* data, std::size_t length) { dispatcher.onReceiveData(data, length); });
    port.open();
  }

  Workbench::Context context() {
    Workbench::Context c{state, loop};
    c.send = [this](const Bytes& frame) { port.writeBuffer(AppendCrc(frame)); };
    c.sendRecorded = [this](const Bytes& frame) {
      state.LastRequest = AppendCrc(frame);
      port.writeBuffer(state.LastRequest);
    };
    c.modelText = [this] { return model; };
    c.clock = [this] { return kStartTime + loop.nowMs() / 1000; };
    c.takeOtherReply = [this](const Bytes& block) {
      offered.push_back(block);
      return takeOthers;
    };
    c.onClosing = [this] { ++closings; };
    c.onTabChanged = [this](WorkbenchTab tab) { tabChanges.push_back(tab); };
    return c;
  }

  // A block arrives from the logger and TimerReceive examines it.
  void arrive(const Bytes& block) {
    port.deliver(block, 0);
    loop.advance(Workbench::kReceiveMs + 1);
  }
  void arriveAcquisition(const Acquisition& a) { arrive(withEcho(acquisitionReply(a))); }

  // Frames written to the port that equal AppendCrc(frame).
  std::size_t sentCount(const Bytes& frameWithoutCrc) const {
    std::size_t count = 0;
    for (const Bytes& written : port.writeLog()) count += written == AppendCrc(frameWithoutCrc) ? 1 : 0;
    return count;
  }

  // A pressure table with these points in column 1.
  void setPressurePoints(const std::vector<int>& points) {
    PointTable& table = workbench.pressureTable();
    table.setRowCount(static_cast<int>(points.size()) + 1);
    table.renumber();
    for (std::size_t i = 0; i < points.size(); ++i)
      table.setCell(pressure_column::kPoint, static_cast<int>(i) + 1, std::to_string(points[i]));
  }
  void setTemperaturePoints(const std::vector<std::string>& points) {
    PointTable& table = workbench.temperatureTable();
    table.setRowCount(static_cast<int>(points.size()) + 1);
    table.renumber();
    for (std::size_t i = 0; i < points.size(); ++i)
      table.setCell(temperature_column::kPoint, static_cast<int>(i) + 1, points[i]);
  }

  VirtualScheduler loop;
  MemoryPort port{loop};
  LinkState state;
  CalibrationHandoff handoff;
  ReceiveDispatcher dispatcher{state, handoff};
  std::string model = "QL310";
  std::vector<Bytes> offered;
  bool takeOthers = false;
  int closings = 0;
  std::vector<WorkbenchTab> tabChanges;
  Workbench workbench{context()};
};

}  // namespace ql::calibration::test
