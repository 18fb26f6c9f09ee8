#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "record_fixtures.h"

namespace ql {
namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome velmo(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = cli::run(args, out, err);
  return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    out.push_back(text.substr(start, end - start));
  return out;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ExportCommand, WritesThePageExportWithTheGivenParameters) {
  test::DataDir dir;
  const std::string wlr = dir.dataFile("f.wlr", test::numberedRecords(10002));
  const std::string csv = dir.file("out.csv");
  const Outcome run = velmo({"export", wlr, "-o", csv, "--page", "2", "--density", "1", "--gravity", "10", "--offset",
                         "-0.5", "--decimals-temperature", "3", "--decimals-pressure", "1"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(run.out, "");
  const auto written = lines(readFile(csv));
  ASSERT_EQ(written.size(), 11u + 2u);  // page 2 holds records 10,001 and 10,002
  EXPECT_EQ(written[0].substr(0, 6), "time:,");
  EXPECT_EQ(written[7], "water density:,1,Gravitational acceleration:,10,Offset:,-0.5");
  // Pressure 101.0001 kPa: (101.0001 - 0.5) / 1 / 10 = 10.05001 m.
  EXPECT_EQ(written[11], "2026-03-01 02:46:41,20.000,101.0,10.05,0.50,4.00");
  EXPECT_EQ(written[12].substr(0, 19), "2026-03-01 02:46:42");

  // Without -o the export goes to standard output, the same apart from its time line.
  const Outcome toStdout = velmo({"export", wlr, "--page", "2", "--density", "1", "--gravity", "10", "--offset", "-0.5",
                              "--decimals-temperature", "3", "--decimals-pressure", "1"});
  ASSERT_EQ(toStdout.code, cli::kExitOk) << toStdout.err;
  const auto printed = lines(toStdout.out);
  ASSERT_EQ(printed.size(), written.size());
  EXPECT_TRUE(std::equal(printed.begin() + 1, printed.end(), written.begin() + 1));
}

TEST(ExportCommand, DefaultsAreThoseOfAFreshProgram) {
  test::DataDir dir;
  const Outcome run = velmo({"export", dir.dataFile("f.wlr", test::numberedRecords(1))});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  const auto printed = lines(run.out);
  ASSERT_EQ(printed.size(), 12u);
  EXPECT_EQ(printed[7], "water density:,1.025,Gravitational acceleration:,9.8,Offset:,-100");
  EXPECT_EQ(printed[11], "2026-03-01 00:00:01,20.00,100.00,0.00,0.50,4.00");
}

TEST(ExportCommand, BadUsage) {
  test::DataDir dir;
  const std::string wlr = dir.dataFile("f.wlr", test::numberedRecords(3));
  const std::vector<std::vector<std::string>> cases = {
      {"export"},
      {"export", wlr, wlr},
      {"export", wlr, "-o"},
      {"export", wlr, "--page", "0"},
      {"export", wlr, "--page", "2"},  // the file has one page
      {"export", wlr, "--density", "heavy"},
      {"export", wlr, "--density", "0"},
      {"export", wlr, "--decimals-pressure", "4"},
      {"export", wlr, "--bogus", "1"},
  };
  for (const auto& args : cases) {
    const Outcome run = velmo(args);
    SCOPED_TRACE(args.size() > 2 ? args[2] : "no file");
    EXPECT_EQ(run.code, cli::kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("velmo export: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("velmo export FILE.wlr [-o OUT]"), std::string::npos) << run.err;
  }
}

TEST(ExportCommand, FileErrors) {
  test::DataDir dir;
  const std::string wlr = dir.dataFile("f.wlr", test::numberedRecords(3));
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"export", dir.file("missing.wlr")}, "does not exist"},
      {{"export", dir.rawFile("short.wlr", std::string(100, 'x'))}, "shorter than its 412-byte header"},
      {{"export", dir.rawFile("junk.wlr", std::string(1000, 'x'))}, "header is damaged"},
      {{"export", wlr, "-o", dir.file("no/such/dir/out.csv")}, "cannot be written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    const Outcome run = velmo(c.args);
    EXPECT_EQ(run.code, cli::kExitFileError);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace ql
