#include "shell/startup_switches.h"

#include <climits>
#include <filesystem>
#include <system_error>

#include "runtime/ini_file.h"

namespace ql {

namespace {

// The update server's address sits in Sysuse.ini beside the switches (not a language text).
constexpr const char* kUpdateSection = "UPDATE";
constexpr const char* kServerKey = "SERVER";

int readSwitch(const IniFile& ini, const char* section, const char* key, int fallback) {
  const std::int64_t value = ini.readInt(section, key, fallback);
  return value < INT_MIN || value > INT_MAX ? fallback : static_cast<int>(value);
}

}  // namespace

ThirdField StartupSwitches::thirdField() const {
  if (displayThird == 2) return ThirdField::WaterDepth;
  if (displayThird == 3) return ThirdField::InternalTemperature;
  return ThirdField::Conductivity;
}

StartupSwitches StartupSwitches::loadOrCreate(const std::string& path) {
  const StartupSwitches defaults;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    IniFile created;
    created.writeInt("CONFIG", "AUTOSTART", defaults.autoStart);
    created.writeInt("CONFIG", "DIS_THIRD", defaults.displayThird);
    created.writeInt("SAVE", "DISPLAYLENGTH", defaults.displayLength);
    created.writeInt("SAVE", "AUTODISPLAY", defaults.autoDisplay);
    created.writeInt("CONFIG", "LINKECHO", defaults.linkEcho);
    created.writeString(kUpdateSection, kServerKey, defaults.updateServer);
    created.save(path);  // a read-only home still runs with the defaults
  }

  IniFile ini;
  ini.load(path);
  StartupSwitches switches;
  switches.autoStart = readSwitch(ini, "CONFIG", "AUTOSTART", defaults.autoStart);
  switches.displayThird = readSwitch(ini, "CONFIG", "DIS_THIRD", defaults.displayThird);
  switches.displayLength = readSwitch(ini, "SAVE", "DISPLAYLENGTH", defaults.displayLength);
  switches.autoDisplay = readSwitch(ini, "SAVE", "AUTODISPLAY", defaults.autoDisplay);
  switches.linkEcho = readSwitch(ini, "CONFIG", "LINKECHO", defaults.linkEcho);
  switches.updateServer = ini.readString(kUpdateSection, kServerKey, defaults.updateServer);
  return switches;
}

}  // namespace ql
