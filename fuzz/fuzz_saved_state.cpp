// The sysuse.d loader: any file (short, damaged or whole) reads without failing.
#include <string>

#include "shell/saved_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ql::SavedStateLoad load =
      ql::decodeSavedState(std::string(reinterpret_cast<const char*>(data), size));
  (void)load;
  return 0;
}
