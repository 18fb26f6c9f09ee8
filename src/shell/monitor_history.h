#pragma once
// The online monitor's history: a ring of 100000 samples, each four values and the local time
// of reception ("yyyy-mm-dd hh:mm:ss"). A slot whose time text has 2 characters or fewer is
// empty; never-written slots hold empty texts and zero values. Kept whole in sysuse.d so the
// curves continue across program runs.

#include <cstddef>
#include <string>
#include <vector>

namespace ql {

struct MonitorHistory {
  static constexpr std::size_t kSlots = 100000;
  static constexpr std::size_t kStampLength = 20;  // longest time text a slot holds

  std::vector<double> temperature = std::vector<double>(kSlots, 0.0);          // °C
  std::vector<double> pressure = std::vector<double>(kSlots, 0.0);             // kPa
  std::vector<double> thirdChannel = std::vector<double>(kSlots, 0.0);         // conductivity
  std::vector<double> internalTemperature = std::vector<double>(kSlots, 0.0);  // °C
  std::vector<std::string> stamps = std::vector<std::string>(kSlots);
  int writeIndex = 0;  // the slot the next sample fills, 0..99999

  bool isEmptySlot(std::size_t slot) const { return stamps[slot].size() <= 2; }
};

}  // namespace ql
