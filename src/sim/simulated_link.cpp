#include "sim/simulated_link.h"

#include <algorithm>

#include "link/serial_port.h"

namespace ql::sim {

namespace {

// Pieces that follow without a pause run together on the line; the receiving port cuts them
// into blocks of at most its block size.
std::vector<ReplyChunk> lineBlocks(const Reply& reply) {
  std::vector<ReplyChunk> merged;
  for (const ReplyChunk& chunk : reply) {
    if (!merged.empty() && chunk.pauseBeforeMs == 0) {
      merged.back().bytes.insert(merged.back().bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    } else {
      merged.push_back(chunk);
    }
  }
  std::vector<ReplyChunk> blocks;
  for (const ReplyChunk& chunk : merged) {
    for (std::size_t at = 0; at < chunk.bytes.size(); at += SerialPort::kBlockSize) {
      std::size_t end = std::min(chunk.bytes.size(), at + SerialPort::kBlockSize);
      blocks.push_back({Bytes(chunk.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              chunk.bytes.begin() + static_cast<std::ptrdiff_t>(end)),
                        at == 0 ? chunk.pauseBeforeMs : 0});
    }
  }
  return blocks;
}

}  // namespace

LoggerModel::Clock loopClock(const Scheduler& loop, std::time_t start) {
  std::int64_t startMs = loop.nowMs();
  return
      [&loop, start, startMs] { return start + static_cast<std::time_t>((loop.nowMs() - startMs) / 1000); };
}

SimulatedLink::SimulatedLink(Scheduler& loop, MemoryPort& port, LoggerModel& model)
    : loop_(loop), port_(port), model_(model) {
  port_.setDevice([this](const Bytes& bytes, std::uint32_t rate) { onWrite(bytes, rate); });
}

SimulatedLink::~SimulatedLink() { port_.setDevice({}); }

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
  std::vector<ReplyChunk> blocks = lineBlocks(reply);
  if (blocks.empty()) return;
  std::int64_t now = loop_.nowMs();
  std::int64_t at = std::max(now, lineFreeAtMs_) + kLineDelayMs;
  for (const ReplyChunk& block : blocks) {
    at += block.pauseBeforeMs + wireTimeMs(block.bytes.size(), rate);
    port_.deliver(block.bytes, static_cast<int>(at - now));
  }
  lineFreeAtMs_ = at;
}

}  // namespace ql::sim
