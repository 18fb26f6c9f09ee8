#include "runtime/ini_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ql {
namespace {

namespace fs = std::filesystem;

// GBK bytes made by iconv itself, so the file is what an older installation wrote.
std::string toGbkWithIconv(const std::string& utf8) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class IniFileOnDisk : public testing::Test {
 protected:
  test::TempDir scratch_{"ql_ini_test"};
  fs::path dir_ = scratch_.path();
};

TEST(IniFile, ABomGivenTwiceHidesNoSectionAndSavingKeepsTheSections) {
  IniFile ini;
  ini.parse("\xEF\xBB\xBF\xEF\xBB\xBF[Config]\r\nLinkEcho=1\r\n");
  EXPECT_EQ(ini.value("Config", "LinkEcho"), "1");
  IniFile again;
  again.parse(ini.serialize());
  EXPECT_EQ(again.sections(), ini.sections());
  EXPECT_EQ(again.value("Config", "LinkEcho"), "1");
}

TEST(IniFile, ParsesTolerantly) {
  IniFile ini;
  ini.parse(
      "\xEF\xBB\xBF"
      "orphan=before any section\r\n"
      "[Config]\r\n"
      "; a comment=not a key\n"
      "\n"
      "  LinkEcho = 1  \r\n"
      "Path=C:\\data = here\r\n"
      "linkecho=2\r\n"
      "empty=\r\n"
      "no equals sign\r\n"
      "[ Other ]\n"
      "k=v");
  EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Config", "Other"}));
  EXPECT_FALSE(ini.hasKey("", "orphan"));
  EXPECT_EQ(ini.value("CONFIG", "LINKECHO"), "1") << "case-insensitive names, first duplicate wins";
  EXPECT_EQ(ini.value("config", "path"), "C:\\data = here") << "value is everything after the first '='";
  EXPECT_EQ(ini.value("Config", "empty"), "");
  EXPECT_FALSE(ini.hasKey("Config", "; a comment"));
  EXPECT_FALSE(ini.hasKey("Config", "no equals sign"));
  EXPECT_EQ(ini.keys("Config"), (std::vector<std::string>{"LinkEcho", "Path", "empty"}));
  EXPECT_EQ(ini.readString("other", "K"), "v");
  EXPECT_EQ(ini.readString("Other", "missing", "dflt"), "dflt");
  EXPECT_FALSE(ini.hasSection("Missing"));
}

TEST(IniFile, ReadIntFallsBackUnlessTheWholeValueIsANumber) {
  IniFile ini;
  struct Case {
    const char* value;  // nullptr: key absent
    std::int64_t expected;
  };
  const Case cases[] = {
      {"42", 42},
      {" -7", -7},
      {"+5", 5},
      {"0", 0},
      {"", -1},
      {"12abc", -1},
      {"abc", -1},
      {"1 2", -1},
      {"+-5", -1},
      {"0x10", -1},
      {"3.5", -1},
      {"99999999999999999999", -1},
      {"-9223372036854775808", INT64_MIN},
      {nullptr, -1},
  };
  for (const Case& c : cases) {
    ini.removeKey("S", "n");
    if (c.value) ini.writeString("S", "n", c.value);
    EXPECT_EQ(ini.readInt("S", "n", -1), c.expected) << (c.value ? c.value : "(absent)");
  }
}

TEST(IniFile, WritesReplaceTheFirstDuplicateAndKeepEverythingElse) {
  IniFile ini;
  ini.parse("; settings\r\n[A]\r\n; keep me\r\nx = 1\r\nX=2\r\n\r\n[B]\r\ny=3\r\n");
  ini.writeString("a", "x", "10");
  ini.writeString("A", "new", "n");
  ini.writeInt("C", "z", -4);
  EXPECT_EQ(
      ini.serialize(),
      "; settings\r\n[A]\r\n; keep me\r\nx=10\r\nX=2\r\nnew=n\r\n\r\n[B]\r\ny=3\r\n\r\n[C]\r\nz=-4\r\n");
  ini.removeKey("A", "X");
  EXPECT_FALSE(ini.hasKey("A", "x")) << "removal takes every copy";
}

TEST(IniFile, WrittenLineBreaksCannotAddLines) {
  IniFile ini;
  ini.writeString("S", "k", "a\r\n[Evil]\r\nx=1");
  IniFile reread;
  reread.parse(ini.serialize());
  EXPECT_FALSE(reread.hasSection("Evil"));
  EXPECT_EQ(reread.value("S", "k"), "a  [Evil]  x=1");
}

TEST_F(IniFileOnDisk, ReadsGbkFileWithChineseNamesAndSavesUtf8) {
  const fs::path path = dir_ / "serulo.ini";
  writeFile(path, toGbkWithIconv("[串口]\r\n端口=COM3\r\n名称=压力传感器\r\nBaud=9600\r\n"));
  IniFile ini;
  ASSERT_TRUE(ini.load(path));
  EXPECT_EQ(ini.value("串口", "名称"), "压力传感器");
  EXPECT_EQ(ini.readInt("串口", "baud", 0), 9600);

  ini.writeString("串口", "端口", "/dev/ttyUSB0");
  ASSERT_TRUE(ini.save(path));
  EXPECT_EQ(readFile(path), "[串口]\r\n端口=/dev/ttyUSB0\r\n名称=压力传感器\r\nBaud=9600\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1) << "no temporary left";

  IniFile reread;
  ASSERT_TRUE(reread.load(path));
  EXPECT_EQ(reread.value("串口", "端口"), "/dev/ttyUSB0");
}

TEST_F(IniFileOnDisk, MissingFileAndFailedSave) {
  IniFile ini;
  ini.parse("[A]\nk=v\n");
  EXPECT_FALSE(ini.load(dir_ / "missing.ini"));
  EXPECT_FALSE(ini.hasSection("A")) << "a failed load leaves an empty file";
  EXPECT_FALSE(ini.load(dir_)) << "a directory is not a file";

  ini.writeString("A", "k", "v");
  EXPECT_FALSE(ini.save(dir_ / "no-such-dir" / "a.ini"));
  // The target is a directory: the rename fails and the temporary is removed.
  fs::create_directories(dir_ / "occupied.ini" / "inside");
  EXPECT_FALSE(ini.save(dir_ / "occupied.ini"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

}  // namespace
}  // namespace ql
