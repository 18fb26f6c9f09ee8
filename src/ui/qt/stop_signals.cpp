#include "ui/qt/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace ql {

namespace {

int stopSignalPipe[2] = {-1, -1};

void onStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(stopSignalPipe[1], &byte, 1);
}

}  // namespace

bool StopSignals::install() {
  if (::pipe2(stopSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return true;
}

void StopSignals::watch(QObject* context, std::function<void()> onStop) {
  if (stopSignalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(stopSignalPipe[0], QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, context, [onStop = std::move(onStop)] {
    char byte;
    while (::read(stopSignalPipe[0], &byte, 1) > 0) {
    }
    onStop();
  });
}

}  // namespace ql
