#include "link/memo_log.h"

#include "runtime/formats.h"

namespace ql {

void MemoLog::add(const std::string& text) { addRaw(formatDateTime(localDateTime(clock_())) + " " + text); }

void MemoLog::addRaw(const std::string& text) {
  if (lines_.size() >= kMaxLines) lines_.erase(lines_.begin(), lines_.begin() + kMaxLines / 10);
  lines_.push_back(text);
  notify();
}

void MemoLog::clear() {
  lines_.clear();
  notify();
}

}  // namespace ql
