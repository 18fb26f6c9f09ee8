#pragma once
// Wires a LoggerModel to a MemoryPort on the loop: what the program writes reaches the model at
// the port's current line rate, and the model's reply comes back as received blocks. Replies are
// not instant: a block arrives kLineDelayMs plus its wire time (10 bits a byte) after the line is
// free, a chunk's pause comes on top, and a block holds at most what the serial port's read
// thread would hand over at once. A long stream is pulled only about a second of line time
// ahead of the clock, so a 32 MiB file never sits in memory.

#include <cstdint>
#include <memory>

#include "link/memory_port.h"
#include "runtime/scheduler.h"
#include "sim/logger_model.h"
#include "sim/reply_queue.h"

namespace ql::sim {

// A time source for the model that runs on the loop's clock: start at the loop's current time.
LoggerModel::Clock loopClock(const Scheduler& loop, std::time_t start);

class SimulatedLink {
 public:
  static constexpr int kLineDelayMs = 5;
  // How far ahead of the clock blocks are handed to the port.
  static constexpr int kAheadMs = 1000;

  // Both must outlive this object.
  SimulatedLink(Scheduler& loop, MemoryPort& port, LoggerModel& model);
  ~SimulatedLink();
  SimulatedLink(const SimulatedLink&) = delete;
  SimulatedLink& operator=(const SimulatedLink&) = delete;

  LoggerModel& model() { return model_; }
  MemoryPort& port() { return port_; }

  // Milliseconds count bytes take on the line at rate (at least 1).
  static std::int64_t wireTimeMs(std::size_t count, std::uint32_t rate);

 private:
  void onWrite(const Bytes& bytes, std::uint32_t rate);
  // Hands the port the queued blocks up to kAheadMs of line time ahead; comes back for more.
  void pump();

  Scheduler& loop_;
  MemoryPort& port_;
  LoggerModel& model_;
  ReplyQueue queue_;
  std::uint32_t lineRate_ = 0;     // the rate of the request being answered
  std::int64_t lineFreeAtMs_ = 0;  // when the last scheduled block has arrived
  bool pumpPending_ = false;
  // Expires with this object, so a pump scheduled on the loop never runs on a dead link.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ql::sim
