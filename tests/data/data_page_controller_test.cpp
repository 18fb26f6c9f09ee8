#include "data/data_page_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "data/download_record.h"
#include "data/export_file_choice.h"
#include "data/task_log.h"
#include "record_fixtures.h"
#include "runtime/formats.h"
#include "runtime/scripted_operator.h"

namespace ql {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ExportFileChoice, NoAsksAgainAtTheChosenFileAndCancelStops) {
  test::DataDir dir;
  dir.write("taken.csv", "old");
  const ExportFileRequest request{"Save", dir.file("proposed.csv"), {{"*.csv", "*.csv"}}, ".csv", "Replace?"};
  struct Case {
    const char* name;
    std::vector<std::string> files;  // the dialog's answers in turn ("" cancels)
    std::vector<bool> replies;       // the answers to the question, in turn
    std::string chosen;
    std::size_t dialogs;
  };
  const Case cases[] = {
      {"a new file", {dir.file("new.csv")}, {}, dir.file("new.csv"), 1},
      {"no extension", {dir.file("plain")}, {}, dir.file("plain.csv"), 1},
      {"replace agreed", {dir.file("taken.csv")}, {true}, dir.file("taken.csv"), 1},
      {"No, then another", {dir.file("taken"), dir.file("other.csv")}, {false}, dir.file("other.csv"), 2},
      {"No, then cancel", {dir.file("taken.csv"), ""}, {false}, "", 2},
      {"cancel", {""}, {}, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedOperator op;
    for (std::size_t i = 0; i < c.files.size(); ++i) {
      op.answerSaveFile(c.files[i]);
      if (i < c.replies.size()) op.answerYesNo(c.replies[i]);
    }
    EXPECT_EQ(chooseExportFile(op, request), c.chosen);
    const auto dialogs = op.prompts(PromptKind::SaveFile);
    ASSERT_EQ(dialogs.size(), c.dialogs);
    EXPECT_EQ(dialogs[0].text, dir.file("proposed.csv"));
    if (dialogs.size() > 1) {
      EXPECT_EQ(dialogs[1].text, dir.file("taken.csv"));  // the dialog comes back where the operator was
    }
    EXPECT_EQ(op.prompts(PromptKind::YesNo).size(), c.replies.size());
    EXPECT_TRUE(op.unexpected().empty());
    EXPECT_EQ(readFile(dir.file("taken.csv")), "old");  // choosing writes nothing
  }
}

class DataPageControllerTest : public testing::Test {
 protected:
  // 2026-03-16 10:11:12 on this machine's clock.
  static std::time_t now() { return toTimeT({2026, 3, 16, 10, 11, 12}).value(); }

  DataPageController::Environment environment() {
    DataPageController::Environment env;
    env.texts = [](const std::string& section, const std::string& key) { return section + "/" + key; };
    env.clock = [] { return now(); };
    env.homeDir = dir.path();
    env.temperatureDecimals = [] { return 2; };
    env.pressureDecimals = [] { return 1; };
    env.fileSha256 = [](const std::string&) { return std::optional<std::string>("5eed"); };
    env.model = "QL310";
    env.programVersion = "V9";
    return env;
  }

  // Records at 00:05, 01:00 and 04:00:01 on 2026-03-01.
  std::string storeFile() {
    Bytes stream;
    test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x00, 0x05, 0x00}, 150000, 1105000, 0, 90});
    test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x01, 0x00, 0x00}, 150000, 1110000, 0, 90});
    test::appendRecord(stream, {{0x26, 0x03, 0x01, 0x04, 0x00, 0x01}, 150000, 1110000, 0, 90});
    stream.insert(stream.end(), {0x12, 0x34});
    return dir.dataFile("bakwlr/QL310-0042/20260301_TIDE.wlr", stream);
  }

  test::DataDir dir;
  ScriptedOperator op;
};

TEST_F(DataPageControllerTest, EveryExportGoesThroughTheDialogAndIsNamedByTheProgramClock) {
  DataPageController controller(op, environment());
  EXPECT_FALSE(controller.exportOpenFile(DataPageController::Layout::DataPage));  // nothing open
  EXPECT_TRUE(op.log().empty());
  storeFile();
  ASSERT_TRUE(controller.openItem("QL310-0042/20260301_TIDE.wlr").opened());

  const std::string exports = dir.path() + "/V_recoder/";
  struct Case {
    DataPageController::Layout layout;
    std::string proposed;
    std::string firstLine;
  };
  const Case cases[] = {
      {DataPageController::Layout::DataPage, exports + "20260316101112_TIDEA_QL310-0042.csv",
       "time:,2026-03-16 10:11:12"},
      {DataPageController::Layout::Download, exports + "20260316101112_TIDEA.csv", "2026-03-16 10:11:12"},
      {DataPageController::Layout::Annotated, exports + "20260316101112_TIDEA_QL310-0042.csv",
       "# format: velmo annotated CSV 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.proposed);
    op = ScriptedOperator();
    op.answerSaveFile(dir.file("out"));
    if (std::filesystem::exists(dir.file("out.csv"))) op.answerYesNo(true);
    ASSERT_TRUE(controller.exportOpenFile(c.layout));
    ASSERT_EQ(op.prompts(PromptKind::SaveFile).size(), 1u);
    EXPECT_EQ(op.prompts(PromptKind::SaveFile)[0].text, c.proposed);
    EXPECT_EQ(op.prompts(PromptKind::SaveFile)[0].title, "MAIN/btn_sec_save_as");
    const std::string written = readFile(dir.file("out.csv"));
    EXPECT_EQ(written.substr(0, written.find("\r\n")), c.firstLine);
    EXPECT_TRUE(op.unexpected().empty());
  }
  // The annotated header carries what the environment gives.
  EXPECT_NE(
      readFile(dir.file("out.csv")).find("# source sha256: 5eed\r\n# exported: 2026-03-16T10:11:12\r\n"),
      std::string::npos);

  // A file that cannot be written is told, with its path.
  op = ScriptedOperator();
  op.answerSaveFile(dir.file("no/such/dir/out.csv"));
  EXPECT_FALSE(controller.exportOpenFile(DataPageController::Layout::Annotated));
  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(op.prompts(PromptKind::Message)[0].text,
            "MAIN/info_export_failed " + dir.file("no/such/dir/out.csv"));
}

TEST_F(DataPageControllerTest, BarometricFileAndWaterChoiceApplyToThePageShown) {
  DataPageController controller(op, environment());
  controller.setDepthParameters({1.0, 10.0, -100.0});
  storeFile();
  ASSERT_TRUE(controller.openItem("QL310-0042/20260301_TIDE.wlr").opened());
  EXPECT_EQ(controller.page().cell(0, 4), "1.05");  // (110.5 - 100) / 1 / 10

  // A refused file is told with its line, and nothing changes.
  dir.write("bad.csv", "2026-03-01 00:00:00,100\n2026-03-01 00:00:00,100\n");
  op.answerOpenFile(dir.file("bad.csv"));
  EXPECT_FALSE(controller.chooseBarometricFile());
  ASSERT_EQ(op.prompts(PromptKind::Message).size(), 1u);
  EXPECT_NE(op.prompts(PromptKind::Message)[0].text.find("MAIN/info_baro_refused " + dir.file("bad.csv") +
                                                         ", line 2"),
            std::string::npos);
  EXPECT_FALSE(controller.barometricSeries());
  EXPECT_EQ(controller.page().cell(0, 4), "1.05");

  dir.write("air.csv", "time,kPa\n2026-03-01 00:00:00,100.0\n2026-03-01 00:10:00,101.0\n");
  op.answerOpenFile(dir.file("air.csv"));
  ASSERT_TRUE(controller.chooseBarometricFile());
  EXPECT_EQ(controller.barometricSummary(), "air.csv  (2, 2026-03-01 00:00:00 ~ 2026-03-01 00:10:00)");
  EXPECT_EQ(controller.page().cell(0, 4), "1.00");  // (110.5 - 100.5) / 1 / 10
  EXPECT_EQ(controller.page().cell(1, 4), "");
  EXPECT_EQ(controller.uncoveredText(), "2 MAIN/info_baro_uncovered");

  controller.chooseWater(DataPageController::Water::SeaWater);
  EXPECT_EQ(controller.editParameter(DataPageController::Parameter::Latitude, "9x0"), "90");
  EXPECT_EQ(controller.latitude(), 90);
  // 1 dbar at the pole: 9.72659 / 9.832186 m.
  EXPECT_EQ(controller.page().cell(0, 4), "0.99");
  EXPECT_EQ(controller.editParameter(DataPageController::Parameter::Latitude, "91"), "91");
  EXPECT_EQ(controller.latitude(), DataPageController::kDefaultLatitude);

  controller.clearBarometricFile();
  controller.chooseWater(DataPageController::Water::FixedGravity);
  EXPECT_EQ(controller.page().cell(1, 4), "1.10");
  EXPECT_EQ(controller.uncoveredText(), "");
  EXPECT_TRUE(controller.heightOptions().plain());
}

TEST_F(DataPageControllerTest, ParameterEditsReachTheSavedStateAndTheNextDecoding) {
  DataPageController controller(op, environment());
  DepthParameters saved;
  controller.onDepthChanged = [&](const DepthParameters& depth) { saved = depth; };
  storeFile();
  ASSERT_TRUE(controller.openItem("QL310-0042/20260301_TIDE.wlr").opened());
  EXPECT_EQ(controller.editParameter(DataPageController::Parameter::Density, "1.0.2"), "1.02");
  EXPECT_EQ(controller.editParameter(DataPageController::Parameter::Offset, "-9a5"), "-95");
  EXPECT_EQ(controller.editParameter(DataPageController::Parameter::Gravity, ""), "");
  EXPECT_EQ(saved.density, 1.02);
  EXPECT_EQ(saved.offset, -95);
  EXPECT_EQ(saved.gravity, DepthParameters::kDefaultGravity);
  // The rows shown keep the values they were decoded with until the page is shown again.
  EXPECT_EQ(controller.page().cell(0, 4), "1.05");  // (110.5 - 100) / 1.025 / 9.8
  ASSERT_TRUE(controller.showPage(1));
  EXPECT_EQ(controller.page().cell(0, 4), "1.55");   // (110.5 - 95) / 1.02 / 9.8
  EXPECT_EQ(controller.page().cell(0, 3), "110.5");  // the pressure precision of the environment
}

TEST_F(DataPageControllerTest, TheGapLimitDecidesWhichRowsTheBarometricSeriesCovers) {
  DataPageController controller(op, environment());
  controller.setDepthParameters({1.0, 10.0, -100.0});
  storeFile();
  ASSERT_TRUE(controller.openItem("QL310-0042/20260301_TIDE.wlr").opened());
  dir.write("air.csv", "time,kPa\n2026-03-01 00:00:00,100.0\n2026-03-01 00:10:00,101.0\n");
  op.answerOpenFile(dir.file("air.csv"));
  ASSERT_TRUE(controller.chooseBarometricFile());
  EXPECT_EQ(controller.page().cell(0, 4), "1.00");  // 00:05 lies in a 10-minute gap: within 2 h

  struct Case {
    const char* typed;
    const char* shown;
    std::int64_t gapSeconds;
    const char* firstHeight;
  };
  const Case cases[] = {
      {"0.1", "0.1", 360, ""},   // 6 minutes: the 10-minute gap is too long
      {"0", "0", 7200, "1.00"},  // not above 0: the default
      {"1x", "1", 3600, "1.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(controller.editParameter(DataPageController::Parameter::BarometricGapHours, c.typed), c.shown);
    EXPECT_EQ(controller.heightOptions().maxGapSeconds, c.gapSeconds);
    EXPECT_EQ(controller.exportOptions().height.maxGapSeconds, c.gapSeconds);
    EXPECT_EQ(controller.page().cell(0, 4), c.firstHeight);
  }
}

TEST_F(DataPageControllerTest, WaterLatitudeAndBarometricFileAreKeptBetweenRuns) {
  dir.write("air.csv", "time,kPa\n2026-03-01 00:00:00,100.0\n2026-03-01 00:10:00,101.0\n");
  {
    DataPageController first(op, environment());
    first.chooseWater(DataPageController::Water::SeaWater);
    first.editParameter(DataPageController::Parameter::Latitude, "30.5");
    op.answerOpenFile(dir.file("air.csv"));
    ASSERT_TRUE(first.chooseBarometricFile());
  }
  DataPageController next(op, environment());
  EXPECT_EQ(next.water(), DataPageController::Water::FixedGravity);  // nothing before restoring
  next.restoreChoices();
  EXPECT_EQ(next.water(), DataPageController::Water::SeaWater);
  EXPECT_EQ(next.latitude(), 30.5);
  ASSERT_TRUE(next.barometricSeries());
  EXPECT_EQ(next.barometricSeries()->source, dir.file("air.csv"));

  // A cleared file stays cleared; a file gone by the next run is dropped without a word.
  next.clearBarometricFile();
  DataPageController cleared(op, environment());
  cleared.restoreChoices();
  EXPECT_FALSE(cleared.barometricSeries());
  op.answerOpenFile(dir.file("air.csv"));
  ASSERT_TRUE(cleared.chooseBarometricFile());
  std::filesystem::remove(dir.file("air.csv"));
  op = ScriptedOperator();
  DataPageController gone(op, environment());
  gone.restoreChoices();
  EXPECT_FALSE(gone.barometricSeries());
  EXPECT_EQ(gone.latitude(), 30.5);
  EXPECT_TRUE(op.log().empty());
}

// The task of sampleHeader() (start 2026-03-14 12:30:00) written with clock synchronisation; the
// download ten days later finds the logger 50 s fast: 5 s/day.
TEST_F(DataPageControllerTest, TheDriftOfTheOpenFileIsShownAndCorrectsTheExportWhenAsked) {
  Bytes stream;
  test::appendRecord(stream, {{0x26, 0x03, 0x19, 0x12, 0x30, 0x00}, 150000, 1105000, 0, 90});
  stream.insert(stream.end(), {0x12, 0x34});
  const std::string path = dir.dataFile("bakwlr/QL310-0042/20260324_TIDE.wlr", stream);
  const std::string unsynchronised = dir.dataFile("bakwlr/QL310-0042/20260324_COPY.wlr", stream);

  DataPageController controller(op, environment());
  EXPECT_EQ(controller.driftText(), "");  // nothing open
  EXPECT_FALSE(controller.canCorrectDrift());

  DownloadRecord record;
  record.serial = "QL310-0042";
  record.slot = 0;
  record.entryHex = std::string(100, '0');
  record.crcMatch = true;
  record.sha256 = std::string(64, '0');
  record.pcTime = "2026-03-24T12:30:00";
  record.loggerClock = "2026-03-24T12:30:50";
  ASSERT_TRUE(writeDownloadRecord(path, record));
  ASSERT_TRUE(appendTaskLog(dir.file(kTaskLogFile), {"QL310-0042",
                                                     "TIDE=A",
                                                     {2026, 3, 14, 12, 30, 0},
                                                     {2026, 3, 15, 8, 5, 9},
                                                     DateTime{2026, 3, 14, 12, 30, 0}}));

  // Without a download record the reason is shown and the correction is not offered.
  ASSERT_TRUE(controller.openFile(unsynchronised).opened());
  EXPECT_FALSE(controller.canCorrectDrift());
  EXPECT_EQ(
      controller.driftText().rfind("MAIN/cpt_sec_drift the logger's clock at the download is not known", 0),
      0u)
      << controller.driftText();
  controller.setDriftCorrection(true);
  EXPECT_FALSE(controller.driftCorrection());

  ASSERT_TRUE(controller.openFile(path).opened());
  EXPECT_EQ(controller.driftText(), "MAIN/cpt_sec_drift +5 s/day");
  ASSERT_TRUE(controller.canCorrectDrift());
  EXPECT_TRUE(controller.driftCorrection());

  struct Case {
    bool correct;
    const char* header;
    const char* firstStamp;
  };
  const Case cases[] = {
      {false, "# drift correction: none\r\n", "2026-03-19T12:30:00"},
      // Five days after the synchronisation: 25 s early.
      {true, "# drift correction: linear, 5 s/day since the clock synchronisation of 2026-03-14 12:30:00\r\n",
       "2026-03-19T12:29:35"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.correct);
    controller.setDriftCorrection(c.correct);
    op = ScriptedOperator();
    op.answerSaveFile(dir.file("out.csv"));
    if (std::filesystem::exists(dir.file("out.csv"))) op.answerYesNo(true);
    ASSERT_TRUE(controller.exportOpenFile(DataPageController::Layout::Annotated));
    const std::string written = readFile(dir.file("out.csv"));
    EXPECT_NE(written.find(c.header), std::string::npos) << written;
    EXPECT_NE(written.find("# source sha256: 5eed\r\n"), std::string::npos);
    EXPECT_NE(written.find(c.firstStamp), std::string::npos) << written;
  }
  // The download layout reads the corrected copy too.
  op = ScriptedOperator();
  op.answerSaveFile(dir.file("plain.csv"));
  ASSERT_TRUE(controller.exportOpenFile(DataPageController::Layout::Download));
  EXPECT_NE(readFile(dir.file("plain.csv")).find("2026-03-19 12:29:35"), std::string::npos);
}

}  // namespace
}  // namespace ql
