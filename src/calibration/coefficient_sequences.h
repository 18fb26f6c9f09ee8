#pragma once
// The coefficient buttons of the workbench and the replies they wait for: one read and one write
// sequence (each restarts from its first step when its button is pressed again), fed with every
// block the workbench receives after its acquisition reply.

#include "calibration/coefficient_link.h"
#include "calibration/coefficient_panel.h"
#include "calibration/coefficient_read_sequence.h"
#include "calibration/coefficient_write_sequence.h"
#include "calibration/parameter_backup.h"
#include "calibration/workbench_tab.h"
#include "link/bytes.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

// A restore asked for without a block read or loaded: nothing is written.
inline constexpr const char* kNoBlockToRestore = "没有可写入的参数";

class CoefficientSequences {
 public:
  // panel and backup must outlive this object.
  CoefficientSequences(Scheduler& loop, CoefficientPanel& panel, ParameterBackup& backup,
                       CoefficientLink link);

  // "获取" on the pressure, temperature or general tab (steps 0, 10, 20): clears the status, the
  // read-back fields and the general parameters first.
  void read(int tab);
  // "设备所有参数": the parameter block (step 50).
  void readAll();
  // "写入" on the pressure, temperature or general tab (steps 0, 10, 20).
  void write(int tab);
  // "写温2": the probe-temperature fit into the probe's set (step 40).
  void writeProbe();
  // "写入到仪器": the held block back into the logger, by register sets (first family, steps
  // 100..111) or by pages (second family, 200..207). Refused when no valid block is held.
  void restore();
  // The workbench closes.
  void stop();

  // A received block (without the workbench's leading blank). True when it was consumed: a
  // coefficient reply, a write acknowledgement, a two-register reply or the parameter block.
  bool takeReply(const Bytes& block);

  const CoefficientReadSequence& reading() const { return read_; }
  const CoefficientWriteSequence& writing() const { return write_; }

 private:
  void startWrite(int step);

  CoefficientPanel& panel_;
  ParameterBackup& backup_;
  CoefficientLink link_;
  CoefficientReadSequence read_;
  CoefficientWriteSequence write_;
};

}  // namespace ql::calibration
