#pragma once
// How a record's pressure becomes water height. By default the fixed formula of WaterHeight:
// (kPa + offset) / density / gravity. Two choices change it:
// - sea water by latitude: the depth of the UNESCO 1983 polynomial with gravity from latitude, of
//   the same pressure above the atmosphere's ((kPa + offset) / 10 dbar); the density and the fixed
//   gravity are then not used;
// - a barometric series: the pressure above the atmosphere's is kPa - baro(t), the air pressure
//   interpolated at the record's time, and the fixed offset is then not applied. A record the series
//   does not cover (outside its span, in a gap longer than the limit, or with a stamp that is no
//   date) has no height: it is marked, and its height left empty, never extrapolated.
// A pressure of exactly 0 is no reading and gives 0 whatever the choice, as the fixed formula does.

#include <cstdint>
#include <memory>
#include <optional>

#include "data/barometric_series.h"
#include "data/records.h"
#include "data/water_height.h"

namespace ql {

struct HeightOptions {
  std::optional<double> latitude;                      // degrees; sea water when set
  std::shared_ptr<const BarometricSeries> barometric;  // replaces the fixed offset when set
  std::int64_t maxGapSeconds = BarometricCursor::kDefaultMaxGapSeconds;

  bool plain() const { return !latitude && !barometric; }
};

// Water heights of records in file order (one pass over the barometric series).
class HeightCalculator {
 public:
  HeightCalculator(const DepthParameters& depth, const HeightOptions& options);

  // Metres; none for a marked record.
  std::optional<double> metres(const Record& record);
  // The height as shown ("0.00"), or nothing for a marked record; sets marked accordingly.
  char* write(char* out, const Record& record, bool& marked);

 private:
  DepthParameters depth_;
  HeightOptions options_;
  std::optional<BarometricCursor> cursor_;
};

}  // namespace ql
