#include "ui/velmo/render_batch.h"

#include <QPointer>
#include <QTimer>

namespace ql {

RenderBatch::RenderBatch(QObject* context, std::function<void()> render)
    : context_(context), render_(std::move(render)) {}

void RenderBatch::watch(Observable& model) {
  // Models cannot unsubscribe: a view that goes before its model (a dialog over the program's
  // models) leaves a listener that must find it gone.
  model.subscribe([this, view = QPointer<QObject>(context_)] {
    if (view) schedule();
  });
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
