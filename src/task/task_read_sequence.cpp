#include "task/task_read_sequence.h"

#include "link/codecs.h"
#include "link/register_map.h"
#include "task/task_read.h"

namespace ql::task {

namespace {

// Read answers carry their data after the 8-byte echo and 01 03 <count>.
constexpr std::size_t kData = 11;

// The read step whose register a reply kind answers.
std::int32_t stepOf(ReplyKind kind) {
  switch (kind) {
    case ReplyKind::TaskName:
      return TaskReadSequence::kName;
    case ReplyKind::TaskStart:
      return TaskReadSequence::kStart;
    case ReplyKind::TaskEnd:
      return TaskReadSequence::kEnd;
    case ReplyKind::RecordInterval:
      return TaskReadSequence::kRecordInterval;
    case ReplyKind::AverageCount:
      return TaskReadSequence::kAverageCount;
    case ReplyKind::AverageInterval:
      return TaskReadSequence::kAverageInterval;
    case ReplyKind::SendToPort:
      return TaskReadSequence::kSendRecords;
    case ReplyKind::DepthSettings:
      return TaskReadSequence::kDepthSettings;
    default:
      return -1;
  }
}

}  // namespace

TaskReadSequence::TaskReadSequence(PollSequencer& sequencer, TaskPage& page)
    : PolledSequence(sequencer), page_(page) {}

void TaskReadSequence::start() {
  page_.clearForRead();
  recordIntervalMs_.reset();
  averageIntervalMs_.reset();
  depthReadSends_ = 0;
  sequencer_.run(*this, kName);
}

void TaskReadSequence::perform() {
  if (step_ == kDepthSettings) {
    // A logger without depth settings never answers: the read goes on without them.
    if (++depthReadSends_ > kDepthReadMaxSends) {
      ++step_;
      return;
    }
  }
  if (std::optional<ConfigurationRead> read = configurationRead(step_)) {
    sequencer_.sendStep(reg::readRequest(read->address, read->count));
    return;
  }
  sequencer_.finish();
}

bool TaskReadSequence::takeReply(ReplyKind kind, const Bytes& block) {
  const std::int32_t step = stepOf(kind);
  if (step < 0) return false;
  if (block.size() > kData) applyConfigurationReply(page_, step, Bytes(block.begin() + kData, block.end()));
  if (block.size() >= kData + 4) {
    if (kind == ReplyKind::RecordInterval) recordIntervalMs_ = BeU32(block.data() + kData);
    if (kind == ReplyKind::AverageInterval) averageIntervalMs_ = BeU32(block.data() + kData);
  }
  sequencer_.answer(block);
  return true;
}

}  // namespace ql::task
