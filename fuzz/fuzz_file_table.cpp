// The file-list parser: blocks of the table read and its continuation, in any order.
// Input: per block a byte whose lowest bit sets the continuation mark, two bytes of length and the
// block's bytes.
#include "data/file_table.h"
#include "input_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader input(data, size);
  ql::LinkState state;
  ql::FileTable table;
  while (!input.empty()) {
    state.FileListContinues = input.byte() & 1;
    const std::vector<std::uint8_t> block = input.take(input.number16());
    table.parse(block, state, [](const std::string&) {});
    for (int i = 0; i < table.count(); ++i) {
      const auto slot = table.slotOfItem(i);
      if (!slot || *slot < 0 || *slot >= ql::FileTable::kSlots) __builtin_trap();
      table.details(i, {}, true);
    }
    table.sortedSlotsText();
  }
  return 0;
}
