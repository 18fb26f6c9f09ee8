#pragma once
// Which of the logger's listed files are already in the local store. A stored file is the one
// whose data file header carries the same 50-byte entry (name, times, size and settings of that
// recording), which every data file holds, older downloads included. A data file whose download
// record says its checksum did not match does not count: it is fetched again.

#include <string>
#include <vector>

#include "data/file_table.h"
#include "data/local_store.h"

namespace ql {

// The entries of the sound data files under bakwlr/<serial>/.
std::vector<FileEntry> storedEntries(const LocalStore& store, const std::string& serialNumber);

// The listed slots in display order; with onlyNew, those whose entry is not among stored.
std::vector<int> slotsToFetch(const FileTable& files, const std::vector<FileEntry>& stored, bool onlyNew);

}  // namespace ql
