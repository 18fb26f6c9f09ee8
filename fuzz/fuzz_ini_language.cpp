// The INI reader and the language files: UTF-8 or GBK text, read through the same lookups velmo
// and serulo use.
#include <fuzzer/FuzzedDataProvider.h>

#include "runtime/encoding.h"
#include "runtime/ini_file.h"
#include "shell/language_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  ql::IniFile ini;
  ini.parse(bytes);
  for (const std::string& section : ini.sections())
    for (const std::string& key : ini.keys(section)) {
      ini.readString(section, key);
      ini.readInt(section, key, 0);
    }
  // What is written back reads back to the same sections and keys.
  ql::IniFile again;
  again.parse(ini.serialize());
  if (again.sections().size() != ini.sections().size()) __builtin_trap();

  const std::string text = ql::decodeLegacyText(bytes);
  if (!ql::isValidUtf8(text)) __builtin_trap();
  ql::utf8ToGbk(text);

  const ql::LanguageTexts language = ql::LanguageTexts::fromBytes(bytes);
  language.windowTitle();
  language.text("GRID", "gridst1");
  language.text("MAIN", "Caption");
  return 0;
}
