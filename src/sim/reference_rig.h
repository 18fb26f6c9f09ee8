#pragma once
// The calibration rig of the simulator: a pressure reference served on a pseudo-terminal of its
// own, its output piped to a simulated logger's pressure sensor. ql310-sim --reference and
// velmo --demo set it up.

#include <memory>
#include <string>

#include "sim/logger_model.h"
#include "sim/pressure_reference.h"
#include "sim/reference_pty_server.h"

namespace ql::sim {

class ReferenceRig {
 public:
  // Opens the terminal (and the link when linkPath is not empty), couples the logger and starts
  // serving. Throws std::runtime_error with the reason. Couple before the logger is served (or
  // under its server's lock): the logger's model is changed here.
  explicit ReferenceRig(LoggerModel& logger, const std::string& linkPath = {});
  ~ReferenceRig() = default;
  ReferenceRig(const ReferenceRig&) = delete;
  ReferenceRig& operator=(const ReferenceRig&) = delete;

  const std::string& path() const { return server_.slavePath(); }
  PressureReference& reference() { return *reference_; }

 private:
  // Shared with the logger's pressure source, so a logger served a little longer than the rig
  // never reads a reference that is gone.
  std::shared_ptr<PressureReference> reference_;
  ReferencePtyServer server_;
};

}  // namespace ql::sim
