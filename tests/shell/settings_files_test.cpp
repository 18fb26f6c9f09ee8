// Sysuse.ini and the window geometry rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/ini_file.h"
#include "shell/startup_switches.h"
#include "shell/window_geometry.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

TEST(StartupSwitches, FirstStartCreatesTheFileWithTheDefaults) {
  test::TempDir dir;
  const std::string path = dir.file("Sysuse.ini");
  const StartupSwitches switches = StartupSwitches::loadOrCreate(path);
  EXPECT_EQ(switches.autoStart, 1);
  EXPECT_EQ(switches.displayThird, 1);
  EXPECT_EQ(switches.displayLength, 2);
  EXPECT_EQ(switches.autoDisplay, 1);
  EXPECT_EQ(switches.linkEcho, 0);

  IniFile written;
  ASSERT_TRUE(written.load(path));
  EXPECT_EQ(written.keys("CONFIG"), (std::vector<std::string>{"AUTOSTART", "DIS_THIRD", "LINKECHO"}));
  EXPECT_EQ(written.keys("SAVE"), (std::vector<std::string>{"DISPLAYLENGTH", "AUTODISPLAY"}));
  EXPECT_EQ(written.readString("CONFIG", "AUTOSTART"), "1");
  EXPECT_EQ(written.readString("CONFIG", "DIS_THIRD"), "1");
  EXPECT_EQ(written.readString("SAVE", "DISPLAYLENGTH"), "2");
  EXPECT_EQ(written.readString("SAVE", "AUTODISPLAY"), "1");
  EXPECT_EQ(written.readString("CONFIG", "LINKECHO"), "0");
}

TEST(StartupSwitches, AnExistingFileIsReadAndNeverRewritten) {
  test::TempDir dir;
  const std::string text =
      "[CONFIG]\r\nAUTOSTART=0\r\nDIS_THIRD=3\r\nLINKECHO=1\r\n[SAVE]\r\nDISPLAYLENGTH=1\r\nAUTODISPLAY="
      "x\r\n";
  dir.write("Sysuse.ini", text);
  const StartupSwitches switches = StartupSwitches::loadOrCreate(dir.file("Sysuse.ini"));
  EXPECT_FALSE(switches.automaticSearch());
  EXPECT_EQ(switches.thirdField(), ThirdField::InternalTemperature);
  EXPECT_EQ(switches.linkEcho, 1);
  EXPECT_TRUE(switches.keepStoredPrecision());
  EXPECT_TRUE(switches.liveDisplayAtStart());  // not a number: the default 1
  EXPECT_EQ(std::filesystem::file_size(dir.file("Sysuse.ini")), text.size());
}

TEST(StartupSwitches, ThirdFieldAndPrecisionRules) {
  struct Case {
    int displayThird;
    ThirdField field;
  };
  for (const Case& c : {Case{1, ThirdField::Conductivity}, Case{2, ThirdField::WaterDepth},
                        Case{3, ThirdField::InternalTemperature}, Case{0, ThirdField::Conductivity},
                        Case{4, ThirdField::Conductivity}, Case{-2, ThirdField::Conductivity}}) {
    StartupSwitches switches;
    switches.displayThird = c.displayThird;
    EXPECT_EQ(switches.thirdField(), c.field) << c.displayThird;
  }
  // Only DISPLAYLENGTH=1 keeps the stored precisions; the default 2 resets them every start.
  for (int value : {0, 2, 3, -1}) {
    StartupSwitches switches;
    switches.displayLength = value;
    EXPECT_FALSE(switches.keepStoredPrecision()) << value;
  }
}

TEST(WindowGeometry, StoredPositionIsRestoredOnlyNearTheScreen) {
  const int screenWidth = 1920, screenHeight = 1080;
  struct Case {
    WindowGeometry stored;
    bool restored;
  };
  const Case cases[] = {
      {{100, 100, 700, 1000}, true},   {{100, -24, 700, 1000}, true},
      {{100, -30, 700, 1000}, false},  {{-24, 100, 700, 1000}, true},
      {{-25, 100, 700, 1000}, false},  {{100, 1129, 700, 1000}, true},  // below screen height + 50
      {{100, 1130, 700, 1000}, false}, {{1969, 100, 700, 1000}, true},
      {{1970, 100, 700, 1000}, false}, {{100, 100, 0, 1000}, false},  // a damaged file: no usable size
      {{100, 100, 700, -5}, false},    {{INT32_MAX, INT32_MIN, 700, 1000}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stored.left << "," << c.stored.top << " " << c.stored.width << "x"
                                    << c.stored.height);
    const auto restored = restorableGeometry(c.stored, screenWidth, screenHeight);
    EXPECT_EQ(restored.has_value(), c.restored);
    if (restored) {
      EXPECT_EQ(*restored, c.stored);
    }
  }
}

}  // namespace
}  // namespace ql
