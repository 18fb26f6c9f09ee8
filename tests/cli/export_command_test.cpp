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

namespace ql {
namespace {

// Records at 00:05 and at 01:00 of 2026-03-01; the barometric series covers only the first.
std::string fieldDataFile(const test::DataDir& dir) {
  Bytes stream;
  test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x00, 0x05, 0x00}, 150000, 1105000, 0, 90});
  test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x01, 0x00, 0x00}, 150000, 1105000, 0, 90});
  stream.insert(stream.end(), {0x12, 0x34});
  return dir.dataFile("field.wlr", stream);
}

TEST(ExportCommand, BarometricLatitudeAndAnnotated) {
  test::DataDir dir;
  const std::string wlr = fieldDataFile(dir);
  dir.write("air.csv", "time,kPa\n2026-03-01T00:00:00,100.0\n2026-03-01T00:10:00,101.0\n");

  const Outcome plain =
      velmo({"export", wlr, "--baro", dir.file("air.csv"), "--density", "1", "--gravity", "10"});
  ASSERT_EQ(plain.code, cli::kExitOk) << plain.err;
  const auto printed = lines(plain.out);
  ASSERT_EQ(printed.size(), 13u);
  EXPECT_EQ(printed[7],
            "water density:,1,Gravitational acceleration:,10,Offset:,-100,Barometric file:,air.csv");
  EXPECT_EQ(printed[11], "2026-03-01 00:05:00,15.00,110.50,1.00,0.00,3.90");  // (110.5 - 100.5) / 1 / 10
  EXPECT_EQ(printed[12], "2026-03-01 01:00:00,15.00,110.50,,0.00,3.90");

  // A gap limit of 10 minutes or more bridges the two readings; 01:00 stays after the series.
  const Outcome bridged = velmo({"export", wlr, "--baro", dir.file("air.csv"), "--baro-gap", "600", "--format",
                                 "annotated"});
  ASSERT_EQ(bridged.code, cli::kExitOk) << bridged.err;
  EXPECT_NE(bridged.out.find("\r\n# barometric gap limit: 600 s\r\n"), std::string::npos);
  const Outcome tooShort = velmo({"export", wlr, "--baro", dir.file("air.csv"), "--baro-gap", "599"});
  ASSERT_EQ(tooShort.code, cli::kExitOk) << tooShort.err;
  EXPECT_EQ(lines(tooShort.out)[11], "2026-03-01 00:05:00,15.00,110.50,,0.00,3.90");

  const Outcome annotated =
      velmo({"export", wlr, "--format", "annotated", "--latitude", "30", "-o", dir.file("a.csv")});
  ASSERT_EQ(annotated.code, cli::kExitOk) << annotated.err;
  const std::string text = readFile(dir.file("a.csv"));
  EXPECT_EQ(text.rfind("# format: velmo annotated CSV 1\r\n# serial: QL310-0042\r\n# model: QL310\r\n", 0),
            0u);
  EXPECT_NE(text.find("\r\n# latitude: 30 degrees\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n# offset: -100 kPa\r\n"), std::string::npos);
  // The SHA-256 of the data file, as sha256sum prints it.
  EXPECT_NE(text.find("\r\n# source sha256: "), std::string::npos);
  EXPECT_EQ(text.find("# source sha256: unknown"), std::string::npos);
  // 10.5 kPa above the offset is 1.05 dbar: 1.0429 m at 30 degrees.
  EXPECT_NE(text.find("\r\ntime,temperature,pressure,water_height,conductivity,battery\r\n"
                      "2026-03-01T00:05:00,15.00,110.50,1.04,0.00,3.90\r\n"),
            std::string::npos);
}

TEST(ExportCommand, BarometricAndFormatErrors) {
  test::DataDir dir;
  const std::string wlr = fieldDataFile(dir);
  dir.write("unsorted.csv", "2026-03-01 00:10:00,101\n2026-03-01 00:00:00,100\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"export", wlr, "--latitude", "91"},
                                               {"export", wlr, "--latitude", "north"},
                                               {"export", wlr, "--format", "fancy"},
                                               {"export", wlr, "--baro"},
                                               {"export", wlr, "--baro-gap", "0"}}) {
    SCOPED_TRACE(args.back());
    EXPECT_EQ(velmo(args).code, cli::kExitUsage);
  }
  const Outcome refused = velmo({"export", wlr, "--baro", dir.file("unsorted.csv")});
  EXPECT_EQ(refused.code, cli::kExitFileError);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("unsorted.csv, line 2: the time is earlier than the one before"),
            std::string::npos)
      << refused.err;
}

}  // namespace
}  // namespace ql
