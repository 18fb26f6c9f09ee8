// velmo's home and the delivered pictures.
#include <gtest/gtest.h>

#include <filesystem>

#include "shell/picture_files.h"
#include "shell/velmo_home.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

TEST(VelmoHome, HomeIsChosenInOrder) {
  HomeInputs all{"/opt/cmdline/", "/env/home", "/usr/bin", true, "/home/u/.local/share/velmo"};
  EXPECT_EQ(chooseHomeDir(all), "/opt/cmdline");
  all.commandLineHome.clear();
  EXPECT_EQ(chooseHomeDir(all), "/env/home");
  all.environmentHome.clear();
  EXPECT_EQ(chooseHomeDir(all), "/usr/bin");  // a portable install
  all.executableDirWritable = false;
  EXPECT_EQ(chooseHomeDir(all), "/home/u/.local/share/velmo");
}

TEST(VelmoHome, DataDirectoriesAndResourceLookup) {
  test::TempDir home, shared;
  const VelmoHome velmoHome(home.path() + "/", {shared.path(), "/nonexistent/share"});
  EXPECT_EQ(velmoHome.sysuseDataPath(), home.path() + "/sysuse.d");
  EXPECT_TRUE(velmoHome.createDataDirectories());
  EXPECT_TRUE(fs::is_directory(home.file("bakwlr")));
  EXPECT_TRUE(fs::is_directory(home.file("V_recoder")));
  EXPECT_EQ(velmoHome.resourceDirs(), (std::vector<std::string>{home.path(), shared.path()}));

  shared.write("english.lag", "shared");
  EXPECT_EQ(velmoHome.findResource("english.lag"), shared.file("english.lag"));
  home.write("english.lag", "own");
  EXPECT_EQ(velmoHome.findResource("english.lag"), home.file("english.lag"));
  EXPECT_EQ(velmoHome.findResource("french.lag"), "");
}

TEST(PictureCheck, DeliveredPicturesAreAllThere) {
  EXPECT_TRUE(PictureCheck::missingFiles({QL_RESOURCE_DIR}).empty());
}

TEST(PictureCheck, ReportsMissingAndDamagedPicturesInCheckOrder) {
  test::TempDir home, shared;
  for (Picture picture : kPictures) {
    fs::copy_file(std::string(QL_RESOURCE_DIR) + "/" + pictureFileName(picture),
                  shared.file(pictureFileName(picture)));
  }
  const std::vector<std::string> dirs{home.path(), shared.path()};
  EXPECT_TRUE(PictureCheck::missingFiles(dirs).empty());

  fs::remove(shared.file("menupg.svd"));
  EXPECT_EQ(PictureCheck::missingFiles(dirs), std::vector<std::string>{"menupg.svd"});

  home.write("Syscacr.svd", "GIF89a not a png");  // the home's copy is the one used
  EXPECT_EQ(PictureCheck::missingFiles(dirs), (std::vector<std::string>{"Syscacr.svd", "menupg.svd"}));
  EXPECT_EQ(PictureCheck::locate(Picture::NavigationHover, dirs), home.file("Syscacr.svd"));
}

TEST(PictureCheck, BatteryPictureThresholds) {
  struct Case {
    int percent;
    Picture picture;
  };
  for (const Case& c :
       {Case{100, Picture::BatteryFull}, Case{67, Picture::BatteryFull}, Case{66, Picture::BatteryMiddle},
        Case{33, Picture::BatteryMiddle}, Case{32, Picture::BatteryLow}, Case{0, Picture::BatteryLow},
        Case{-12, Picture::BatteryLow}}) {
    EXPECT_EQ(batteryPicture(c.percent), c.picture) << c.percent;
  }
}

}  // namespace
}  // namespace ql
