#include "data/annotated_export.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/data_page.h"
#include "record_fixtures.h"

namespace ql {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    out.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the last line has no CR LF";
  return out;
}

// Three records: one under the barometric series, one in its gap, one after it.
Bytes fieldRecords() {
  Bytes stream;
  test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x00, 0x05, 0x00}, 0xFFCFF4, 1105000, 423456, 0});
  test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x01, 0x00, 0x00}, 215678, 1110000, 0, 1});
  test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x04, 0x00, 0x01}, 215678, 1110000, 0, 1});
  stream.insert(stream.end(), {0x12, 0x34});
  return stream;
}

std::shared_ptr<const BarometricSeries> airWithAGap() {
  BarometricLoad load = parseBarometricCsv(
      "2026-03-01 00:00:00,100.0\n2026-03-01 00:15:00,101.5\n2026-03-01 00:30:00,100.9\n"
      "2026-03-01 03:30:00,100.0\n2026-03-01 04:00:00,102.0\n");
  load.series->source = "/field/air/BARO 1.csv";
  return std::make_shared<const BarometricSeries>(*load.series);
}

AnnotatedSource source() {
  AnnotatedSource s;
  s.model = "QL310";
  s.programVersion = "V2.0.1.19";
  s.sha256 = "ab12";
  return s;
}

ExportOptions options() {
  ExportOptions o;
  o.now = "2026-03-16 10:11:12";
  return o;
}

TEST(AnnotatedExport, HeaderAndFirstLinesWithTheFixedFormula) {
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", fieldRecords())).opened());
  std::ostringstream out;
  ASSERT_TRUE(writeAnnotatedExport(page, options(), source(), out));
  const std::vector<std::string> expected = {
      "# format: velmo annotated CSV 1",
      "# serial: QL310-0042",
      "# model: QL310",
      "# firmware: 2.1.0",
      "# task name: TIDEA",
      "# mode: fast",
      "# record interval: 1000 ms",
      "# start: 2026-03-14T12:30:00",
      "# end: 2026-03-15T08:05:09",
      "# first record: 1",
      "# records: 3",
      "# water: fixed density and gravity",
      "# depth formula: (kPa + offset) / density / gravity",
      "# density: 1.025 g/cm3",
      "# gravity: 9.8 m/s2",
      "# offset: -100 kPa",
      "# drift correction: none",
      "# unit time: ISO 8601 local time of the logger's clock",
      "# unit temperature: degC",
      "# unit pressure: kPa, absolute as recorded",
      "# unit water_height: m",
      "# unit conductivity: mS/cm",
      "# unit battery: V; empty without a reading",
      "# program: velmo V2.0.1.19",
      "# source: f.wlr",
      "# source sha256: ab12",
      "# exported: 2026-03-16T10:11:12",
      "time,temperature,pressure,water_height,conductivity,battery",
      // (110.5 - 100) / 1.025 / 9.8 = 1.045...; a battery byte of 0 is no reading.
      "2026-03-01T00:05:00,-1.23,110.50,1.05,42.35,",
      "2026-03-01T01:00:00,21.57,111.00,1.10,0.00,3.01",
      "2026-03-01T04:00:01,21.57,111.00,1.10,0.00,3.01",
  };
  EXPECT_EQ(lines(out.str()), expected);
}

TEST(AnnotatedExport, BarometricSeaWaterExportFlagsWhatItCouldNotCompensate) {
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", fieldRecords())).opened());
  ExportOptions o = options();
  o.height.barometric = airWithAGap();
  o.height.latitude = 0;
  std::ostringstream out;
  ASSERT_TRUE(writeAnnotatedExport(page, o, source(), out));
  const std::vector<std::string> written = lines(out.str());
  ASSERT_GE(written.size(), 4u);
  auto has = [&](const std::string& line) {
    return std::find(written.begin(), written.end(), line) != written.end();
  };
  EXPECT_TRUE(has("# water: sea water, UNESCO 1983 depth with gravity by latitude"));
  EXPECT_TRUE(has("# depth formula: UNESCO 1983 depth of (kPa - barometric kPa) / 10 dbar"));
  EXPECT_TRUE(has("# latitude: 0 degrees"));
  EXPECT_TRUE(has("# barometric file: BARO 1.csv"));
  EXPECT_TRUE(has("# barometric gap limit: 7200 s"));
  EXPECT_FALSE(has("# offset: -100 kPa"));  // the offset is not applied
  EXPECT_FALSE(has("# density: 1.025 g/cm3"));
  const std::vector<std::string> tail(written.end() - 4, written.end());
  const std::vector<std::string> expected = {
      "time,temperature,pressure,water_height,conductivity,battery,uncompensated",
      // 110.5 - 100.5 kPa is 1 dbar: 0.9945 m at the equator.
      "2026-03-01T00:05:00,-1.23,110.50,0.99,42.35,,0",
      "2026-03-01T01:00:00,21.57,111.00,,0.00,3.01,1",  // in the gap
      "2026-03-01T04:00:01,21.57,111.00,,0.00,3.01,1",  // after the series
  };
  EXPECT_EQ(tail, expected);
}

TEST(AnnotatedExport, TheDataPageLayoutWithABarometricSeries) {
  // The layout of the data page keeps its columns: an uncovered record's height is empty, and the
  // parameter line names the choices.
  test::DataDir dir;
  DataPage page;
  ASSERT_TRUE(page.openDataFile(dir.dataFile("f.wlr", fieldRecords())).opened());
  ExportOptions o = options();
  o.depth = {1.0, 10.0, -100.0};
  o.height.barometric = airWithAGap();
  std::ostringstream out;
  ASSERT_TRUE(ExportOpenFile(page, o, out));
  const std::vector<std::string> written = lines(out.str());
  ASSERT_EQ(written.size(), 14u);
  EXPECT_EQ(written[7],
            "water density:,1,Gravitational acceleration:,10,Offset:,-100,Barometric file:,BARO 1.csv");
  EXPECT_EQ(written[11], "2026-03-01 00:05:00,-1.23,110.50,1.00,42.35,0.00");
  EXPECT_EQ(written[12], "2026-03-01 01:00:00,21.57,111.00,,0.00,3.01");
  EXPECT_EQ(written[13], "2026-03-01 04:00:01,21.57,111.00,,0.00,3.01");

  // The table shows the same: the uncovered rows have no height, and the page counts them.
  page.setDepthParameters(o.depth);
  page.setHeightOptions(o.height);
  ASSERT_TRUE(page.showPage(1));
  EXPECT_EQ(page.cell(0, 4), "1.00");
  EXPECT_EQ(page.cell(1, 4), "");
  EXPECT_EQ(page.cell(1, 3), "111.00");
  EXPECT_EQ(page.uncompensatedRows(), 2);
  EXPECT_FALSE(page.waterHeight(2));
}

}  // namespace
}  // namespace ql
