#pragma once
// The configuration read: steps 100..107 on the request sequencer, one read of a task register
// each, decoded into the task page as the answers come. The depth settings (0x2088) are read at
// most kDepthReadMaxSends times; a logger that never answers them still ends the read.

#include <cstdint>
#include <optional>

#include "link/bytes.h"
#include "link/reply_handlers.h"
#include "status/poll_sequencer.h"
#include "task/task_page.h"

namespace ql::task {

class TaskReadSequence : public PolledSequence {
 public:
  enum Step : std::int32_t {
    kName = 100,
    kStart,
    kEnd,
    kRecordInterval,
    kAverageCount,
    kAverageInterval,
    kSendRecords,
    kDepthSettings,
    kDone,
  };

  TaskReadSequence(PollSequencer& sequencer, TaskPage& page);

  // The read button (and page 3 shown for the first time): clears the fields, then reads.
  void start();
  bool running() const { return active(); }
  // The read ran to its end.
  bool finished() const { return step_ >= kDone && !active(); }

  // A task-register reply, whoever asked for it: decoded into the page; an answer to the awaited
  // step moves the read on. False for kinds that are not task registers.
  bool takeReply(ReplyKind kind, const Bytes& block);

  // The two millisecond registers as read last (the page keeps whole seconds and tenths).
  std::optional<std::uint32_t> recordIntervalMs() const { return recordIntervalMs_; }
  std::optional<std::uint32_t> averageIntervalMs() const { return averageIntervalMs_; }

 private:
  void perform() override;

  TaskPage& page_;
  int depthReadSends_ = 0;
  std::optional<std::uint32_t> recordIntervalMs_;
  std::optional<std::uint32_t> averageIntervalMs_;
};

}  // namespace ql::task
