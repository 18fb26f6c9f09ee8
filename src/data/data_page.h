#pragma once
// The data page: the stored data files of the local store, and the table of one open file shown
// page by page. The table reads only the page it shows (10,001 records, 160 kB at most) and
// turns a cell into text when it is asked for, so a 32 MiB file opens as fast as a small one.
//
// Table layout: 7 columns (row number, time, temperature, pressure, water height, conductivity,
// battery). Page p shows up to 10,001 records from record (p - 1) x 10,000 + 1 on, so the last
// row of a page is the first row of the next; after the records comes one spare row. Rows here
// are counted from 0 without the title row; cell 0 holds " " + the record number all the same.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/data_file.h"
#include "data/height_method.h"
#include "data/records.h"
#include "data/water_height.h"

namespace ql {

// One item of the local file list: "<serial>/<file>.wlr" under the home's "bakwlr".
struct LocalFileItem {
  std::string text;
  bool red = false;  // the file stored last (its name holds LastSaveStamp)
};

// The data files under homeDir/bakwlr/*/*.wlr, by directory and file name (so oldest first).
// An item whose text holds lastSaveStamp past its first character is red.
std::vector<LocalFileItem> ListLocalFiles(const std::string& homeDir, const std::string& lastSaveStamp);

// What opening a data file found.
struct OpenResult {
  enum class Status { Opened, Missing, Unreadable, ShorterThanHeader, DamagedHeader };
  Status status = Status::Missing;
  std::string message;  // for the operator; empty when opened
  bool opened() const { return status == Status::Opened; }
};

class DataPage {
 public:
  static constexpr int kColumns = 7;
  static constexpr int kRecordsPerPage = 10001;
  static constexpr int kPageStep = 10000;
  // Language file section and keys of the column titles.
  static constexpr const char* kTitleSection = "GRID";
  static const char* columnTitleKey(int column);  // "gridst1" .. "gridst7"

  // Depth parameters and precisions used by the next decoding (open or page turn); rows already
  // shown keep the values they were decoded with.
  void setDepthParameters(const DepthParameters& parameters) { parameters_ = parameters; }
  const DepthParameters& depthParameters() const { return parameters_; }
  // Sea water by latitude and a barometric series, likewise for the next decoding.
  void setHeightOptions(const HeightOptions& options) { heightOptions_ = options; }
  const HeightOptions& heightOptions() const { return heightOptions_; }
  void setTemperatureDecimals(int setting) { temperatureDecimals_ = valueDecimals(setting); }
  void setPressureDecimals(int setting) { pressureDecimals_ = valueDecimals(setting); }
  int temperatureDecimals() const { return temperatureDecimals_; }
  int pressureDecimals() const { return pressureDecimals_; }

  // OpenDataFile of a local list item (homeDir/bakwlr/itemText) or of any path. Opens at page 1.
  // A missing file changes nothing; a file that is no data file closes the open one.
  OpenResult openItem(const std::string& homeDir, const std::string& itemText);
  OpenResult openDataFile(const std::string& path);
  void close();

  bool isOpen() const { return open_; }
  const std::string& path() const { return path_; }
  // Serial number field and file slot of the open file, for the export header.
  const DataFileHeader& header() const { return header_; }
  std::uint64_t fileSize() const { return fileSize_; }
  // Whole 16-byte records after the header (the trailing checksum bytes are no record).
  std::int64_t recordCount() const { return recordCount_; }

  int page() const { return page_; }
  int pageCount() const { return pageCount_; }
  // ShowPage: reads page p (1..pageCount) from the file; false when out of range or unreadable.
  bool showPage(int p);
  bool previousPage() { return showPage(page_ - 1); }
  bool nextPage() { return showPage(page_ + 1); }
  bool previousVisible() const { return open_ && page_ > 1; }
  bool nextVisible() const { return open_ && page_ < pageCount_; }
  // Record index (0-based) of the page's first row.
  std::int64_t firstRecordOfPage() const { return std::int64_t{page_ - 1} * kPageStep; }

  // Rows of the table without the title row: the page's rows and the spare row; 0 when closed.
  int rowCount() const { return open_ ? rows_ + 1 : 0; }
  // Text of a cell; empty for rows without a record and out-of-range cells.
  std::string cell(int row, int column) const;
  // The record a row shows, when it shows one.
  std::optional<Record> record(int row) const;
  // The water height of a row, in metres; none for a row without a record and for a record the
  // barometric series does not cover (its height cell is then empty).
  std::optional<double> waterHeight(int row) const;
  // Rows of the page shown whose record the barometric series does not cover.
  int uncompensatedRows() const { return uncompensatedRows_; }

  // Reads up to count records from record index first on (for a chart of the whole file);
  // the bytes read, a multiple of 16.
  std::vector<std::uint8_t> readRecords(std::int64_t first, std::int64_t count) const;

 private:
  void computePageHeights();

  DepthParameters parameters_;
  int temperatureDecimals_ = 2;
  int pressureDecimals_ = 2;

  bool open_ = false;
  std::string path_;
  DataFileHeader header_;
  std::uint64_t fileSize_ = 0;
  std::int64_t recordCount_ = 0;
  int page_ = 1;
  int pageCount_ = 1;
  int rows_ = 0;  // numbered rows of a page (up to 10,001)

  // The page as read, with the settings it is shown with.
  std::vector<std::uint8_t> pageBytes_;
  DepthParameters shownParameters_;
  HeightOptions heightOptions_;
  // With a height choice beyond the fixed formula, the page's heights as computed at showing
  // (NaN for an uncovered record), so that a barometric series is walked once per page.
  std::vector<double> pageHeights_;
  int uncompensatedRows_ = 0;
  int shownTemperatureDecimals_ = 2;
  int shownPressureDecimals_ = 2;
};

}  // namespace ql
