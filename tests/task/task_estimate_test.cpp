// How long memory and battery last for the task being edited.

#include "task/task_estimate.h"

#include "task/task_time.h"
#include "task_fixture.h"

namespace ql::task {
namespace {

EstimateInput input(std::int64_t periodMs, const std::string& freeText, std::int64_t taskSeconds) {
  EstimateInput in;
  in.periodMs = periodMs;
  in.freeMemoryText = freeText;
  in.start = {2024, 5, 6, 12, 0, 0};
  in.end = addSeconds(in.start, taskSeconds);
  return in;
}

TEST(TaskEstimate, CapacityAndSamples) {
  struct Case {
    std::int64_t periodMs;
    std::string freeText;
    std::int64_t taskSeconds, perRecord;
    std::int64_t capacity, samples;
  } cases[] = {
      {100, "1048576 (12.5%)", 3600, 1, 6547, 36000},  // 65472 records at 10 Hz
      {1000, "1048576", 60, 1, 65472, 60},
      {60000, "2064", 7200, 1, 3900, 120},       // 65 records
      {30000, "1048576", 600, 5, 1964160, 100},  // mode 2: 20 records of 5 samples
      {500, "1040", 1, 1, 0, 2},                 // one record, half a second
  };
  for (const Case& c : cases) {
    EstimateInput in = input(c.periodMs, c.freeText, c.taskSeconds);
    in.samplesPerRecord = c.perRecord;
    const auto e = estimateTask(in);
    ASSERT_TRUE(e) << c.freeText;
    EXPECT_EQ(e->capacitySeconds, c.capacity) << c.freeText;
    EXPECT_EQ(e->taskSamples, c.samples) << c.freeText;
  }
}

TEST(TaskEstimate, NoEstimateWithoutPeriodFieldOrRoom) {
  EXPECT_FALSE(estimateTask(input(0, "1048576", 60)));
  EXPECT_FALSE(estimateTask(input(100, "", 60)));
  EXPECT_FALSE(estimateTask(input(100, "n/a", 60)));
  EXPECT_FALSE(estimateTask(input(100, "1039", 60)));  // not one whole record
  EXPECT_TRUE(estimateTask(input(100, "1040", 60)));
}

TEST(TaskEstimate, BatteryCoversSamplesBelowWhatTheCounterHasLeft) {
  EstimateInput in = input(1000, "1048576", 1000);  // 1000 samples
  in.batteryConsumption = 6000000 - 1001;
  EXPECT_TRUE(estimateTask(in)->batteryEnough);
  in.batteryConsumption = 6000000 - 1000;
  EXPECT_FALSE(estimateTask(in)->batteryEnough);
}

TEST(TaskEstimate, MomentsOfRunningOutCountFromTheTaskStart) {
  // 10 Hz, 1 MiB free: full after 6547 s; 3000 samples left: spent after 300 s.
  EstimateInput in = input(100, "1048576", 86400);
  in.batteryConsumption = 6000000 - 3000;
  auto e = estimateTask(in);
  ASSERT_TRUE(e->memoryFull && e->batterySpent);
  EXPECT_EQ(*e->memoryFull, (DateTime{2024, 5, 6, 13, 49, 7}));
  EXPECT_EQ(*e->batterySpent, (DateTime{2024, 5, 6, 12, 5, 0}));
  EXPECT_EQ(memoryFullCaption(*e, keyText), "ql310_info_ramfull_at 2024-05-06 13:49:07");

  // Average mode: four samples a record, one record a minute: 3000 samples last 750 min.
  in.periodMs = 60000;
  in.samplesPerRecord = 4;
  e = estimateTask(in);
  EXPECT_EQ(*e->batterySpent, (DateTime{2024, 5, 7, 0, 30, 0}));

  // A task that ends first says so rather than giving a date.
  in = input(100, "1048576", 6547);
  e = estimateTask(in);
  EXPECT_EQ(*e->memoryFull, (DateTime{2024, 5, 6, 13, 49, 7}));
  in = input(100, "1048576", 6546);
  e = estimateTask(in);
  EXPECT_FALSE(e->memoryFull);
  EXPECT_FALSE(e->batterySpent);
  EXPECT_EQ(memoryFullCaption(*e, keyText), "ql310_info_ramfull_at ql310_info_after_task_end");
  EXPECT_EQ(batterySpentCaption(*e, keyText), "ql310_info_powerout_at ql310_info_after_task_end");

  // A spent counter runs out at the start.
  in = input(100, "1048576", 60);
  in.batteryConsumption = 6100000;
  EXPECT_EQ(*estimateTask(in)->batterySpent, in.start);
}

TEST_F(TaskPageTest, TenHertzWithOneMebibyteFreeLastsAnHour) {
  page.chooseSampleRate(3);
  EXPECT_EQ(f.memoryCaption, "ql310_info_leftram 0 day 1 hour");
  EXPECT_EQ(f.batteryCaption, "ql310_info_leftpower1");
  // The preset task is two minutes long.
  EXPECT_EQ(f.memoryFullCaption, "ql310_info_ramfull_at ql310_info_after_task_end");
}

TEST_F(TaskPageTest, EstimatesFollowThePeriodOfEachField) {
  battery = 6000000 - 100;
  page.setEnd({2024, 5, 7, 10, 22, 0});  // one day from the preset start
  page.editRecordInterval("60");         // 1440 samples; memory for 45.5 days
  EXPECT_EQ(f.memoryCaption, "ql310_info_leftram 45 day 11 hour");
  EXPECT_EQ(f.batteryCaption, "ql310_info_leftpower2");
  EXPECT_EQ(f.batterySpentCaption, "ql310_info_powerout_at 2024-05-06 12:02:00");

  page.chooseWorkMode(WorkMode::AverageAcquisition);
  page.editAverageRecordInterval("3600");
  page.editAverageCount("5");  // 24 records of 5 samples
  EXPECT_EQ(f.batteryCaption, "ql310_info_leftpower2");
  page.editAverageCount("4");  // 96 samples
  EXPECT_EQ(f.batteryCaption, "ql310_info_leftpower1");

  // A moved end recomputes at the last period.
  page.setEnd({2024, 5, 6, 10, 23, 0});
  EXPECT_EQ(f.batterySpentCaption, "ql310_info_powerout_at ql310_info_after_task_end");
}

TEST_F(TaskPageTest, TraceShowsTheTaskSampleCount) {
  page.chooseSampleRate(0);
  EXPECT_TRUE(traceLines.empty());
  traceOn = true;
  page.chooseSampleRate(1);  // 120 s at 2 Hz
  ASSERT_EQ(traceLines.size(), 1u);
  EXPECT_EQ(traceLines[0], "任务要采集次数： 240");
}

TEST_F(TaskPageTest, NoFreeSpaceTextLeavesTheCaptions) {
  freeMemory = "";
  page.chooseSampleRate(3);
  EXPECT_EQ(f.memoryCaption, "");
  EXPECT_EQ(f.batteryCaption, "");
}

}  // namespace
}  // namespace ql::task
