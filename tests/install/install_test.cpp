// This build installed into a temporary prefix, as a package or a user's `cmake --install` puts it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "programs.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ql::testing::runCommand;

// One installation for all the tests of the suite, removed at its end.
class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratchDir_ = std::make_unique<ql::test::TempDir>("ql310-install");
    scratch_ = scratchDir_->path();
    fs::create_directories(scratch_ + "/empty-home");
    installResult_ = runCommand(CMAKE_COMMAND " --install " BUILD_DIR " --prefix " + prefix() + " 2>&1");
  }
  static void TearDownTestSuite() { scratchDir_.reset(); }

  void SetUp() override { ASSERT_EQ(installResult_.code, 0) << installResult_.out; }

  static std::string prefix() { return scratch_ + "/prefix"; }
  static std::string at(const std::string& relative) { return prefix() + "/" + relative; }
  // A program of the installed tree in a bare environment: no display, no VELMO_HOME, and a HOME
  // of its own.
  static ql::testing::CommandResult run(const std::string& arguments) {
    return runCommand("env -i HOME=" + scratch_ + "/user " + arguments + " 2>&1");
  }
  static bool haveTool(const char* name) { return runCommand(std::string("command -v ") + name).code == 0; }

  static std::unique_ptr<ql::test::TempDir> scratchDir_;
  static std::string scratch_;
  static ql::testing::CommandResult installResult_;
};

std::unique_ptr<ql::test::TempDir> InstalledTree::scratchDir_;
std::string InstalledTree::scratch_;
ql::testing::CommandResult InstalledTree::installResult_;

// Width and height from a PNG file's header chunk; 0 when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[1] != 'P' || head[12] != 'I')
    return {0, 0};
  auto be32 = [&](int at) {
    return std::uint32_t(head[at]) << 24 | std::uint32_t(head[at + 1]) << 16 |
           std::uint32_t(head[at + 2]) << 8 | head[at + 3];
  };
  return {be32(16), be32(20)};
}

TEST_F(InstalledTree, PutsEveryFileInItsPlace) {
  for (const char* file :
       {"bin/velmo", "bin/serulo", "bin/ql310-sim", "share/velmo/chinese.lag", "share/velmo/english.lag",
        "share/velmo/Syscaco.svd", "share/velmo/bat3.sdv", "share/applications/org.ql310.Velmo.desktop",
        "share/applications/org.ql310.Serulo.desktop", "share/metainfo/org.ql310.Velmo.metainfo.xml",
        "share/metainfo/org.ql310.Serulo.metainfo.xml",
        "share/icons/hicolor/scalable/apps/org.ql310.Velmo.svg",
        "share/icons/hicolor/scalable/apps/org.ql310.Serulo.svg", "share/man/man1/velmo.1.gz",
        "share/man/man1/serulo.1.gz", "share/man/man1/ql310-sim.1.gz"}) {
    EXPECT_TRUE(fs::is_regular_file(at(file))) << file;
  }
  for (std::uint32_t size : {48u, 64u, 128u, 256u}) {
    for (const char* id : {"org.ql310.Velmo", "org.ql310.Serulo"}) {
      const std::string dir = std::to_string(size) + "x" + std::to_string(size);
      const std::string icon = at("share/icons/hicolor/" + dir + "/apps/" + id + ".png");
      EXPECT_EQ(pngSize(icon), std::make_pair(size, size)) << icon;
    }
  }
}

TEST_F(InstalledTree, ProgramsRunFromThere) {
  for (const char* line : {"bin/velmo --version", "bin/serulo --version", "bin/ql310-sim --version"}) {
    const auto r = run(at(line));
    EXPECT_EQ(r.code, 0) << line << ": " << r.out;
    EXPECT_NE(r.out.find(QL310_VERSION), std::string::npos) << line << ": " << r.out;
  }
}

// Nothing beside the executable and an empty home: the language file and the pictures come from
// the prefix's share directory, never from the tree the program was built from.
TEST_F(InstalledTree, VelmoFindsItsResourcesInTheShareDirectoryEvenWhenMoved) {
  const std::string home = scratch_ + "/empty-home";
  auto r = run(at("bin/velmo paths --home " + home));
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("resources: " + home + ":" + at("share/velmo") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("language: " + at("share/velmo/chinese.lag") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("pictures: complete"), std::string::npos) << r.out;

  // The prefix moved elsewhere still works; the binary's directory, writable here, is not taken
  // for a portable home: the user's data directory is.
  const std::string moved = scratch_ + "/moved";
  fs::rename(prefix(), moved);
  r = run(moved + "/bin/velmo paths");
  fs::rename(moved, prefix());
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("home: " + scratch_ + "/user/.local/share/velmo\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("language: " + moved + "/share/velmo/chinese.lag\n"), std::string::npos) << r.out;

  // Without its share directory velmo says what is missing.
  fs::rename(at("share/velmo"), scratch_ + "/hidden");
  r = run(at("bin/velmo paths --home " + home));
  fs::rename(scratch_ + "/hidden", at("share/velmo"));
  EXPECT_EQ(r.code, 3) << r.out;
  EXPECT_NE(r.out.find("language: (missing)"), std::string::npos) << r.out;
}

TEST_F(InstalledTree, DesktopEntriesAndMetadataValidate) {
  if (!haveTool("desktop-file-validate") || !haveTool("appstreamcli"))
    GTEST_SKIP() << "desktop-file-validate or appstreamcli missing (scripts/install-deps.sh installs them)";
  for (const char* id : {"org.ql310.Velmo", "org.ql310.Serulo"}) {
    auto r = runCommand("desktop-file-validate " + at("share/applications/") + id + ".desktop 2>&1");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "") << r.out;  // not even a hint
    r = runCommand("appstreamcli validate --no-net " + at("share/metainfo/") + id + ".metainfo.xml 2>&1");
    EXPECT_EQ(r.code, 0) << r.out;
    // The desktop entry names the installed program and icon.
    std::ifstream entry(at("share/applications/") + id + ".desktop");
    std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(std::string("\nIcon=") + id + "\n"), std::string::npos);
  }
}

TEST_F(InstalledTree, ManualPagesRenderWithoutWarnings) {
  if (!haveTool("man") || !haveTool("groff"))
    GTEST_SKIP() << "man or groff missing (scripts/install-deps.sh)";
  for (const char* page : {"velmo", "serulo", "ql310-sim"}) {
    const std::string file = at(std::string("share/man/man1/") + page + ".1.gz");
    auto r = runCommand("MANWIDTH=80 man -l " + file + " 2>&1");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("NAME"), std::string::npos) << page;
    EXPECT_NE(r.out.find("SYNOPSIS"), std::string::npos) << page;
    r = runCommand("zcat " + file + " | groff -man -Tutf8 -ww -z 2>&1");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "") << page;
  }
}

}  // namespace
