#pragma once
// Sysuse.ini: the five start-up switches beside the settings. The program creates the file with
// its defaults when it is missing and never writes it otherwise.
//
//   [CONFIG] AUTOSTART=1  DIS_THIRD=1  LINKECHO=0
//   [SAVE]   DISPLAYLENGTH=2  AUTODISPLAY=1
//   [UPDATE] SERVER=          the update server's base address (http:// or https://)

#include <string>

namespace ql {

// What the third live-value field of the download page shows.
enum class ThirdField { Conductivity = 1, WaterDepth = 2, InternalTemperature = 3 };

struct StartupSwitches {
  int autoStart = 1;         // CONFIG/AUTOSTART: anything but 1 clears the automatic port search
  int displayThird = 1;      // CONFIG/DIS_THIRD
  int displayLength = 2;     // SAVE/DISPLAYLENGTH: 1 keeps the stored precisions
  int autoDisplay = 1;       // SAVE/AUTODISPLAY: 1 starts with live display on
  int linkEcho = 0;          // CONFIG/LINKECHO: becomes LinkEcho
  std::string updateServer;  // UPDATE/SERVER: empty until the operator names a server

  bool automaticSearch() const { return autoStart == 1; }
  // Any value other than 2 or 3 counts as 1.
  ThirdField thirdField() const;
  bool keepStoredPrecision() const { return displayLength == 1; }
  bool liveDisplayAtStart() const { return autoDisplay == 1; }

  // Creates the file with the defaults when it does not exist (in the order AUTOSTART,
  // DIS_THIRD, DISPLAYLENGTH, AUTODISPLAY, LINKECHO, SERVER), then reads it. A value that is missing or
  // not an integer reads as its default; an unreadable file gives all defaults.
  static StartupSwitches loadOrCreate(const std::string& path);
};

}  // namespace ql
