#pragma once
// Redraws a view once per turn of the event loop, however many changes its models reported in
// between: a burst of received bytes costs one repaint, not one per byte.

#include <QObject>
#include <functional>

#include "runtime/observable.h"

namespace ql {

class RenderBatch {
 public:
  // render runs on the loop thread; context is the view that owns this batch.
  RenderBatch(QObject* context, std::function<void()> render);
  RenderBatch(const RenderBatch&) = delete;
  RenderBatch& operator=(const RenderBatch&) = delete;

  // Re-render whenever the model reports a change, while the view lives.
  void watch(Observable& model);
  // A render at the next turn of the loop (once, however often this is called before).
  void schedule();
  // Render now and drop a pending one.
  void renderNow();

 private:
  QObject* context_;
  std::function<void()> render_;
  bool pending_ = false;
};

}  // namespace ql
