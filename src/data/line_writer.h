#pragma once
// Writing an export line by line: lines collect in a fixed buffer that goes to the stream in large
// writes, and record lines are written in place by the exports' record writers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "data/data_page.h"
#include "data/records.h"
#include "data/water_height.h"

namespace ql {

class LineWriter {
 public:
  explicit LineWriter(std::ostream& out) : out_(out), buffer_(kCapacity) {}

  // Room for one record line at least.
  char* reserveLine() {
    if (kCapacity - used_ < kLineRoom) flush();
    return buffer_.data() + used_;
  }
  void commitLine(char* end) {
    *end++ = '\r';
    *end++ = '\n';
    used_ = static_cast<std::size_t>(end - buffer_.data());
  }
  void line(const std::string& text) {
    char* at = reserveLine();
    if (text.size() + 2 > kLineRoom) {  // a header line longer than any record line
      flush();
      out_ << text << "\r\n";
      return;
    }
    std::memcpy(at, text.data(), text.size());
    commitLine(at + text.size());
  }
  bool flush() {
    if (used_ > 0 && out_) out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
    return static_cast<bool>(out_);
  }
  bool good() const { return static_cast<bool>(out_); }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  static constexpr std::size_t kLineRoom = 8 * kMaxFieldText + kMaxWaterHeightText;

  std::ostream& out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

inline char* putText(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

// Writes the records of [data, data + length) as lines; false as soon as the stream fails.
// writeRecord(char* at, const Record&) returns the end of the line it wrote at.
template <typename WriteRecord>
bool writeRecordLines(LineWriter& writer, const std::uint8_t* data, std::size_t length,
                      WriteRecord& writeRecord) {
  const std::size_t count = length / Record::kSize;
  for (std::size_t i = 0; i < count; ++i) {
    const Record r = decodeRecord(data + i * Record::kSize);
    char* at = writer.reserveLine();
    if (!writer.good()) return false;
    writer.commitLine(writeRecord(at, r));
  }
  return writer.good();
}

// The records of the file open on the page, from the first record of the page shown to the end,
// read in pieces; then flushes. False when the stream fails, or when the file shrank or turned
// unreadable since it was opened (what was written stays).
template <typename WriteRecord>
bool writePageRecords(const DataPage& page, LineWriter& writer, WriteRecord& writeRecord) {
  constexpr std::int64_t kChunkRecords = 1 << 16;  // 1 MiB of records per read
  for (std::int64_t first = page.firstRecordOfPage(); first < page.recordCount(); first += kChunkRecords) {
    const std::int64_t wanted = std::min(kChunkRecords, page.recordCount() - first);
    const std::vector<std::uint8_t> chunk = page.readRecords(first, wanted);
    if (!writeRecordLines(writer, chunk.data(), chunk.size(), writeRecord)) return false;
    if (static_cast<std::int64_t>(chunk.size() / Record::kSize) < wanted) {
      writer.flush();
      return false;
    }
  }
  return writer.flush();
}

}  // namespace ql
