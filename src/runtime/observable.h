#pragma once
// Screen-state models publish "something changed"; views re-read the model and redraw (batched
// by the view as it likes). Listeners run on the loop thread.

#include <functional>
#include <vector>

namespace ql {

class Observable {
 public:
  using Listener = std::function<void()>;
  void subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

 protected:
  void notify() const {
    for (const auto& listener : listeners_) listener();
  }

 private:
  std::vector<Listener> listeners_;
};

}  // namespace ql
