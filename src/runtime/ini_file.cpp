#include "runtime/ini_file.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "runtime/atomic_file.h"
#include "runtime/encoding.h"

namespace ql {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names match without regard to ASCII case; other bytes (UTF-8 of Chinese names) must be equal.
bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

// A written name or value must stay on its line.
std::string singleLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

bool IniFile::load(const std::string& path) {
  std::string bytes;
  if (!readWholeFile(path, bytes)) {
    preamble_.clear();
    sections_.clear();
    return false;
  }
  parse(bytes);
  return true;
}

void IniFile::parse(const std::string& bytes) {
  preamble_.clear();
  sections_.clear();
  std::string text = decodeLegacyText(bytes);  // drops a BOM, turns GBK into UTF-8
  // A file given a BOM twice (by two editors in turn) starts with its first section all the same;
  // a BOM left here would hide that header now and turn into the file's own BOM once saved.
  while (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    std::string line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    const std::string content = trimmed(line);
    if (!content.empty() && content.front() == '[') {
      const std::size_t close = content.find(']');
      const std::size_t nameEnd = close == std::string::npos ? content.size() : close;
      sections_.push_back(Section{trimmed(content.substr(1, nameEnd - 1)), line, {}});
      continue;
    }
    if (sections_.empty()) {
      preamble_.push_back(line);  // keys before any section are not read
      continue;
    }
    Entry entry;
    entry.raw = line;
    const std::size_t equals = content.find('=');
    entry.isKey = !content.empty() && content.front() != ';' && equals != std::string::npos && equals > 0;
    if (entry.isKey) {
      entry.key = trimmed(content.substr(0, equals));
      entry.value = trimmed(content.substr(equals + 1));
    }
    sections_.back().entries.push_back(std::move(entry));
  }
}

std::string IniFile::serialize() const {
  std::string out;
  const auto addLine = [&out](const std::string& line) {
    out += line;
    out += "\r\n";
  };
  for (const std::string& line : preamble_) addLine(line);
  for (const Section& section : sections_) {
    addLine(section.rawHeader.empty() ? "[" + section.name + "]" : section.rawHeader);
    for (const Entry& entry : section.entries) {
      addLine(!entry.raw.empty() || !entry.isKey ? entry.raw : entry.key + "=" + entry.value);
    }
  }
  return out;
}

bool IniFile::save(const std::string& path) const {
  // A reader (or a crash) sees the old file or the new one, never half of one.
  return writeFileAtomically(path, serialize());
}

IniFile::Section* IniFile::findSection(const std::string& name) {
  for (Section& section : sections_) {
    if (sameName(section.name, name)) return &section;
  }
  return nullptr;
}

const IniFile::Section* IniFile::findSection(const std::string& name) const {
  return const_cast<IniFile*>(this)->findSection(name);
}

bool IniFile::hasSection(const std::string& section) const { return findSection(section) != nullptr; }

bool IniFile::hasKey(const std::string& section, const std::string& key) const {
  return value(section, key).has_value();
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  const Section* found = findSection(section);
  if (!found) return std::nullopt;
  for (const Entry& entry : found->entries) {
    if (entry.isKey && sameName(entry.key, key)) return entry.value;
  }
  return std::nullopt;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  return value(section, key).value_or(fallback);
}

std::int64_t IniFile::readInt(const std::string& section, const std::string& key,
                              std::int64_t fallback) const {
  const std::optional<std::string> text = value(section, key);
  if (!text) return fallback;
  const std::string number = trimmed(*text);
  const char* begin = number.data();
  const char* end = begin + number.size();
  if (begin != end && *begin == '+') {
    ++begin;  // from_chars takes '-' but not '+'
    if (begin != end && *begin == '-') return fallback;
  }
  std::int64_t result = 0;
  const auto [stop, error] = std::from_chars(begin, end, result);
  if (error != std::errc{} || stop != end || begin == end) return fallback;
  return result;
}

void IniFile::writeString(const std::string& sectionName, const std::string& keyName,
                          const std::string& value) {
  const std::string key = trimmed(singleLine(keyName));
  Section* section = findSection(singleLine(sectionName));
  if (!section) {
    // A blank line between the last section and the new one, as a person would write it.
    if (!sections_.empty()) {
      sections_.back().entries.push_back(Entry{{}, {}, {}, false});
    } else if (!preamble_.empty()) {
      preamble_.push_back({});
    }
    sections_.push_back(Section{trimmed(singleLine(sectionName)), {}, {}});
    section = &sections_.back();
  }
  for (Entry& entry : section->entries) {
    if (entry.isKey && sameName(entry.key, key)) {
      entry.value = trimmed(singleLine(value));
      entry.raw.clear();  // written anew as key=value
      return;
    }
  }
  // A new key goes after the last non-blank line, ahead of the blank lines that end the section.
  std::size_t position = section->entries.size();
  while (position > 0 && trimmed(section->entries[position - 1].raw).empty() &&
         !section->entries[position - 1].isKey) {
    --position;
  }
  section->entries.insert(section->entries.begin() + static_cast<std::ptrdiff_t>(position),
                          Entry{key, trimmed(singleLine(value)), {}, true});
}

void IniFile::writeInt(const std::string& section, const std::string& key, std::int64_t value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::removeKey(const std::string& sectionName, const std::string& key) {
  Section* section = findSection(sectionName);
  if (!section) return;
  std::erase_if(section->entries,
                [&](const Entry& entry) { return entry.isKey && sameName(entry.key, key); });
}

std::vector<std::string> IniFile::sections() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) {
    bool seen = false;
    for (const std::string& name : names) seen = seen || sameName(name, section.name);
    if (!seen) names.push_back(section.name);
  }
  return names;
}

std::vector<std::string> IniFile::keys(const std::string& sectionName) const {
  std::vector<std::string> names;
  const Section* section = findSection(sectionName);
  if (!section) return names;
  for (const Entry& entry : section->entries) {
    if (!entry.isKey) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || sameName(name, entry.key);
    if (!seen) names.push_back(entry.key);
  }
  return names;
}

}  // namespace ql
