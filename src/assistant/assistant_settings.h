#pragma once
// What serulo remembers in serulo.ini: window, port, display and send settings, the quick-send
// rows and the read-out parameters.

#include <array>
#include <string>

#include "assistant/quick_send_rows.h"
#include "assistant/read_out.h"

namespace ql {

class IniFile;

inline constexpr int kAutoSendPeriodMin = 1;
inline constexpr int kAutoSendPeriodMax = 80000;
// Names and patterns of the read-out parameters are kept to this many characters.
inline constexpr std::size_t kReadOutTextLimit = 100;

struct WindowGeometry {
  int top = 100;
  int left = 300;
  int width = 710;  // without the extension panel
  int height = 561;
  friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

struct AssistantSettings {
  WindowGeometry window;
  bool rememberInterface = false;  // "界面记忆"
  std::string portName;
  std::string baudText;
  int parityIndex = 0;
  int dataBitsIndex = 0;
  int stopBitsIndex = 0;
  bool autoClear = true;
  bool hexDisplay = true;
  bool hexSend = true;
  int autoSendPeriod = 1000;
  std::string sendText;
  bool extensionShown = false;
  QuickSendRows::Rows quickSend;
  ReadOutParameters readOut;
  friend bool operator==(const AssistantSettings&, const AssistantSettings&) = default;
};

inline constexpr const char* kDefaultSendText = "1276";

// The window's own defaults, used when there is no settings file.
AssistantSettings defaultAssistantSettings();

// Every key of the file; a missing or invalid value takes its documented default.
AssistantSettings readAssistantSettings(const IniFile& ini);
// Everything but the read-out parameters, in the order the file has always had them.
void writeInterfaceSettings(IniFile& ini, const AssistantSettings& settings);
// Only "界面记忆" = 0: an unticked box is remembered without storing anything else.
void writeRememberOff(IniFile& ini);
// The read-out parameters (section Value); names and patterns cut to kReadOutTextLimit.
void writeReadOutSettings(IniFile& ini, const ReadOutParameters& parameters);
// Names and patterns cut to kReadOutTextLimit characters, as they are kept in memory.
ReadOutParameters limitReadOutTexts(ReadOutParameters parameters);

// serulo.ini in the working directory when one is there that this user may write, else in
// configDir (a settings file that cannot be saved would forget every change).
std::string chooseSettingsPath(const std::string& workingDir, const std::string& configDir);
// $XDG_CONFIG_HOME/serulo, else ~/.config/serulo.
std::string userConfigDir();

}  // namespace ql
