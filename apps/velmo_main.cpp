// velmo: the instrument configuration program. With a subcommand (`velmo find`, `velmo info`,
// ...) it runs without a window; otherwise it opens the main window.
//
//   velmo [--home DIR] [--demo]
//   velmo --version
//
// --demo serves a simulated logger on a pseudo-terminal and adds it to the ports the automatic
// search walks, so the program can be tried without an instrument; a simulated pressure
// reference on a second terminal, piped to that logger, appears in the port lists too, for the
// calibration workbench.

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "runtime/desktop_session.h"
#include "shell/engineering_console.h"
#include "shell/language_choice.h"
#include "shell/language_texts.h"
#include "shell/velmo_home.h"
#include "sim/logger_model.h"
#include "sim/pty_server.h"
#include "sim/reference_rig.h"
#include "ui/qt/stop_signals.h"
#include "ui/velmo/velmo_main_window.h"

namespace {

constexpr const char* kUsage =
    "usage: velmo [--home DIR] [--demo]\n"
    "       velmo --version\n"
    "       velmo <command> [options]   (the headless commands below)\n"
    "\n"
    "  --home DIR  keep settings and data files in DIR\n"
    "  --demo      start a simulated logger that the automatic search finds\n";

constexpr const char* kExtraPortsVariable = "VELMO_EXTRA_PORTS";
constexpr int kCalibrationWaitMs = 500;

struct Options {
  std::string home;
  bool demo = false;
  bool help = false;
  // Hidden, for screenshots: the calibration workbench opens once a logger is linked, as the
  // service chord would open it (a chord that needs a mouse button held is not scriptable).
  bool calibration = false;
};

// Our options; single-dash arguments are left to Qt (-platform, -style, ...). False on a bad one.
bool parseOptions(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--demo") {
      options.demo = true;
    } else if (arg == "--calibration") {
      options.calibration = true;
    } else if (arg == "--home") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        std::cerr << "velmo: --home needs a directory\n";
        return false;
      }
      options.home = args[++i];
    } else if (arg.rfind("--", 0) == 0 || arg.rfind('-', 0) != 0) {
      std::cerr << "velmo: unknown argument " << arg << "\n";
      return false;
    }
  }
  return true;
}

// The simulated logger of --demo, served on its own thread while the window runs.
class DemoLogger {
 public:
  DemoLogger() : model_(config(), [] { return std::time(nullptr); }), reference_(model_), server_(model_) {
    server_.open();
    server_.start();
    addToPortList(server_.slavePath());
    addToPortList(reference_.path());
  }
  ~DemoLogger() { server_.stop(); }

  // The demo logger is where the search looks first, ahead of the machine's own ports.
  ql::Connection::Endpoint endpoint() { return {server_.slavePath(), model_.baudRate()}; }

 private:
  // A logger whose clock has drifted seven minutes behind, so the clock check has something to
  // say (and a double-click on the clock field something to mend).
  static ql::sim::LoggerConfig config() {
    ql::sim::LoggerConfig config;
    config.clockOffsetSeconds = -7 * 60;
    return config;
  }

  static void addToPortList(const std::string& path) {
    const char* current = std::getenv(kExtraPortsVariable);
    const std::string list = current && *current ? std::string(current) + ":" + path : path;
    ::setenv(kExtraPortsVariable, list.c_str(), 1);
  }

  ql::sim::LoggerModel model_;
  ql::sim::ReferenceRig reference_;  // coupled to model_ before server_ serves it
  ql::sim::PtyServer server_;
};

// Waits for a linked logger with an idle information poll, then gives the service chord.
void openCalibrationWhenLinked(ql::VelmoMainWindow& window) {
  auto* wait = new QTimer(&window);
  QObject::connect(wait, &QTimer::timeout, &window, [wait, &window] {
    ql::VelmoProgram& program = window.program();
    if (!program.connectionPanel().linkShownAsOk || program.infoPoll().running()) return;
    wait->stop();
    ql::ConsoleChord chord;
    chord.key = ql::EngineeringConsole::serviceKey(std::time(nullptr));
    chord.ctrl = chord.alt = chord.rightButton = true;
    program.console().onKeyRelease(chord);
  });
  wait->start(kCalibrationWaitMs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && ql::cli::isSubcommand(args.front())) return ql::cli::run(args, std::cout, std::cerr);
  if (args.size() == 1 && args.front() == "--version") {
    std::cout << ql::kProgramVersion << "\n";
    return ql::cli::kExitOk;
  }

  Options options;
  if (!parseOptions(args, options)) {
    std::cerr << kUsage;
    return ql::cli::kExitUsage;
  }
  if (options.help) {
    std::cout << kUsage;
    ql::cli::printCommands(std::cout);
    return ql::cli::kExitOk;
  }
  if (!ql::canOpenWindow(args)) {
    std::cerr << ql::cli::noDisplayMessage() << "\n";
    return ql::cli::kExitUsage;
  }

  std::unique_ptr<DemoLogger> demo;
  if (options.demo) {
    try {
      demo = std::make_unique<DemoLogger>();
    } catch (const std::exception& error) {
      std::cerr << "velmo: cannot start the simulated logger: " << error.what() << "\n";
      return ql::cli::kExitNoLogger;
    }
  }

  ql::StopSignals::install();
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName("org.ql310.Velmo");  // the desktop entry's icon and name
  int code = 0;
  {
    ql::ProgramEnvironment environment{ql::VelmoHome::resolve(options.home), {}, {}};
    environment.messagesLocale = ql::messagesLocaleFromEnvironment();
    if (demo) environment.preferredEndpoint = demo->endpoint();
    ql::VelmoMainWindow window(environment);
    // SIGINT and SIGTERM close the window as the operator would, so the exit steps still run.
    ql::StopSignals::watch(&window, [&window] { window.close(); });
    window.start();
    if (options.calibration) openCalibrationWhenLinked(window);
    code = app.exec();
  }  // the window (and its port) goes before the simulated logger stops
  return code;
}
