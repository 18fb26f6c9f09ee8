#include "data/data_page.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ql {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> sortedNames(const fs::path& dir, bool directories) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    const bool isDirectory = it->is_directory(typeError);
    if (directories ? isDirectory : (!isDirectory && it->path().extension() == ".wlr"))
      names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Bytes [offset, offset + length) of a file, fewer when it ends earlier.
std::vector<std::uint8_t> readRange(const std::string& path, std::uint64_t offset, std::uint64_t length) {
  std::vector<std::uint8_t> bytes;
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.seekg(static_cast<std::streamoff>(offset))) return bytes;
  bytes.resize(length);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

std::vector<LocalFileItem> ListLocalFiles(const std::string& homeDir, const std::string& lastSaveStamp) {
  std::vector<LocalFileItem> items;
  const fs::path store = fs::path(homeDir) / "bakwlr";
  for (const std::string& serial : sortedNames(store, true)) {
    for (const std::string& file : sortedNames(store / serial, false)) {
      LocalFileItem item;
      item.text = serial + "/" + file;
      item.red = !lastSaveStamp.empty() && item.text.find(lastSaveStamp, 1) != std::string::npos;
      items.push_back(std::move(item));
    }
  }
  return items;
}

const char* DataPage::columnTitleKey(int column) {
  static const char* const kKeys[kColumns] = {"gridst1", "gridst2", "gridst3", "gridst4",
                                              "gridst5", "gridst6", "gridst7"};
  return column >= 0 && column < kColumns ? kKeys[column] : "";
}

OpenResult DataPage::openItem(const std::string& homeDir, const std::string& itemText) {
  return openDataFile((fs::path(homeDir) / "bakwlr" / itemText).string());
}

OpenResult DataPage::openDataFile(const std::string& path) {
  OpenResult result;
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    result.status = OpenResult::Status::Missing;
    result.message = path + " does not exist";
    return result;
  }
  const std::uint64_t size = fs::file_size(path, error);
  std::vector<std::uint8_t> head = error ? std::vector<std::uint8_t>{} : readRange(path, 0, DataFileHeader::kSize);
  if (error || (head.size() < DataFileHeader::kSize && head.size() < size)) {
    close();
    result.status = OpenResult::Status::Unreadable;
    result.message = path + " cannot be read";
    return result;
  }
  if (head.size() < DataFileHeader::kSize) {
    close();
    result.status = OpenResult::Status::ShorterThanHeader;
    result.message = path + " is not a complete data file: " + std::to_string(size) + " bytes, shorter than its " +
                     std::to_string(DataFileHeader::kSize) + "-byte header";
    return result;
  }
  std::optional<DataFileHeader> header = DataFileHeader::decode(head.data(), head.size());
  if (!header) {
    close();
    result.status = OpenResult::Status::DamagedHeader;
    result.message = path + " is not a data file: its header is damaged";
    return result;
  }

  open_ = true;
  path_ = path;
  header_ = *header;
  fileSize_ = size;
  recordCount_ = static_cast<std::int64_t>((size - DataFileHeader::kSize) / Record::kSize);
  rows_ = static_cast<int>(std::min<std::int64_t>(recordCount_, kRecordsPerPage));
  // Pages overlap by one record: 10,001 records fit one page, 10,002 need two.
  pageCount_ = recordCount_ > kRecordsPerPage ? static_cast<int>((recordCount_ - 1 + kPageStep - 1) / kPageStep) : 1;
  page_ = 1;
  pageBytes_.clear();
  showPage(1);
  result.status = OpenResult::Status::Opened;
  return result;
}

void DataPage::close() {
  open_ = false;
  path_.clear();
  header_ = DataFileHeader{};
  fileSize_ = 0;
  recordCount_ = 0;
  page_ = 1;
  pageCount_ = 1;
  rows_ = 0;
  pageBytes_.clear();
  pageHeights_.clear();
  uncompensatedRows_ = 0;
}

bool DataPage::showPage(int p) {
  if (!open_ || p < 1 || p > pageCount_) return false;
  page_ = p;
  shownParameters_ = parameters_;
  shownTemperatureDecimals_ = temperatureDecimals_;
  shownPressureDecimals_ = pressureDecimals_;
  pageBytes_ = readRecords(firstRecordOfPage(), kRecordsPerPage);
  computePageHeights();
  return true;
}

void DataPage::computePageHeights() {
  pageHeights_.clear();
  uncompensatedRows_ = 0;
  if (heightOptions_.plain()) return;
  HeightCalculator calculator(shownParameters_, heightOptions_);
  const std::size_t count = pageBytes_.size() / Record::kSize;
  pageHeights_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<double> height =
        calculator.metres(decodeRecord(pageBytes_.data() + i * Record::kSize));
    if (!height) ++uncompensatedRows_;
    pageHeights_.push_back(height.value_or(std::nan("")));
  }
}

std::optional<double> DataPage::waterHeight(int row) const {
  const std::optional<Record> r = record(row);
  if (!r) return std::nullopt;
  if (pageHeights_.empty()) return waterHeightMetres(r->pressure(), shownParameters_);
  const double height = pageHeights_[static_cast<std::size_t>(row)];
  if (std::isnan(height)) return std::nullopt;
  return height;
}

std::vector<std::uint8_t> DataPage::readRecords(std::int64_t first, std::int64_t count) const {
  if (!open_ || first < 0 || count <= 0 || first >= recordCount_) return {};
  count = std::min(count, recordCount_ - first);
  std::vector<std::uint8_t> bytes =
      readRange(path_, DataFileHeader::kSize + static_cast<std::uint64_t>(first) * Record::kSize,
                static_cast<std::uint64_t>(count) * Record::kSize);
  bytes.resize(bytes.size() / Record::kSize * Record::kSize);  // the file may have shrunk meanwhile
  return bytes;
}

std::optional<Record> DataPage::record(int row) const {
  if (row < 0 || static_cast<std::size_t>(row + 1) * Record::kSize > pageBytes_.size()) return std::nullopt;
  return decodeRecord(pageBytes_.data() + static_cast<std::size_t>(row) * Record::kSize);
}

std::string DataPage::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns) return {};
  if (column == 0) return " " + std::to_string(firstRecordOfPage() + row + 1);
  const std::optional<Record> r = record(row);
  if (!r) return {};
  char text[kMaxWaterHeightText];
  char* end = text;
  switch (column) {
    case 1: end = writeStampDigits(text, r->stamp.data()); break;
    case 2: end = writeTenThousandths(text, r->signedTemperatureRaw(), shownTemperatureDecimals_); break;
    case 3: end = writeTenThousandths(text, r->pressureRaw, shownPressureDecimals_); break;
    case 4:
      if (pageHeights_.empty()) {
        end = writeWaterHeight(text, r->pressureRaw, shownParameters_);
      } else if (const std::optional<double> height = waterHeight(row)) {
        end = writeHeightMetres(text, *height);
      }
      break;
    case 5: end = writeTenThousandths(text, r->conductivityRaw, 2); break;
    case 6:
      if (r->battery == 0) return "0.0";  // no reading
      end = writeBatteryVolts(text, r->battery);
      break;
  }
  return std::string(text, end);
}

}  // namespace ql
