// The calibration record-file loader, into either table.
#include "calibration/point_table.h"
#include "calibration/record_file.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = ql::fuzz::writeScratchFile("input.csv", data, size);
  for (const auto kind : {ql::calibration::TableKind::Pressure, ql::calibration::TableKind::Temperature}) {
    ql::calibration::PointTable pressure = ql::calibration::makePressureTable();
    ql::calibration::PointTable temperature = ql::calibration::makeTemperatureTable();
    ql::calibration::loadRecordFile(path, kind, pressure, temperature);
    if (pressure.columnCount() != ql::calibration::pressure_column::kCount) __builtin_trap();
    if (temperature.columnCount() != ql::calibration::temperature_column::kCount) __builtin_trap();
  }
  return 0;
}
