// velmo baud RATE, velmo zero --temperature DELTA | --pressure DELTA, velmo battery-reset
// The system settings dialog's actions without the window: each connects as velmo info does,
// opens the dialog's core, sends its write (the questions answered Yes) and succeeds only when
// the logger acknowledges it. All take [--port P] [--baud B] [--timeout S].

#include <algorithm>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "link/register_map.h"
#include "task/task_numbers.h"

namespace ql::cli {

namespace {

constexpr const char* kBaudUsage = "usage: velmo baud RATE [--port P] [--baud B] [--timeout S]";
constexpr const char* kZeroUsage =
    "usage: velmo zero --temperature DELTA | --pressure DELTA [--port P] [--baud B] [--timeout S]";
constexpr const char* kBatteryUsage = "usage: velmo battery-reset [--port P] [--baud B] [--timeout S]";

// The link options, as every command that talks to a logger without JSON output takes them.
std::optional<Options> linkOptions(const Arguments& args, std::string& problem) {
  return parseOptions("monitor", args, problem);
}

// A linked logger, its information read and the dialog open; what the action needs then.
class SettingsSession {
 public:
  SettingsSession(const char* name, const Options& options, std::ostream& err)
      : name_(name),
        options_(options),
        err_(err),
        session_(err, portsToSearch(options), VelmoHome::resolve(""), true) {}

  // False (the reason written) when no logger answered or its information was not read.
  bool open() {
    started_ = session_.loop.nowMs();
    if (!connect(session_, options_, options_.timeoutMs)) return fail("no logger answered");
    if (!waitForInformation(session_, timeLeft())) return fail(informationFailure(session_));
    // No live values meanwhile: their answer could run together with an acknowledgement.
    session_.program.liveValues().setLiveDisplay(false);
    session_.program.showSystemSettings();
    // As in the window, the dialog holds both offsets before an action; by then the link is
    // quiet, so the acknowledgement comes as a block of its own.
    SystemSettings& dialog = settings();
    if (!waitFor([&] { return !dialog.temperatureDump().empty() && !dialog.pressureDump().empty(); }))
      return fail("the logger's zero offsets were not read");
    return true;
  }
  SystemSettings& settings() { return session_.program.systemSettings(); }
  template <typename Condition>
  bool waitFor(Condition condition) {
    return session_.loop.runUntil(condition, timeLeft());
  }
  bool fail(const std::string& reason) {
    err_ << "velmo " << name_ << ": " << reason << "\n";
    return false;
  }
  // Waits for the acknowledgement of write.
  int acknowledgedOrFail(SettingsWrite write) {
    if (waitFor([&] { return settings().acknowledged(write); })) return kExitOk;
    fail("the logger did not acknowledge the write");
    return kExitNoLogger;
  }

 private:
  std::int64_t timeLeft() const {
    return std::max<std::int64_t>(1000, options_.timeoutMs - (session_.loop.nowMs() - started_));
  }

  const char* name_;
  Options options_;
  std::ostream& err_;
  HeadlessSession session_;
  std::int64_t started_ = 0;
};

int usage(const char* name, const std::string& problem, const char* usageLine, std::ostream& err) {
  err << "velmo " << name << ": " << problem << "\n" << usageLine << "\n";
  return kExitUsage;
}

}  // namespace

int baudCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0].starts_with("-"))
    return usage("baud", "the new rate is missing", kBaudUsage, err);
  const auto& rates = reg::kBaudRates;
  std::uint32_t rate = 0;
  try {
    std::size_t used = 0;
    rate = static_cast<std::uint32_t>(std::stoul(args[0], &used));
    if (used != args[0].size()) rate = 0;
  } catch (const std::exception&) {
    rate = 0;
  }
  const auto* found = std::find(std::begin(rates), std::end(rates), rate);
  if (found == std::end(rates))
    return usage("baud", "RATE must be one of 4800 9600 14400 19200 28800 38400 57600 115200", kBaudUsage,
                 err);
  std::string problem;
  std::optional<Options> options = linkOptions(Arguments(args.begin() + 1, args.end()), problem);
  if (!options) return usage("baud", problem, kBaudUsage, err);

  SettingsSession session("baud", *options, err);
  if (!session.open()) return kExitNoLogger;
  session.settings().selectRate(static_cast<int>(found - std::begin(rates)));
  session.settings().changeBaudRate();
  const int code = session.acknowledgedOrFail(SettingsWrite::BaudRate);
  if (code == kExitOk) out << "baud: " << rate << " (connect again at this rate)\n";
  return code;
}

int zeroCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::optional<bool> temperature;  // which offset; true: temperature
  std::string delta;
  Arguments linkArgs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--temperature" || args[i] == "--pressure") {
      if (temperature) return usage("zero", "give either --temperature or --pressure, once", kZeroUsage, err);
      if (i + 1 >= args.size()) return usage("zero", args[i] + " needs a value", kZeroUsage, err);
      temperature = args[i] == "--temperature";
      delta = args[++i];
    } else {
      linkArgs.push_back(args[i]);
    }
  }
  if (!temperature) return usage("zero", "--temperature or --pressure is missing", kZeroUsage, err);
  if (!task::parseReal(delta)) return usage("zero", "DELTA must be a number", kZeroUsage, err);
  std::string problem;
  std::optional<Options> options = linkOptions(linkArgs, problem);
  if (!options) return usage("zero", problem, kZeroUsage, err);

  SettingsSession session("zero", *options, err);
  if (!session.open()) return kExitNoLogger;
  SystemSettings& settings = session.settings();
  const std::string before = *temperature ? settings.temperatureOffset() : settings.pressureOffset();
  if (*temperature) {
    settings.setTemperatureCorrection(delta);
    settings.changeTemperatureOffset();
  } else {
    settings.setPressureCorrection(delta);
    settings.changePressureOffset();
  }
  const SettingsWrite write = *temperature ? SettingsWrite::TemperatureOffset : SettingsWrite::PressureOffset;
  const int code = session.acknowledgedOrFail(write);
  if (code == kExitOk) {
    out << (*temperature ? "temperature" : "pressure") << " offset: " << before << " + " << delta << " = "
        << settings.writtenOffset() << "\n";
  }
  return code;
}

int batteryResetCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<Options> options = linkOptions(args, problem);
  if (!options) return usage("battery-reset", problem, kBatteryUsage, err);
  SettingsSession session("battery-reset", *options, err);
  if (!session.open()) return kExitNoLogger;
  session.settings().changeBattery();
  const int code = session.acknowledgedOrFail(SettingsWrite::Battery);
  if (code == kExitOk) out << "battery counter reset: 100%\n";
  return code;
}

}  // namespace ql::cli
