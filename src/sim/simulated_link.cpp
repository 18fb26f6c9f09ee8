#include "sim/simulated_link.h"

#include <algorithm>

#include "link/serial_port.h"

namespace ql::sim {

LoggerModel::Clock loopClock(const Scheduler& loop, std::time_t start) {
  std::int64_t startMs = loop.nowMs();
  return
      [&loop, start, startMs] { return start + static_cast<std::time_t>((loop.nowMs() - startMs) / 1000); };
}

SimulatedLink::SimulatedLink(Scheduler& loop, MemoryPort& port, LoggerModel& model)
    : loop_(loop), port_(port), model_(model) {
  port_.setDevice([this](const Bytes& bytes, std::uint32_t rate) { onWrite(bytes, rate); });
  model_.setMillisecondClock([&loop] { return loop.nowMs(); });
}

SimulatedLink::~SimulatedLink() {
  port_.setDevice({});
  model_.setMillisecondClock({});
}

std::int64_t SimulatedLink::wireTimeMs(std::size_t count, std::uint32_t rate) {
  if (rate == 0) return 1;
  std::int64_t bits = static_cast<std::int64_t>(count) * 10 * 1000;
  return std::max<std::int64_t>(1, (bits + rate - 1) / rate);
}

void SimulatedLink::onWrite(const Bytes& bytes, std::uint32_t rate) {
  Reply reply = model_.receive(bytes, rate);
  if (model_.vanished()) {
    port_.vanish();
    return;
  }
  if (reply.empty()) return;
  // The logger takes a moment before it answers.
  reply.front().pauseBeforeMs += kLineDelayMs;
  lineRate_ = rate;
  queue_.append(std::move(reply));
  pump();
}

void SimulatedLink::pump() {
  std::int64_t now = loop_.nowMs();
  while (lineFreeAtMs_ - now < kAheadMs) {
    if (!port_.isOpen()) {
      queue_.clear();  // a closed port drops what was still to come
      return;
    }
    std::optional<ReplyQueue::Piece> block = queue_.next(SerialPort::kBlockSize);
    if (block) {
      std::int64_t at =
          std::max(now, lineFreeAtMs_) + block->pauseBeforeMs + wireTimeMs(block->bytes.size(), lineRate_);
      port_.deliver(block->bytes, static_cast<int>(at - now));
      lineFreeAtMs_ = at;
    }
    if (model_.vanished()) {
      // Gone part-way through a stream: the line drops once the last block has arrived.
      queue_.clear();
      int after = static_cast<int>(std::max<std::int64_t>(0, lineFreeAtMs_ - now));
      loop_.delay(after, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired()) port_.vanish();
      });
      return;
    }
    if (!block) return;
  }
  if (queue_.empty() || pumpPending_) return;
  pumpPending_ = true;
  int wait = static_cast<int>(std::max<std::int64_t>(1, lineFreeAtMs_ - now - kAheadMs / 2));
  loop_.delay(wait, [this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    pumpPending_ = false;
    pump();
  });
}

}  // namespace ql::sim
