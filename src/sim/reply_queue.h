#pragma once
// Reply chunks waiting for the line, read out as line pieces of a bounded size. A piece runs on
// over chunk boundaries that carry no pause (so an echo and its response leave as one block),
// and a chunk's stream is pulled only as far as pieces are taken.

#include <cstddef>
#include <deque>
#include <optional>

#include "sim/reply.h"

namespace ql::sim {

class ReplyQueue {
 public:
  struct Piece {
    Bytes bytes;
    int pauseBeforeMs = 0;
  };

  void append(Reply reply);
  // The next piece of 1..maxBytes bytes, or nullopt when nothing is left to send.
  std::optional<Piece> next(std::size_t maxBytes);
  bool empty() const { return chunks_.empty(); }
  void clear() { chunks_.clear(); }

 private:
  struct Pending {
    ReplyChunk chunk;
    std::size_t taken = 0;  // bytes of chunk.bytes already sent
  };
  std::deque<Pending> chunks_;
};

}  // namespace ql::sim
