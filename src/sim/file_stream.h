#pragma once
// A recorded file's data stream as the logger sends it after the file-data reply head, with the
// line faults asked for: stray bytes slipped in before chosen file offsets, a stream that stops
// early, a logger that disappears part-way.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sim/recorded_file.h"
#include "sim/reply.h"

namespace ql::sim {

struct StreamFaults {
  // One stray byte before each of these offsets of the file's stream (an offset may repeat for
  // several bytes); offsets at or past the end are ignored.
  std::vector<std::uint64_t> strayAt;
  // The stream stops for good after this many bytes (stray bytes included).
  std::optional<std::uint64_t> stopAfter;
  // After this many bytes the logger disappears: vanish runs once the last of them is taken.
  std::optional<std::uint64_t> vanishAfter;
  // The byte at this offset of the file's stream goes out with its low bit flipped.
  std::optional<std::uint64_t> flipAt;
};

// The offset corruptStream flips in a file of size bytes: the pressure's last byte in the middle
// record, never a stamp or the checksum. nullopt for a file without records.
std::optional<std::uint64_t> corruptedOffset(std::uint64_t size);

// count stray offsets spread at random over the stream of a file of size bytes, after its first
// record and before its checksum, the same for the same seed; sorted.
std::vector<std::uint64_t> randomStrayOffsets(std::uint64_t size, int count, std::uint32_t seed);

// Stray bytes are never valid BCD (their high digit is A..F), so they never pass for a stamp.
inline bool isStrayByte(std::uint8_t b) { return b >= 0xA0; }

class FileStream : public ReplyStream {
 public:
  FileStream(std::shared_ptr<const RecordedFile> file, StreamFaults faults, std::function<void()> vanish);
  Bytes next(std::size_t maxBytes) override;

  std::uint64_t sent() const { return sent_; }

 private:
  std::uint8_t strayByte();

  std::shared_ptr<const RecordedFile> file_;
  StreamFaults faults_;
  std::function<void()> vanish_;
  std::uint64_t fileOffset_ = 0;
  std::size_t nextStray_ = 0;
  std::uint64_t sent_ = 0;
  std::uint32_t straySeed_ = 0x6A09E667u;
  bool ended_ = false;
};

}  // namespace ql::sim
