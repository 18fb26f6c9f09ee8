#pragma once
// A calibration as the "保存" button sees it, for the record and report tests.

#include <string>
#include <vector>

#include "calibration/calibration_record.h"
#include "calibration/table_fill.h"
#include "runtime/formats.h"

namespace ql::calibration::fixture {

inline const DateTime kSavedAt{2026, 12, 11, 14, 30, 5};

struct RecordFixture {
  PointTable pressure = makePressureTable();
  PointTable temperature = makeTemperatureTable();

  // `points` pressure rows holding only their reference point, one empty temperature row.
  explicit RecordFixture(const std::vector<std::string>& points) {
    fillColumn(pressure, pressure_column::kPoint, points);
  }

  CalibrationRecord record() const {
    return CalibrationRecord{.serialNumber = "2301001",
                             .model = "QL310-A",
                             .ambientTemperature = "21.50",
                             .fullScale = 0,
                             .pressure = pressure,
                             .temperature = temperature,
                             .order = 5,
                             .pressureErrors = {},
                             .temperatureErrors = {},
                             .largestErrorCaption = "最大误差：",
                             .pressureRatios = {},
                             .temperatureRatios = {}};
  }
};

}  // namespace ql::calibration::fixture
