#include "sim/file_stream.h"

#include <algorithm>

namespace ql::sim {

namespace {

std::uint32_t xorshift(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

}  // namespace

std::vector<std::uint64_t> randomStrayOffsets(std::uint64_t size, int count, std::uint32_t seed) {
  std::vector<std::uint64_t> offsets;
  std::uint64_t first = RecordedFile::kRecordSize;
  if (count <= 0 || size < first + RecordedFile::kChecksumSize + 1) return offsets;
  std::uint64_t span = size - RecordedFile::kChecksumSize - first;
  std::uint32_t state = seed | 1u;
  for (int i = 0; i < count; ++i) {
    std::uint64_t r = std::uint64_t{xorshift(state)} << 32 | xorshift(state);
    offsets.push_back(first + r % span);
  }
  std::sort(offsets.begin(), offsets.end());
  return offsets;
}

std::optional<std::uint64_t> corruptedOffset(std::uint64_t size) {
  const std::uint64_t records = size > RecordedFile::kChecksumSize
                                    ? (size - RecordedFile::kChecksumSize) / RecordedFile::kRecordSize
                                    : 0;
  if (records == 0) return std::nullopt;
  constexpr std::uint64_t kPressureLastByte = 11;
  return records / 2 * RecordedFile::kRecordSize + kPressureLastByte;
}

FileStream::FileStream(std::shared_ptr<const RecordedFile> file, StreamFaults faults,
                       std::function<void()> vanish)
    : file_(std::move(file)), faults_(std::move(faults)), vanish_(std::move(vanish)) {
  auto& stray = faults_.strayAt;
  std::sort(stray.begin(), stray.end());
  stray.erase(std::lower_bound(stray.begin(), stray.end(), file_->size()), stray.end());
}

std::uint8_t FileStream::strayByte() { return static_cast<std::uint8_t>(0xA0 + xorshift(straySeed_) % 0x60); }

Bytes FileStream::next(std::size_t maxBytes) {
  Bytes out;
  if (ended_) return out;
  std::uint64_t limit = maxBytes;
  for (const auto& cut : {faults_.stopAfter, faults_.vanishAfter}) {
    if (cut) limit = std::min(limit, *cut > sent_ ? *cut - sent_ : 0);
  }
  const std::vector<std::uint64_t>& stray = faults_.strayAt;
  while (out.size() < limit) {
    if (nextStray_ < stray.size() && stray[nextStray_] <= fileOffset_) {
      out.push_back(strayByte());
      ++nextStray_;
      continue;
    }
    if (fileOffset_ >= file_->size()) break;
    std::uint64_t count = limit - out.size();
    if (nextStray_ < stray.size()) count = std::min(count, stray[nextStray_] - fileOffset_);
    Bytes part = file_->read(fileOffset_, static_cast<std::size_t>(count));
    if (faults_.flipAt && *faults_.flipAt >= fileOffset_ && *faults_.flipAt < fileOffset_ + part.size())
      part[static_cast<std::size_t>(*faults_.flipAt - fileOffset_)] ^= 0x01;
    fileOffset_ += part.size();
    out.insert(out.end(), part.begin(), part.end());
  }
  sent_ += out.size();
  if (faults_.vanishAfter && sent_ >= *faults_.vanishAfter) {
    ended_ = true;
    if (vanish_) vanish_();
  }
  if (out.empty() || (faults_.stopAfter && sent_ >= *faults_.stopAfter)) ended_ = true;
  return out;
}

}  // namespace ql::sim
