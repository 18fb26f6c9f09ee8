// serulo: the serial debugging assistant.

#include <QApplication>
#include <QTimer>

#include "ui/qt/qt_scheduler.h"
#include "ui/qt/stop_signals.h"
#include "ui/serulo/serulo_window.h"

namespace {

// A signal that comes before the start-up step restored the settings waits for it: closing
// earlier would store the controls' defaults over them.
void closeOnceStartedUp(ql::SeruloWindow& window) {
  if (window.startedUp()) {
    window.close();
  } else {
    QTimer::singleShot(ql::SeruloWindow::kStartUpDelayMs, &window, [&window] { closeOnceStartedUp(window); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything else, so that a stop signal never ends the program without its exit steps.
  ql::StopSignals::install();
  QApplication app(argc, argv);
  QApplication::setApplicationName("serulo");
  ql::QtScheduler scheduler;
  ql::SeruloWindow window(scheduler, ql::SeruloOptions{});
  ql::StopSignals::watch(&window, [&window] { closeOnceStartedUp(window); });
  window.show();
  return QApplication::exec();
}
