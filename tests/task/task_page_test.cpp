// The task page: start-up values, the input rules of its fields, the mode choice and the
// captions derived from what is typed.

#include "task/task_page.h"

#include "runtime/encoding.h"
#include "task/task_texts.h"
#include "task_fixture.h"

namespace ql::task {
namespace {

TEST_F(TaskPageTest, PresetTimesStartOnTheFirstWholeMinuteAMinuteAheadAndEndTwoMinutesLater) {
  struct Case {
    DateTime now, start, end;
  } cases[] = {
      {{2024, 5, 6, 10, 20, 30}, {2024, 5, 6, 10, 22, 0}, {2024, 5, 6, 10, 24, 0}},
      {{2024, 5, 6, 10, 20, 0}, {2024, 5, 6, 10, 21, 0}, {2024, 5, 6, 10, 23, 0}},
      // Near midnight the end falls on the next day, after the start.
      {{2024, 12, 31, 23, 57, 1}, {2024, 12, 31, 23, 59, 0}, {2025, 1, 1, 0, 1, 0}},
      {{2024, 2, 28, 23, 59, 59}, {2024, 2, 29, 0, 1, 0}, {2024, 2, 29, 0, 3, 0}},
  };
  for (const Case& c : cases) {
    page.presetTimes(c.now);
    EXPECT_EQ(f.start, c.start) << formatDateTime(c.now);
    EXPECT_EQ(f.end, c.end) << formatDateTime(c.now);
  }
}

TEST_F(TaskPageTest, RecordIntervalIsKeptFromTheLastRunAndSavedAsAnInteger) {
  EXPECT_EQ(f.recordInterval, "60");
  EXPECT_EQ(page.recordIntervalToSave(), 60);
  page.restoreRecordInterval(3725);
  EXPECT_EQ(f.recordInterval, "3725");
  EXPECT_EQ(f.averageRecordInterval, "3725");
  EXPECT_EQ(f.recordIntervalDuration, "0 day 1 hour 2 minute 5 second");
  page.editRecordInterval("");
  EXPECT_EQ(page.recordIntervalToSave(), 0);
}

TEST_F(TaskPageTest, FieldFiltersAreWrittenBack) {
  struct Case {
    void (TaskPage::*edit)(const std::string&);
    const std::string TaskFields::*field;
    std::string typed, kept;
  } cases[] = {
      {&TaskPage::editRecordInterval, &TaskFields::recordInterval, "12a3", "123"},
      {&TaskPage::editRecordInterval, &TaskFields::recordInterval, "1234567890", "123456789"},
      {&TaskPage::editRecordInterval, &TaskFields::recordInterval, "12345678x9", "12345678"},
      {&TaskPage::editAverageRecordInterval, &TaskFields::averageRecordInterval, "9 s", "9"},
      {&TaskPage::editAverageInterval, &TaskFields::averageInterval, "1.5", "15"},
      {&TaskPage::editAverageCount, &TaskFields::averageCount, "1x", "1x"},  // filtered when written
      {&TaskPage::editInitialValue, &TaskFields::initialValue, "101.3251", "101.325"},
      {&TaskPage::editInitialValue, &TaskFields::initialValue, ".5kPa", "0.5"},
      {&TaskPage::editDepthInterval, &TaskFields::depthInterval, "1.2.3m", "1.23"},
      {&TaskPage::editDepthInterval, &TaskFields::depthInterval, "123456789", "12345678"},
  };
  for (const Case& c : cases) {
    (page.*c.edit)(c.typed);
    EXPECT_EQ(f.*c.field, c.kept) << c.typed;
  }
}

TEST_F(TaskPageTest, TaskNameKeepsWhatFitsSixteenGbkBytes) {
  struct Case {
    std::string typed, kept;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOP"},  // 17 characters
      {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
      {"水位站测量任务一二三", "水位站测量任务一"},  // two bytes each in GBK
      {"A水位站测量任务一二", "A水位站测量任务"},    // a character may not be split
      {"", ""},
  };
  for (const Case& c : cases) {
    page.editName(c.typed);
    EXPECT_EQ(f.name, c.kept) << c.typed;
    EXPECT_LE(utf8ToGbk(f.name).size(), 16u);
  }
}

TEST_F(TaskPageTest, DurationTexts) {
  struct Case {
    std::int64_t seconds;
    const char* text;
  } seconds[] = {{0, "0 day 0 hour 0 minute 0 second"},
                 {59, "0 day 0 hour 0 minute 59 second"},
                 {90061, "1 day 1 hour 1 minute 1 second"},
                 {172799, "1 day 23 hour 59 minute 59 second"}};
  for (const Case& c : seconds) EXPECT_EQ(secondsDurationText(c.seconds, keyText), c.text);
  Case tenths[] = {{12345, "0 day 0 hour 20 minute 34.5 second"},
                   {5, "0 day 0 hour 0 minute 0.5 second"},
                   {864010, "1 day 0 hour 0 minute 1.0 second"}};
  for (const Case& c : tenths) EXPECT_EQ(tenthsDurationText(c.seconds, keyText), c.text);

  page.editAverageInterval("12345");
  EXPECT_EQ(f.averageIntervalDuration, "0 day 0 hour 20 minute 34.5 second");
  page.editAverageInterval("");  // no integer: the text stays
  EXPECT_EQ(f.averageIntervalDuration, "0 day 0 hour 20 minute 34.5 second");
}

TEST_F(TaskPageTest, EquivalentPressureOfTheDepthInterval) {
  page.editDepthInterval("2");
  EXPECT_EQ(f.equivalentPressure, "20.090");
  EXPECT_EQ(f.equivalentPressureCaption, "ql310_equespres 20.090 KPa");
  density = 1.0;
  page.editDepthInterval("0.5");
  EXPECT_EQ(f.equivalentPressure, "4.900");
  page.editDepthInterval("-");
  EXPECT_EQ(f.equivalentPressure, "0.000");
}

TEST_F(TaskPageTest, ModeChoiceShowsItsBoxAndDiagram) {
  EXPECT_EQ(f.shownBox, WorkMode::None);
  page.chooseWorkMode(WorkMode::FixedInterval);
  EXPECT_EQ(f.shownBox, WorkMode::FixedInterval);
  EXPECT_EQ(f.shownDiagram, WorkMode::FixedInterval);
  page.chooseWorkMode(WorkMode::None);
  EXPECT_EQ(f.shownBox, WorkMode::None);
  EXPECT_EQ(f.shownDiagram, WorkMode::FixedInterval);  // stays

  page.chooseSampleRate(3);
  ASSERT_FALSE(f.memoryCaption.empty());
  page.chooseWorkMode(WorkMode::FixedDepthProfile);
  EXPECT_EQ(f.mode, WorkMode::FixedDepthProfile);
  EXPECT_EQ(f.shownDiagram, WorkMode::FixedDepthProfile);
  EXPECT_EQ(f.memoryCaption, "");
  EXPECT_EQ(f.memoryFullCaption, "");
}

TEST_F(TaskPageTest, FirmwareOneThreeOneRefusesTheDepthProfile) {
  firmware = "1.3.1.7";
  page.chooseWorkMode(WorkMode::FastAcquisition);
  page.chooseWorkMode(WorkMode::FixedDepthProfile);
  EXPECT_EQ(f.mode, WorkMode::AverageAcquisition);
  EXPECT_EQ(f.shownBox, WorkMode::AverageAcquisition);
  EXPECT_EQ(f.shownDiagram, WorkMode::FastAcquisition);
  EXPECT_EQ(f.statusText, "ql310_mode3_error");

  firmware = "1.3.2.0";
  page.chooseWorkMode(WorkMode::FixedDepthProfile);
  EXPECT_EQ(f.mode, WorkMode::FixedDepthProfile);
}

TEST_F(TaskPageTest, ZeroPointChoice) {
  page.chooseZeroPoint(ZeroPoint::CurrentPressure);
  EXPECT_EQ(f.initialValue, "101.325");
  EXPECT_EQ(f.initialValueCaption, "ql310_cpt_pres:");
  page.editInitialValue("100");
  page.chooseZeroPoint(ZeroPoint::SeaLevel);
  EXPECT_EQ(f.initialValue, "100");
  EXPECT_EQ(f.initialValueCaption, "ql310_cpt_seapres:");
  EXPECT_EQ(f.zeroPoint, ZeroPoint::SeaLevel);
}

TEST_F(TaskPageTest, PickersRefuseDatesTheLoggerCannotHold) {
  const DateTime before = f.start;
  EXPECT_FALSE(page.setStart({2024, 2, 30, 0, 0, 0}));
  EXPECT_FALSE(page.setStart({2100, 1, 1, 0, 0, 0}));
  EXPECT_EQ(f.start, before);
  EXPECT_TRUE(page.setEnd({2099, 12, 31, 23, 59, 59}));
}

// The view re-reads the page on a notification: by then the filtered text is in the field.
TEST_F(TaskPageTest, ViewsSeeTheFilteredTextWhenNotified) {
  std::vector<std::string> seen;
  page.subscribe([&] { seen.push_back(f.recordInterval); });
  page.editRecordInterval("12a");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "12");
  EXPECT_EQ(f.recordIntervalDuration, "0 day 0 hour 0 minute 12 second");
}

}  // namespace
}  // namespace ql::task
