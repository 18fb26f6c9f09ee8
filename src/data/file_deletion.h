#pragma once
// Deleting recorded files in the logger: one file (write 0xE00D := its file number) or all of
// them (0xE00D := F0 F0, after two questions). Each write goes out three times, spaced on the
// loop's clock; no reply is awaited. The information poll then starts again at step 5 and reads
// the storage figures and the file list anew (after delete-all, only once the last frame is out).
//
// Erasing everything keeps the logger busy for a long time. The erase notice counts down from
// 150 s meanwhile (EraseCountdown); the poll sets the countdown to 0 as soon as the logger
// answers again, and the notice closes at its next tick.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/file_table.h"
#include "link/bytes.h"
#include "link/link_state.h"
#include "link/memo_log.h"
#include "runtime/observable.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"

namespace ql {

// The borderless erase notice ("DeleteAll"). The window shows it while visible is set.
class EraseNotice : public Observable {
 public:
  bool visible = false;
  std::string label;  // "<formatting text>  12.7 %"
  void changed() const { notify(); }
};

class FileDeletion {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  static constexpr int kSends = 3;
  static constexpr int kDeleteOnePauseMs = 150;
  static constexpr int kDeleteAllPauseMs = 200;
  static constexpr std::uint16_t kDeleteAllValue = 0xF0F0;
  // The poll goes on at the flash-used read, after this many of its ticks.
  static constexpr std::int32_t kPollStep = 5;
  static constexpr std::int32_t kDeleteOnePollWait = 50;
  static constexpr std::int32_t kDeleteAllPollWait = 1;
  static constexpr std::int32_t kEraseSeconds = 150;
  static constexpr int kNoticeTickMs = 1000;

  FileDeletion(Scheduler& loop, LinkState& state, Operator& op, const FileTable& files, MemoLog& memo,
               TextLookup texts, Sender send);
  ~FileDeletion();
  FileDeletion(const FileDeletion&) = delete;
  FileDeletion& operator=(const FileDeletion&) = delete;

  // Hooks, run on the loop thread.
  std::function<void(const std::string&)> showStatus;  // the main window's status caption
  // Enters the information poll at step after wait poll ticks.
  std::function<void(std::int32_t step, std::int32_t wait)> restartPoll;

  // "删除": the file at the displayed position (0-based; -1 when nothing is selected).
  void deleteOne(int position);
  // "全删": every file, after two questions.
  void deleteAll();

  EraseNotice& notice() { return notice_; }
  const EraseNotice& notice() const { return notice_; }

 private:
  void sendRepeatedly(const Bytes& frame, int pauseMs, std::function<void()> afterLast = nullptr);
  void noticeTick();
  std::string text(const std::string& section, const std::string& key) const;

  Scheduler& loop_;
  LinkState& state_;
  Operator& operator_;
  const FileTable& files_;
  MemoLog& memo_;
  TextLookup texts_;
  Sender send_;
  EraseNotice notice_;
  std::unique_ptr<Timer> noticeTimer_;  // TimerAutoCLose
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ql
