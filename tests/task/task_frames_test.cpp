// The frames of the task write, step by step, for each work mode.

#include "task/task_write_frames.h"
#include "task_fixture.h"

namespace ql::task {
namespace {

const DateTime kPcNow{2024, 5, 6, 10, 20, 30};

TaskWriteValues baseValues() {
  TaskWriteValues v;
  v.nameGbk = "abc";
  v.start = {2024, 5, 6, 10, 22, 0};
  v.end = {2024, 5, 7, 10, 22, 0};
  return v;
}

using Steps = std::vector<std::pair<int, Bytes>>;

void expectFrames(const TaskWriteValues& v, const Steps& expected) {
  for (const auto& [step, bytes] : expected) {
    const std::optional<Bytes> frame = taskWriteFrame(step, v, kPcNow);
    ASSERT_TRUE(frame) << "step " << step;
    EXPECT_EQ(hexText(*frame), hexText(bytes)) << "step " << step;
  }
}

// The steps that do not depend on the mode.
const Steps kCommonSteps = {
    {1, {0x01, 0x10, 0x10, 0x0D, 0x00, 0x01, 0x02, 0x00, 0x00}},
    {2, {0x01, 0x10, 0xE0, 0x05, 0x00, 0x08, 0x10, 'a', 'b', 'c', '=', '=',
         '=',  '=',  '=',  '=',  '=',  '=',  '=',  '=', '=', '=', '='}},
    {4, {0x01, 0x10, 0x10, 0x09, 0x00, 0x03, 0x06, 24, 5, 6, 10, 20, 30}},
    {5, {0x01, 0x10, 0x10, 0x03, 0x00, 0x03, 0x06, 24, 5, 6, 10, 22, 0}},
    {6, {0x01, 0x10, 0x10, 0x06, 0x00, 0x03, 0x06, 24, 5, 7, 10, 22, 0}},
    {11, {0x01, 0x10, 0x10, 0x0D, 0x00, 0x01, 0x02, 0x00, 0x01}},
};

TEST(TaskWriteFrames, FastAcquisitionAtTwoHertz) {
  TaskWriteValues v = baseValues();
  v.recordIntervalMs = 500;
  v.averageCount = 1;
  v.averageIntervalMs = 2500;  // from a previous write
  v.initialValue = 100.0f;     // last read
  expectFrames(v, kCommonSteps);
  expectFrames(
      v, {
             {3, {0x01, 0x10, 0x10, 0x0C, 0x00, 0x01, 0x02, 0x00, 0x00}},
             {7, {0x01, 0x10, 0x10, 0x01, 0x00, 0x02, 0x04, 0x00, 0x00, 0x01, 0xF4}},
             {8, {0x01, 0x10, 0x10, 0x10, 0x00, 0x01, 0x02, 0x00, 0x01}},
             {9, {0x01, 0x10, 0x10, 0x0E, 0x00, 0x02, 0x04, 0x00, 0x00, 0x09, 0xC4}},
             {10, {0x01, 0x10, 0x20, 0x88, 0x00, 0x04, 0x08, 0x42, 0xC8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
         });
}

TEST(TaskWriteFrames, FixedIntervalOfOneSecondSendingRecords) {
  TaskWriteValues v = baseValues();
  v.recordIntervalMs = 1000;
  v.averageCount = 1;
  v.sendRecords = true;
  expectFrames(v, {
                      {3, {0x01, 0x10, 0x10, 0x0C, 0x00, 0x01, 0x02, 0x00, 0x01}},
                      {7, {0x01, 0x10, 0x10, 0x01, 0x00, 0x02, 0x04, 0x00, 0x00, 0x03, 0xE8}},
                      {8, {0x01, 0x10, 0x10, 0x10, 0x00, 0x01, 0x02, 0x00, 0x01}},
                  });
}

TEST(TaskWriteFrames, AverageAcquisition) {
  TaskWriteValues v = baseValues();
  v.recordIntervalMs = 3600000;
  v.averageCount = 300;
  v.averageIntervalMs = 1234500;
  expectFrames(v, {
                      {7, {0x01, 0x10, 0x10, 0x01, 0x00, 0x02, 0x04, 0x00, 0x36, 0xEE, 0x80}},
                      {8, {0x01, 0x10, 0x10, 0x10, 0x00, 0x01, 0x02, 0x01, 0x2C}},
                      {9, {0x01, 0x10, 0x10, 0x0E, 0x00, 0x02, 0x04, 0x00, 0x12, 0xD6, 0x44}},
                  });
}

TEST(TaskWriteFrames, FixedDepthProfileSendsBothSingles) {
  TaskWriteValues v = baseValues();
  v.initialValue = 101.325f;  // 42 CA A6 66
  v.depthPressure = 10.045f;  // 41 20 B8 52
  expectFrames(
      v, {
             {10, {0x01, 0x10, 0x20, 0x88, 0x00, 0x04, 0x08, 0x42, 0xCA, 0xA6, 0x66, 0x41, 0x20, 0xB8, 0x52}},
         });
}

TEST(TaskWriteFrames, ClockStepOnlyWithSynchronisation) {
  TaskWriteValues v = baseValues();
  v.clockSync = false;
  EXPECT_FALSE(taskWriteFrame(kWriteClock, v, kPcNow));
  EXPECT_TRUE(taskWriteFrame(kWriteSendRecords, v, kPcNow));
  EXPECT_TRUE(taskWriteFrame(kWriteStart, v, kPcNow));
  EXPECT_FALSE(taskWriteFrame(0, v, kPcNow));
  EXPECT_FALSE(taskWriteFrame(kWriteFinished, v, kPcNow));
}

TEST(TaskWriteFrames, NameBytes) {
  EXPECT_EQ(taskNameBytes("").size(), 16u);
  EXPECT_EQ(taskNameBytes(std::string(16, 'x')), Bytes(16, 'x'));
  const Bytes gbk = taskNameBytes("\xCB\xAE\xCE\xBB");  // 水位
  EXPECT_EQ(hexText(gbk), "CB AE CE BB 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D 3D ");
}

}  // namespace
}  // namespace ql::task
