#pragma once
// The data page ("数据查看") without its widgets: the open data file, the depth parameters and the
// choices of how water height is computed (fixed gravity or sea water by latitude, a fixed offset
// or a barometric series), and the exports of the open file through the save dialog. The window
// renders this state and forwards the operator's actions; tests drive it directly.
//
// The depth parameters (density, gravity, offset) apply to the next decoding, as typed. The
// choices added beside them (water, latitude, barometric file) apply at once: the page shown is
// read again with them. The water choice, the latitude and the barometric file are kept between
// runs in velmo's home (datapage.ini). The clock drift of the open file is measured when it opens;
// the exports can correct the record times for it.

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "data/barometric_series.h"
#include "data/clock_drift.h"
#include "data/csv_export.h"
#include "data/data_page.h"
#include "data/height_method.h"
#include "runtime/operator.h"
#include "runtime/texts.h"

namespace ql {

class DataPageController {
 public:
  enum class Layout { DataPage, Download, Annotated };
  enum class Water { FixedGravity, SeaWater };
  enum class Parameter { Density, Gravity, Offset, Latitude, BarometricGapHours };
  static constexpr double kDefaultLatitude = 0;
  static constexpr double kDefaultBarometricGapHours = 2;
  static constexpr const char* kChoicesFile = "datapage.ini";

  // Built-in texts for language files without the keys (MAIN/info_baro_refused, info_baro_uncovered,
  // info_export_failed, cpt_sec_drift).
  static constexpr const char* kBarometricRefusedText = "The barometric file was not taken:";
  static constexpr const char* kUncoveredText =
      "rows of this page lie outside the barometric series; their water height is left empty.";
  static constexpr const char* kExportFailedText = "The CSV file could not be written:";
  static constexpr const char* kDriftText = "Clock drift:";

  struct Environment {
    TextLookup texts;
    std::function<std::time_t()> clock;  // the program's wall clock
    std::string homeDir;                 // the local store is under it
    // The precision settings of temperature and pressure (sysuse.d).
    std::function<int()> temperatureDecimals;
    std::function<int()> pressureDecimals;
    // For the annotated export's header.
    std::function<std::optional<std::string>(const std::string& path)> fileSha256;
    std::string model;
    std::string programVersion;
  };

  DataPageController(Operator& op, Environment env);

  // Called with the depth parameters whenever one of them is edited (they are kept in sysuse.d).
  std::function<void(const DepthParameters&)> onDepthChanged;

  DataPage& page() { return page_; }
  const DataPage& page() const { return page_; }

  // OpenDataFile of a local list item ("<serial>/<file>.wlr") or of any path.
  OpenResult openItem(const std::string& itemText);
  OpenResult openFile(const std::string& path);
  bool showPage(int page);

  // An edit of a parameter box: the cleaned text to show in the box. A text that does not parse
  // (a latitude also outside -90..90, a gap limit not above 0) gives the default.
  std::string editParameter(Parameter parameter, const std::string& typed);
  void setDepthParameters(const DepthParameters& depth);
  const DepthParameters& depthParameters() const { return depth_; }
  void chooseWater(Water water);
  Water water() const { return water_; }
  double latitude() const { return latitude_; }
  // Readings of the barometric series further apart than this leave the records between them
  // uncompensated.
  double barometricGapHours() const { return gapHours_; }

  // The water choice, latitude and barometric file of the last run (datapage.ini in the home). A
  // barometric file that no longer loads is dropped silently. Every change is saved at once.
  void restoreChoices();

  // "选择气压文件": a .wlr or CSV file through the open dialog. A refused file is told to the
  // operator with its reason and the series chosen before stays. True when a series was taken.
  bool chooseBarometricFile();
  void clearBarometricFile();
  const BarometricSeries* barometricSeries() const { return barometric_.get(); }
  // "<file name>  (<readings>, <first> ~ <last>)", empty without a series.
  std::string barometricSummary() const;
  // What the page shown cannot compensate, for the line under the table; empty when all is.
  std::string uncoveredText() const;

  // The clock drift of the open file (unknown, with the reason, when nothing is open).
  const ClockDrift& drift() const { return drift_; }
  // "Clock drift: +5 s/day", or the caption with the reason it is unknown; empty without a file.
  std::string driftText() const;
  // The exports correct the record times for the drift when asked to and when it is known.
  bool canCorrectDrift() const { return page_.isOpen() && drift_.known(); }
  void setDriftCorrection(bool on) { driftCorrection_ = on; }
  bool driftCorrection() const { return driftCorrection_ && canCorrectDrift(); }

  // How water height is computed now, for the page and the exports.
  HeightOptions heightOptions() const;
  ExportOptions exportOptions() const;

  // An export of the open file: the save dialog (chooseExportFile), then the file. Nothing
  // happens without an open file; a failed write is told to the operator. True when written.
  bool exportOpenFile(Layout layout);

 private:
  std::string text(const std::string& key, const char* builtIn) const;
  std::string nowText() const;
  void applyChoices();
  void depthEdited();
  void openedFile(const OpenResult& result);
  void saveChoices() const;
  bool writeExport(Layout layout, const std::string& path, const ExportOptions& options);
  bool writeCorrectedExport(Layout layout, const std::string& path, const ExportOptions& options);
  bool writeFromPage(Layout layout, const DataPage& page, const std::string& sourcePath,
                     const std::string& path, const ExportOptions& options, const std::string& correction);

  Operator& operator_;
  Environment env_;
  DataPage page_;
  DepthParameters depth_;
  Water water_ = Water::FixedGravity;
  double latitude_ = kDefaultLatitude;
  double gapHours_ = kDefaultBarometricGapHours;
  ClockDrift drift_;
  bool driftCorrection_ = false;
  std::shared_ptr<const BarometricSeries> barometric_;
};

}  // namespace ql
