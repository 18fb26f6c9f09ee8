// A simulated day of velmo linked to the simulated logger, on the virtual clock: each hour the
// keep-alive runs (live display off), then the live values fill the monitor ring, and the port
// vanishes for two minutes and returns, after which velmo finds the logger again, polls it and
// checks its clock (which has drifted out of step, so it is set). Every hour must show each kind
// of frame, the ring must wrap in order, and the live heap must stay flat.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "link/crc.h"
#include "link/memory_port.h"
#include "link/register_map.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/saved_state.h"
#include "shell/velmo_program.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "status/live_values.h"
#include "support/temp_dir.h"

namespace ql::test {
namespace {

constexpr std::time_t kStartTime = 1796900000;
constexpr int kHours = 24;
constexpr std::int64_t kHourMs = 3600 * 1000;
constexpr std::int64_t kMinuteMs = 60 * 1000;
// The computer's clock runs away from the logger's by this much each hour: more than the
// 300 s a check allows, so every hour's check finds the logger out of step.
constexpr std::int64_t kDriftPerHourS = 400;
// Where the ring's write index stands at start: the day's samples wrap it about halfway.
constexpr int kRingStart = static_cast<int>(MonitorHistory::kSlots) - 30000;

struct HourFrames {
  int liveValueReads = 0;
  int keepAliveReads = 0;
  int clockWrites = 0;
  int other = 0;
};

class LongSession : public ::testing::Test {
 protected:
  LongSession() : logger(configuration(), sim::loopClock(loop, kStartTime)) {
    SavedState state;
    state.history.writeIndex = kRingStart;
    EXPECT_TRUE(saveSavedState(home.file("sysuse.d"), state));
    program = std::make_unique<VelmoProgram>(
        loop, op, port,
        ProgramEnvironment{VelmoHome(home.path(), {QL_TEST_RESOURCE_DIR}),
                           [this] {
                             return portPresent ? std::vector<std::string>{"/dev/ttyQL"}
                                                : std::vector<std::string>{};
                           },
                           [this] { return kStartTime + loop.nowMs() / 1000 + pcDriftS; }});
    program->create();
    EXPECT_TRUE(program->initialise());
  }

  static sim::LoggerConfig configuration() {
    sim::LoggerConfig config;
    config.fileCount = 0;
    return config;
  }
  bool pollFinished() const { return program->linkState().connected() && program->infoPoll().finished(); }

  // Classifies what velmo wrote since the last call and forgets it (the log would grow).
  HourFrames takeFrames() {
    const Bytes liveRead = liveValueRequest();
    const Bytes keepAlive = AppendCrc(reg::readRequest(reg::kModel, 1));
    const Bytes clockWrite{0x01, 0x10, 0x10, 0x09};
    HourFrames frames;
    for (const Bytes& frame : port.writeLog()) {
      if (frame == liveRead) {
        ++frames.liveValueReads;
      } else if (frame == keepAlive) {
        ++frames.keepAliveReads;
      } else if (frame.size() > clockWrite.size() &&
                 std::equal(clockWrite.begin(), clockWrite.end(), frame.begin())) {
        ++frames.clockWrites;
      } else {
        ++frames.other;
      }
    }
    port.clearWriteLog();
    return frames;
  }

  TempDir home{"velmo_day"};
  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger;
  sim::SimulatedLink link{loop, port, logger};
  ScriptedOperator op;
  bool portPresent = true;
  std::int64_t pcDriftS = 0;
  std::unique_ptr<VelmoProgram> program;
};

TEST_F(LongSession, ADayKeepsEveryTimerFiringTheRingInOrderAndTheHeapFlat) {
  VelmoProgram& velmo = *program;
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000));
  velmo.showPage(Page::Download);
  takeFrames();

  std::vector<HeapFigures> heapByHour;
  std::int64_t samplesBefore = 0;
  for (int hour = 0; hour < kHours; ++hour) {
    SCOPED_TRACE("hour " + std::to_string(hour));
    const std::int64_t hourStart = loop.nowMs();
    // Twenty minutes idle: only the keep-alive talks.
    velmo.liveValues().setLiveDisplay(false);
    loop.advance(20 * kMinuteMs);
    // Live values once a second.
    velmo.liveValues().setLiveDisplay(true);
    loop.advance(20 * kMinuteMs);

    // The adapter is pulled for two minutes while the computer's clock jumps on; velmo notices,
    // finds the logger when it is back, polls it and offers to set its clock.
    portPresent = false;
    port.vanish();
    pcDriftS += kDriftPerHourS;
    loop.advance(2 * kMinuteMs);
    EXPECT_FALSE(velmo.linkState().connected());
    portPresent = true;
    port.reappear();
    op.answerYesNo(true);
    EXPECT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 2 * kMinuteMs));
    EXPECT_TRUE(loop.advanceUntil(
        [&] { return !velmo.clockCheck().synchronising() && velmo.clockCheck().tickCounter() < 5; },
        kMinuteMs));
    velmo.showPage(Page::Download);

    loop.advance(hourStart + kHourMs - loop.nowMs());
    const HourFrames frames = takeFrames();
    // Keep-alive every 11 s for 20 minutes; live values each second for about 35 minutes.
    EXPECT_GE(frames.keepAliveReads, 100);
    EXPECT_GE(frames.liveValueReads, 30 * 60);
    EXPECT_EQ(frames.clockWrites, ClockCheck::kSends);
    EXPECT_GT(frames.other, 0);  // the search, the information poll, the clock read-back
    EXPECT_LE(
        std::abs(static_cast<long long>(logger.loggerTime() - (kStartTime + loop.nowMs() / 1000 + pcDriftS))),
        5);

    const std::int64_t samples = static_cast<std::int64_t>(velmo.liveValues().sampleCount());
    EXPECT_GE(samples - samplesBefore, 30 * 60);
    samplesBefore = samples;
    heapByHour.push_back(liveHeap());
  }

  // The ring: written on from where sysuse.d left it, round the end and on from slot 0.
  const MonitorHistory& ring = velmo.liveValues().history();
  const std::int64_t samples = static_cast<std::int64_t>(velmo.liveValues().sampleCount());
  ASSERT_GT(kRingStart + samples, static_cast<std::int64_t>(MonitorHistory::kSlots));
  ASSERT_LT(samples, static_cast<std::int64_t>(MonitorHistory::kSlots));
  EXPECT_EQ(ring.writeIndex, (kRingStart + samples) % static_cast<std::int64_t>(MonitorHistory::kSlots));
  EXPECT_TRUE(ring.isEmptySlot(kRingStart - 1));
  EXPECT_TRUE(ring.isEmptySlot(static_cast<std::size_t>(ring.writeIndex)));
  EXPECT_FALSE(ring.isEmptySlot(kRingStart));
  EXPECT_FALSE(ring.isEmptySlot(MonitorHistory::kSlots - 1));
  EXPECT_FALSE(ring.isEmptySlot(0));
  EXPECT_FALSE(ring.isEmptySlot(static_cast<std::size_t>(ring.writeIndex - 1)));
  // Time stamps never go back along the written part, across the wrap included.
  std::size_t slot = kRingStart;
  std::string_view previous = ring.stamp(slot);
  for (std::int64_t i = 1; i < samples; ++i) {
    slot = (slot + 1) % MonitorHistory::kSlots;
    ASSERT_LE(previous, ring.stamp(slot)) << "slot " << slot;
    previous = ring.stamp(slot);
  }

  // The heap after the first two hours (caches, the memo filling) stays where it was.
  const HeapFigures settled = heapByHour[2];
  const HeapFigures last = heapByHour.back();
  std::cout << "live heap: hour 1 " << heapByHour[0].bytes << " bytes in " << heapByHour[0].blocks
            << " blocks, hour 3 " << settled.bytes << " in " << settled.blocks << ", hour " << kHours << " "
            << last.bytes << " in " << last.blocks << "\n";
  // The memo fills towards its line limit by a few lines an hour; a block lost each minute
  // (1260 in the 21 hours) would not fit.
  EXPECT_LT(last.blocks - settled.blocks, 500);
  EXPECT_LT(last.bytes - settled.bytes, 64 * 1024);
}

}  // namespace
}  // namespace ql::test
