// velmo calibration fit RECORD.csv [--table pressure|temperature|probe|influence] [--order K] [--json]
// velmo calibration backup OUT.CRO [--port P] [--baud B] [--timeout S]
// velmo calibration restore IN.CRO [--port P] [--baud B] [--timeout S]
// velmo calibration show FILE.CRO
//
// The calibration workbench without its window. fit loads a record file as "读取上次保存" does
// and fits one of its tables; backup opens the workbench as the dialog does, reads the parameter
// block and saves it; restore writes a backup back by the sequence of the logger's family; show
// lists a backup as the backup tab does. The workbench is always closed before the command ends,
// so the logger leaves calibration mode.

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "calibration/coefficient_sequences.h"
#include "calibration/coefficient_write_sequence.h"
#include "calibration/parameter_block.h"
#include "calibration/parameter_listing.h"
#include "calibration/point_table.h"
#include "calibration/record_file.h"
#include "calibration/table_fits.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"

namespace ql::cli {

namespace {

using calibration::CalibrationDesk;
using calibration::ParameterBlock;
using calibration::TableFit;
using calibration::TableKind;

constexpr const char* kUsage =
    "usage: velmo calibration fit RECORD.csv [--table pressure|temperature|probe|influence] [--order K] "
    "[--json]\n"
    "       velmo calibration backup OUT.CRO [--port P] [--baud B] [--timeout S]\n"
    "       velmo calibration restore IN.CRO [--port P] [--baud B] [--timeout S]\n"
    "       velmo calibration show FILE.CRO\n";

// The open workbench's calibration-mode write goes out twice, 150 ms apart, after the form shows;
// the same wait lets the leave-calibration writes reach the line before the port closes.
constexpr std::int64_t kModeWritesMs =
    calibration::Workbench::kFormShowDelayMs + calibration::Workbench::kModeRepeatMs + 100;

int usage(const std::string& problem, std::ostream& err) {
  err << "velmo calibration: " << problem << "\n" << kUsage;
  return kExitUsage;
}

// The file named on the command line and the options around it.
struct CalibrationArguments {
  std::string file;
  Options options;
};

std::optional<CalibrationArguments> parseArguments(const std::string& command, const Arguments& args,
                                                   std::string& problem) {
  CalibrationArguments parsed;
  Arguments rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.starts_with("--")) {
      rest.push_back(arg);
      const bool takesValue =
          arg == "--port" || arg == "--baud" || arg == "--timeout" || arg == "--table" || arg == "--order";
      if (takesValue && i + 1 < args.size()) rest.push_back(args[++i]);
    } else if (parsed.file.empty() && !arg.empty()) {
      parsed.file = arg;
    } else {
      problem = "unexpected argument " + arg;
      return std::nullopt;
    }
  }
  if (parsed.file.empty()) {
    problem = "which file? name it after " + command;
    return std::nullopt;
  }
  std::optional<Options> options = parseOptions("calibration " + command, rest, problem);
  if (!options) return std::nullopt;
  parsed.options = *options;
  return parsed;
}

std::string fullPrecision(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

void printFit(const TableFit& result, bool json, std::ostream& out) {
  const char* names = "abcdef";
  if (json) {
    out << "{\"coefficients\": [";
    for (std::size_t k = 0; k < result.fit.coefficients.size(); ++k)
      out << (k ? ", " : "") << fullPrecision(result.fit.coefficients[k]);
    out << "], \"coefficients_text\": [";
    for (std::size_t k = 0; k < result.coefficientTexts.size(); ++k)
      out << (k ? ", " : "") << jsonString(result.coefficientTexts[k]);
    out << "], \"sum_squares\": " << fullPrecision(result.fit.sumOfSquares)
        << ", \"sum_abs\": " << fullPrecision(result.fit.sumOfAbsolute)
        << ", \"max_abs\": " << fullPrecision(result.fit.largestError)
        << ", \"max_index\": " << result.fit.largestErrorIndex << ", \"points\": " << result.pointsUsed
        << "}\n";
    return;
  }
  for (std::size_t k = 0; k < result.coefficientTexts.size(); ++k)
    out << names[k] << ": " << result.coefficientTexts[k] << "\n";
  out << "sum_squares: " << result.sumOfSquaresText << "\n";
  out << "sum_abs: " << result.sumOfAbsoluteText << "\n";
  out << "max_abs: " << result.largestErrorText << "\n";
  out << "points: " << result.pointsUsed << "\n";
}

int fit(const CalibrationArguments& args, std::ostream& out, std::ostream& err) {
  const std::string& table = args.options.table;
  const TableKind kind =
      table == "pressure" || table == "influence" ? TableKind::Pressure : TableKind::Temperature;
  calibration::PointTable pressure = calibration::makePressureTable();
  calibration::PointTable temperature = calibration::makeTemperatureTable();
  if (!calibration::loadRecordFile(args.file, kind, pressure, temperature)) {
    err << "velmo calibration fit: " << args.file << " cannot be read\n";
    return kExitFileError;
  }

  const int order = args.options.order.value_or(calibration::FitFigures::kDefaultOrder);
  TableFit result;
  if (table == "pressure") {
    result = calibration::fitPressureTable(pressure, order);
  } else if (table == "temperature") {
    result = calibration::fitTemperatureTable(temperature, order);
  } else if (table == "probe") {
    result = calibration::fitProbeTemperature(temperature, order);
  } else {
    std::optional<TableFit> influence = calibration::fitPressureInfluence(pressure);
    if (!influence) {
      err << "velmo calibration fit: the pressure table has no temperature shift to fit (column 10 of every "
             "row, and a row at 100000 Pa)\n";
      return kExitUsage;
    }
    result = *influence;
  }
  // The points cannot determine the polynomial: the data does not suit the command.
  if (!result.fitted) {
    err << "velmo calibration fit: " << result.status << "\n";
    return kExitUsage;
  }
  if (!result.status.empty()) err << "velmo calibration fit: " << result.status << "\n";
  printFit(result, args.options.json, out);
  return kExitOk;
}

int show(const CalibrationArguments& args, std::ostream& out, std::ostream& err) {
  ParameterBlock block;
  if (!block.loadFile(args.file)) {
    err << "velmo calibration show: " << args.file << " cannot be read\n";
    return kExitFileError;
  }
  const auto lines = calibration::listParameterBlock(block, block.modelOfSecondFamily());
  if (!lines) {
    err << "velmo calibration show: " << args.file << " holds no parameter block (its first byte is 0)\n";
    return kExitFileError;
  }
  for (const std::string& line : *lines) out << line << "\n";
  return kExitOk;
}

// A session connected to a logger whose information poll has ended, or why not (exit code).
int connectForCalibration(const char* command, HeadlessSession& session, const Options& options,
                          std::ostream& err) {
  const std::int64_t started = session.loop.nowMs();
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo calibration " << command << ": no logger answered\n";
    return kExitNoLogger;
  }
  const std::int64_t left =
      std::max<std::int64_t>(1000, options.timeoutMs - (session.loop.nowMs() - started));
  if (!waitForInformation(session, left)) {
    err << "velmo calibration " << command << ": " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  // The poll stops before the logger's model and coefficients at a running task.
  if (session.program.instrumentInfo().taskRunning) {
    err << "velmo calibration " << command << ": a logging task is running; calibrate once it is stopped\n";
    return kExitNoLogger;
  }
  return kExitOk;
}

// Opens the workbench as the dialog does and lets the calibration-mode writes go out.
void openWorkbench(HeadlessSession& session) {
  session.program.calibration().show();
  session.loop.runFor(kModeWritesMs);
}

void closeWorkbench(HeadlessSession& session) {
  session.program.calibration().close();
  session.loop.runFor(kModeWritesMs);
}

int backup(const CalibrationArguments& args, std::ostream& out, std::ostream& err) {
  HeadlessSession session(err, portsToSearch(args.options), VelmoHome::resolve(""));
  const std::int64_t started = session.loop.nowMs();
  if (int code = connectForCalibration("backup", session, args.options, err); code != kExitOk) return code;
  CalibrationDesk& desk = session.program.calibration();
  openWorkbench(session);
  desk.readParameterBlock();
  const std::int64_t left =
      std::max<std::int64_t>(1000, args.options.timeoutMs - (session.loop.nowMs() - started));
  const bool read = session.loop.runUntil(
      [&] { return desk.backup().block().valid() && !desk.coefficients().reading().running(); }, left);
  closeWorkbench(session);
  if (!read) {
    err << "velmo calibration backup: the logger did not send its parameter block\n";
    return kExitNoLogger;
  }
  if (!desk.backup().block().saveFile(args.file)) {
    err << "velmo calibration backup: " << args.file << " cannot be written\n";
    return kExitFileError;
  }
  out << "file: " << args.file << "\n";
  out << "serial: " << session.program.instrumentInfo().serialNumber << "\n";
  return kExitOk;
}

int restore(const CalibrationArguments& args, std::ostream& out, std::ostream& err) {
  // A backup that is unreadable or empty is refused before the logger is touched: written back,
  // an empty block would wipe the logger's calibration.
  ParameterBlock file;
  if (!file.loadFile(args.file)) {
    err << "velmo calibration restore: " << args.file << " cannot be read\n";
    return kExitFileError;
  }
  if (!file.valid()) {
    err << "velmo calibration restore: " << args.file << " holds no parameter block (its first byte is 0)\n";
    return kExitFileError;
  }

  HeadlessSession session(err, portsToSearch(args.options), VelmoHome::resolve(""));
  const std::int64_t started = session.loop.nowMs();
  if (int code = connectForCalibration("restore", session, args.options, err); code != kExitOk) return code;
  CalibrationDesk& desk = session.program.calibration();
  // The two families keep their parameters at different places: a backup of one family written
  // into a logger of the other would scramble its calibration.
  const bool loggerSecondFamily = desk.workbench().secondFamily();
  if (file.modelOfSecondFamily() != loggerSecondFamily) {
    err << "velmo calibration restore: " << args.file << " is the backup of model " << file.modelNumber()
        << ", of the other family than this logger (" << session.program.instrumentInfo().model
        << "); nothing was written\n";
    return kExitUsage;
  }
  if (!desk.backup().loadPath(args.file)) {
    err << "velmo calibration restore: " << args.file << " cannot be read\n";
    return kExitFileError;
  }

  openWorkbench(session);
  desk.restoreBackup();
  const std::int64_t left =
      std::max<std::int64_t>(1000, args.options.timeoutMs - (session.loop.nowMs() - started));
  session.loop.runUntil([&] { return !desk.coefficients().writing().running(); }, left);
  const std::string status = desk.workbench().fields().status;
  closeWorkbench(session);
  if (status != calibration::kWriteDone) {
    err << "velmo calibration restore: the logger did not acknowledge the restore (step "
        << desk.coefficients().writing().step() << ")" << (status.empty() ? "" : ": " + status) << "\n";
    return kExitNoLogger;
  }
  out << "restored: " << args.file << "\n";
  out << "serial: " << session.program.instrumentInfo().serialNumber << "\n";
  return kExitOk;
}

}  // namespace

int calibrationCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return usage("which command? fit, backup, restore or show", err);
  const std::string& command = args[0];
  int (*run)(const CalibrationArguments&, std::ostream&, std::ostream&) = nullptr;
  if (command == "fit") run = fit;
  if (command == "backup") run = backup;
  if (command == "restore") run = restore;
  if (command == "show") run = show;
  if (!run) return usage("unknown command " + command, err);

  std::string problem;
  std::optional<CalibrationArguments> parsed =
      parseArguments(command, {args.begin() + 1, args.end()}, problem);
  if (!parsed) return usage(problem, err);
  return run(*parsed, out, err);
}

}  // namespace ql::cli
