// velmo's home and the delivered pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "shell/picture_files.h"
#include "shell/velmo_home.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

TEST(VelmoHome, HomeIsChosenInOrder) {
  HomeInputs all{"/opt/cmdline/", "/env/home", "/opt/velmo", true, "/home/u/.local/share/velmo"};
  EXPECT_EQ(chooseHomeDir(all), "/opt/cmdline");
  all.commandLineHome.clear();
  EXPECT_EQ(chooseHomeDir(all), "/env/home");
  all.environmentHome.clear();
  EXPECT_EQ(chooseHomeDir(all), "/opt/velmo");  // a portable copy
  all.executableDirInstalled = true;
  EXPECT_EQ(chooseHomeDir(all), "/home/u/.local/share/velmo");  // /usr/bin, even when root may write it
  all.executableDirInstalled = false;
  all.executableDirWritable = false;
  EXPECT_EQ(chooseHomeDir(all), "/home/u/.local/share/velmo");
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(VelmoHome, ResolvedFromTheCommandLineThenVelmoHomeAndCreated) {
  test::TempDir scratch;
  const ScopedVariable variable("VELMO_HOME", (scratch.path() + "/from-env/").c_str());
  const VelmoHome fromEnvironment = VelmoHome::resolve("");
  EXPECT_EQ(fromEnvironment.dir(), scratch.path() + "/from-env");
  EXPECT_TRUE(fs::is_directory(fromEnvironment.dir()));
  EXPECT_EQ(VelmoHome::resolve(scratch.path() + "/given").dir(), scratch.path() + "/given");
}

TEST(VelmoHome, UserDataDirectoryFollowsXdgDataHome) {
  const ScopedVariable home("HOME", "/home/u");
  {
    const ScopedVariable xdg("XDG_DATA_HOME", "/data/u");
    EXPECT_EQ(userDataDirectory(), "/data/u/velmo");
  }
  for (const char* unusable : {"relative/dir", "", static_cast<const char*>(nullptr)}) {
    const ScopedVariable xdg("XDG_DATA_HOME", unusable);
    EXPECT_EQ(userDataDirectory(), "/home/u/.local/share/velmo") << (unusable ? unusable : "unset");
  }
  const ScopedVariable noHome("HOME", nullptr);
  const ScopedVariable noXdg("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(userDataDirectory().rfind("/.local/share/velmo"), userDataDirectory().size() - 19);
  EXPECT_NE(userDataDirectory().rfind("/tmp", 0), 0u);
}

// An installed prefix, wherever it was moved: bin/velmo finds ../share/velmo; the source tree is
// used only by the program in the build tree.
TEST(VelmoHome, DeliveredResourcesBesideTheExecutable) {
  test::TempDir prefix, build, source;
  fs::create_directories(prefix.file("bin"));
  EXPECT_TRUE(deliveredResourceDirs(prefix.file("bin"), build.path(), source.path()).empty());

  fs::create_directories(prefix.file("share/velmo"));
  EXPECT_EQ(deliveredResourceDirs(prefix.file("bin"), build.path(), source.path()),
            std::vector<std::string>{prefix.file("share/velmo")});
  EXPECT_EQ(deliveredResourceDirs(build.path() + "/", build.path(), source.path()),
            std::vector<std::string>{source.path()});
  EXPECT_TRUE(deliveredResourceDirs("", build.path(), source.path()).empty());
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
