#pragma once
// The four rings of AD samples the workbench averages: one slot per acquisition reply, written at
// a shared index that wraps at the averaging window. An empty slot holds 0, so a sample of exactly
// 0 is not counted.

#include <array>
#include <cstdint>

namespace ql::calibration {

class SampleRings {
 public:
  static constexpr int kRingCount = 4;
  static constexpr int kSlots = 61;
  static constexpr int kMinWindow = 10;
  static constexpr int kMaxWindow = 60;
  static constexpr int kWindowStep = 5;
  static constexpr int kDefaultWindow = 20;

  // Ring numbers as the acquisition reply fills them (1-based).
  static constexpr int kTemperature1 = 1;
  static constexpr int kPressure = 2;
  static constexpr int kReference = 3;
  static constexpr int kTemperature2 = 4;

  // The window is clamped to 10..60; the rings restart.
  void setWindow(int window);
  int window() const { return window_; }

  // Stores one value per ring at SampleIndex and moves the index on, wrapping at the window.
  void store(const std::array<std::int32_t, kRingCount>& values);
  // The value of ring (1..4) at the current SampleIndex.
  std::int32_t at(int ring) const;
  int SampleIndex() const { return sampleIndex_; }
  // Moves SampleIndex on by one, 0 when it reaches the window.
  void advance();
  // Writes one value per ring at SampleIndex without moving it.
  void put(const std::array<std::int32_t, kRingCount>& values);

  // The mean of the non-zero slots among the first min(window, 60) slots of ring (1..4), the
  // 64-bit sum truncated toward zero; 0 when no slot is filled. Sets SampleCount.
  std::int32_t RingAverage(int ring);
  int SampleCount() const { return sampleCount_; }

  // Index 0, every slot 0, SampleCount 0.
  void restart();

 private:
  std::array<std::array<std::int32_t, kSlots>, kRingCount> rings_{};
  int sampleIndex_ = 0;
  int sampleCount_ = 0;
  int window_ = kDefaultWindow;
};

}  // namespace ql::calibration
