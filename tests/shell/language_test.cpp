#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <utility>

#include "runtime/encoding.h"
#include "runtime/ini_file.h"
#include "shell/language_choice.h"
#include "shell/language_keys.h"
#include "shell/language_texts.h"
#include "shell/utf8_text.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

using KeySet = std::set<std::pair<std::string, std::string>>;

KeySet keysOf(const IniFile& ini) {
  KeySet keys;
  for (const std::string& section : ini.sections()) {
    for (const std::string& key : ini.keys(section)) keys.emplace(section, key);
  }
  return keys;
}

// The delivered files hold exactly the keys the program reads, each with a text.
TEST(LanguageFiles, DeliveredFilesHoldEveryKeyTheProgramReads) {
  KeySet used;
  for (const LanguageKey& k : languageKeys()) {
    EXPECT_TRUE(used.emplace(k.section, k.key).second) << "listed twice: " << k.section << "/" << k.key;
  }
  for (const char* language : {"chinese", "english"}) {
    SCOPED_TRACE(language);
    IniFile file;
    ASSERT_TRUE(file.load(std::string(QL_RESOURCE_DIR) + "/" + language + ".lag"));
    const KeySet present = keysOf(file);
    for (const auto& [section, key] : used) {
      EXPECT_TRUE(present.count({section, key})) << "missing " << section << "/" << key;
      EXPECT_FALSE(file.readString(section, key).empty()) << "empty " << section << "/" << key;
    }
    for (const auto& [section, key] : present) {
      EXPECT_TRUE(used.count({section, key})) << "not read by the program: " << section << "/" << key;
    }
    // Connection texts are shown whole: none reaches the cut.
    for (const auto& [section, key] : present) {
      if (section == "COMLINK") {
        EXPECT_LE(utf8Length(file.readString(section, key)), kLinkTextMaxChars);
      }
    }
  }
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Every text the sources look up by a literal section and key ("COMLINK", "com_link_ok") is one
// the language files deliver: a misspelt key would show an empty caption.
TEST(LanguageFiles, EveryKeyLookedUpInTheSourcesIsDelivered) {
  KeySet known;
  for (const LanguageKey& k : languageKeys()) known.emplace(lowerCase(k.section), lowerCase(k.key));
  const std::regex lookup(
      "\"(MAIN|COMLINK|SYSTEMINFORMATION|GRID|BIT|BUTTON|SUB|ITEM|TASK|QL310|MENU|UPDATE|SYSTEMSET)\""
      "\\s*,\\s*\"([A-Za-z0-9_]+)\"\\s*[),}]");
  int lookups = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(QL_SOURCE_DIR)) {
    const std::string path = entry.path().string();
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
    if (entry.path().filename() == "language_keys.cpp") continue;
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    for (std::sregex_iterator it(text.begin(), text.end(), lookup), end; it != end; ++it) {
      ++lookups;
      EXPECT_TRUE(known.count({lowerCase((*it)[1]), lowerCase((*it)[2])}))
          << path << ": " << (*it)[1] << "/" << (*it)[2] << " is in no language file";
    }
  }
  EXPECT_GT(lookups, 0);
}

TEST(LanguageFiles, DeliveredTextsReadAsDesigned) {
  const auto chinese = LanguageTexts::fromFile(std::string(QL_RESOURCE_DIR) + "/chinese.lag");
  EXPECT_EQ(chinese.text("MAIN", "btn_down"), "数据下载");
  EXPECT_EQ(chinese.text("ITEM", "item_items4"), "快速定深刨面模式");
  EXPECT_EQ(chinese.windowTitle(), "QL310 仪器配置软件  V2.0.1.19");
  const auto english = LanguageTexts::fromFile(std::string(QL_RESOURCE_DIR) + "/english.lag");
  EXPECT_EQ(english.text("COMLINK", "com_link_ok"), "Connected");
  EXPECT_EQ(english.thirdFieldCaption(ThirdField::WaterDepth), "Water depth:");
  EXPECT_EQ(english.thirdFieldUnit(ThirdField::InternalTemperature), "°C");
}

TEST(LanguageTexts, MissingKeysAreEmptyExceptTheBuiltInDefaults) {
  const LanguageTexts none;  // no language file at all
  EXPECT_EQ(none.text("MAIN", "main_name"), "QL310 Instrument Configuration Software");
  EXPECT_EQ(none.text("MAIN", "btn_down"), "Data Read");
  EXPECT_EQ(none.text("MAIN", "btn_data"), "Date Information");
  EXPECT_EQ(none.text("MAIN", "btn_set"), "Data Set");
  EXPECT_EQ(none.text("ITEM", "item_items1"), "1");
  EXPECT_EQ(none.text("ITEM", "item_items4"), "4");
  EXPECT_EQ(none.text("SYSTEMINFORMATION", "systemfileerror"), "");
  EXPECT_EQ(none.text("MAIN", "cpt_nowdata"), "");  // a caption loses its designed text too
  EXPECT_EQ(none.windowTitle(), "QL310 Instrument Configuration Software  V2.0.1.19");

  const auto file = LanguageTexts::fromBytes("[main]\nMAIN_NAME=Velmo\n[ITEM]\nitem_items2=Interval\n");
  EXPECT_EQ(file.text("MAIN", "main_name"), "Velmo");  // names match in any case
  EXPECT_EQ(file.text("ITEM", "item_items2"), "Interval");
  EXPECT_EQ(file.text("ITEM", "item_items3"), "3");
  EXPECT_EQ(LanguageTexts::fromFile("/nonexistent/x.lag").text("MAIN", "btn_set"), "Data Set");
}

TEST(LanguageTexts, ConnectionTextsAreCutTo100Characters) {
  std::string longText;
  for (int i = 0; i < 150; ++i) longText += (i % 2 ? "连" : "a");
  const auto texts =
      LanguageTexts::fromBytes("[COMLINK]\ncom_link_ok=" + longText + "\ncom_mac_notlink=" + longText +
                               "\n[MAIN]\ncpt_state=" + longText + "\n");
  EXPECT_EQ(texts.text("COMLINK", "com_link_ok"), utf8Prefix(longText, 100));
  EXPECT_EQ(utf8Length(texts.text("COMLINK", "com_link_ok")), 100u);
  EXPECT_EQ(texts.lookup()("COMLINK", "com_link_ok"), utf8Prefix(longText, 100));
  EXPECT_EQ(texts.text("COMLINK", "com_mac_notlink"), longText);  // the one COMLINK text not cut
  EXPECT_EQ(texts.text("MAIN", "cpt_state"), longText);
}

TEST(LanguageTexts, GbkFileOfAnOlderInstallationReads) {
  test::TempDir dir;
  const std::string utf8 = "[MAIN]\r\nbtn_down=数据下载\r\n[COMLINK]\r\ncom_link_ok=已连接\r\n";
  const std::string gbk = utf8ToGbk(utf8);
  ASSERT_NE(gbk, utf8);
  dir.write("chinese.lag", gbk);
  const auto texts = LanguageTexts::fromFile(dir.file("chinese.lag"));
  EXPECT_EQ(texts.text("MAIN", "btn_down"), "数据下载");
  EXPECT_EQ(texts.text("COMLINK", "com_link_ok"), "已连接");
}

TEST(LanguageChoice, StoredLanguageFallsBackToChineseWhenItsFileIsGone) {
  test::TempDir home, shared;
  home.write("english.lag", "[MAIN]\n");
  shared.write("chinese.lag", "[MAIN]\n");
  shared.write("english.lag", "[MAIN]\n");
  const std::vector<std::string> dirs{home.path(), shared.path()};

  EXPECT_EQ(chooseLanguageFile("english", dirs).path, home.file("english.lag"));  // home first
  EXPECT_EQ(chooseLanguageFile("english", dirs).name, "english");
  for (const char* stored : {"french", "", "../chinese", "sub/english"}) {
    SCOPED_TRACE(stored);
    const LanguageChoice choice = chooseLanguageFile(stored, dirs);
    EXPECT_EQ(choice.name, "chinese");
    EXPECT_EQ(choice.path, shared.file("chinese.lag"));
  }
  const LanguageChoice nothing = chooseLanguageFile("english", {});
  EXPECT_EQ(nothing.name, "chinese");
  EXPECT_EQ(nothing.path, "");
}

TEST(LanguageChoice, LanguageBoxListsTheLanguageFiles) {
  test::TempDir home, shared;
  home.write("english.lag", "");
  home.write("deutsch.v2.lag", "");
  home.write(".lag", "");
  home.write("notes.txt", "");
  home.write("english.lag.bak", "");
  shared.write("chinese.lag", "");
  shared.write("english.lag", "");
  EXPECT_EQ(listLanguages({home.path(), shared.path()}),
            (std::vector<std::string>{"chinese", "deutsch", "english"}));
}

TEST(LanguageChoice, LanguageBoxTextBecomesTheStoredNameWhenLongerThanTwoCharacters) {
  const std::string longName(150, 'n');
  struct Case {
    std::string boxText, expected;
  };
  const Case cases[] = {
      {"english", "english"}, {"en", "chinese"},    {"", "chinese"},
      {"中文", "chinese"},    {"中文版", "中文版"}, {longName, std::string(100, 'n')},
  };
  for (const Case& c : cases) EXPECT_EQ(languageNameAtExit("chinese", c.boxText), c.expected) << c.boxText;
}

TEST(LanguageChoice, FirstStartFollowsTheMessagesLocale) {
  const std::vector<std::string> both{"chinese", "english"};
  const std::vector<std::string> chineseOnly{"chinese"};
  struct Case {
    std::string locale;
    const std::vector<std::string>* available;
    std::string expected;
  };
  const Case cases[] = {
      {"zh_CN.UTF-8", &both, "chinese"},
      {"zh_TW", &both, "chinese"},
      {"zh", &both, "chinese"},
      {"en_GB.UTF-8", &both, "english"},
      {"de_DE", &both, "english"},
      {"C", &both, "english"},
      {"", &both, "english"},
      {"en_US.UTF-8", &chineseOnly, "chinese"},
  };
  for (const Case& c : cases) EXPECT_EQ(languageForLocale(c.locale, *c.available), c.expected) << c.locale;
}

TEST(LanguageChoice, MessagesLocaleIsTheFirstSetOfLcAllLcMessagesLang) {
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  };
  std::vector<Saved> saved;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
  }
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "zh_CN.UTF-8", 1);
  ::setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_EQ(messagesLocaleFromEnvironment(), "zh_CN.UTF-8");
  ::setenv("LC_ALL", "de_DE", 1);
  EXPECT_EQ(messagesLocaleFromEnvironment(), "de_DE");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  EXPECT_EQ(messagesLocaleFromEnvironment(), "en_US.UTF-8");
  ::unsetenv("LANG");
  EXPECT_EQ(messagesLocaleFromEnvironment(), "");
  for (const Saved& s : saved) {
    if (s.value) {
      ::setenv(s.name, s.value->c_str(), 1);
    } else {
      ::unsetenv(s.name);
    }
  }
}

}  // namespace
}  // namespace ql
