#include "data/task_log.h"

#include <sstream>

#include "runtime/atomic_file.h"

namespace ql {

namespace {

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (;;) {
    std::size_t tab = line.find('\t', from);
    // The name is the last field and may hold anything but a tab.
    if (tab == std::string::npos || out.size() == 4) {
      out.push_back(line.substr(from));
      return out;
    }
    out.push_back(line.substr(from, tab - from));
    from = tab + 1;
  }
}

}  // namespace

std::string isoDateTime(const DateTime& dt) {
  std::string text = formatDateTime(dt);
  text[10] = 'T';
  return text;
}

std::optional<DateTime> parseIsoDateTime(const std::string& text) {
  if (text.size() != 19 || text[10] != 'T') return std::nullopt;
  std::string shown = text;
  shown[10] = ' ';
  return parseDateTime(shown);
}

bool appendTaskLog(const std::string& path, const TaskLogEntry& entry) {
  std::string text;
  readWholeFile(path, text);  // a missing log starts empty
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += oneLine(entry.serial) + '\t' + isoDateTime(entry.start) + '\t' + isoDateTime(entry.end) + '\t' +
          (entry.synchronised ? isoDateTime(*entry.synchronised) : "-") + '\t' + oneLine(entry.name) + '\n';
  return writeFileAtomically(path, text);
}

std::vector<TaskLogEntry> readTaskLog(const std::string& path) {
  std::vector<TaskLogEntry> entries;
  std::string text;
  if (!readWholeFile(path, text)) return entries;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f = fields(line);
    if (f.size() != 5) continue;
    auto start = parseIsoDateTime(f[1]);
    auto end = parseIsoDateTime(f[2]);
    auto synchronised = parseIsoDateTime(f[3]);
    if (!start || !end || (!synchronised && f[3] != "-")) continue;
    entries.push_back(TaskLogEntry{f[0], f[4], *start, *end, synchronised});
  }
  return entries;
}

}  // namespace ql
