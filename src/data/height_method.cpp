#include "data/height_method.h"

#include "data/record_series.h"
#include "data/sea_water_depth.h"

namespace ql {

HeightCalculator::HeightCalculator(const DepthParameters& depth, const HeightOptions& options)
    : depth_(depth), options_(options) {
  if (options_.barometric) cursor_.emplace(*options_.barometric, options_.maxGapSeconds);
}

std::optional<double> HeightCalculator::metres(const Record& record) {
  const double kpa = record.pressure();
  if (kpa == 0) return 0.0;
  double above = 0;  // kPa above the atmosphere's
  if (cursor_) {
    const std::optional<std::int64_t> seconds = stampSeconds(record.stamp.data());
    if (!seconds) return std::nullopt;
    const std::optional<double> air = cursor_->at(*seconds);
    if (!air) return std::nullopt;
    above = kpa - *air;
  } else {
    above = kpa + depth_.offset;
  }
  if (options_.latitude) return unescoDepthMetres(above / 10.0, *options_.latitude);
  return above / depth_.density / depth_.gravity;
}

char* HeightCalculator::write(char* out, const Record& record, bool& marked) {
  if (options_.plain()) {
    marked = false;
    return writeWaterHeight(out, record.pressureRaw, depth_);
  }
  const std::optional<double> height = metres(record);
  marked = !height;
  return height ? writeHeightMetres(out, *height) : out;
}

}  // namespace ql
