#include "file_writers.h"

#include <cstdint>
#include <ostream>

#include "assistant/receive_area_file.h"
#include "data/data_file.h"
#include "runtime/atomic_file.h"
#include "runtime/ini_file.h"
#include "shell/saved_state.h"

namespace ql::test {

namespace {

// Long enough that a write takes a while, and different in every part between generations.
std::string filler(std::size_t length, int generation) {
  std::string text(length, ' ');
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>('a' + (i * 7 + static_cast<std::size_t>(generation) * 13) % 26);
  return text;
}

bool writeSysuse(const std::string& path, int generation) {
  SavedState state;
  state.density = generation == 0 ? 1.0 : 1.03;
  state.languageName = generation == 0 ? "English" : "Chinese";
  return saveSavedState(path, state);
}

bool writeData(const std::string& path, int generation) {
  DataFileHeader header;
  header.setSerialNumber(generation == 0 ? "QL310-0001" : "QL310-0002");
  const std::string stream = filler(400000, generation);
  return writeDataFile(path, header, reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());
}

bool writeExport(const std::string& path, int generation) {
  return writeStreamAtomically(path, [generation](std::ostream& out) {
    for (int row = 0; row < 20000; ++row) out << row << "," << row * (generation + 2) << ",12.5\r\n";
    return true;
  });
}

bool writeIni(const std::string& path, int generation) {
  IniFile ini;
  for (int key = 0; key < 500; ++key)
    ini.writeString("Section", "key" + std::to_string(key), filler(20, generation + key));
  return ini.save(path);
}

bool writeCompanion(const std::string& path, int generation) {
  return writeReceiveAreaFile(path, filler(200000, generation));
}

}  // namespace

const std::vector<std::string>& writerKinds() {
  static const std::vector<std::string> kinds{"sysuse", "data", "export", "ini", "companion"};
  return kinds;
}

bool writeGeneration(const std::string& kind, const std::string& path, int generation) {
  if (kind == "sysuse") return writeSysuse(path, generation);
  if (kind == "data") return writeData(path, generation);
  if (kind == "export") return writeExport(path, generation);
  if (kind == "ini") return writeIni(path, generation);
  if (kind == "companion") return writeCompanion(path, generation);
  return false;
}

}  // namespace ql::test
