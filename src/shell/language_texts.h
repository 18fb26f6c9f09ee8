#pragma once
// The texts of one language file: every caption and message of velmo, looked up by section and
// key. A missing key gives an empty text, except for nine built-in defaults (the window title,
// the three navigation captions and the four work-mode names). The connection messages of
// section COMLINK, except com_mac_notlink, are kept to at most 100 characters.
//
// Language files are INI files, read in UTF-8 or (files of older installations) GBK.

#include <memory>
#include <string>

#include "runtime/texts.h"
#include "shell/startup_switches.h"

namespace ql {

class IniFile;

// The version shown in the window title and compared by the update check.
inline constexpr const char* kProgramVersion = "V2.0.1.19";
// COMLINK texts longer than this are cut.
inline constexpr std::size_t kLinkTextMaxChars = 100;

class LanguageTexts {
 public:
  // No file: every text empty apart from the built-in defaults.
  LanguageTexts();
  // The file's texts; an unreadable or missing file gives the same as no file.
  static LanguageTexts fromFile(const std::string& path);
  // Texts from file contents already in memory (UTF-8 or GBK).
  static LanguageTexts fromBytes(const std::string& bytes);

  std::string text(const std::string& section, const std::string& key) const;
  // A lookup that stays valid after this object is gone.
  TextLookup lookup() const;

  // main_name, two blanks and the program version.
  std::string windowTitle() const;
  // Caption and unit of the third live-value field (QL310/ql310_third_dis1..3, _bit1..3).
  std::string thirdFieldCaption(ThirdField field) const;
  std::string thirdFieldUnit(ThirdField field) const;

 private:
  explicit LanguageTexts(std::shared_ptr<const IniFile> ini);
  std::shared_ptr<const IniFile> ini_;
};

// A built-in default text, or empty (for keys that have none).
std::string defaultLanguageText(const std::string& section, const std::string& key);

}  // namespace ql
