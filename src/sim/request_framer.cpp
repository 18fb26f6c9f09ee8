#include "sim/request_framer.h"

#include "link/codecs.h"
#include "link/crc.h"
#include "sim/registers.h"

namespace ql::sim {

int RequestFramer::frameSizeAtFront() const {
  if (pending_.empty()) return -1;
  if (pending_[0] != kSlaveAddress) return 0;
  if (pending_.size() < 2) return -1;
  switch (pending_[1]) {
    case kFunctionRead:
      return kReadFrameSize;
    case kFunctionControl:
      return kControlFrameSize;
    case kFunctionWrite: {
      if (pending_.size() < kWriteHeadSize) return -1;
      // The byte count must match the register count, else this is no write frame.
      int count = BeU16(pending_[4], pending_[5]);
      int byteCount = pending_[6];
      if (count == 0 || byteCount != 2 * count) return 0;
      return kWriteHeadSize + byteCount + kCrcSize;
    }
    default:
      return 0;
  }
}

std::optional<Request> RequestFramer::next() {
  while (!pending_.empty()) {
    int size = frameSizeAtFront();
    if (size < 0 || static_cast<int>(pending_.size()) < size) return std::nullopt;
    Bytes frame(pending_.begin(), pending_.begin() + (size == 0 ? 1 : size));
    if (size == 0 || !crcIsValid(frame)) {
      pending_.erase(pending_.begin());
      continue;
    }
    pending_.erase(pending_.begin(), pending_.begin() + size);

    Request request;
    request.function = frame[1];
    if (request.function == kFunctionControl) {
      request.controlCode = BeU16(frame[4], frame[5]);
    } else {
      request.firstRegister = BeU16(frame[2], frame[3]);
      request.count = BeU16(frame[4], frame[5]);
      if (request.function == kFunctionWrite) {
        request.data.assign(frame.begin() + kWriteHeadSize, frame.end() - kCrcSize);
      }
    }
    request.frame = std::move(frame);
    return request;
  }
  return std::nullopt;
}

}  // namespace ql::sim
