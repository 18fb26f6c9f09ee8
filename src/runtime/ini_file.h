#pragma once
// INI files as the Windows profile functions read them: [Section] lines, Key=Value lines,
// section and key names compared without regard to ASCII case, values taken verbatim after '='
// (surrounding blanks trimmed). Files are read in UTF-8 or, when not valid UTF-8, in GBK (older
// installations); everything inside is UTF-8. Writing keeps the order of sections and keys, and
// writes UTF-8 with CR LF line ends. Blank lines and ';' comment lines are kept; lines before the
// first section are kept on write but never read as keys. A duplicate key or section is written
// back, but only the first one is read and changed. Line breaks inside written names and values
// become blanks, so a value can never add lines to the file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ql {

class IniFile {
 public:
  IniFile() = default;

  // Reads path; false (and an empty file) when it cannot be read.
  bool load(const std::string& path);
  // Parses text already in memory (raw bytes; UTF-8 or GBK).
  void parse(const std::string& bytes);
  // Writes the whole file through a temporary file and a rename; false on failure.
  bool save(const std::string& path) const;
  std::string serialize() const;

  bool hasSection(const std::string& section) const;
  bool hasKey(const std::string& section, const std::string& key) const;
  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& fallback = {}) const;
  // The value as a decimal integer (leading blanks and sign allowed, whole text must parse);
  // fallback when absent or not a number.
  std::int64_t readInt(const std::string& section, const std::string& key, std::int64_t fallback) const;

  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInt(const std::string& section, const std::string& key, std::int64_t value);
  // Removes every copy of the key, so it reads as absent afterwards.
  void removeKey(const std::string& section, const std::string& key);

  std::vector<std::string> sections() const;
  std::vector<std::string> keys(const std::string& section) const;

 private:
  // One line inside a section: a key (isKey) or a line kept as it stands (comment, blank, junk).
  // raw holds the line as read, so unchanged lines are written back exactly.
  struct Entry {
    std::string key;
    std::string value;
    std::string raw;
    bool isKey = true;
  };
  struct Section {
    std::string name;
    std::string rawHeader;  // "[name]" as read; empty for a section made by a write
    std::vector<Entry> entries;
  };
  Section* findSection(const std::string& name);
  const Section* findSection(const std::string& name) const;

  std::vector<std::string> preamble_;  // lines before the first section, written back as they stand
  std::vector<Section> sections_;
};

}  // namespace ql
