#pragma once
// Which language file velmo uses. A language is named by the base name of its file
// ("english" for english.lag); the name is kept in sysuse.d and the choice made in the language
// box applies at once and is stored at exit. A name whose file is missing falls back to
// "chinese". On the first start, with no name stored yet, the system locale decides.

#include <cstddef>
#include <string>
#include <vector>

namespace ql {

inline constexpr const char* kDefaultLanguageName = "chinese";
inline constexpr const char* kEnglishLanguageName = "english";
inline constexpr std::size_t kLanguageNameBytes = 100;  // field size in sysuse.d

// A name that can only mean a file in the resource directories: not empty, no path separator,
// no control character, not "." or "..".
bool isUsableLanguageName(const std::string& name);

// Language names for the language box: for every "*.lag" file in the directories, the part of
// its name before the first ".", when not empty. Sorted, each name once.
std::vector<std::string> listLanguages(const std::vector<std::string>& dirs);

struct LanguageChoice {
  std::string name;  // the language in use (the stored one, or "chinese")
  std::string path;  // its file; empty when not even chinese.lag exists
};
// The file of the stored language in the first directory that has it; "chinese" when there is
// none (or the name is not usable).
LanguageChoice chooseLanguageFile(const std::string& storedName, const std::vector<std::string>& dirs);

// The language for a first start under the given locale name (as in LC_ALL, LC_MESSAGES or
// LANG): "chinese" for a Chinese locale ("zh", "zh_CN.UTF-8", ...), otherwise "english" when
// the language box offers it, else "chinese".
std::string languageForLocale(const std::string& locale, const std::vector<std::string>& available);
// The locale that names the language of messages: the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty; empty when none is.
std::string messagesLocaleFromEnvironment();

// The language name kept at exit: the language box text when it is longer than 2 characters,
// cut to the 100 bytes of its field at a character boundary; otherwise the stored name.
std::string languageNameAtExit(const std::string& storedName, const std::string& languageBoxText);

}  // namespace ql
