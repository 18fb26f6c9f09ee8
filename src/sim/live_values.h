#pragma once
// What the logger measures at a moment: the four live values of register 0x0001, and the forms in
// which a logger answers their read. The values are a pure function of the time, so a test can
// compute what the logger answers at any moment.

#include <cstdint>
#include <ctime>

#include "link/bytes.h"

namespace ql::sim {

// Raw values as on the wire: signed, in units of 0.0001 (110.25 kPa is 1102500).
struct LiveValues {
  std::int32_t pressure = 0;             // kPa: a semidiurnal tide around 110 kPa
  std::int32_t temperature = 0;          // degrees C: water around 15, drifting slowly
  std::int32_t conductivity = 0;         // mS/cm: near 50
  std::int32_t internalTemperature = 0;  // degrees C: a little above the water
  friend bool operator==(const LiveValues&, const LiveValues&) = default;
};

inline constexpr double kLiveValueScale = 10000.0;
// The tide's period: the principal lunar semidiurnal constituent, 12.42 hours.
inline constexpr double kTidePeriodSeconds = 12.42 * 3600.0;

// The values at time t (seconds of the time source). The same second gives the same values; the
// small noise on them comes from a hash of the second.
LiveValues liveValuesAt(std::time_t t);

// The 16 data bytes of a full answer: pressure, temperature, conductivity, internal temperature,
// each a signed 32-bit big-endian integer.
Bytes liveValueBytes(const LiveValues& values);

// How the logger answers the read of the eight live-value registers (01 03 00 01 00 08). Loggers
// of different firmware answer in different forms, all of which the program accepts.
enum class LiveReplyForm {
  EchoSixteen,     // echo + 01 03 10 + 16 data bytes + CRC: 29 bytes (the usual form)
  BareSixteen,     // 01 03 10 + 16 data bytes + CRC, without echo: 21 bytes
  EchoEight,       // echo + 01 03 08 + 8 data bytes (pressure, temperature) + CRC: 21 bytes
  BareEight,       // 01 03 08 + 8 data bytes + CRC, without echo: 13 bytes
  EchoNoiseEight,  // echo + two stray bytes (FF FF) + 01 03 08 + 8 data bytes + CRC: 23 bytes
};

}  // namespace ql::sim
