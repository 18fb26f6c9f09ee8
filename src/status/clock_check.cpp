#include "status/clock_check.h"

#include <cstdlib>
#include <limits>

#include "link/crc.h"
#include "status/clock_display.h"
#include "status/clock_frame.h"

namespace ql {

ClockCheck::ClockCheck(Scheduler& loop, PollSequencer& sequencer, LinkState& state, InstrumentInfo& info,
                       MemoLog& memo, TextLookup texts, Operator& op, Clock pcClock, Sender send)
    : state_(state),
      info_(info),
      memo_(memo),
      texts_(std::move(texts)),
      operator_(op),
      pcClock_(std::move(pcClock)),
      send_(std::move(send)),
      clockRead_(sequencer),
      checkTimer_(loop.makeTimer(kCheckDelayMs, [this] { check(); })),
      repeatTimer_(loop.makeTimer(kSendSpacingMs, [this] { sendAgain(); })) {}

std::string ClockCheck::text(const char* key) const { return texts_ ? texts_("SYSTEMINFORMATION", key) : ""; }

void ClockCheck::onSecondTick() {
  if (ticks_ < kMaxTicks) ++ticks_;
  if (auto next = advancedClockText(info_.clock)) {
    info_.clock = *next;
    info_.changed();
  }
}

void ClockCheck::onPollEnd() { checkTimer_->restart(); }

void ClockCheck::synchronise() {
  request_ = clockWriteRequest(localDateTime(pcClock_()));
  state_.LastRequest = AppendCrc(request_);
  send_(request_);
  state_.IdleTicks = 0;
  sendsLeft_ = kSends - 1;
  repeatTimer_->restart();
}

void ClockCheck::sendAgain() {
  send_(request_);
  state_.IdleTicks = 0;
  if (--sendsLeft_ > 0) return;
  repeatTimer_->stop();
  // Without a logger nobody would answer the read: it would be sent for ever, in between the
  // search's frames.
  if (state_.connected()) clockRead_.start();
}

std::optional<std::int64_t> ClockCheck::offsetSeconds(const std::string& clockText, std::time_t pcTime) {
  std::optional<DateTime> shown = parseDateTime(clockText);
  if (!shown) return std::nullopt;
  std::optional<std::time_t> logger = toTimeT(*shown);
  if (!logger) return std::nullopt;
  return static_cast<std::int64_t>(*logger) - static_cast<std::int64_t>(pcTime);
}

std::string ClockCheck::driftText(std::int64_t offsetSeconds) const {
  const std::string words = text(offsetSeconds < 0 ? "info_clock_behind" : "info_clock_ahead");
  const std::string unit = texts_ ? texts_("BIT", "second") : "";
  return words + " " + std::to_string(std::llabs(offsetSeconds)) + " " + unit;
}

// TimerCheckTime.
void ClockCheck::check() {
  checkTimer_->stop();
  if (info_.clock.size() != kClockTextLength) return;
  // A clock that does not parse is as far out as can be.
  const std::optional<std::int64_t> offset = offsetSeconds(info_.clock, pcClock_());
  const std::int64_t difference = offset ? std::llabs(*offset) : std::numeric_limits<std::int64_t>::max();
  const std::string drift = offset ? driftText(*offset) : "";

  if (difference <= kAllowedDifferenceS) {
    memo_.add(drift);
    return;
  }
  memo_.add(drift.empty() ? text("info_time_error1") : text("info_time_error1") + " " + drift);
  if (ticks_ < kTicksBetweenQuestions) return;
  ticks_ = 0;
  if (!operator_.askYesNo("", text("info_time_error1") + " " + text("info_time_error2"))) return;
  synchronise();
  memo_.add(text("info_change_time") + ".");
}

}  // namespace ql
