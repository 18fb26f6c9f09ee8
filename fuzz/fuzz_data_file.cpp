// The .wlr reader: the header, the data page with its pages and cells, and the realignment of a
// downloaded stream.
#include <vector>

#include "data/data_file.h"
#include "data/data_page.h"
#include "data/realign.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (auto header = ql::DataFileHeader::decode(data, size)) {
    header->firmwareVersion();
    header->serialNumber();
    header->entry().name();
    for (int i = 0; i < 18; ++i) header->parameter(i);
  }

  const std::string path = ql::fuzz::writeScratchFile("input.wlr", data, size);
  ql::DataPage page;
  if (page.openDataFile(path).opened()) {
    for (int p = 1; p <= page.pageCount() && p <= 3; ++p) {
      page.showPage(p);
      for (int row = 0; row < page.rowCount() && row < 40; ++row)
        for (int column = 0; column < ql::DataPage::kColumns; ++column) page.cell(row, column);
    }
    page.readRecords(0, 64);
  }

  std::vector<std::uint8_t> stream(data, data + size);
  const std::size_t length = ql::realignRecords(stream.data(), stream.size());
  if (length > size) __builtin_trap();  // realignment only ever drops bytes
  return 0;
}
