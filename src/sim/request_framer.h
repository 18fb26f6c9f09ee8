#pragma once
// Cuts the logger's request frames out of the bytes that arrive on its line. Bytes may arrive in
// any pieces; a byte that cannot start a valid frame (wrong address, unknown function, bad CRC)
// is dropped on its own so that the framer finds the next frame behind it.

#include <cstdint>
#include <optional>

#include "link/bytes.h"

namespace ql::sim {

struct Request {
  Bytes frame;  // the whole frame as received, CRC included: the reply's echo
  std::uint8_t function = 0;
  std::uint16_t firstRegister = 0;  // reads and writes
  std::uint16_t count = 0;          // reads and writes (a file-data read carries a file number)
  Bytes data;                       // written register values
  std::uint16_t controlCode = 0;    // control frames
};

class RequestFramer {
 public:
  void append(const Bytes& bytes) { pending_.insert(pending_.end(), bytes.begin(), bytes.end()); }
  // The next complete frame, or nullopt when more bytes are needed.
  std::optional<Request> next();
  // Forgets a partial frame (the line was idle or changed rate).
  void clear() { pending_.clear(); }
  std::size_t pendingSize() const { return pending_.size(); }

 private:
  // Size of the frame at the front, 0 when the front byte cannot start one, -1 when unknown yet.
  int frameSizeAtFront() const;
  Bytes pending_;
};

}  // namespace ql::sim
