#include "calibration/coefficient_sequences.h"

#include "calibration/coefficient_steps.h"

namespace ql::calibration {

namespace {

// The first step of a tab's read or write; nothing on the backup tab.
std::optional<int> tabStep(int tab, int pressure, int temperature, int general) {
  switch (tab) {
    case workbench_tab::kPressure:
      return pressure;
    case workbench_tab::kTemperature:
      return temperature;
    case workbench_tab::kGeneral:
      return general;
    default:
      return std::nullopt;
  }
}

}  // namespace

CoefficientSequences::CoefficientSequences(Scheduler& loop, CoefficientPanel& panel, ParameterBackup& backup,
                                           CoefficientLink link)
    : panel_(panel),
      backup_(backup),
      link_(std::move(link)),
      read_(loop, panel, backup, link_),
      write_(loop, panel, backup.block(), link_) {}

void CoefficientSequences::read(int tab) {
  std::optional<int> step = tabStep(tab, read_step::kPressure, read_step::kTemperature, read_step::kGeneral);
  if (!step) return;
  link_.setStatus("");
  panel_.clearForRead();
  read_.start(*step);
}

void CoefficientSequences::readAll() {
  link_.setStatus("");
  read_.start(read_step::kParameterBlock);
}

void CoefficientSequences::write(int tab) {
  if (std::optional<int> step =
          tabStep(tab, write_step::kPressure, write_step::kTemperature, write_step::kGeneral))
    startWrite(*step);
}

void CoefficientSequences::writeProbe() { startWrite(write_step::kProbe); }

void CoefficientSequences::restore() {
  if (!backup_.block().valid()) {
    // An empty buffer written back would wipe the logger's calibration.
    link_.setStatus(kNoBlockToRestore);
    return;
  }
  startWrite(link_.secondFamily() ? write_step::kRestorePages : write_step::kRestoreFirst);
}

void CoefficientSequences::startWrite(int step) {
  link_.setStatus("");
  write_.start(step);
}

void CoefficientSequences::stop() {
  read_.stop();
  write_.stop();
}

bool CoefficientSequences::takeReply(const Bytes& block) {
  return read_.takeSetReply(block) || write_.takeAcknowledgement(block) ||
         read_.takeTwoRegisterReply(block) || read_.takeBlockReply(block);
}

}  // namespace ql::calibration
