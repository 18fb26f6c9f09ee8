#pragma once
// What the logger sends back: pieces of bytes with pauses between them. A long body (a recorded
// file's stream) is a ReplyStream that the transport pulls from as the line takes it, so a
// 32 MiB file never sits in memory at once.

#include <cstddef>
#include <memory>
#include <vector>

#include "link/bytes.h"

namespace ql::sim {

class ReplyStream {
 public:
  virtual ~ReplyStream() = default;
  // The next bytes, at most maxBytes; empty once the stream has ended. Never blocks.
  virtual Bytes next(std::size_t maxBytes) = 0;
};

// A piece of a reply, sent pauseBeforeMs after the previous piece has left. Each transport
// applies the pauses its own way (virtual clock, poll deadlines). When stream is set, its bytes
// follow the piece's own bytes without a pause.
struct ReplyChunk {
  ReplyChunk() = default;
  ReplyChunk(Bytes b, int pause = 0, std::shared_ptr<ReplyStream> s = {})
      : bytes(std::move(b)), pauseBeforeMs(pause), stream(std::move(s)) {}

  Bytes bytes;
  int pauseBeforeMs = 0;
  std::shared_ptr<ReplyStream> stream;
  friend bool operator==(const ReplyChunk&, const ReplyChunk&) = default;
};
using Reply = std::vector<ReplyChunk>;

}  // namespace ql::sim
