#include "status/clock_read.h"

#include "link/register_map.h"

namespace ql {

void ClockRead::perform() {
  if (step_ == kClock) return sequencer_.sendStep(reg::readRequest(reg::kClock, 3));
  sequencer_.finish();
}

}  // namespace ql
