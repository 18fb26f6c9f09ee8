#include "assistant/assistant_session.h"

#include <filesystem>

#include "assistant/receive_area_file.h"
#include "runtime/ini_file.h"

namespace ql {

namespace {

std::string defaultSettingsPath() {
  std::error_code ec;
  return chooseSettingsPath(std::filesystem::current_path(ec).string(), userConfigDir());
}

}  // namespace

AssistantSession::AssistantSession(std::string settingsPath)
    : settingsPath_(settingsPath.empty() ? defaultSettingsPath() : std::move(settingsPath)) {}

bool AssistantSession::load() {
  IniFile ini;
  loadedFromFile_ = ini.load(settingsPath_);
  if (loadedFromFile_) {
    settings_ = readAssistantSettings(ini);
    quickSend_.setRows(settings_.quickSend);
  }
  restoredReceiveText_ = readReceiveAreaFile(receiveAreaFilePath(settingsPath_));
  return loadedFromFile_;
}

AssistantSettings AssistantSession::current() const {
  AssistantSettings s = settings_;
  s.quickSend = quickSend_.rows();
  return s;
}

bool AssistantSession::writeFile(const IniFile& ini) const {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(settingsPath_).parent_path(), ec);
  return ini.save(settingsPath_);
}

bool AssistantSession::acceptControlForm(const std::array<std::string, kQuickSendRows>& captions,
                                         const ReadOutParameters& parameters) {
  for (int k = 0; k < kQuickSendRows; ++k) quickSend_.setCaption(k, captions[k]);
  settings_.readOut = limitReadOutTexts(parameters);
  IniFile ini;
  ini.load(settingsPath_);
  writeReadOutSettings(ini, settings_.readOut);
  return writeFile(ini);
}

bool AssistantSession::saveAtExit(const std::string& receiveAreaUtf8) {
  if (savedAtExit_) return true;
  savedAtExit_ = true;
  IniFile ini;
  const bool haveFile = ini.load(settingsPath_);
  if (settings_.rememberInterface) {
    writeInterfaceSettings(ini, current());
    if (!writeFile(ini)) return false;
    // A text of three characters or fewer is not stored; that is no failure.
    writeReceiveAreaFile(receiveAreaFilePath(settingsPath_), receiveAreaUtf8);
    return true;
  }
  if (!haveFile) return true;
  writeRememberOff(ini);  // so that the box stays unticked at the next start
  return writeFile(ini);
}

}  // namespace ql
