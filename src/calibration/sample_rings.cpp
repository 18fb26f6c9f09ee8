#include "calibration/sample_rings.h"

#include <algorithm>

namespace ql::calibration {

namespace {
int ringIndex(int ring) { return std::clamp(ring, 1, SampleRings::kRingCount) - 1; }
}  // namespace

void SampleRings::setWindow(int window) {
  window_ = std::clamp(window, kMinWindow, kMaxWindow);
  restart();
}

void SampleRings::put(const std::array<std::int32_t, kRingCount>& values) {
  for (int ring = 0; ring < kRingCount; ++ring)
    rings_[static_cast<std::size_t>(ring)][static_cast<std::size_t>(sampleIndex_)] =
        values[static_cast<std::size_t>(ring)];
}

void SampleRings::advance() {
  ++sampleIndex_;
  if (sampleIndex_ >= window_) sampleIndex_ = 0;
}

void SampleRings::store(const std::array<std::int32_t, kRingCount>& values) {
  put(values);
  advance();
}

std::int32_t SampleRings::at(int ring) const {
  return rings_[static_cast<std::size_t>(ringIndex(ring))][static_cast<std::size_t>(sampleIndex_)];
}

std::int32_t SampleRings::RingAverage(int ring) {
  const auto& slots = rings_[static_cast<std::size_t>(ringIndex(ring))];
  const int last = std::min(window_ - 1, kSlots - 2);
  std::int64_t sum = 0;
  int count = 0;
  for (int slot = 0; slot <= last; ++slot) {
    const std::int32_t value = slots[static_cast<std::size_t>(slot)];
    sum += value;
    if (value != 0) ++count;
  }
  sampleCount_ = count;
  if (count == 0) return 0;
  // Integer division truncates toward zero, as the average is shown.
  return static_cast<std::int32_t>(sum / count);
}

void SampleRings::restart() {
  for (auto& ring : rings_) ring.fill(0);
  sampleIndex_ = 0;
  sampleCount_ = 0;
}

}  // namespace ql::calibration
