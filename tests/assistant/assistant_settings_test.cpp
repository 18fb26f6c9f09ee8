#include "assistant/assistant_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "assistant/receive_area_file.h"
#include "runtime/ini_file.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

class SettingsFiles : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return (dir_ / name).string(); }
  void writeRaw(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }

  test::TempDir scratch_{"serulo-settings"};
  fs::path dir_ = scratch_.path();
};

AssistantSettings changedSettings() {
  AssistantSettings s = defaultAssistantSettings();
  s.window = {12, 34, 800, 600};
  s.rememberInterface = true;
  s.portName = "/dev/pts/7";
  s.baudText = "921600";
  s.parityIndex = 2;
  s.dataBitsIndex = 1;
  s.stopBitsIndex = 2;
  s.autoClear = false;
  s.hexDisplay = false;
  s.hexSend = false;
  s.autoSendPeriod = 250;
  s.sendText = "AT+测试";
  s.extensionShown = true;
  for (int k = 0; k < kQuickSendRows; ++k) {
    s.quickSend[k].caption = "键" + std::to_string(k + 1);
    s.quickSend[k].text = "01 03 00 0" + std::to_string(k);
  }
  s.readOut.byPosition[0] = {"温度", ValueType::Float, 3, 8};
  s.readOut.byPosition[1] = {"压力", ValueType::Integer, 256, 4};
  s.readOut.byPattern[0] = {"电导", ValueType::Integer, "AA55", 4};
  s.readOut.byPattern[1] = {"盐度", ValueType::Float, "7E", 8};
  s.readOut.bcd = {"时间", "68", 15};
  return s;
}

TEST_F(SettingsFiles, EverySettingSurvivesAWriteAndARead) {
  const AssistantSettings saved = changedSettings();
  IniFile out;
  writeInterfaceSettings(out, saved);
  writeReadOutSettings(out, saved.readOut);
  ASSERT_TRUE(out.save(path("serulo.ini")));

  IniFile in;
  ASSERT_TRUE(in.load(path("serulo.ini")));
  EXPECT_EQ(readAssistantSettings(in), saved);
  EXPECT_EQ(in.sections(), (std::vector<std::string>{"My_Com", "Save_Uses", "Com_Set", "System_Set",
                                                     "Button_Set", "Text", "Value"}));
  EXPECT_EQ(in.readString("Com_Set", "Parity"), "3");  // box index + 1
  EXPECT_EQ(in.readString("Text", "Ed10"), "01 03 00 09");
}

TEST_F(SettingsFiles, MissingAndInvalidValuesTakeTheirDefaults) {
  IniFile ini;
  ini.parse(
      "[Com_Set]\r\nParity=9\r\nByteSize=abc\r\n[System_Set]\r\nAuto_Send=0\r\nRxd_16_Display=2\r\n"
      "[Value]\r\nNo1c=5\r\nNo1b=0\r\nNo3c=8\r\nNo5c=16\r\nNo2a=7\r\n");
  const AssistantSettings s = readAssistantSettings(ini);
  EXPECT_EQ(s.window, WindowGeometry{});
  EXPECT_FALSE(s.rememberInterface);
  EXPECT_EQ(s.portName, "");
  EXPECT_EQ(s.parityIndex, 0);
  EXPECT_EQ(s.dataBitsIndex, 0);
  EXPECT_EQ(s.autoSendPeriod, 1000);
  EXPECT_FALSE(s.hexDisplay);  // any value other than 1 unticks
  EXPECT_TRUE(s.autoClear);
  EXPECT_EQ(s.sendText, "");
  EXPECT_EQ(s.quickSend[9].caption, "发送");
  EXPECT_EQ(s.readOut.byPosition[0].count, 4);
  EXPECT_EQ(s.readOut.byPosition[0].startByte, 1);
  EXPECT_EQ(s.readOut.byPattern[0].count, 8);
  EXPECT_EQ(s.readOut.bcd.count, 1);
  EXPECT_EQ(s.readOut.byPosition[1].type, ValueType::Integer);
}

TEST_F(SettingsFiles, UntickingRememberIsItselfRemembered) {
  IniFile ini;
  writeInterfaceSettings(ini, changedSettings());
  writeRememberOff(ini);
  const AssistantSettings s = readAssistantSettings(ini);
  EXPECT_FALSE(s.rememberInterface);
  EXPECT_EQ(s.portName, "/dev/pts/7");  // the rest is left as it was
}

TEST_F(SettingsFiles, ReadOutNamesAndPatternsAreCutToOneHundredCharacters) {
  ReadOutParameters p;
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "名";
  p.byPosition[0].name = longName;
  p.byPattern[1].pattern = std::string(150, 'A');
  IniFile ini;
  writeReadOutSettings(ini, p);
  const ReadOutParameters r = readAssistantSettings(ini).readOut;
  EXPECT_EQ(r.byPosition[0].name.size(), 100u * 3);  // 100 characters of 3 UTF-8 bytes
  EXPECT_EQ(r.byPattern[1].pattern, std::string(100, 'A'));
}

TEST_F(SettingsFiles, SettingsFileIsTakenFromTheWorkingDirectoryWhenThere) {
  const std::string config = path("config");
  EXPECT_EQ(chooseSettingsPath(dir_.string(), config), config + "/serulo.ini");
  writeRaw(path("serulo.ini"), "[My_Com]\r\n");
  EXPECT_EQ(chooseSettingsPath(dir_.string(), config), path("serulo.ini"));
  EXPECT_EQ(receiveAreaFilePath(path("serulo.ini")), path("serulo.inm"));

  // One this user may not write would forget every change: the configuration one is used.
  if (::geteuid() == 0) return;  // root writes anything
  fs::permissions(path("serulo.ini"), fs::perms::owner_read);
  EXPECT_EQ(chooseSettingsPath(dir_.string(), config), config + "/serulo.ini");
}

TEST_F(SettingsFiles, ReceiveAreaOfSeventyThousandCharactersComesBackAsItsFirst65530) {
  std::string text;
  for (int i = 0; i < 70000; ++i) text.push_back(static_cast<char>('A' + i % 26));
  const std::string file = path("serulo.inm");
  ASSERT_TRUE(writeReceiveAreaFile(file, text));
  EXPECT_EQ(fs::file_size(file), 4u + 65530);
  EXPECT_EQ(readReceiveAreaFile(file), text.substr(0, 65530));

  // A shorter text later replaces it entirely (no tail of the older content survives).
  ASSERT_TRUE(writeReceiveAreaFile(file, "01 02 03 温度"));
  EXPECT_EQ(readReceiveAreaFile(file), "01 02 03 温度");
}

TEST_F(SettingsFiles, ReceiveAreaFileIsWrittenOnlyForMoreThanThreeCharacters) {
  const std::string file = path("serulo.inm");
  EXPECT_FALSE(writeReceiveAreaFile(file, "温度x"));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(writeReceiveAreaFile(file, "温度xy"));
}

TEST_F(SettingsFiles, ReceiveAreaCutNeverSplitsACharacter) {
  std::string text(65529, 'a');
  text += "温度";
  ASSERT_TRUE(writeReceiveAreaFile(path("c.inm"), text));
  EXPECT_EQ(readReceiveAreaFile(path("c.inm")), std::string(65529, 'a'));
}

TEST_F(SettingsFiles, DamagedReceiveAreaFilesAreRejectedWithoutReadingPastTheirLength) {
  auto le = [](std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                       static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24)};
  };
  const std::string body(70000, 'x');
  const std::pair<const char*, std::string> cases[] = {
      {"length above the limit", le(65531) + body},
      {"negative length", le(0xFFFFFFF0u) + body},
      {"length beyond the end of the file", le(100) + std::string(50, 'x')},
      {"not longer than 8 bytes", le(4) + "abcd"},
  };
  for (const auto& [what, bytes] : cases) {
    writeRaw(path("bad.inm"), bytes);
    EXPECT_FALSE(readReceiveAreaFile(path("bad.inm"))) << what;
  }
  EXPECT_FALSE(readReceiveAreaFile(path("missing.inm")));
}

TEST_F(SettingsFiles, ReceiveAreaFileFromAnOlderInstallationInGbkReads) {
  writeRaw(path("old.inm"), std::string("\x08\x00\x00\x00"
                                        "AB \xCE\xC2\xB6\xC8 ",
                                        12));
  EXPECT_EQ(readReceiveAreaFile(path("old.inm")), "AB 温度 ");
}

}  // namespace
}  // namespace ql
