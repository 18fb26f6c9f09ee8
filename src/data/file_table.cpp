#include "data/file_table.h"

#include <algorithm>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"

namespace ql {

namespace {

const Bytes kEntriesHead{0x01, 0x03, 0x10};  // 16 entries follow
constexpr std::size_t kCountOffset = 10;

std::uint64_t sortKey(const std::uint8_t* slot) {
  const std::uint8_t* start = slot + 1 + 17;
  // A seconds byte of 0x80 or more is no time: erased slots (all 0xFF) sort last.
  return start[5] >= 0x80 ? 0 : BeU48(start);
}

}  // namespace

std::string FileEntry::name() const {
  std::string out;
  for (std::size_t i = 1; i < 17; ++i)
    if (bytes[i] != '=' && bytes[i] != 0xFF) out += static_cast<char>(bytes[i]);
  return out;
}

std::uint32_t FileEntry::intervalMs() const { return BeU32(&bytes[29]); }
std::uint32_t FileEntry::size() const { return BeU32(&bytes[33]); }
std::uint32_t FileEntry::averageIntervalMs() const { return BeU32(&bytes[37]); }
std::uint16_t FileEntry::averageCount() const { return BeU16(bytes[41], bytes[42]); }

std::string FileEntry::stampText(const std::uint8_t* s) {
  return "20" + TwoDigits(s[0]) + "-" + TwoDigits(s[1]) + "-" + TwoDigits(s[2]) + " " + TwoDigits(s[3]) + ":" +
         TwoDigits(s[4]) + ":" + TwoDigits(s[5]);
}

FileEntry FileTable::entry(int slot) const {
  FileEntry e;
  std::copy(slots_[slot].begin() + 1, slots_[slot].end(), e.bytes.begin());
  return e;
}

Bytes FileTable::slotImage(int slot) const { return Bytes(slots_[slot].begin(), slots_[slot].end()); }

std::optional<int> FileTable::slotOfItem(int position) const {
  if (position < 0 || position >= count()) return std::nullopt;
  return itemSlots_[position];
}

void FileTable::clear() {
  for (auto& slot : slots_) slot.fill(0);
  for (int i = 0; i < kSlots; ++i) sortedSlots_[i] = i;
  items_.clear();
  itemSlots_.clear();
  notify();
}

FileTable::Outcome FileTable::parse(const Bytes& received, LinkState& state, const TraceSink& trace) {
  // Every reply clears the shown list first, also an incomplete or bad one.
  items_.clear();
  itemSlots_.clear();
  notify();

  Bytes block = received;
  if (state.FileListContinues) {
    // Only one continuation: a reply in three pieces is not completed and is read again.
    state.FileListContinues = false;
    block = concat({heldFirstPart_, received});
  } else {
    heldFirstPart_ = received;
    std::size_t entries = block.size() > kCountOffset ? block[kCountOffset] : 0;
    if (block.size() < entries * FileEntry::kSize + 12) {
      state.FileListContinues = true;
      return Outcome::Incomplete;
    }
  }

  const Bytes emptyTable = concat({AppendCrc(reg::readRequest(reg::kFileTable, 1)), Bytes{0x01, 0x03, 0x00, 0x20, 0xF0}});
  if (block == emptyTable) {
    clear();
    return Outcome::Empty;
  }
  if (block.size() < 800) return Outcome::Ignored;

  auto head = std::search(block.begin(), block.end(), kEntriesHead.begin(), kEntriesHead.end());
  if (head == block.end()) return Outcome::BadChecksum;
  Bytes checked = AppendCrc(Bytes(head, block.end()));
  if (trace) trace(hexText(checked));
  if (!(checked[checked.size() - 2] == 0 && checked.back() == 0)) {
    if (trace) trace("校验码出错，重新获取.");
    return Outcome::BadChecksum;
  }

  for (auto& slot : slots_) slot.fill(0);
  fillSlots(Bytes(head + kEntriesHead.size(), block.end()));
  sortNewestFirst();
  buildItems();
  if (trace) trace(sortedSlotsText());
  notify();
  return Outcome::Accepted;
}

void FileTable::fillSlots(const Bytes& entries) {
  std::size_t offset = 0;
  // Whatever follows the last whole entry is the CRC.
  for (int slot = 0; slot < kSlots && entries.size() - offset > FileEntry::kSize; ++slot) {
    slots_[slot][0] = FileEntry::kSize;
    std::copy_n(entries.begin() + offset, FileEntry::kSize, slots_[slot].begin() + 1);
    offset += FileEntry::kSize;
  }
}

void FileTable::sortNewestFirst() {
  for (int i = 0; i < kSlots; ++i) sortedSlots_[i] = i;
  // A stable descending sort: equal start stamps keep their table order.
  std::stable_sort(sortedSlots_.begin(), sortedSlots_.end(),
                   [this](int a, int b) { return sortKey(slots_[a].data()) > sortKey(slots_[b].data()); });
}

void FileTable::buildItems() {
  for (int position = 0; position < kMaxShown; ++position) {
    int slot = sortedSlots_[position];
    if (!filled(slot)) continue;
    FileEntry e = entry(slot);
    if (!e.present()) continue;
    std::string name = e.name();
    items_.push_back(name.empty() ? std::to_string(position + 1) : name);
    itemSlots_.push_back(slot);
  }
}

std::string FileTable::sortedSlotsText() const {
  std::string text;
  for (int slot : sortedSlots_) text += std::to_string(slot) + "  ";
  return text;
}

std::vector<std::string> FileTable::details(int position, const TextLookup& texts, bool trace) const {
  auto slot = slotOfItem(position);
  if (!slot) return {};
  auto t = [&](const std::string& key) { return texts ? texts("QL310", key) : std::string(); };
  auto mode = [&](int n) {
    std::string name = texts ? texts("ITEM", "item_items" + std::to_string(n)) : "";
    return name.empty() ? std::to_string(n) : name;
  };
  FileEntry e = entry(*slot);
  std::string taskName;
  for (std::size_t i = 1; i < 17; ++i)
    if (e.bytes[i] != '=') taskName += static_cast<char>(e.bytes[i]);

  std::vector<std::string> lines{t("ql310_file_name"),
                                 "      " + taskName,
                                 "",
                                 "",
                                 t("ql310_file_starttime") + " " + FileEntry::stampText(e.startStamp()),
                                 "",
                                 t("ql310_file_stoptime") + " " + FileEntry::stampText(e.endStamp()),
                                 "",
                                 t("ql310_file_creattime") + " " + FileEntry::stampText(e.createdStamp()),
                                 ""};
  const std::string workMode = t("ql310_task_workmode") + "  ";
  const std::uint32_t interval = e.intervalMs();
  const std::string intervalCaption = t("ql310_rec_interval") + "  ";
  if (e.modeMarker() == 4) {
    lines.push_back(workMode + mode(4));
  } else if (interval <= 1000) {
    lines.insert(lines.end(), {workMode + mode(1), "", intervalCaption + std::to_string(interval) + "  ms"});
  } else if (e.averageCount() == 1) {
    lines.insert(lines.end(), {workMode + mode(2), "", intervalCaption + std::to_string(interval / 1000) + " S"});
  } else {
    lines.insert(lines.end(), {workMode + mode(3), "", intervalCaption + std::to_string(interval / 1000) + " S", "",
                               t("ql310_aver_number") + "  " + std::to_string(e.averageCount()), "",
                               t("ql310_aver_interval") + "  " + std::to_string(e.averageIntervalMs()) + " ms"});
  }
  lines.insert(lines.end(), {"", t("ql310_file_size") + "  " + std::to_string(e.size()) + " bytes"});
  if (trace) lines.insert(lines.end(), {"", "索引编号: " + std::to_string(position), "文件编号: " + std::to_string(*slot)});
  return lines;
}

int FileEntry::workMode() const {
  if (modeMarker() == 4) return 4;
  if (intervalMs() <= 1000) return 1;
  if (averageCount() == 1) return 2;
  return 3;
}

}  // namespace ql
