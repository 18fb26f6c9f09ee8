#pragma once
// The tabs of the calibration workbench, by index: "压力", "温度", "综合参数", "参数备份".

namespace ql::calibration::workbench_tab {

inline constexpr int kPressure = 0;
inline constexpr int kTemperature = 1;
inline constexpr int kGeneral = 2;
inline constexpr int kBackup = 3;

}  // namespace ql::calibration::workbench_tab
