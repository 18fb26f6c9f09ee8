#include "sim/reply_queue.h"

#include <algorithm>

namespace ql::sim {

void ReplyQueue::append(Reply reply) {
  for (ReplyChunk& chunk : reply) chunks_.push_back({std::move(chunk), 0});
}

std::optional<ReplyQueue::Piece> ReplyQueue::next(std::size_t maxBytes) {
  Piece piece;
  bool started = false;  // the piece has taken its pause: later pauses end it
  while (!chunks_.empty() && piece.bytes.size() < maxBytes) {
    Pending& front = chunks_.front();
    if (!started) {
      piece.pauseBeforeMs += front.chunk.pauseBeforeMs;
      front.chunk.pauseBeforeMs = 0;
    } else if (front.chunk.pauseBeforeMs > 0) {
      break;
    }
    std::size_t room = maxBytes - piece.bytes.size();
    const Bytes& own = front.chunk.bytes;
    if (front.taken < own.size()) {
      std::size_t count = std::min(room, own.size() - front.taken);
      auto from = own.begin() + static_cast<std::ptrdiff_t>(front.taken);
      piece.bytes.insert(piece.bytes.end(), from, from + static_cast<std::ptrdiff_t>(count));
      front.taken += count;
      started = true;
      continue;
    }
    if (front.chunk.stream) {
      Bytes more = front.chunk.stream->next(room);
      if (!more.empty()) {
        piece.bytes.insert(piece.bytes.end(), more.begin(), more.end());
        started = true;
        continue;
      }
    }
    chunks_.pop_front();  // sent in full, its stream (if any) ended
    if (piece.bytes.empty()) started = false;
  }
  if (piece.bytes.empty()) return std::nullopt;
  return piece;
}

}  // namespace ql::sim
