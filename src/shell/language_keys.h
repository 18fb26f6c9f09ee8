#pragma once
// Every section and key of the language files that velmo reads, in file order. Each delivered
// language file holds exactly these keys.

#include <vector>

namespace ql {

struct LanguageKey {
  const char* section;
  const char* key;
};

const std::vector<LanguageKey>& languageKeys();

}  // namespace ql
