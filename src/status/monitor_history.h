#pragma once
// The online monitor's history: a ring of 100000 samples, each four values and the local time
// of reception ("yyyy-mm-dd hh:mm:ss"). A slot whose time text has 2 characters or fewer is
// empty; never-written slots hold empty texts and zero values. Kept whole in sysuse.d so the
// curves continue across program runs.
//
// All storage is allocated once; storing a sample writes into it and never allocates.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ql {

// A time text of at most 20 characters kept in place (the slot's length byte and characters).
struct MonitorStamp {
  static constexpr std::size_t kCapacity = 20;

  std::uint8_t length = 0;
  std::array<char, kCapacity> chars{};

  std::string_view view() const { return {chars.data(), length}; }
  // Longer texts are cut to the capacity; the unused characters are zero.
  void assign(std::string_view text) {
    length = static_cast<std::uint8_t>(text.size() < kCapacity ? text.size() : kCapacity);
    chars.fill('\0');
    text.copy(chars.data(), length);
  }
  friend bool operator==(const MonitorStamp&, const MonitorStamp&) = default;
};

struct MonitorHistory {
  static constexpr std::size_t kSlots = 100000;
  static constexpr std::size_t kStampLength = MonitorStamp::kCapacity;

  std::vector<double> temperature = std::vector<double>(kSlots, 0.0);          // °C
  std::vector<double> pressure = std::vector<double>(kSlots, 0.0);             // kPa
  std::vector<double> thirdChannel = std::vector<double>(kSlots, 0.0);         // conductivity
  std::vector<double> internalTemperature = std::vector<double>(kSlots, 0.0);  // °C
  std::vector<MonitorStamp> stamps = std::vector<MonitorStamp>(kSlots);
  int writeIndex = 0;  // the slot the next sample fills, 0..99999

  bool isEmptySlot(std::size_t slot) const { return stamps[slot].length <= 2; }
  std::string_view stamp(std::size_t slot) const { return stamps[slot].view(); }
  void setStamp(std::size_t slot, std::string_view text) { stamps[slot].assign(text); }
};

}  // namespace ql
