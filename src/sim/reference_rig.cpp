#include "sim/reference_rig.h"

namespace ql::sim {

ReferenceRig::ReferenceRig(LoggerModel& logger, const std::string& linkPath)
    : reference_(std::make_shared<PressureReference>()), server_(reference_, linkPath) {
  server_.open();
  logger.setPressureSource([reference = reference_] { return reference->outputPressureKpa(); });
  server_.start();
}

}  // namespace ql::sim
