#pragma once
// A simulated programmable pressure reference: the instrument the calibration workbench drives on
// its second port. It takes text lines and acts on three instructions:
//
//   :OUTPut:STATe ON      the output follows the set point
//   :OUTPut:STATe OFF     the output vents to the ambient pressure
//   :SOURce <kPa>         the set point (any finite number; it is kept while the output is off)
//
// Keywords are matched as the instrument family does (case-insensitive, long or short form:
// ":OUTP:STAT 1", ":sour 100.0"); the leading ":" may be left out. A line ends with LF (a CR before
// it is dropped) and may arrive split over any number of pieces. Lines it does not understand
// are ignored, and a line longer than kMaxLineLength is dropped whole. It answers nothing and
// takes any line rate: only its input matters.
//
// The output pressure approaches its goal (the set point while the output is on, kAmbientKpa
// while it is off) as a first-order lag with time constant kSettlingMs:
//   p(t + dt) = goal + (p(t) - goal) * exp(-dt / kSettlingMs)
// so 5 time constants (7.5 s) bring it within 0.7 % of a step. It starts vented, at ambient.
// Time is the model's millisecond clock (a loop's virtual clock in tests, the steady clock in the
// simulator); the output is computed when asked, so no timer drives it.
//
// Safe to use from several threads at once (the simulator serves the reference and the logger
// that feels it on two threads).

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "link/bytes.h"

namespace ql::sim {

class PressureReference {
 public:
  using MillisecondClock = std::function<std::int64_t()>;

  // Standard atmosphere: what a vented output and an open pressure port read.
  static constexpr double kAmbientKpa = 101.325;
  static constexpr double kSettlingMs = 1500.0;
  static constexpr std::size_t kMaxLineLength = 256;

  // clock: milliseconds on a monotonic clock; by default the steady clock.
  explicit PressureReference(MillisecondClock clock = {});
  PressureReference(const PressureReference&) = delete;
  PressureReference& operator=(const PressureReference&) = delete;

  // Bytes that arrived on the line, in order.
  void receive(const Bytes& bytes);
  void receive(std::string_view text);

  bool outputOn() const;
  double setPointKpa() const;
  // The pressure at the output port now.
  double outputPressureKpa() const;

 private:
  void execute(std::string_view line);
  // Moves the output pressure to the clock's now. Caller holds mutex_.
  void settle() const;

  MillisecondClock clock_;
  mutable std::mutex mutex_;
  std::string pending_;      // the line received so far
  bool discarding_ = false;  // the current line grew too long: dropped up to its end
  bool outputOn_ = false;
  double setPointKpa_ = kAmbientKpa;
  mutable double pressureKpa_ = kAmbientKpa;
  mutable std::int64_t settledAtMs_ = 0;
};

}  // namespace ql::sim
