// serulo: the serial debugging assistant.
//
//   serulo [Qt options]
//   serulo --help | --version

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/desktop_session.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/qt/stop_signals.h"
#include "ui/serulo/serulo_window.h"

namespace {

constexpr const char* kUsage =
    "usage: serulo [Qt options such as -platform NAME]\n"
    "       serulo --help | --version\n"
    "\n"
    "The serial debugging assistant: opens a serial port, shows what arrives as text or\n"
    "hexadecimal, sends text, hexadecimal or files (also periodically), appends checksums and\n"
    "converts numbers. Its settings are kept in serulo.ini.\n";

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
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args.front() == "--help" || args.front() == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (args.size() == 1 && args.front() == "--version") {
    std::cout << "serulo " << QL310_VERSION << "\n";
    return 0;
  }
  if (!ql::canOpenWindow(args)) {
    std::cerr << "serulo: no display; the window needs a desktop session (serulo --help)\n";
    return 1;
  }
  // Before anything else, so that a stop signal never ends the program without its exit steps.
  ql::StopSignals::install();
  QApplication app(argc, argv);
  QApplication::setApplicationName("serulo");
  QGuiApplication::setDesktopFileName("org.ql310.Serulo");  // the desktop entry's icon and name
  ql::QtScheduler scheduler;
  ql::SeruloWindow window(scheduler, ql::SeruloOptions{});
  ql::StopSignals::watch(&window, [&window] { closeOnceStartedUp(window); });
  window.show();
  return QApplication::exec();
}
