#include "shell/settings_read.h"

#include "link/register_map.h"

namespace ql {

void SettingsRead::perform() {
  if (step_ == kTemperature) return sequencer_.sendStep(reg::readRequest(reg::kTemperatureConstants, 10));
  if (step_ == kPressure) return sequencer_.sendStep(reg::readRequest(reg::kPressureDrift, 2));
  sequencer_.finish();
}

bool SettingsRead::answered(const Bytes& block) {
  if (!sequencer_.answer(block)) return false;
  // Either value ends the read; the other one is asked for at the next second.
  step_ = kEnd;
  return true;
}

void SettingsRead::cancel() {
  if (!active() || step_ >= kEnd) return;
  step_ = kEnd;
  sequencer_.skipWait();
}

}  // namespace ql
