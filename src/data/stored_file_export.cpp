#include "data/stored_file_export.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "runtime/atomic_file.h"

namespace ql {

bool writeStoredDownloadExport(const std::string& dataFile, const std::string& csvFile,
                               const ExportOptions& options) {
  std::ifstream in(dataFile, std::ios::binary);
  if (!in) return false;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  const std::optional<DataFileHeader> header = DataFileHeader::decode(bytes.data(), bytes.size());
  if (!header) return false;
  const std::uint8_t* stream = bytes.data() + DataFileHeader::kSize;
  const std::size_t length = bytes.size() - DataFileHeader::kSize;
  return writeStreamAtomically(csvFile, [&](std::ostream& out) {
    return WriteDownloadExport(header->entry(), header->serialNumber(), stream, length, options, out);
  });
}

}  // namespace ql
