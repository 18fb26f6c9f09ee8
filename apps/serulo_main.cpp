// serulo: the serial debugging assistant.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "ui/qt/qt_scheduler.h"
#include "ui/serulo/serulo_window.h"

namespace {

// SIGINT and SIGTERM close the window like the user would, so the settings are saved. The
// handler only writes to a pipe the event loop watches.
int stopSignalPipe[2] = {-1, -1};

void onStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(stopSignalPipe[1], &byte, 1);
}

bool installStopSignals() {
  if (::pipe2(stopSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return true;
}

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
  const bool stopSignals = installStopSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName("serulo");
  ql::QtScheduler scheduler;
  ql::SeruloWindow window(scheduler, ql::SeruloOptions{});
  std::unique_ptr<QSocketNotifier> stopNotifier;
  if (stopSignals) {
    stopNotifier = std::make_unique<QSocketNotifier>(stopSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &window, [&window] {
      char byte;
      while (::read(stopSignalPipe[0], &byte, 1) > 0) {
      }
      closeOnceStartedUp(window);
    });
  }
  window.show();
  return QApplication::exec();
}
