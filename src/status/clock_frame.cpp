#include "status/clock_frame.h"

#include "link/crc.h"
#include "link/register_map.h"

namespace ql {

Bytes clockWriteRequest(const DateTime& time) {
  Bytes frame{0x01, 0x10};
  putBeU16(frame, reg::kClock);
  frame.insert(frame.end(), {0x00, 0x03, 0x06});
  // The logger counts years within the century (2024 is 24).
  for (int field : {time.year % 100, time.month, time.day, time.hour, time.minute, time.second})
    frame.push_back(static_cast<std::uint8_t>(field));
  return frame;
}

Bytes timeFrame(const DateTime& time) { return AppendCrc(clockWriteRequest(time)); }

}  // namespace ql
