#include "data/data_page_controller.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "data/annotated_export.h"
#include "data/export_file_choice.h"
#include "data/local_store.h"
#include "data/stored_file_export.h"
#include "runtime/atomic_file.h"
#include "runtime/calendar.h"
#include "runtime/formats.h"
#include "runtime/ini_file.h"

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

constexpr const char* kChoicesSection = "DataPage";
constexpr const char* kWaterKey = "water";
constexpr const char* kLatitudeKey = "latitude";
constexpr const char* kBarometricKey = "barometricFile";
constexpr const char* kSeaWaterValue = "sea";
constexpr const char* kFixedGravityValue = "fixed";

// A file in the temporary directory, removed when it goes out of scope.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& name) {
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    if (!error) path_ = (dir / (name + "-" + std::to_string(::getpid()) + ".wlr")).string();
  }
  ~TemporaryFile() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove(path_, error);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

ClockDrift nothingOpen() {
  ClockDrift drift;
  drift.reason = "no data file is open";
  return drift;
}

}  // namespace

DataPageController::DataPageController(Operator& op, Environment env) : operator_(op), env_(std::move(env)) {
  // The program always gives its clock; a controller made without one (a test that exports
  // nothing) reads the epoch rather than the system clock.
  if (!env_.clock) env_.clock = [] { return std::time_t{0}; };
  page_.setDepthParameters(depth_);
  drift_ = nothingOpen();
}

void DataPageController::restoreChoices() {
  IniFile ini;
  if (env_.homeDir.empty() || !ini.load(env_.homeDir + "/" + kChoicesFile)) return;
  water_ =
      ini.readString(kChoicesSection, kWaterKey) == kSeaWaterValue ? Water::SeaWater : Water::FixedGravity;
  const double latitude =
      ql::editParameter(ini.readString(kChoicesSection, kLatitudeKey), kDefaultLatitude).value;
  latitude_ = latitude >= -90 && latitude <= 90 ? latitude : kDefaultLatitude;
  barometric_.reset();
  const std::string barometricPath = ini.readString(kChoicesSection, kBarometricKey);
  if (!barometricPath.empty()) {
    BarometricLoad load = loadBarometricFile(barometricPath);
    if (load.series) barometric_ = std::make_shared<const BarometricSeries>(std::move(*load.series));
  }
  if (page_.isOpen()) showPage(page_.page());
}

void DataPageController::saveChoices() const {
  if (env_.homeDir.empty()) return;
  const std::string path = env_.homeDir + "/" + kChoicesFile;
  IniFile ini;
  ini.load(path);  // keeps whatever else a later version writes there
  ini.writeString(kChoicesSection, kWaterKey,
                  water_ == Water::SeaWater ? kSeaWaterValue : kFixedGravityValue);
  ini.writeString(kChoicesSection, kLatitudeKey, formatShortest(latitude_));
  ini.writeString(kChoicesSection, kBarometricKey, barometric_ ? barometric_->source : std::string());
  ini.save(path);
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
  OpenResult result = page_.openItem(env_.homeDir, itemText);
  openedFile(result);
  return result;
}

OpenResult DataPageController::openFile(const std::string& path) {
  applyChoices();
  OpenResult result = page_.openDataFile(path);
  openedFile(result);
  return result;
}

void DataPageController::openedFile(const OpenResult& result) {
  drift_ = result.opened() ? measureDrift(page_.path(), env_.homeDir) : nothingOpen();
}

std::string DataPageController::driftText() const {
  if (!page_.isOpen()) return {};
  const std::string caption = text("cpt_sec_drift", kDriftText);
  if (!drift_.known()) return caption + " " + drift_.reason;
  const double perDay = *drift_.secondsPerDay;
  return caption + " " + (perDay > 0 ? "+" : "") + formatShortest(std::round(perDay * 100) / 100) + " s/day";
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
      saveChoices();
      return edit.text;
    }
    case Parameter::BarometricGapHours: {
      const ParameterEdit edit = ql::editParameter(typed, kDefaultBarometricGapHours);
      gapHours_ = edit.value > 0 ? edit.value : kDefaultBarometricGapHours;
      if (barometric_) showPage(page_.page());
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
  saveChoices();
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
  saveChoices();
  return true;
}

void DataPageController::clearBarometricFile() {
  if (!barometric_) return;
  barometric_.reset();
  showPage(page_.page());
  saveChoices();
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
  options.maxGapSeconds = static_cast<std::int64_t>(std::llround(gapHours_ * 3600));
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
  if (driftCorrection()) return writeCorrectedExport(layout, path, options);
  return writeFromPage(layout, page_, page_.path(), path, options, {});
}

// The export reads a copy of the open file with corrected record stamps, at the page shown.
bool DataPageController::writeCorrectedExport(Layout layout, const std::string& path,
                                              const ExportOptions& options) {
  const TemporaryFile copy("velmo-drift");
  if (copy.path().empty() || !writeDriftCorrectedCopy(page_.path(), copy.path(), drift_)) return false;
  DataPage corrected;
  corrected.setDepthParameters(depth_);
  corrected.setHeightOptions(options.height);
  corrected.setTemperatureDecimals(options.temperatureDecimals);
  corrected.setPressureDecimals(options.pressureDecimals);
  if (!corrected.openDataFile(copy.path()).opened() || !corrected.showPage(page_.page())) return false;
  return writeFromPage(layout, corrected, copy.path(), path, options, describeCorrection(drift_));
}

bool DataPageController::writeFromPage(Layout layout, const DataPage& page, const std::string& sourcePath,
                                       const std::string& path, const ExportOptions& options,
                                       const std::string& correction) {
  if (layout == Layout::Download) return writeStoredDownloadExport(sourcePath, path, options);
  return writeStreamAtomically(path, [&](std::ostream& out) {
    if (layout != Layout::Annotated) return ExportOpenFile(page, options, out);
    AnnotatedSource source;
    source.model = env_.model;
    source.programVersion = env_.programVersion;
    if (!correction.empty()) source.driftCorrection = correction;
    // The checksum names the stored file, not the temporary copy.
    if (env_.fileSha256) source.sha256 = env_.fileSha256(page_.path()).value_or("");
    return writeAnnotatedExport(page, options, source, out);
  });
}

}  // namespace ql
