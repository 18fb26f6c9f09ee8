#pragma once
// The data information memo: status and trace lines for the operator, each stamped with the
// local time as "yyyy-mm-dd hh:mm:ss".

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "runtime/observable.h"

namespace ql {

class MemoLog : public Observable {
 public:
  using Clock = std::function<std::time_t()>;
  explicit MemoLog(Clock clock) : clock_(std::move(clock)) {}

  // Adds "yyyy-mm-dd hh:mm:ss" + " " + text as a new line.
  void add(const std::string& text);
  // Adds text as it stands (the trace shows raw hexadecimal lines).
  void addRaw(const std::string& text);
  void clear();
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  static constexpr std::size_t kMaxLines = 5000;  // the oldest lines go first
  Clock clock_;
  std::vector<std::string> lines_;
};

}  // namespace ql
