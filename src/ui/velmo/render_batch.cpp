#include "ui/velmo/render_batch.h"

#include <QTimer>

namespace ql {

RenderBatch::RenderBatch(QObject* context, std::function<void()> render)
    : context_(context), render_(std::move(render)) {}

void RenderBatch::watch(Observable& model) {
  model.subscribe([this] { schedule(); });
}

void RenderBatch::schedule() {
  if (pending_) return;
  pending_ = true;
  // The single shot dies with the view, so a change reported while the view goes away is safe.
  QTimer::singleShot(0, context_, [this] {
    if (!pending_) return;
    renderNow();
  });
}

void RenderBatch::renderNow() {
  pending_ = false;
  render_();
}

}  // namespace ql
