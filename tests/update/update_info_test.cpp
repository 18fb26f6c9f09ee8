#include "shell/update_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/sha256.h"

namespace ql::update {
namespace {

TEST(UpdateInfo, VersionIsCutCleanedAndUpperCased) {
  EXPECT_EQ(serverVersion("x\rsoftversion= V2.0.1.20\rnewfile00=a.exe\r"), "V2.0.1.20");
  EXPECT_EQ(serverVersion("softversion=  v2.0.2.0\r"), "V2.0.2.0");
  EXPECT_EQ(serverVersion("softversion== v2.0.2.0 =\r"), "V2.0.2.0");
  EXPECT_EQ(serverVersion("softversion= v2.0.2.0\nnewfile00=a\n"), "V2.0.2.0");
  EXPECT_EQ(serverVersion("newfile00=a.exe\r"), std::nullopt);
}

TEST(UpdateInfo, VersionsCompareAsText) {
  EXPECT_TRUE(isNewer("V2.0.1.20", "V2.0.1.19"));
  EXPECT_FALSE(isNewer("V2.0.1.19", "V2.0.1.19"));
  EXPECT_FALSE(isNewer("V2.0.1.18", "V2.0.1.19"));
  EXPECT_TRUE(isNewer("V2.0.2.0", "V2.0.1.19"));
}

TEST(UpdateInfo, FileEntriesAndChecksums) {
  const std::string info =
      "softversion= V2.0.1.20\rnewfile00= velmo.exe\rnewfile07=Sysuse = .ini\rsha25607 = ABCdef\r";
  EXPECT_EQ(fileName(info, 0), "velmo.exe");
  EXPECT_EQ(fileName(info, 7), "Sysuse.ini");
  EXPECT_EQ(fileName(info, 1), std::nullopt);
  EXPECT_EQ(fileChecksum(info, 7), "abcdef");
  EXPECT_EQ(fileChecksum(info, 0), std::nullopt);
  EXPECT_EQ(serverPath("velmo.exe"), "/media/QL310/velmo.zip");
  EXPECT_EQ(serverPath("chinese.v2.lag"), "/media/QL310/chinese.zip");
  EXPECT_EQ(serverPath("README"), "/media/QL310/README.zip");
  EXPECT_EQ(storedName("velmo.exe", 0), "updtrun");
  EXPECT_EQ(storedName("chinese.lag", 3), "chinese.lag");
}

TEST(UpdateInfo, OnlyBareFileNamesAreAccepted) {
  for (const char* good : {"velmo.exe", "chinese.lag", "README", "a.b.c"})
    EXPECT_TRUE(isBareFileName(good)) << good;
  for (const std::string& bad : std::vector<std::string>{
           "", ".", "..", "../velmo", "a/../b", "/etc/passwd", "dir/file.txt", "dir\\file.txt", ".hidden",
           "a..b", std::string("a\tb"), std::string("a\x7f"), std::string("a\x01.txt")})
    EXPECT_FALSE(isBareFileName(bad)) << bad;
}

TEST(UpdateInfo, Sha256OfKnownTexts) {
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Two blocks: the padding spills over.
  EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
}  // namespace ql::update
