#include "data/data_page_controller.h"

#include <fstream>

#include "data/annotated_export.h"
#include "data/export_file_choice.h"
#include "data/local_store.h"
#include "data/stored_file_export.h"
#include "runtime/atomic_file.h"
#include "runtime/calendar.h"
#include "runtime/formats.h"

namespace ql {

namespace {

constexpr const char* kCsvExtension = ".csv";
const std::vector<FileFilter> kCsvFilter{{"*.csv", "*.csv"}};
const std::vector<FileFilter> kBarometricFilters{{"*.csv", "*.csv"}, {"*.wlr", "*.wlr"}};

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string civilText(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  DateTime dt;
  civilFromDays(days, dt.year, dt.month, dt.day);
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  return formatDateTime(dt);
}

}  // namespace

DataPageController::DataPageController(Operator& op, Environment env) : operator_(op), env_(std::move(env)) {
  // The program always gives its clock; a controller made without one (a test that exports
  // nothing) reads the epoch rather than the system clock.
  if (!env_.clock) env_.clock = [] { return std::time_t{0}; };
  page_.setDepthParameters(depth_);
}

std::string DataPageController::text(const std::string& key, const char* builtIn) const {
  std::string translated = env_.texts ? env_.texts("MAIN", key) : std::string();
  return translated.empty() ? builtIn : translated;
}

std::string DataPageController::nowText() const { return formatDateTime(localDateTime(env_.clock())); }

void DataPageController::applyChoices() {
  page_.setDepthParameters(depth_);
  page_.setHeightOptions(heightOptions());
  if (env_.temperatureDecimals) page_.setTemperatureDecimals(env_.temperatureDecimals());
  if (env_.pressureDecimals) page_.setPressureDecimals(env_.pressureDecimals());
}

OpenResult DataPageController::openItem(const std::string& itemText) {
  applyChoices();
  return page_.openItem(env_.homeDir, itemText);
}

OpenResult DataPageController::openFile(const std::string& path) {
  applyChoices();
  return page_.openDataFile(path);
}

void DataPageController::depthEdited() {
  page_.setDepthParameters(depth_);  // for the next decoding
  if (onDepthChanged) onDepthChanged(depth_);
}

bool DataPageController::showPage(int p) {
  applyChoices();
  return page_.showPage(p);
}

std::string DataPageController::editParameter(Parameter parameter, const std::string& typed) {
  switch (parameter) {
    case Parameter::Density: {
      const ParameterEdit edit = ql::editParameter(typed, DepthParameters::kDefaultDensity);
      depth_.density = edit.value;
      depthEdited();
      return edit.text;
    }
    case Parameter::Gravity: {
      const ParameterEdit edit = ql::editParameter(typed, DepthParameters::kDefaultGravity);
      depth_.gravity = edit.value;
      depthEdited();
      return edit.text;
    }
    case Parameter::Offset: {
      const ParameterEdit edit = ql::editParameter(typed, DepthParameters::kDefaultPressureOffset);
      depth_.offset = edit.value;
      depthEdited();
      return edit.text;
    }
    case Parameter::Latitude: {
      const ParameterEdit edit = ql::editParameter(typed, kDefaultLatitude);
      latitude_ = edit.value >= -90 && edit.value <= 90 ? edit.value : kDefaultLatitude;
      if (water_ == Water::SeaWater) showPage(page_.page());
      return edit.text;
    }
  }
  return typed;
}

void DataPageController::setDepthParameters(const DepthParameters& depth) {
  depth_ = depth;
  page_.setDepthParameters(depth_);
}

void DataPageController::chooseWater(Water water) {
  if (water == water_) return;
  water_ = water;
  showPage(page_.page());
}

bool DataPageController::chooseBarometricFile() {
  const std::string directory = barometric_ ? barometric_->source : env_.homeDir;
  const std::string path =
      operator_.chooseOpenFile(text("cpt_sec_baro", "Barometric file"), directory, kBarometricFilters);
  if (path.empty()) return false;
  BarometricLoad load = loadBarometricFile(path);
  if (!load.series) {
    operator_.showMessage("", text("info_baro_refused", kBarometricRefusedText) + " " + load.problem);
    return false;
  }
  barometric_ = std::make_shared<const BarometricSeries>(std::move(*load.series));
  showPage(page_.page());
  return true;
}

void DataPageController::clearBarometricFile() {
  if (!barometric_) return;
  barometric_.reset();
  showPage(page_.page());
}

std::string DataPageController::barometricSummary() const {
  if (!barometric_) return {};
  return baseName(barometric_->source) + "  (" + std::to_string(barometric_->size()) + ", " +
         civilText(barometric_->seconds.front()) + " ~ " + civilText(barometric_->seconds.back()) + ")";
}

std::string DataPageController::uncoveredText() const {
  if (!page_.isOpen() || page_.uncompensatedRows() == 0) return {};
  return std::to_string(page_.uncompensatedRows()) + " " + text("info_baro_uncovered", kUncoveredText);
}

HeightOptions DataPageController::heightOptions() const {
  HeightOptions options;
  if (water_ == Water::SeaWater) options.latitude = latitude_;
  options.barometric = barometric_;
  return options;
}

ExportOptions DataPageController::exportOptions() const {
  ExportOptions options;
  options.depth = depth_;
  options.height = heightOptions();
  options.temperatureDecimals = env_.temperatureDecimals ? env_.temperatureDecimals() : 2;
  options.pressureDecimals = env_.pressureDecimals ? env_.pressureDecimals() : 2;
  options.now = nowText();
  return options;
}

bool DataPageController::exportOpenFile(Layout layout) {
  if (!page_.isOpen()) return false;
  const std::string compact = formatCompactStamp(localDateTime(env_.clock()));
  const std::string proposed = layout == Layout::Download
                                   ? LocalStore::exportName(compact, page_.header().entry().name())
                                   : dataPageExportName(page_.header(), compact);
  const LocalStore store(env_.homeDir);
  const std::string title = env_.texts ? env_.texts("MAIN", "btn_sec_save_as") : std::string();
  const std::string path = chooseExportFile(
      operator_,
      {title, store.exportDialogDirectory() + "/" + proposed + kCsvExtension, kCsvFilter, kCsvExtension,
       env_.texts ? env_.texts("SYSTEMINFORMATION", "info_fileexists") : std::string()});
  if (path.empty()) return false;
  if (writeExport(layout, path, exportOptions())) return true;
  operator_.showMessage("", text("info_export_failed", kExportFailedText) + " " + path);
  return false;
}

bool DataPageController::writeExport(Layout layout, const std::string& path, const ExportOptions& options) {
  if (layout == Layout::Download) return writeStoredDownloadExport(page_.path(), path, options);
  return writeStreamAtomically(path, [&](std::ostream& out) {
    if (layout != Layout::Annotated) return ExportOpenFile(page_, options, out);
    AnnotatedSource source;
    source.model = env_.model;
    source.programVersion = env_.programVersion;
    if (env_.fileSha256) source.sha256 = env_.fileSha256(page_.path()).value_or("");
    return writeAnnotatedExport(page_, options, source, out);
  });
}

}  // namespace ql
