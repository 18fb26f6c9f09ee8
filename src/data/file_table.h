#pragma once
// The logger's file table: 21 slots of 51 bytes (a length byte, then the 50-byte entry), the
// display order newest first, and the list the operator picks a file from. Downloads and deletes
// address a file by its slot, so the list keeps, for every shown item, the slot it shows.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/observable.h"
#include "runtime/texts.h"

namespace ql {

// One 50-byte entry of the table.
struct FileEntry {
  static constexpr std::size_t kSize = 50;
  std::array<std::uint8_t, kSize> bytes{};

  std::uint8_t status() const { return bytes[0]; }
  bool present() const { return bytes[0] < 17; }
  // The task name with "=" and 0xFF fill removed.
  std::string name() const;
  const std::uint8_t* startStamp() const { return &bytes[17]; }
  const std::uint8_t* endStamp() const { return &bytes[23]; }
  const std::uint8_t* createdStamp() const { return &bytes[43]; }
  std::uint32_t intervalMs() const;
  std::uint32_t size() const;
  std::uint32_t averageIntervalMs() const;
  std::uint16_t averageCount() const;
  std::uint8_t modeMarker() const { return bytes[49]; }
  // The work mode the file's details name: 1 fast, 2 interval, 3 average, 4 fixed-depth profile.
  int workMode() const;
  // "20yy-mm-dd hh:mm:ss" of a six-byte stamp, as stored (no calendar check).
  static std::string stampText(const std::uint8_t* stamp);
};

class FileTable : public Observable {
 public:
  static constexpr int kSlots = 21;
  static constexpr int kMaxShown = 16;
  static constexpr std::size_t kSlotSize = 51;

  // What the parser did with a block. The poll moves on when the table was taken (Accepted or
  // Empty) and reads it again otherwise.
  enum class Outcome { Incomplete, Empty, Ignored, BadChecksum, Accepted };
  static bool taken(Outcome outcome) { return outcome == Outcome::Accepted || outcome == Outcome::Empty; }

  // One block of the reply to the table read (or its continuation). Sets or clears the
  // continuation mark in state. trace, when given, receives the checksum dump and the checksum
  // complaint.
  using TraceSink = std::function<void(const std::string&)>;
  Outcome parse(const Bytes& block, LinkState& state, const TraceSink& trace = {});

  // Shown items: their texts, and the slot each one shows.
  const std::vector<std::string>& items() const { return items_; }
  const std::vector<int>& itemSlots() const { return itemSlots_; }
  std::optional<int> slotOfItem(int position) const;
  int count() const { return static_cast<int>(items_.size()); }

  bool filled(int slot) const { return slots_[slot][0] == FileEntry::kSize; }
  FileEntry entry(int slot) const;
  // The 51-byte slot image as stored in a data file.
  Bytes slotImage(int slot) const;
  const std::array<int, kSlots>& sortedSlots() const { return sortedSlots_; }

  // Detail lines for the shown item at position (ShowFileDetails).
  std::vector<std::string> details(int position, const TextLookup& texts, bool trace) const;

  // A line for the trace: the display order, each value followed by two spaces.
  std::string sortedSlotsText() const;

  void clear();

 private:
  void fillSlots(const Bytes& entries);
  void sortNewestFirst();
  void buildItems();

  std::array<std::array<std::uint8_t, kSlotSize>, kSlots> slots_{};
  std::array<int, kSlots> sortedSlots_{};
  std::vector<std::string> items_;
  std::vector<int> itemSlots_;
  Bytes heldFirstPart_;
};

}  // namespace ql
