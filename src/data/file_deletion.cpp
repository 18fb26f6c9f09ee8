#include "data/file_deletion.h"

#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql {

FileDeletion::FileDeletion(Scheduler& loop, LinkState& state, Operator& op, const FileTable& files,
                           MemoLog& memo, TextLookup texts, Sender send)
    : loop_(loop),
      state_(state),
      operator_(op),
      files_(files),
      memo_(memo),
      texts_(std::move(texts)),
      send_(std::move(send)) {
  noticeTimer_ = loop_.makeTimer(kNoticeTickMs, [this] { noticeTick(); });
}

FileDeletion::~FileDeletion() = default;

std::string FileDeletion::text(const std::string& section, const std::string& key) const {
  return texts_ ? texts_(section, key) : std::string();
}

void FileDeletion::deleteOne(int position) {
  // The list shows the files newest first; the logger knows them by slot.
  std::optional<int> slot = files_.slotOfItem(position);
  if (!slot) {
    if (showStatus) showStatus(text("QL310", "ql310_error_del_onefile"));
    return;
  }
  if (state_.TraceSwitch) {
    memo_.addRaw("");
    memo_.addRaw("要删除的框内文件编号为：" + std::to_string(position + 1));
    memo_.addRaw("文件系统内的顺序编号为：" + std::to_string(*slot + 1));
    memo_.addRaw("");
  }
  if (!operator_.askYesNo("", text("QL310", "ql310_del_one_file"))) return;
  sendRepeatedly(reg::writeRequest(reg::kFileTable, static_cast<std::uint16_t>(*slot + 1)),
                 kDeleteOnePauseMs);
  if (restartPoll) restartPoll(kPollStep, kDeleteOnePollWait);
}

void FileDeletion::deleteAll() {
  if (!operator_.askYesNo("", text("QL310", "ql310_del_allfile1"))) return;
  if (!operator_.askYesNo("", text("QL310", "ql310_del_allfile2"))) return;
  // The poll goes on only after the last erase frame: a logger that answers at once would
  // otherwise see the poll's reads between the erase frames.
  sendRepeatedly(reg::writeRequest(reg::kFileTable, kDeleteAllValue), kDeleteAllPauseMs, [this] {
    if (restartPoll) restartPoll(kPollStep, kDeleteAllPollWait);
  });
  state_.EraseCountdown = kEraseSeconds;
  notice_.label.clear();
  notice_.visible = true;
  notice_.changed();
  noticeTimer_->start();
}

// The first frame goes out at once, the others after the pauses, without holding up the loop;
// afterLast runs right after the last one.
void FileDeletion::sendRepeatedly(const Bytes& frame, int pauseMs, std::function<void()> afterLast) {
  send_(frame);
  state_.IdleTicks = 0;
  for (int i = 1; i < kSends; ++i) {
    std::function<void()> then = i == kSends - 1 ? std::move(afterLast) : nullptr;
    loop_.delay(pauseMs * i, [this, frame, then = std::move(then), alive = std::weak_ptr<bool>(alive_)] {
      if (alive.expired()) return;
      send_(frame);
      state_.IdleTicks = 0;
      if (then) then();
    });
  }
}

// TimerAutoCLose: one second of the countdown; the notice closes when it runs out.
void FileDeletion::noticeTick() {
  const std::int32_t c = state_.EraseCountdown;
  state_.EraseCountdown = c - 1;
  notice_.label =
      text("QL310", "ql310_formating") + "  " + formatFixed((15100.0 - c * 100.0) / 150.0, 1) + " %";
  if (state_.EraseCountdown < 1) {
    notice_.label.clear();
    noticeTimer_->stop();
    notice_.visible = false;
  }
  notice_.changed();
}

}  // namespace ql
