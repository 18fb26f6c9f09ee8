#include "sim/calibration_store.h"

#include <algorithm>

#include "link/codecs.h"

namespace ql::sim {

void CalibrationStore::write(std::uint16_t reg, const Bytes& bytes) {
  Bytes& set = sets_[reg];
  if (set.size() < bytes.size()) set.resize(bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), set.begin());
}

Bytes CalibrationStore::read(std::uint16_t reg, int count) const {
  Bytes out(2u * static_cast<std::size_t>(std::max(count, 0)), 0);
  auto it = sets_.find(reg);
  if (it != sets_.end())
    std::copy_n(it->second.begin(), std::min(out.size(), it->second.size()), out.begin());
  return out;
}

std::array<float, 6> CalibrationStore::coefficients(std::uint16_t reg) const {
  Bytes bytes = read(reg, 12);
  std::array<float, 6> out{};
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = BeFloat32(Bytes(bytes.begin() + 4 * i, bytes.begin() + 4 * i + 4));
  return out;
}

}  // namespace ql::sim
