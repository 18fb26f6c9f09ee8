#pragma once
// SIGINT and SIGTERM end a window program the way the operator would: by closing its window, so
// that the exit steps (saving the settings) run. The signal handler only writes to a pipe; the
// event loop watches the pipe and calls the program's stop action.

#include <QObject>
#include <functional>

namespace ql {

class StopSignals {
 public:
  // Installs the handlers. Call it before anything else, so that a stop signal never ends the
  // program without its exit steps; false when the pipe cannot be made (signals keep their
  // default action).
  static bool install();
  // Runs onStop on the event loop, in context, for each stop signal (from now on, and for one
  // that came since install()). Needs a running QCoreApplication.
  static void watch(QObject* context, std::function<void()> onStop);
};

}  // namespace ql
