// The .wlr.json record beside a stored data file. A record that parses writes back to a text
// that parses to the same record.
#include "data/download_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string problem;
  const auto record =
      ql::DownloadRecord::parse(std::string(reinterpret_cast<const char*>(data), size), problem);
  if (!record) return 0;
  std::string again;
  const auto reparsed = ql::DownloadRecord::parse(record->toJson(), again);
  if (!reparsed || reparsed->toJson() != record->toJson()) __builtin_trap();
  ql::isoFromShownTime(record->pcTime);
  return 0;
}
