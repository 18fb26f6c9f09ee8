#pragma once
// Wires a LoggerModel to a MemoryPort on the loop: what the program writes reaches the model at
// the port's current line rate, and the model's reply comes back as received blocks. Replies are
// not instant: a block arrives kLineDelayMs plus its wire time (10 bits a byte) after the line is
// free, a chunk's pause comes on top, and a block holds at most what the serial port's read
// thread would hand over at once.

#include <cstdint>

#include "link/memory_port.h"
#include "runtime/scheduler.h"
#include "sim/logger_model.h"

namespace ql::sim {

// A time source for the model that runs on the loop's clock: start at the loop's current time.
LoggerModel::Clock loopClock(const Scheduler& loop, std::time_t start);

class SimulatedLink {
 public:
  static constexpr int kLineDelayMs = 5;

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

  Scheduler& loop_;
  MemoryPort& port_;
  LoggerModel& model_;
  std::int64_t lineFreeAtMs_ = 0;  // when the last scheduled block has arrived
};

}  // namespace ql::sim
