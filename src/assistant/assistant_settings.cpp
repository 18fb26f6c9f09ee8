#include "assistant/assistant_settings.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "assistant/line_options.h"
#include "runtime/ini_file.h"

namespace ql {
namespace {

constexpr const char* kWindow = "My_Com";
constexpr const char* kSave = "Save_Uses";
constexpr const char* kCom = "Com_Set";
constexpr const char* kSystem = "System_Set";
constexpr const char* kButtons = "Button_Set";
constexpr const char* kTexts = "Text";
constexpr const char* kValue = "Value";

std::string numbered(const char* prefix, int n) { return prefix + std::to_string(n); }
// "Ed01" .. "Ed10"
std::string editKey(int n) { return n < 10 ? "Ed0" + std::to_string(n) : "Ed" + std::to_string(n); }

// A value of a fixed set, or the default when out of range.
int readChoice(const IniFile& ini, const char* section, const std::string& key, int fallback,
               std::initializer_list<int> allowed) {
  const auto v = ini.readInt(section, key, fallback);
  for (int a : allowed) {
    if (v == a) return a;
  }
  return fallback;
}

int readRange(const IniFile& ini, const char* section, const std::string& key, int fallback, int low,
              int high) {
  const auto v = ini.readInt(section, key, fallback);
  return v >= low && v <= high ? static_cast<int>(v) : fallback;
}

// A box index stored as index + 1.
int readBoxIndex(const IniFile& ini, const std::string& key, std::size_t itemCount) {
  return readRange(ini, kCom, key, 1, 1, static_cast<int>(itemCount)) - 1;
}

bool readTick(const IniFile& ini, const char* section, const char* key, int fallback) {
  return ini.readInt(section, key, fallback) == 1;
}

// The first `limit` characters of UTF-8 text (never cutting a character).
std::string firstCharacters(const std::string& text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (count++ == limit) return text.substr(0, i);
  }
  return text;
}

ValueType readType(const IniFile& ini, int n) {
  return readChoice(ini, kValue, numbered("No", n) + "a", 0, {0, 1}) == 1 ? ValueType::Float
                                                                          : ValueType::Integer;
}

}  // namespace

AssistantSettings defaultAssistantSettings() {
  AssistantSettings s;
  s.baudText = kDefaultBaudText;
  s.sendText = kDefaultSendText;
  return s;
}

AssistantSettings readAssistantSettings(const IniFile& ini) {
  AssistantSettings s;
  s.window.top = static_cast<int>(ini.readInt(kWindow, "Top", 100));
  s.window.left = static_cast<int>(ini.readInt(kWindow, "Left", 300));
  s.window.width = readRange(ini, kWindow, "Width", 710, 1, 100000);
  s.window.height = readRange(ini, kWindow, "Height", 561, 1, 100000);
  s.rememberInterface = readTick(ini, kSave, "AutoSave", 0);
  s.portName = ini.readString(kCom, "ComNumber");
  s.baudText = ini.readString(kCom, "BaudRate");
  s.parityIndex = readBoxIndex(ini, "Parity", parityItems().size());
  s.dataBitsIndex = readBoxIndex(ini, "ByteSize", dataBitsItems().size());
  s.stopBitsIndex = readBoxIndex(ini, "StopBits", stopBitsItems().size());
  s.autoClear = readTick(ini, kSystem, "Rxd_AutoClear", 1);
  s.hexDisplay = readTick(ini, kSystem, "Rxd_16_Display", 1);
  s.hexSend = readTick(ini, kSystem, "Txd_16_Display", 1);
  s.autoSendPeriod = readRange(ini, kSystem, "Auto_Send", 1000, kAutoSendPeriodMin, kAutoSendPeriodMax);
  s.sendText = ini.readString(kSystem, "Text_send");
  s.extensionShown = readTick(ini, kSystem, "Extend", 0);
  for (int k = 1; k <= kQuickSendRows; ++k) {
    s.quickSend[k - 1].caption = ini.readString(kButtons, numbered("key", k), kQuickSendDefaultCaption);
    s.quickSend[k - 1].text = ini.readString(kTexts, editKey(k));
  }
  ReadOutParameters& r = s.readOut;
  for (int i = 0; i < 2; ++i) {
    const int n = i + 1;
    r.byPosition[i].name = ini.readString(kValue, numbered("No", n));
    r.byPosition[i].type = readType(ini, n);
    r.byPosition[i].startByte = readRange(ini, kValue, numbered("No", n) + "b", 1, 1, 256);
    r.byPosition[i].count = readChoice(ini, kValue, numbered("No", n) + "c", 4, {4, 8});
  }
  for (int i = 0; i < 2; ++i) {
    const int n = i + 3;
    r.byPattern[i].name = ini.readString(kValue, numbered("No", n));
    r.byPattern[i].type = readType(ini, n);
    r.byPattern[i].pattern = ini.readString(kValue, numbered("No", n) + "b");
    r.byPattern[i].count = readChoice(ini, kValue, numbered("No", n) + "c", 4, {4, 8});
  }
  r.bcd.name = ini.readString(kValue, "No5");
  r.bcd.pattern = ini.readString(kValue, "No5b");
  r.bcd.count = readRange(ini, kValue, "No5c", 1, 1, 15);
  r = limitReadOutTexts(r);
  return s;
}

void writeInterfaceSettings(IniFile& ini, const AssistantSettings& s) {
  ini.writeInt(kWindow, "Top", s.window.top);
  ini.writeInt(kWindow, "Left", s.window.left);
  ini.writeInt(kWindow, "Width", s.window.width);
  ini.writeInt(kWindow, "Height", s.window.height);
  ini.writeInt(kSave, "AutoSave", s.rememberInterface ? 1 : 0);
  ini.writeString(kCom, "ComNumber", s.portName);
  ini.writeString(kCom, "BaudRate", s.baudText);
  ini.writeInt(kCom, "Parity", s.parityIndex + 1);
  ini.writeInt(kCom, "ByteSize", s.dataBitsIndex + 1);
  ini.writeInt(kCom, "StopBits", s.stopBitsIndex + 1);
  ini.writeInt(kSystem, "Rxd_AutoClear", s.autoClear ? 1 : 0);
  ini.writeInt(kSystem, "Rxd_16_Display", s.hexDisplay ? 1 : 0);
  ini.writeInt(kSystem, "Txd_16_Display", s.hexSend ? 1 : 0);
  ini.writeInt(kSystem, "Auto_Send", s.autoSendPeriod);
  ini.writeString(kSystem, "Text_send", s.sendText);
  for (int k = 1; k <= kQuickSendRows; ++k)
    ini.writeString(kButtons, numbered("key", k), s.quickSend[k - 1].caption);
  for (int k = 1; k <= kQuickSendRows; ++k) ini.writeString(kTexts, editKey(k), s.quickSend[k - 1].text);
  ini.writeInt(kSystem, "Extend", s.extensionShown ? 1 : 0);
}

void writeRememberOff(IniFile& ini) { ini.writeInt(kSave, "AutoSave", 0); }

ReadOutParameters limitReadOutTexts(ReadOutParameters r) {
  for (auto& p : r.byPosition) p.name = firstCharacters(p.name, kReadOutTextLimit);
  for (auto& p : r.byPattern) {
    p.name = firstCharacters(p.name, kReadOutTextLimit);
    p.pattern = firstCharacters(p.pattern, kReadOutTextLimit);
  }
  r.bcd.name = firstCharacters(r.bcd.name, kReadOutTextLimit);
  r.bcd.pattern = firstCharacters(r.bcd.pattern, kReadOutTextLimit);
  return r;
}

void writeReadOutSettings(IniFile& ini, const ReadOutParameters& parameters) {
  const ReadOutParameters r = limitReadOutTexts(parameters);
  ini.writeString(kValue, "No1", r.byPosition[0].name);
  ini.writeString(kValue, "No2", r.byPosition[1].name);
  ini.writeString(kValue, "No3", r.byPattern[0].name);
  ini.writeString(kValue, "No4", r.byPattern[1].name);
  ini.writeString(kValue, "No5", r.bcd.name);
  ini.writeInt(kValue, "No1a", static_cast<int>(r.byPosition[0].type));
  ini.writeInt(kValue, "No2a", static_cast<int>(r.byPosition[1].type));
  ini.writeInt(kValue, "No3a", static_cast<int>(r.byPattern[0].type));
  ini.writeInt(kValue, "No4a", static_cast<int>(r.byPattern[1].type));
  ini.writeInt(kValue, "No5a", 0);  // BCD is parameter 5's only type
  ini.writeInt(kValue, "No1b", r.byPosition[0].startByte);
  ini.writeInt(kValue, "No1c", r.byPosition[0].count);
  ini.writeInt(kValue, "No2b", r.byPosition[1].startByte);
  ini.writeInt(kValue, "No2c", r.byPosition[1].count);
  ini.writeString(kValue, "No3b", r.byPattern[0].pattern);
  ini.writeInt(kValue, "No3c", r.byPattern[0].count);
  ini.writeString(kValue, "No4b", r.byPattern[1].pattern);
  ini.writeInt(kValue, "No4c", r.byPattern[1].count);
  ini.writeString(kValue, "No5b", r.bcd.pattern);
  ini.writeInt(kValue, "No5c", r.bcd.count);
}

std::string chooseSettingsPath(const std::string& workingDir, const std::string& configDir) {
  const std::filesystem::path local = std::filesystem::path(workingDir) / "serulo.ini";
  std::error_code ec;
  if (std::filesystem::is_regular_file(local, ec) && ::access(local.c_str(), W_OK) == 0)
    return local.string();
  return (std::filesystem::path(configDir) / "serulo.ini").string();
}

std::string userConfigDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/serulo";
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/serulo";
  return ".";
}

}  // namespace ql
