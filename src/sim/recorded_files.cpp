#include "sim/recorded_files.h"

#include <stdexcept>

namespace ql::sim {

namespace {

// From a few records to 64 Ki records; two of them above the 30,720 bytes at which the program
// switches to the high line rate first.
constexpr std::array<std::uint32_t, 8> kStandardRecords = {40, 3000, 300, 5, 20000, 1500, 100, 65536};
constexpr std::array<RecordKind, 3> kStandardKinds = {RecordKind::Tide, RecordKind::Dive,
                                                      RecordKind::TemperatureDrift};

}  // namespace

FilePlan RecordedFiles::standardFile(int index) {
  FilePlan plan;
  auto i = static_cast<std::size_t>(index);
  plan.kind = kStandardKinds[i % kStandardKinds.size()];
  plan.size =
      static_cast<std::uint32_t>(kStandardRecords[i % kStandardRecords.size()] * RecordedFile::kRecordSize +
                                 RecordedFile::kChecksumSize);
  // Start dates out of slot order, so that the table must be sorted to show the newest first.
  plan.start = loggerTime(2026, 1, 5, 6, 0, 0) + std::chrono::days{(index * 7) % 16 * 3} +
               std::chrono::minutes{index * 37};
  return plan;
}

void RecordedFiles::fillStandard(int count) {
  for (int i = 0; i < count && i < kSlots; ++i) put(i + 1, standardFile(i));
}

int RecordedFiles::add(FilePlan plan) {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (!slots_[static_cast<std::size_t>(slot)]) {
      put(slot + 1, std::move(plan));
      return slot + 1;
    }
  }
  return 0;
}

void RecordedFiles::put(int number, FilePlan plan) {
  if (number < 1 || number > kSlots) throw std::out_of_range("file number outside 1..16");
  slots_[static_cast<std::size_t>(number - 1)] =
      std::make_shared<const RecordedFile>(number, std::move(plan));
}

void RecordedFiles::erase(int number) {
  if (number >= 1 && number <= kSlots) slots_[static_cast<std::size_t>(number - 1)].reset();
}

void RecordedFiles::eraseAll() {
  for (auto& slot : slots_) slot.reset();
}

std::shared_ptr<const RecordedFile> RecordedFiles::file(int number) const {
  if (number < 1 || number > kSlots) return nullptr;
  return slots_[static_cast<std::size_t>(number - 1)];
}

int RecordedFiles::presentCount() const {
  int count = 0;
  for (const auto& slot : slots_) count += slot ? 1 : 0;
  return count;
}

std::uint64_t RecordedFiles::presentBytes() const {
  std::uint64_t bytes = 0;
  for (const auto& slot : slots_) bytes += slot ? slot->size() : 0;
  return bytes;
}

Bytes RecordedFiles::tableEntries() const {
  Bytes entries;
  entries.reserve(kSlots * RecordedFile::kEntrySize);
  for (const auto& slot : slots_) {
    if (slot) {
      auto e = slot->entry();
      entries.insert(entries.end(), e.begin(), e.end());
    } else {
      entries.insert(entries.end(), RecordedFile::kEntrySize, 0xFF);
    }
  }
  return entries;
}

}  // namespace ql::sim
