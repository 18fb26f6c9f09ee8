#pragma once
// The writers the kill test exercises, each producing one of two distinct contents (generation
// 0 or 1) through the same function the programs use for that file.

#include <string>
#include <vector>

namespace ql::test {

// The writer kinds: "sysuse" (Sysuse.d, 5 MB), "data" (a .wlr store), "export" (a CSV export),
// "ini" (an INI file) and "companion" (serulo's receive-area file).
const std::vector<std::string>& writerKinds();
// Writes generation 0 or 1 of kind to path; false when the writer failed.
bool writeGeneration(const std::string& kind, const std::string& path, int generation);

}  // namespace ql::test
