#include "data/download_record.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <variant>

#include "data/data_file.h"
#include "runtime/atomic_file.h"
#include "runtime/formats.h"
#include "runtime/sha256.h"

namespace ql {

namespace {

constexpr const char* kMatch = "match";
constexpr const char* kMismatch = "mismatch";

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", b);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

using Value = std::variant<std::string, std::int64_t>;

// A flat JSON object of string and integer members: all this record ever holds. Anything else
// is refused rather than guessed at.
class FlatObjectReader {
 public:
  explicit FlatObjectReader(const std::string& text) : text_(text) {}

  std::optional<std::map<std::string, Value>> read(std::string& problem) {
    std::map<std::string, Value> members;
    if (!take('{')) return fail(problem, "it does not start with {");
    if (take('}')) return finish(members, problem);
    for (;;) {
      std::optional<std::string> key = readString();
      if (!key) return fail(problem, "a member name is not a string");
      if (!take(':')) return fail(problem, "':' missing after \"" + *key + "\"");
      std::optional<Value> value = readValue();
      if (!value) return fail(problem, "the value of \"" + *key + "\" is not a string or an integer");
      if (!members.emplace(*key, *value).second) return fail(problem, "\"" + *key + "\" appears twice");
      if (take(',')) continue;
      if (take('}')) return finish(members, problem);
      return fail(problem, "',' or '}' missing after \"" + *key + "\"");
    }
  }

 private:
  std::optional<std::map<std::string, Value>> fail(std::string& problem, const std::string& why) {
    problem = why;
    return std::nullopt;
  }
  std::optional<std::map<std::string, Value>> finish(std::map<std::string, Value>& members,
                                                     std::string& problem) {
    skipSpace();
    if (pos_ != text_.size()) return fail(problem, "text follows the closing }");
    return members;
  }
  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::optional<std::string> readString() {
    if (!take('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      char e = text_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          unsigned code = 0;
          if (pos_ + 4 > text_.size()) return std::nullopt;
          auto [end, ec] = std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, code, 16);
          if (ec != std::errc() || end != text_.data() + pos_ + 4) return std::nullopt;
          pos_ += 4;
          if (code < 0x80) {
            out += static_cast<char>(code);
          } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
          } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
          }
          break;
        }
        default:
          return std::nullopt;
      }
    }
    return std::nullopt;
  }
  std::optional<Value> readValue() {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '"') {
      std::optional<std::string> s = readString();
      if (!s) return std::nullopt;
      return Value{*s};
    }
    std::int64_t number = 0;
    auto [end, ec] = std::from_chars(text_.data() + pos_, text_.data() + text_.size(), number);
    if (ec != std::errc()) return std::nullopt;
    pos_ = static_cast<std::size_t>(end - text_.data());
    // 1.5 or 1e3 is not an integer.
    if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E'))
      return std::nullopt;
    return Value{number};
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

bool isLowerHex(const std::string& text, std::size_t length) {
  if (text.size() != length) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
  return true;
}

bool isIsoTime(const std::string& text) {
  if (text.size() != 19 || text[10] != 'T') return false;
  std::string shown = text;
  shown[10] = ' ';
  return parseDateTime(shown).has_value();
}

}  // namespace

std::string DownloadRecord::toJson() const {
  std::string out = "{\n";
  out += "  \"serial\": " + quoted(serial) + ",\n";
  out += "  \"slot\": " + std::to_string(slot) + ",\n";
  out += "  \"entry\": " + quoted(entryHex) + ",\n";
  out += "  \"announced_size\": " + std::to_string(announcedSize) + ",\n";
  out += "  \"stored_size\": " + std::to_string(storedSize) + ",\n";
  out += "  \"stray_bytes_removed\": " + std::to_string(strayBytesRemoved) + ",\n";
  out += "  \"crc\": " + quoted(crcMatch ? kMatch : kMismatch) + ",\n";
  out += "  \"sha256\": " + quoted(sha256) + ",\n";
  out += "  \"pc_time\": " + quoted(pcTime) + ",\n";
  out += "  \"logger_clock\": " + quoted(loggerClock) + "\n";
  return out + "}\n";
}

std::optional<DownloadRecord> DownloadRecord::parse(const std::string& json, std::string& problem) {
  std::string why;
  auto members = FlatObjectReader(json).read(why);
  if (!members) {
    problem = "not a download record: " + why;
    return std::nullopt;
  }
  auto text = [&](const char* key) -> const std::string* {
    auto it = members->find(key);
    if (it == members->end() || !std::holds_alternative<std::string>(it->second)) {
      problem = std::string("no text \"") + key + "\"";
      return nullptr;
    }
    return &std::get<std::string>(it->second);
  };
  auto count = [&](const char* key) -> std::optional<std::int64_t> {
    auto it = members->find(key);
    if (it == members->end() || !std::holds_alternative<std::int64_t>(it->second) ||
        std::get<std::int64_t>(it->second) < 0) {
      problem = std::string("no count \"") + key + "\"";
      return std::nullopt;
    }
    return std::get<std::int64_t>(it->second);
  };

  DownloadRecord record;
  const std::string *serial = text("serial"), *entry = nullptr, *crc = nullptr, *sha = nullptr,
                    *pcTime = nullptr, *loggerClock = nullptr;
  if (!serial || !(entry = text("entry")) || !(crc = text("crc")) || !(sha = text("sha256")) ||
      !(pcTime = text("pc_time")) || !(loggerClock = text("logger_clock")))
    return std::nullopt;
  auto slot = count("slot");
  auto announced = slot ? count("announced_size") : std::nullopt;
  auto stored = announced ? count("stored_size") : std::nullopt;
  auto stray = stored ? count("stray_bytes_removed") : std::nullopt;
  if (!stray) return std::nullopt;

  if (*slot >= FileTable::kSlots)
    problem = "slot " + std::to_string(*slot) + " is not 0.." + std::to_string(FileTable::kSlots - 1);
  else if (!isLowerHex(*entry, 2 * FileEntry::kSize))
    problem = "\"entry\" is not 50 bytes in hex";
  else if (*crc != kMatch && *crc != kMismatch)
    problem = "\"crc\" is neither match nor mismatch";
  else if (!isLowerHex(*sha, 64))
    problem = "\"sha256\" is not a SHA-256 in hex";
  else if (!isIsoTime(*pcTime))
    problem = "\"pc_time\" is not yyyy-mm-ddThh:mm:ss";
  else if (!loggerClock->empty() && !isIsoTime(*loggerClock))
    problem = "\"logger_clock\" is not yyyy-mm-ddThh:mm:ss";
  if (!problem.empty()) return std::nullopt;

  record.serial = *serial;
  record.slot = static_cast<int>(*slot);
  record.entryHex = *entry;
  record.announcedSize = static_cast<std::uint64_t>(*announced);
  record.storedSize = static_cast<std::uint64_t>(*stored);
  record.strayBytesRemoved = static_cast<std::uint64_t>(*stray);
  record.crcMatch = *crc == kMatch;
  record.sha256 = *sha;
  record.pcTime = *pcTime;
  record.loggerClock = *loggerClock;
  return record;
}

std::string downloadRecordPath(const std::string& dataFilePath) { return dataFilePath + ".json"; }

bool writeDownloadRecord(const std::string& dataFilePath, const DownloadRecord& record) {
  return writeFileAtomically(downloadRecordPath(dataFilePath), record.toJson());
}

std::optional<DownloadRecord> readDownloadRecord(const std::string& dataFilePath, std::string& problem) {
  const std::string path = downloadRecordPath(dataFilePath);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    problem = "no download record " + path;
    return std::nullopt;
  }
  std::string text;
  if (!readWholeFile(path, text)) {
    problem = path + " cannot be read";
    return std::nullopt;
  }
  std::string why;
  auto record = DownloadRecord::parse(text, why);
  if (!record) problem = path + ": " + why;
  return record;
}

std::string isoFromShownTime(const std::string& shown) {
  if (!parseDateTime(shown) || shown.size() != 19) return {};
  std::string iso = shown;
  iso[10] = 'T';
  return iso;
}

std::string verifyDataFile(const std::string& dataFilePath) {
  std::string problem;
  std::optional<DownloadRecord> record = readDownloadRecord(dataFilePath, problem);
  if (!record) return problem;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(dataFilePath, error);
  if (error) return dataFilePath + " cannot be read";
  const std::uint64_t expected = DataFileHeader::kSize + record->storedSize;
  if (size != expected)
    return "the file has " + std::to_string(size) + " bytes, its record says " + std::to_string(expected);
  std::optional<std::string> sha = fileSha256(dataFilePath);
  if (!sha) return dataFilePath + " cannot be read";
  if (*sha != record->sha256) return "the file's SHA-256 differs from its record";
  if (!record->crcMatch) return "the download's checksum did not match: the data came damaged off the line";
  return {};
}

}  // namespace ql
