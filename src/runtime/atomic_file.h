#pragma once
// Whole-file writes that never leave a truncated or half-written file behind: the bytes go to a
// temporary file beside the target, are flushed to disk, and the temporary file is renamed over
// the target. On any failure the old file stays as it was.

#include <functional>
#include <ostream>
#include <string>

namespace ql {

bool writeFileAtomically(const std::string& path, const std::string& bytes);
// For writers that produce a stream: write fills a stream in memory, and only when it reports
// success and the stream is good are the bytes stored as above. False otherwise, the old file kept.
bool writeStreamAtomically(const std::string& path, const std::function<bool(std::ostream&)>& write);
// Reads a whole regular file; false when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace ql
