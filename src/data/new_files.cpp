#include "data/new_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "data/data_file.h"
#include "data/download_record.h"

namespace ql {

namespace fs = std::filesystem;

std::vector<FileEntry> storedEntries(const LocalStore& store, const std::string& serialNumber) {
  std::vector<FileEntry> entries;
  const std::string dir = store.dataFileDirectory(serialNumber);
  if (dir.empty()) return entries;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(dir, error)) {
    if (!item.is_regular_file(error) || item.path().extension() != ".wlr") continue;
    const std::string path = item.path().string();
    std::optional<DataFileHeader> header = readDataFileHeader(path);
    if (!header) continue;
    std::string problem;
    std::optional<DownloadRecord> record = readDownloadRecord(path, problem);
    if (record && !record->crcMatch) continue;
    entries.push_back(header->entry());
  }
  return entries;
}

std::vector<int> slotsToFetch(const FileTable& files, const std::vector<FileEntry>& stored, bool onlyNew) {
  std::vector<int> slots;
  for (int slot : files.itemSlots()) {
    const FileEntry entry = files.entry(slot);
    const bool have = std::any_of(stored.begin(), stored.end(),
                                  [&](const FileEntry& kept) { return kept.bytes == entry.bytes; });
    if (!onlyNew || !have) slots.push_back(slot);
  }
  return slots;
}

}  // namespace ql
