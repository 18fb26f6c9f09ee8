#pragma once
// The logger's clock against the computer's. Three jobs:
// - keeping the shown clock ticking: each one-second tick moves the clock field on by a second;
// - the check, 300 ms after every end of a poll (TimerCheckTime): the shown clock is compared
//   with the computer's, the memo tells by how much the logger is ahead or behind, and a logger
//   more than 300 s out of step is logged and, at most once a minute, offered a synchronisation;
// - synchronisation (the double-click on the clock field, or Yes to that question): the
//   computer's time goes out three times 200 ms apart, then the clock is read back, after which
//   the end-of-poll actions, and so the check, run again.
// The computer's time comes from the program's clock, so tests run it on the virtual clock.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/bytes.h"
#include "link/link_state.h"
#include "link/memo_log.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "status/clock_read.h"
#include "status/instrument_info.h"
#include "status/poll_sequencer.h"

namespace ql {

class ClockCheck {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;
  using Clock = std::function<std::time_t()>;

  static constexpr int kCheckDelayMs = 300;                 // TimerCheckTime, one shot
  static constexpr std::int64_t kAllowedDifferenceS = 300;  // more than this is out of step
  static constexpr int kTicksBetweenQuestions = 60;
  static constexpr int kMaxTicks = 9999;
  static constexpr int kSends = 3;  // no answer is awaited: the repetition guards the write
  static constexpr int kSendSpacingMs = 200;

  ClockCheck(Scheduler& loop, PollSequencer& sequencer, LinkState& state, InstrumentInfo& info, MemoLog& memo,
             TextLookup texts, Operator& op, Clock pcClock, Sender send);

  // Timer1: the shown clock one second on; the tick counter up (to kMaxTicks).
  void onSecondTick();
  // The end of a poll (or of the clock read): the check runs kCheckDelayMs later.
  void onPollEnd();
  // Writes the computer's time into the logger and reads the clock back (when a logger is
  // linked). The double-click on the clock field; works whether or not a logger is linked.
  void synchronise();

  // Ticks since start or since the last question.
  int tickCounter() const { return ticks_; }
  bool checkPending() const { return checkTimer_->enabled(); }
  // Writes still to go out, or the read-back not yet finished.
  bool synchronising() const { return sendsLeft_ > 0 || clockRead_.active(); }
  ClockRead& clockRead() { return clockRead_; }
  // The computer's time, as the check sees it.
  std::time_t pcTime() const { return pcClock_(); }

  // Logger minus computer in seconds for a shown clock text; nullopt when it does not parse.
  static std::optional<std::int64_t> offsetSeconds(const std::string& clockText, std::time_t pcTime);
  // "<ahead/behind words> N s" in the chosen language.
  std::string driftText(std::int64_t offsetSeconds) const;

 private:
  void check();
  void sendAgain();
  std::string text(const char* key) const;

  LinkState& state_;
  InstrumentInfo& info_;
  MemoLog& memo_;
  TextLookup texts_;
  Operator& operator_;
  Clock pcClock_;
  Sender send_;
  ClockRead clockRead_;
  std::unique_ptr<Timer> checkTimer_;
  std::unique_ptr<Timer> repeatTimer_;  // the second and third send
  Bytes request_;                       // the write being repeated, without CRC
  int sendsLeft_ = 0;
  int ticks_ = 0;
};

}  // namespace ql
