#include "cli/drift_input.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "data/clock_drift.h"
#include "runtime/formats.h"
#include "shell/velmo_home.h"

namespace ql::cli {

std::optional<DriftCorrectedInput> DriftCorrectedInput::make(const std::string& dataFilePath,
                                                             std::string& problem) {
  const VelmoHome home = VelmoHome::resolve("");
  const ClockDrift drift = measureDrift(dataFilePath, home.dir());
  if (!drift.known()) {
    problem = "the drift correction cannot apply: " + drift.reason;
    return std::nullopt;
  }
  std::error_code error;
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path(error) / ("velmo-drift-" + std::to_string(::getpid()) + ".wlr");
  if (error || !writeDriftCorrectedCopy(dataFilePath, copy.string(), drift)) {
    std::filesystem::remove(copy, error);
    problem = "the drift-corrected copy of " + dataFilePath + " cannot be written";
    return std::nullopt;
  }
  return DriftCorrectedInput(copy.string(), describeCorrection(drift));
}

DriftCorrectedInput::~DriftCorrectedInput() {
  std::error_code error;
  if (!path_.empty()) std::filesystem::remove(path_, error);
}

}  // namespace ql::cli
