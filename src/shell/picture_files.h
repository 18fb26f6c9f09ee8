#pragma once
// The eleven button and battery pictures delivered with velmo. They are PNG images whatever
// their extension (load them with the format given explicitly). The program does not run
// without all of them: the window ends it with the language file's SYSTEMINFORMATION
// systemfileerror / systemerrorinfo message when the check below reports a file.

#include <array>
#include <string>
#include <vector>

namespace ql {

enum class Picture {
  NavigationNormal,   // Syscaco.svd: large navigation button
  NavigationPressed,  // Syscact.svd
  NavigationHover,    // Syscacr.svd: mouse over
  ActionNormal,       // Syscacf.svd: small action button (connect, delete, show, ...)
  ActionPressed,      // Syscace.svd
  WideNormal,         // Syscacl.svd: wide action button (CSV export, read/write configuration)
  WidePressed,        // Syscacq.svd
  Menu,               // menupg.svd: program menu button of the configuration page
  BatteryLow,         // bat1.sdv
  BatteryMiddle,      // bat2.sdv
  BatteryFull,        // bat3.sdv: shown at start
};

// Load order (as listed above).
inline constexpr std::array<Picture, 11> kPictures{
    Picture::NavigationNormal, Picture::NavigationPressed, Picture::NavigationHover, Picture::ActionNormal,
    Picture::ActionPressed,    Picture::WideNormal,        Picture::WidePressed,     Picture::Menu,
    Picture::BatteryLow,       Picture::BatteryMiddle,     Picture::BatteryFull};

// Order of the start-up check (the menu picture comes last).
inline constexpr std::array<Picture, 11> kPictureCheckOrder{Picture::NavigationNormal,
                                                            Picture::NavigationPressed,
                                                            Picture::NavigationHover,
                                                            Picture::ActionNormal,
                                                            Picture::ActionPressed,
                                                            Picture::WideNormal,
                                                            Picture::WidePressed,
                                                            Picture::BatteryLow,
                                                            Picture::BatteryMiddle,
                                                            Picture::BatteryFull,
                                                            Picture::Menu};

const char* pictureFileName(Picture picture);

// Picture for a battery percentage: full from 67, middle from 33 to 66, low up to 32.
Picture batteryPicture(int percent);

struct PictureCheck {
  // Path of the picture in the first directory that has it; empty when none has.
  static std::string locate(Picture picture, const std::vector<std::string>& dirs);
  // File names of the pictures that are missing or are no PNG image, in check order; empty
  // when the program may run.
  static std::vector<std::string> missingFiles(const std::vector<std::string>& dirs);
};

}  // namespace ql
