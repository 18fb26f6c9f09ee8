// The checks before a write, in their order, and the values each work mode writes.

#include "task/task_validation.h"

#include "task/task_time.h"
#include "task_fixture.h"

namespace ql::task {
namespace {

class TaskWriteTest : public TaskPageTest {
 protected:
  // A task that passes every check in the given mode.
  void fillValid(WorkMode mode) {
    page.editName("Lake");
    page.chooseWorkMode(mode);
    page.chooseSampleRate(1);
    page.editRecordInterval("60");
    page.editAverageRecordInterval("30");
    page.editAverageCount("4");
    page.editAverageInterval("5");
    page.editInitialValue("101.3");
    page.editDepthInterval("1");
  }
  void expectRefused(const TaskWriteCheck& check, const char* key) {
    EXPECT_FALSE(check.passed);
    EXPECT_EQ(check.key, key);
    EXPECT_EQ(f.statusText, key);
  }
};

TEST_F(TaskWriteTest, EachCheckInItsOrder) {
  struct Case {
    const char* name;
    std::function<void(TaskWriteTest&)> spoil;
    const char* key;
  } cases[] = {
      // Each case also spoils what later checks look at, so the order shows.
      {"name",
       [](TaskWriteTest& t) {
         t.page.editName("");
         t.linked = false;
       },
       "ql310_error_filename_empty"},
      {"link",
       [](TaskWriteTest& t) {
         t.linked = false;
         t.page.chooseWorkMode(WorkMode::None);
       },
       "com_mac_notlink"},
      {"mode",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::None);
         t.page.showSampleRate(-1);
       },
       "info_selectworkmode"},
      {"rate",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FastAcquisition);
         t.page.showSampleRate(-1);
         t.page.setEnd(t.page.fields().start);
       },
       "info_error_sample"},
      {"end", [](TaskWriteTest& t) { t.page.setEnd(t.page.fields().start); }, "info_stopstart_error"},
      {"interval",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FixedInterval);
         t.page.editRecordInterval("");
       },
       "info_erro_interval"},
      {"average interval",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::AverageAcquisition);
         t.page.editAverageRecordInterval("");
         t.page.editAverageCount("");
       },
       "info_erro_interval"},
      {"average count",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::AverageAcquisition);
         t.page.editAverageCount("x");
         t.page.editAverageInterval("");
       },
       "info_error_aver_times"},
      {"average tenths",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::AverageAcquisition);
         t.page.editAverageInterval("");
       },
       "info_error_test_time"},
      {"initial value",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FixedDepthProfile);
         t.page.editInitialValue("");
         t.page.editDepthInterval("");
       },
       "ql310_error_seapres"},
      {"depth interval",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FixedDepthProfile);
         t.page.editDepthInterval("");
       },
       "ql310_error_fixed_time"},
      {"depth pressure",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FixedDepthProfile);
         t.page.editDepthInterval("0.049");  // 0.492 kPa
       },
       "ql310_error_fixed_value"},
      // Values the registers cannot hold are refused rather than cut.
      {"interval too long",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::FixedInterval);
         t.page.editRecordInterval("4294968");
       },
       "info_erro_interval"},
      {"count too large",
       [](TaskWriteTest& t) {
         t.page.chooseWorkMode(WorkMode::AverageAcquisition);
         t.page.editAverageCount("65536");
       },
       "info_error_aver_times"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    linked = true;
    page.presetTimes(now);
    fillValid(WorkMode::FastAcquisition);
    ASSERT_TRUE(checkTaskWrite(page).passed);
    c.spoil(*this);
    expectRefused(checkTaskWrite(page), c.key);
  }
}

TEST_F(TaskWriteTest, AverageFieldsAreWrittenBackDigitsOnly) {
  fillValid(WorkMode::AverageAcquisition);
  page.editAverageCount(" 1 2 ");
  const TaskWriteCheck check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(f.averageCount, "12");
  EXPECT_EQ(check.values.averageCount, 12);
}

TEST_F(TaskWriteTest, StartInThePastMovesToNow) {
  fillValid(WorkMode::FixedInterval);
  page.setStart({2024, 5, 6, 10, 18, 30});  // two minutes ago
  const TaskWriteCheck check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(f.start, now);
  EXPECT_EQ(check.values.start, now);
  EXPECT_EQ(f.statusText, "info_startend_timeerror");

  // Moved to now, it may reach the end: then the end check refuses.
  page.setStart({2024, 5, 6, 10, 18, 30});
  page.setEnd(now);
  expectRefused(checkTaskWrite(page), "info_stopstart_error");
  EXPECT_EQ(f.start, now);
}

TEST_F(TaskWriteTest, DepthProfileLastsAtMostTwoHours) {
  fillValid(WorkMode::FixedDepthProfile);
  const DateTime start = f.start;
  struct Case {
    std::int64_t seconds;
    bool accepted;
  } cases[] = {{3600, true}, {7200, true}, {7201, false}};
  for (const Case& c : cases) {
    page.showStatus("");
    page.setEnd(addSeconds(start, c.seconds));
    EXPECT_EQ(checkDepthProfileDuration(page), c.accepted) << c.seconds;
    EXPECT_EQ(f.statusText, c.accepted ? "" : "ql310_info_delta");
  }
  page.chooseWorkMode(WorkMode::FixedInterval);
  EXPECT_TRUE(checkDepthProfileDuration(page));
}

TEST_F(TaskWriteTest, ValuesOfEachModeAndTheMemoryOfThePreviousWrite) {
  page.setSendRecords(true);
  // Mode 2 first: it sets every interval value.
  fillValid(WorkMode::AverageAcquisition);
  TaskWriteCheck check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(check.values.recordIntervalMs, 30000u);
  EXPECT_EQ(check.values.averageCount, 4);
  EXPECT_EQ(check.values.averageIntervalMs, 500u);
  EXPECT_EQ(check.values.initialValue, 0.0f);  // nothing read or written yet
  EXPECT_EQ(check.values.depthPressure, 0.0f);
  EXPECT_TRUE(check.values.sendRecords);
  EXPECT_EQ(check.values.nameGbk, "Lake");
  page.rememberWrite(check.values.memory());

  // Mode 3 repeats the intervals of the previous write and sends its own depth settings.
  page.chooseWorkMode(WorkMode::FixedDepthProfile);
  check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(check.values.recordIntervalMs, 30000u);
  EXPECT_EQ(check.values.averageCount, 4);
  EXPECT_EQ(check.values.averageIntervalMs, 500u);
  EXPECT_FLOAT_EQ(check.values.initialValue, 101.3f);
  EXPECT_FLOAT_EQ(check.values.depthPressure, 10.045f);
  page.rememberWrite(check.values.memory());

  // Mode 0: the sample period, count 1, the average interval and initial value last written.
  page.chooseWorkMode(WorkMode::FastAcquisition);
  page.chooseSampleRate(1);
  check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(check.values.recordIntervalMs, 500u);
  EXPECT_EQ(check.values.averageCount, 1);
  EXPECT_EQ(check.values.averageIntervalMs, 500u);
  EXPECT_FLOAT_EQ(check.values.initialValue, 101.3f);
  EXPECT_EQ(check.values.depthPressure, 0.0f);
  EXPECT_FALSE(check.values.sendRecords);  // 500 ms: too fast to send records

  // Mode 1: the interval field in ms; a value read from 0x2088 replaces the initial value.
  page.rememberDepthSettings(99.5f, 12.0f);
  page.chooseWorkMode(WorkMode::FixedInterval);
  page.editRecordInterval("1");
  check = checkTaskWrite(page);
  ASSERT_TRUE(check.passed);
  EXPECT_EQ(check.values.recordIntervalMs, 1000u);
  EXPECT_EQ(check.values.averageCount, 1);
  EXPECT_FLOAT_EQ(check.values.initialValue, 99.5f);
  EXPECT_EQ(check.values.depthPressure, 0.0f);
  EXPECT_TRUE(check.values.sendRecords);
  page.setSendRecords(false);
  EXPECT_FALSE(checkTaskWrite(page).values.sendRecords);
}

}  // namespace
}  // namespace ql::task
