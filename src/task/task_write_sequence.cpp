#include "task/task_write_sequence.h"

#include "link/crc.h"

namespace ql::task {

TaskWriteSequence::TaskWriteSequence(Scheduler& loop, LinkState& state, TaskPage& page, Operator& op,
                                     TextLookup texts, Sender send)
    : state_(state),
      page_(page),
      operator_(op),
      texts_(std::move(texts)),
      send_(std::move(send)),
      timer_(loop.makeTimer(kTickMs, [this] { tick(); })) {}

std::string TaskWriteSequence::text(const std::string& section, const std::string& key) const {
  return texts_ ? texts_(section, key) : std::string();
}

bool TaskWriteSequence::start() {
  if (!checkDepthProfileDuration(page_)) return false;
  WriteAckCount = 0;
  depthSettingsSends_ = 0;
  awaitingAck_ = false;
  timer_->start();
  return true;
}

void TaskWriteSequence::tick() {
  if (WriteAckCount == 0) {
    check();
  } else {
    perform();
  }
}

// The checks, then the operator's word; on Yes the first step goes out at once.
void TaskWriteSequence::check() {
  TaskWriteCheck result = checkTaskWrite(page_);
  timer_->stop();
  if (!result.passed) return;  // the page shows why
  if (!operator_.askYesNo("", text("SYSTEMINFORMATION", "info_write_set_ok"))) {
    page_.showStatus(text("BUTTON", "btn_cancle"));
    return;
  }
  values_ = result.values;
  synchronisedAt_.reset();
  page_.showStatus(text("SYSTEMINFORMATION", "info_writetomacing"));
  WriteAckCount = kWriteStopTask;
  timer_->start();
  perform();
}

void TaskWriteSequence::perform() {
  if (WriteAckCount == kWriteDepthSettings && depthSettingsSends_ >= kDepthSettingsMaxSends) {
    // A logger that never acknowledges its depth settings still gets its task started.
    ++WriteAckCount;
  }
  if (WriteAckCount >= kWriteFinished) return finish();

  const DateTime pcNow = page_.context().now ? page_.context().now() : DateTime{};
  std::optional<Bytes> frame = taskWriteFrame(WriteAckCount, values_, pcNow);
  if (!frame) {
    // The clock is written only with synchronisation on.
    ++WriteAckCount;
    return perform();
  }
  if (WriteAckCount == kWriteDepthSettings) ++depthSettingsSends_;
  if (WriteAckCount == kWriteClock) synchronisedAt_ = pcNow;
  if (!send_(*frame)) return abandon();
  state_.LastRequest = AppendCrc(*frame);
  state_.IdleTicks = 0;
  awaitingAck_ = true;
}

void TaskWriteSequence::onAcknowledged() {
  if (!running() || WriteAckCount < kWriteStopTask || WriteAckCount >= kWriteFinished) return;
  // A step sent twice may be acknowledged twice: only the first acknowledgement counts, or the
  // second would skip the next step before it was ever sent.
  if (!awaitingAck_) return;
  awaitingAck_ = false;
  ++WriteAckCount;
}

// Resending into a port that is gone would go on for ever; whatever steps the logger took, its
// task was not started.
void TaskWriteSequence::abandon() {
  timer_->stop();
  awaitingAck_ = false;
  std::string message = text("QL310", "ql310_error_write_portlost");
  if (message.empty()) message = kPortLostText;
  page_.showStatus(message);
  operator_.showMessage("", message);
}

void TaskWriteSequence::finish() {
  timer_->stop();
  WriteAckCount = kWriteFinished;
  page_.rememberWrite(values_.memory());
  page_.showStatus(text("SYSTEMINFORMATION", "info_write_set_end"));
  operator_.showMessage("", text("QL310", "ql310_info_writeover"));
  if (onFinished) onFinished();
}

}  // namespace ql::task
