#include "shell/language_choice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "shell/utf8_text.h"

namespace ql {

namespace fs = std::filesystem;

namespace {

std::string findFile(const std::string& fileName, const std::vector<std::string>& dirs) {
  for (const std::string& dir : dirs) {
    const std::string candidate = dir + "/" + fileName;
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

}  // namespace

bool isUsableLanguageName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
  });
}

std::vector<std::string> listLanguages(const std::vector<std::string>& dirs) {
  std::vector<std::string> names;
  for (const std::string& dir : dirs) {
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
      const std::string fileName = it->path().filename().string();
      if (fileName.size() < 4 || fileName.compare(fileName.size() - 4, 4, ".lag") != 0) continue;
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;
      const std::string name = fileName.substr(0, fileName.find('.'));
      if (!name.empty()) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

LanguageChoice chooseLanguageFile(const std::string& storedName, const std::vector<std::string>& dirs) {
  if (isUsableLanguageName(storedName)) {
    const std::string path = findFile(storedName + ".lag", dirs);
    if (!path.empty()) return {storedName, path};
  }
  return {kDefaultLanguageName, findFile(std::string(kDefaultLanguageName) + ".lag", dirs)};
}

std::string languageForLocale(const std::string& locale, const std::vector<std::string>& available) {
  if (locale.rfind("zh", 0) == 0) return kDefaultLanguageName;
  const bool hasEnglish =
      std::find(available.begin(), available.end(), kEnglishLanguageName) != available.end();
  return hasEnglish ? kEnglishLanguageName : kDefaultLanguageName;
}

std::string messagesLocaleFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

std::string languageNameAtExit(const std::string& storedName, const std::string& languageBoxText) {
  if (utf8Length(languageBoxText) <= 2) return storedName;
  return utf8PrefixBytes(languageBoxText, kLanguageNameBytes);
}

}  // namespace ql
