#pragma once
// The frame that sets the logger's clock: 01 10 10 09 00 03 06 and six plain binary bytes (year
// within the century, month, day, hour, minute, second). The double-click on the clock field,
// the clock check and the configuration write all send it.

#include "link/bytes.h"
#include "runtime/formats.h"

namespace ql {

// The write of the clock registers for time, without its CRC.
Bytes clockWriteRequest(const DateTime& time);
// The same with its CRC: what goes on the line and is recorded as LastRequest.
Bytes timeFrame(const DateTime& time);

}  // namespace ql
