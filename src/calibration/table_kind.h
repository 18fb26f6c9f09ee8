#pragma once
// Which of the two point tables an operation works on (the "压力" or the "温度" tab).

namespace ql::calibration {

enum class TableKind { Pressure, Temperature };

}  // namespace ql::calibration
