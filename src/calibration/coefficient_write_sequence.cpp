#include "calibration/coefficient_write_sequence.h"

#include <algorithm>

#include "calibration/coefficient_steps.h"
#include "calibration/firmware_order.h"
#include "link/crc.h"

namespace ql::calibration {

namespace {

constexpr std::size_t kAckSize = 8;
constexpr std::size_t kAckMatch = 6;  // slave, function, register, count

bool acknowledges(const Bytes& block, const Bytes& last) {
  if (last.size() < kAckSize) return false;
  if (startsWith(block, concat({last, Bytes(last.begin(), last.begin() + 4)}))) return true;
  return block.size() == kAckSize && std::equal(block.begin(), block.begin() + kAckMatch, last.begin());
}

}  // namespace

CoefficientWriteSequence::CoefficientWriteSequence(Scheduler& loop, const CoefficientPanel& panel,
                                                   const ParameterBlock& block, const CoefficientLink& link)
    : panel_(panel), block_(block), link_(link), timer_(loop.makeTimer(kTickMs, [this] { tick(); })) {}

void CoefficientWriteSequence::start(int step) {
  WriteStep = step;
  awaited_.clear();
  awaitingAck_ = false;
  timer_->restart();
}

void CoefficientWriteSequence::stop() {
  timer_->stop();
  awaitingAck_ = false;
}

void CoefficientWriteSequence::tick() {
  for (;;) {
    StepAction action = writeStepAction(WriteStep, panel_, block_);
    switch (action.kind) {
      case StepAction::Kind::SkipTo:
        WriteStep = action.next;
        continue;
      case StepAction::Kind::Wait:
        return;
      case StepAction::Kind::Refuse:
        stop();
        link_.setStatus(action.message);
        return;
      case StepAction::Kind::End:
        return finish();
      case StepAction::Kind::Send:
        link_.sendRecorded(action.frame);
        awaited_ = AppendCrc(action.frame);
        awaitingAck_ = true;
        if (WriteStep == write_step::kTemperatureInfluence &&
            FirmwareBelow(link_.firmwareText(), kTemperatureInfluenceFirmware)) {
          // Older firmware does not acknowledge the cubic: the write ends after one send.
          awaitingAck_ = false;
          ++WriteStep;
        }
        return;
    }
  }
}

void CoefficientWriteSequence::finish() {
  stop();
  link_.setStatus(kWriteDone);
}

bool CoefficientWriteSequence::takeAcknowledgement(const Bytes& block) {
  const Bytes last = link_.lastRequest();
  if (!acknowledges(block, last)) return false;
  if (running() && awaitingAck_ && last == awaited_) {
    awaitingAck_ = false;
    ++WriteStep;
  }
  return true;
}

}  // namespace ql::calibration
