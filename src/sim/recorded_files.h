#pragma once
// The logger's file store: 16 slots, slot k holding file number k + 1, as the file table lists
// them. A slot is present or erased; an erased slot's table entry reads all 0xFF.

#include <array>
#include <memory>

#include "link/bytes.h"
#include "sim/recorded_file.h"

namespace ql::sim {

class RecordedFiles {
 public:
  static constexpr int kSlots = 16;

  // The files a simulator starts with: count files (at most 16) of varied kinds, sizes and
  // start dates, none larger than 1 MiB.
  static FilePlan standardFile(int index);
  void fillStandard(int count);

  // Puts a file into the first erased slot; returns its number, 0 when all slots are taken.
  int add(FilePlan plan);
  // Puts a file into slot number - 1 (1..16), replacing what was there.
  void put(int number, FilePlan plan);
  void erase(int number);
  void eraseAll();

  // The file of number (1..16), or nullptr when that slot is erased or out of range.
  std::shared_ptr<const RecordedFile> file(int number) const;
  int presentCount() const;
  std::uint64_t presentBytes() const;

  // The 16 x 50 entry bytes of the file table, in slot order.
  Bytes tableEntries() const;

 private:
  std::array<std::shared_ptr<const RecordedFile>, kSlots> slots_;
};

}  // namespace ql::sim
