// The update information file from the server: versions, file names and checksums. A name that
// passes as bare must stay in the program directory.
#include "shell/update_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string info(reinterpret_cast<const char*>(data), size);
  if (auto version = ql::update::serverVersion(info)) ql::update::isNewer(*version, "V2.0.1.19");
  for (int entry = 0; entry < ql::update::kFileEntries; ++entry) {
    ql::update::fileChecksum(info, entry);
    const auto name = ql::update::fileName(info, entry);
    if (!name || !ql::update::isBareFileName(*name)) continue;
    if (name->find('/') != std::string::npos || name->find("..") != std::string::npos) __builtin_trap();
    ql::update::serverPath(*name);
    ql::update::storedName(*name, entry);
  }
  return 0;
}
