// velmo export FILE.wlr [-o OUT] [--page N] [--density D] [--gravity G] [--offset O]
//              [--decimals-temperature K] [--decimals-pressure K]
//              [--baro FILE [--baro-gap S]] [--latitude DEG] [--drift-correct] [--format annotated]
// The data page's export of a stored data file, from the first record of page N to the end of the
// file, to OUT or to standard output. --baro compensates by a barometric series (.wlr or CSV) in
// place of the offset (not across gaps between readings longer than S seconds, 7200 by default),
// --latitude gives the sea-water depth by latitude, --format annotated the
// self-describing layout.

#include <charconv>
#include <cmath>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "data/annotated_export.h"
#include "cli/drift_input.h"
#include "data/csv_export.h"
#include "data/data_page.h"
#include "runtime/atomic_file.h"
#include "runtime/formats.h"
#include "shell/language_texts.h"
#include "runtime/sha256.h"
#include "shell/velmo_program.h"

namespace ql::cli {

namespace {

struct ExportArguments {
  std::string input;
  std::optional<std::string> output;
  int page = 1;
  DepthParameters depth;
  int temperatureDecimals = 2;
  int pressureDecimals = 2;
  std::optional<std::string> barometricFile;
  std::int64_t barometricGapSeconds = BarometricCursor::kDefaultMaxGapSeconds;
  std::optional<double> latitude;
  bool annotated = false;
  bool driftCorrect = false;
};

bool parseInt(const std::string& text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool parseDouble(const std::string& text, double& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// --baro FILE, --baro-gap S (1 or more), --latitude DEG (-90..90), --format annotated.
bool parseHeightAndFormatOption(const std::string& arg, const std::string& value, ExportArguments& parsed) {
  if (arg == "--baro") {
    parsed.barometricFile = value;
    return !value.empty();
  }
  if (arg == "--baro-gap") {
    int seconds = 0;
    if (!parseInt(value, seconds) || seconds < 1) return false;
    parsed.barometricGapSeconds = seconds;
    return true;
  }
  if (arg == "--latitude") {
    double latitude = 0;
    if (!parseDouble(value, latitude) || latitude < -90 || latitude > 90) return false;
    parsed.latitude = latitude;
    return true;
  }
  parsed.annotated = value == "annotated";
  return parsed.annotated;
}

// The export the arguments ask for.
bool writeExport(const DataPage& page, const ExportOptions& options, const ExportArguments& args,
                 const std::optional<DriftCorrectedInput>& corrected, std::ostream& out) {
  if (!args.annotated) return ExportOpenFile(page, options, out);
  AnnotatedSource source;
  if (corrected) source.driftCorrection = corrected->description();
  source.model = kLoggerModelName;
  source.programVersion = kProgramVersion;
  source.sha256 = fileSha256(args.input).value_or("");
  return writeAnnotatedExport(page, options, source, out);
}

std::optional<ExportArguments> parseExportArguments(const Arguments& args, std::string& problem) {
  ExportArguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-' || arg == "-") {
      if (!parsed.input.empty()) {
        problem = "one data file only";
        return std::nullopt;
      }
      parsed.input = arg;
      continue;
    }
    if (arg == "--drift-correct") {
      parsed.driftCorrect = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      problem = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (arg == "-o") {
      parsed.output = value;
    } else if (arg == "--page") {
      ok = parseInt(value, parsed.page) && parsed.page >= 1;
    } else if (arg == "--density") {
      ok = parseDouble(value, parsed.depth.density) && parsed.depth.density != 0;
    } else if (arg == "--gravity") {
      ok = parseDouble(value, parsed.depth.gravity) && parsed.depth.gravity != 0;
    } else if (arg == "--offset") {
      ok = parseDouble(value, parsed.depth.offset);
    } else if (arg == "--decimals-temperature") {
      ok = parseInt(value, parsed.temperatureDecimals) && parsed.temperatureDecimals >= 1 &&
           parsed.temperatureDecimals <= 3;
    } else if (arg == "--decimals-pressure") {
      ok = parseInt(value, parsed.pressureDecimals) && parsed.pressureDecimals >= 1 && parsed.pressureDecimals <= 3;
    } else if (arg == "--baro" || arg == "--baro-gap" || arg == "--latitude" || arg == "--format") {
      ok = parseHeightAndFormatOption(arg, value, parsed);
    } else {
      problem = "unknown option " + arg;
      return std::nullopt;
    }
    if (!ok) {
      problem = "bad value for " + arg + ": " + value;
      return std::nullopt;
    }
  }
  if (parsed.input.empty()) {
    problem = "which data file?";
    return std::nullopt;
  }
  return parsed;
}

}  // namespace

int exportCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  const std::optional<ExportArguments> parsed = parseExportArguments(args, problem);
  if (!parsed) {
    err << "velmo export: " << problem << "\n";
    return kExitUsage;
  }

  DataPage page;
  page.setDepthParameters(parsed->depth);
  page.setTemperatureDecimals(parsed->temperatureDecimals);
  page.setPressureDecimals(parsed->pressureDecimals);
  std::optional<DriftCorrectedInput> corrected;
  if (parsed->driftCorrect && !(corrected = DriftCorrectedInput::make(parsed->input, problem))) {
    err << "velmo export: " << problem << "\n";
    return kExitUsage;
  }
  const OpenResult opened = page.openDataFile(corrected ? corrected->path() : parsed->input);
  if (!opened.opened()) {
    err << "velmo export: " << opened.message << "\n";
    return kExitFileError;
  }
  if (!page.showPage(parsed->page)) {
    err << "velmo export: page " << parsed->page << " does not exist; " << parsed->input << " has "
        << page.pageCount() << (page.pageCount() == 1 ? " page" : " pages") << "\n";
    return kExitUsage;
  }

  ExportOptions options;
  options.depth = parsed->depth;
  options.temperatureDecimals = parsed->temperatureDecimals;
  options.pressureDecimals = parsed->pressureDecimals;
  options.now = formatDateTime(localDateTime(std::time(nullptr)));
  options.height.latitude = parsed->latitude;
  options.height.maxGapSeconds = parsed->barometricGapSeconds;
  if (parsed->barometricFile) {
    BarometricLoad load = loadBarometricFile(*parsed->barometricFile);
    if (!load.series) {
      err << "velmo export: the barometric file was not taken: " << load.problem << "\n";
      return kExitFileError;
    }
    options.height.barometric = std::make_shared<const BarometricSeries>(std::move(*load.series));
  }

  if (!parsed->output) {
    if (!writeExport(page, options, *parsed, corrected, out)) {
      err << "velmo export: writing the export failed\n";
      return kExitFileError;
    }
    return kExitOk;
  }
  const bool written = writeStreamAtomically(*parsed->output, [&](std::ostream& file) {
    return writeExport(page, options, *parsed, corrected, file);
  });
  if (!written) {
    err << "velmo export: " << *parsed->output << " cannot be written\n";
    return kExitFileError;
  }
  return kExitOk;
}

}  // namespace ql::cli
