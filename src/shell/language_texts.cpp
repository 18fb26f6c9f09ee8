#include "shell/language_texts.h"

#include <array>

#include "runtime/ini_file.h"
#include "shell/utf8_text.h"

namespace ql {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Section and key names match without regard to ASCII case, as in every INI file.
bool sameName(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

struct DefaultText {
  const char* section;
  const char* key;
  const char* text;
};
constexpr std::array<DefaultText, 8> kDefaults{{
    {"MAIN", "main_name", "QL310 Instrument Configuration Software"},
    {"MAIN", "btn_down", "Data Read"},
    {"MAIN", "btn_data", "Date Information"},
    {"MAIN", "btn_set", "Data Set"},
    {"ITEM", "item_items1", "1"},
    {"ITEM", "item_items2", "2"},
    {"ITEM", "item_items3", "3"},
    {"ITEM", "item_items4", "4"},
}};

std::string lookupText(const IniFile& ini, const std::string& section, const std::string& key) {
  std::string text = ini.readString(section, key, defaultLanguageText(section, key));
  if (sameName(section, "COMLINK") && !sameName(key, "com_mac_notlink")) {
    text = utf8Prefix(text, kLinkTextMaxChars);
  }
  return text;
}

int thirdFieldNumber(ThirdField field) { return static_cast<int>(field); }

}  // namespace

std::string defaultLanguageText(const std::string& section, const std::string& key) {
  for (const DefaultText& entry : kDefaults) {
    if (sameName(section, entry.section) && sameName(key, entry.key)) return entry.text;
  }
  return {};
}

LanguageTexts::LanguageTexts() : ini_(std::make_shared<IniFile>()) {}

LanguageTexts::LanguageTexts(std::shared_ptr<const IniFile> ini) : ini_(std::move(ini)) {}

LanguageTexts LanguageTexts::fromFile(const std::string& path) {
  auto ini = std::make_shared<IniFile>();
  if (!path.empty()) ini->load(path);
  return LanguageTexts(std::move(ini));
}

LanguageTexts LanguageTexts::fromBytes(const std::string& bytes) {
  auto ini = std::make_shared<IniFile>();
  ini->parse(bytes);
  return LanguageTexts(std::move(ini));
}

std::string LanguageTexts::text(const std::string& section, const std::string& key) const {
  return lookupText(*ini_, section, key);
}

TextLookup LanguageTexts::lookup() const {
  return [ini = ini_](const std::string& section, const std::string& key) {
    return lookupText(*ini, section, key);
  };
}

std::string LanguageTexts::windowTitle() const { return text("MAIN", "main_name") + "  " + kProgramVersion; }

std::string LanguageTexts::thirdFieldCaption(ThirdField field) const {
  return text("QL310", "ql310_third_dis" + std::to_string(thirdFieldNumber(field)));
}

std::string LanguageTexts::thirdFieldUnit(ThirdField field) const {
  return text("QL310", "ql310_third_bit" + std::to_string(thirdFieldNumber(field)));
}

}  // namespace ql
