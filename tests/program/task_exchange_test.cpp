// The logging task between page 3 and the simulated logger: the configuration read, the write
// sequence frame by frame, its acknowledgements, its end, and a logger found recording.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/task_log.h"
#include "link/codecs.h"
#include "logger_fixture.h"
#include "runtime/formats.h"

namespace ql::test {
namespace {

using task::TaskPage;
using task::WorkMode;

sim::LoggerConfig loggerWithFirmware(std::array<std::uint8_t, 4> firmware) {
  sim::LoggerConfig config = withoutFiles();
  config.firmwareVersion = firmware;
  return config;
}

// A logger whose firmware knows the fixed-depth profile, its clock an hour ahead of the PC's.
sim::LoggerConfig profileLogger() {
  sim::LoggerConfig config = loggerWithFirmware({1, 4, 0, 0});
  config.clockOffsetSeconds = 3600;
  return config;
}

Bytes dateBytes(const DateTime& dt) {
  return {static_cast<std::uint8_t>(dt.year - 2000), static_cast<std::uint8_t>(dt.month),
          static_cast<std::uint8_t>(dt.day),         static_cast<std::uint8_t>(dt.hour),
          static_cast<std::uint8_t>(dt.minute),      static_cast<std::uint8_t>(dt.second)};
}

Bytes join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes u32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

const Bytes kStopTask{0x01, 0x10, 0x10, 0x0D, 0x00, 0x01, 0x02, 0x00, 0x00};
const Bytes kStartTask{0x01, 0x10, 0x10, 0x0D, 0x00, 0x01, 0x02, 0x00, 0x01};
const Bytes kClockHead{0x01, 0x10, 0x10, 0x09, 0x00, 0x03, 0x06};

class TaskExchange : public LoggerFixture {
 protected:
  explicit TaskExchange(sim::LoggerConfig config = withoutFiles()) : LoggerFixture(config) {}

  // velmo linked, its poll done, page 3 shown and the logger's task read into it.
  TaskPage& startOnTaskPage() {
    start();
    program->showPage(Page::Configuration);
    EXPECT_TRUE(loop.advanceUntil([&] { return program->taskRead().finished(); }, 30000));
    return program->taskPage();
  }

  // The PC's local time h hours from now.
  DateTime inHours(int h) const { return localDateTime(kStartTime + loop.nowMs() / 1000 + h * 3600); }

  // A task that passes every check in fixed interval mode.
  void fillValidTask(TaskPage& page) {
    page.editName("TIDE");
    page.setStart(inHours(1));
    page.setEnd(inHours(25));
    page.chooseWorkMode(WorkMode::FixedInterval);
    page.editRecordInterval("60");
  }

  // The write button with the question answered yes; true when the sequence finished.
  bool writeAnsweringYes() {
    port.clearWriteLog();
    op.answerYesNo(true);
    program->writeConfiguration();
    const task::TaskWriteSequence& write = program->taskWrite();
    return loop.advanceUntil([&] { return write.finished() && !write.running(); }, 60000);
  }

  // The register writes the logger was sent, without their CRC (which must be right).
  std::vector<Bytes> writesSent() const {
    std::vector<Bytes> frames;
    for (const Bytes& frame : framesSent({0x01, 0x10})) {
      EXPECT_EQ(AppendCrc(Bytes(frame.begin(), frame.end() - 2)), frame);
      frames.emplace_back(frame.begin(), frame.end() - 2);
    }
    return frames;
  }

  std::string status() const { return program->instrumentInfo().statusText; }
};

// --- the write sequence, step by step ----------------------------------------------------------

struct WriteCase {
  const char* mode;
  std::function<void(TaskPage&)> fill;  // after name and times
  std::uint8_t sendRecords;             // what 0x100C receives
  std::uint32_t recordIntervalMs;
  std::uint16_t averageCount;
  std::uint32_t averageIntervalMs;
  float initialValue;
  float depthPressure;
};

const WriteCase kWriteCases[] = {
    // Two hertz is quicker than a record a second: the records are not sent to the port.
    {"fast",
     [](TaskPage& p) {
       p.chooseWorkMode(WorkMode::FastAcquisition);
       p.chooseSampleRate(1);
       p.setSendRecords(true);
     },
     0, 500, 1, 0, 0, 0},
    {"interval",
     [](TaskPage& p) {
       p.chooseWorkMode(WorkMode::FixedInterval);
       p.editRecordInterval("1");
       p.setSendRecords(true);
     },
     1, 1000, 1, 0, 0, 0},
    {"average",
     [](TaskPage& p) {
       p.chooseWorkMode(WorkMode::AverageAcquisition);
       p.editAverageRecordInterval("60");
       p.editAverageCount("5");
       p.editAverageInterval("12345");
     },
     0, 60000, 5, 1234500, 0, 0},
    // The intervals are those of the previous write of this run: none yet.
    {"profile",
     [](TaskPage& p) {
       p.chooseWorkMode(WorkMode::FixedDepthProfile);
       p.editInitialValue("101.325");
       p.editDepthInterval("2");
     },
     0, 0, 0, 0, 101.325f, 20.09f},
};

class WriteFrames : public TaskExchange, public ::testing::WithParamInterface<std::tuple<int, bool>> {
 protected:
  WriteFrames() : TaskExchange(profileLogger()) {}
};

TEST_P(WriteFrames, EachStepOnceInItsOrder) {
  const WriteCase& c = kWriteCases[std::get<0>(GetParam())];
  const bool clockSync = std::get<1>(GetParam());
  TaskPage& page = startOnTaskPage();
  const DateTime start = inHours(1), end = inHours(2);
  page.editName("TIDE");
  page.setStart(start);
  page.setEnd(end);
  c.fill(page);
  page.setClockSync(clockSync);
  ASSERT_TRUE(writeAnsweringYes()) << c.mode << " stuck at step " << program->taskWrite().step();

  std::vector<Bytes> expected{
      kStopTask,
      join({0x01, 0x10, 0xE0, 0x05, 0x00, 0x08, 0x10},
           Bytes{'T', 'I', 'D', 'E', '=', '=', '=', '=', '=', '=', '=', '=', '=', '=', '=', '='}),
      {0x01, 0x10, 0x10, 0x0C, 0x00, 0x01, 0x02, 0x00, c.sendRecords},
      join({0x01, 0x10, 0x10, 0x03, 0x00, 0x03, 0x06}, dateBytes(start)),
      join({0x01, 0x10, 0x10, 0x06, 0x00, 0x03, 0x06}, dateBytes(end)),
      join({0x01, 0x10, 0x10, 0x01, 0x00, 0x02, 0x04}, u32(c.recordIntervalMs)),
      {0x01, 0x10, 0x10, 0x10, 0x00, 0x01, 0x02, static_cast<std::uint8_t>(c.averageCount >> 8),
       static_cast<std::uint8_t>(c.averageCount)},
      join({0x01, 0x10, 0x10, 0x0E, 0x00, 0x02, 0x04}, u32(c.averageIntervalMs)),
      join(join({0x01, 0x10, 0x20, 0x88, 0x00, 0x04, 0x08}, FloatToBeBytes(c.initialValue)),
           FloatToBeBytes(c.depthPressure)),
      kStartTask,
  };
  std::vector<Bytes> sent = writesSent();
  // velmo's task log keeps the task, and the time written into the logger's clock.
  const std::vector<TaskLogEntry> logged = readTaskLog((home / kTaskLogFile).string());
  ASSERT_EQ(logged.size(), 1u) << c.mode;
  EXPECT_EQ(logged[0].serial, "0210012345");
  EXPECT_EQ(logged[0].name, "TIDE");
  EXPECT_EQ(logged[0].start, start);
  EXPECT_EQ(logged[0].end, end);
  EXPECT_EQ(logged[0].synchronised.has_value(), clockSync);
  if (clockSync) {
    // Step 4 carries the PC's time of its sending: it goes between step 3 and step 5.
    ASSERT_EQ(sent.size(), expected.size() + 1) << c.mode;
    EXPECT_TRUE(startsWith(sent[3], kClockHead)) << c.mode;
    EXPECT_EQ(sent[3].size(), kClockHead.size() + 6);
    EXPECT_EQ(join(Bytes(kClockHead), dateBytes(*logged[0].synchronised)), sent[3]);
    sent.erase(sent.begin() + 3);
  }
  EXPECT_EQ(sent, expected) << c.mode;

  // The logger took the clock only when it was synchronised (it ran an hour ahead).
  EXPECT_NEAR(static_cast<double>(logger.loggerTime() - logger.now()), clockSync ? 0.0 : 3600.0, 1.0)
      << c.mode;
}

INSTANTIATE_TEST_SUITE_P(ModesAndClockSync, WriteFrames,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Bool()), [](const auto& info) {
                           return std::string(kWriteCases[std::get<0>(info.param)].mode) +
                                  (std::get<1>(info.param) ? "WithClockSync" : "WithoutClockSync");
                         });

// --- acknowledgements ----------------------------------------------------------------------------

class BareAcks : public TaskExchange {
 protected:
  static sim::LoggerConfig bare() {
    sim::LoggerConfig config = withoutFiles();
    config.echoWriteAcks = false;
    return config;
  }
  BareAcks() : TaskExchange(bare()) {}
};

TEST_F(BareAcks, EightByteAcknowledgementsWithoutEchoMoveTheWriteOn) {
  TaskPage& page = startOnTaskPage();
  fillValidTask(page);
  ASSERT_TRUE(writeAnsweringYes()) << "stuck at step " << program->taskWrite().step();
  // Each step was acknowledged at its first sending: 11 steps with the clock.
  EXPECT_EQ(writesSent().size(), 11u);
  EXPECT_TRUE(logger.recording());
}

TEST_F(TaskExchange, EchoedAcknowledgementsMoveTheWriteOnAtTheFirstSending) {
  TaskPage& page = startOnTaskPage();
  fillValidTask(page);
  ASSERT_TRUE(writeAnsweringYes());
  EXPECT_EQ(writesSent().size(), 11u);
}

TEST_F(TaskExchange, UnacknowledgedDepthSettingsAreSentTenTimesAndTheTaskStillStarts) {
  sim::LoggerFaults faults;
  faults.ignoreWritesTo = {reg::kDepthSettings};
  logger.setFaults(faults);
  TaskPage& page = startOnTaskPage();
  fillValidTask(page);
  ASSERT_TRUE(writeAnsweringYes()) << "stuck at step " << program->taskWrite().step();

  const std::vector<Bytes> sent = writesSent();
  ASSERT_GE(sent.size(), 11u);
  int depthSends = 0;
  for (const Bytes& frame : sent) depthSends += startsWith(frame, {0x01, 0x10, 0x20, 0x88}) ? 1 : 0;
  EXPECT_EQ(depthSends, 10);
  EXPECT_TRUE(startsWith(sent[sent.size() - 2], {0x01, 0x10, 0x20, 0x88}));
  EXPECT_EQ(sent.back(), kStartTask);
  EXPECT_TRUE(logger.recording());
}

TEST_F(TaskExchange, ThePortVanishingMidWriteEndsTheWriteWithTheOperatorTold) {
  TaskPage& page = startOnTaskPage();
  fillValidTask(page);
  port.clearWriteLog();
  op.answerYesNo(true);
  program->writeConfiguration();
  ASSERT_TRUE(loop.advanceUntil([&] { return writesSent().size() >= 3; }, 10000));
  port.vanish();

  const task::TaskWriteSequence& write = program->taskWrite();
  ASSERT_TRUE(loop.advanceUntil([&] { return !write.running(); }, 30000)) << "stuck at step " << write.step();
  EXPECT_FALSE(write.finished());
  EXPECT_FALSE(logger.recording());
  const std::vector<Prompt> messages = op.prompts(PromptKind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_FALSE(messages[0].text.empty());
  EXPECT_EQ(status(), messages[0].text);
  // Nothing is resent into the vanished port.
  const std::size_t sent = port.writeLog().size();
  loop.advance(5000);
  EXPECT_EQ(port.writeLog().size(), sent);
}

// --- the end of the write -------------------------------------------------------------------------

TEST_F(TaskExchange, AWrittenTaskRecordsAndTheLinkIsGivenUp) {
  TaskPage& page = startOnTaskPage();
  page.editName("NORTH PIER");
  const DateTime start = inHours(1), end = inHours(49);
  page.setStart(start);
  page.setEnd(end);
  page.chooseWorkMode(WorkMode::AverageAcquisition);
  page.editAverageRecordInterval("30");
  page.editAverageCount("4");
  page.editAverageInterval("25");
  page.setSendRecords(true);
  ASSERT_TRUE(writeAnsweringYes());

  const std::vector<Prompt> messages = op.prompts(PromptKind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, text("QL310", "ql310_info_writeover"));
  EXPECT_FALSE(messages[0].text.empty());
  EXPECT_EQ(status(), text("SYSTEMINFORMATION", "info_write_set_end"));
  EXPECT_FALSE(program->linkState().connected());
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(program->connectionPanel().autoSearch);
  EXPECT_EQ(program->connectionPanel().linkStatus, text("COMLINK", "com_link_not"));
  EXPECT_TRUE(op.unexpected().empty());

  // The logger holds the task and records it.
  const sim::RegisterBank& bank = logger.registers();
  EXPECT_EQ(bank.read(reg::kTaskName, 8),
            (Bytes{'N', 'O', 'R', 'T', 'H', ' ', 'P', 'I', 'E', 'R', '=', '=', '=', '=', '=', '='}));
  EXPECT_EQ(bank.read(reg::kTaskStart, 3), dateBytes(start));
  EXPECT_EQ(bank.read(reg::kTaskEnd, 3), dateBytes(end));
  EXPECT_EQ(bank.getU32(reg::kRecordInterval), 30000u);
  EXPECT_EQ(bank.get(reg::kAverageCount), 4u);
  EXPECT_EQ(bank.getU32(reg::kAverageInterval), 2500u);
  EXPECT_EQ(bank.get(reg::kSendToPort), 1u);
  EXPECT_EQ(bank.get(reg::kTaskRunState), 1u);
  EXPECT_TRUE(logger.recording());

  // Nothing more goes out once the link is given up.
  const std::size_t written = port.writeLog().size();
  loop.advance(5000);
  EXPECT_EQ(port.writeLog().size(), written);
}

// --- a write that never starts ---------------------------------------------------------------------

TEST_F(TaskExchange, ARefusedCheckSendsNothingAndAsksNothing) {
  const struct {
    const char* what;
    std::function<void(TaskPage&)> spoil;
    const char* section;
    const char* key;
  } cases[] = {
      {"interval without digits", [](TaskPage& p) { p.editRecordInterval("abc"); }, "SYSTEMINFORMATION",
       "info_erro_interval"},
      {"empty name", [](TaskPage& p) { p.editName(""); }, "QL310", "ql310_error_filename_empty"},
      {"end before start",
       [this](TaskPage& p) {
         p.setStart(inHours(3));
         p.setEnd(inHours(2));
       },
       "SYSTEMINFORMATION", "info_stopstart_error"},
  };
  TaskPage& page = startOnTaskPage();
  for (const auto& c : cases) {
    fillValidTask(page);
    c.spoil(page);
    port.clearWriteLog();
    program->writeConfiguration();
    loop.advance(2000);
    EXPECT_FALSE(program->taskWrite().running()) << c.what;
    EXPECT_TRUE(writesSent().empty()) << c.what;
    EXPECT_FALSE(text(c.section, c.key).empty()) << c.what;
    EXPECT_EQ(status(), text(c.section, c.key)) << c.what;
    EXPECT_EQ(page.fields().statusText, text(c.section, c.key)) << c.what;
  }
  EXPECT_TRUE(op.prompts(PromptKind::YesNo).empty());
  EXPECT_TRUE(program->linkState().connected());
}

TEST_F(TaskExchange, AnsweringNoSendsNothingAndShowsTheCancellation) {
  TaskPage& page = startOnTaskPage();
  fillValidTask(page);
  port.clearWriteLog();
  op.answerYesNo(false);
  program->writeConfiguration();
  loop.advance(3000);

  const std::vector<Prompt> questions = op.prompts(PromptKind::YesNo);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text, text("SYSTEMINFORMATION", "info_write_set_ok"));
  EXPECT_TRUE(writesSent().empty());
  EXPECT_FALSE(program->taskWrite().running());
  EXPECT_EQ(status(), text("BUTTON", "btn_cancle"));
  EXPECT_TRUE(program->linkState().connected());
  EXPECT_FALSE(logger.recording());
}

// --- the configuration read ---------------------------------------------------------------------------

struct ReadCase {
  const char* what;
  std::array<std::uint8_t, 4> firmware;
  sim::LoggingTask task;
  WorkMode mode;
  int sampleRateIndex;
  const char* recordInterval;
  const char* averageCount;
  const char* averageInterval;
  bool sendRecords;
  const char* initialValue;
  const char* depthInterval;
};

sim::LoggingTask taskOf(std::uint32_t intervalMs, std::uint16_t count, std::uint32_t averageMs, bool send,
                        float initial, float depthKpa) {
  sim::LoggingTask task;
  task.name = "BAY-3";
  task.start = {27, 2, 28, 23, 59, 30};
  task.end = {27, 3, 1, 0, 0, 10};
  task.recordIntervalMs = intervalMs;
  task.averageCount = count;
  task.averageIntervalMs = averageMs;
  task.sendRecordsToPort = send;
  task.initialValueKpa = initial;
  task.depthIntervalKpa = depthKpa;
  return task;
}

TEST(TaskRead, ShowingPageThreeReadsTheLoggersTaskIntoThePage) {
  const ReadCase cases[] = {
      // 250 ms: "2 Hz", whole seconds 0: fast acquisition (derived on 1.3.1 after the average interval).
      {"fast at 250 ms",
       {1, 3, 1, 5},
       taskOf(250, 1, 1500, true, 0, 0),
       WorkMode::FastAcquisition,
       1,
       "0",
       "1",
       "15",
       true,
       "0.000",
       "0.000"},
      {"average",
       {1, 3, 1, 5},
       taskOf(30000, 4, 2500, false, 0, 0),
       WorkMode::AverageAcquisition,
       -1,
       "30",
       "4",
       "25",
       false,
       "0.000",
       "0.000"},
      // A depth interval pressure makes it a profile (20.09 kPa is 2 m of sea water).
      {"profile",
       {1, 4, 0, 0},
       taskOf(1000, 1, 1000, false, 101.325f, 20.09f),
       WorkMode::FixedDepthProfile,
       0,
       "1",
       "1",
       "10",
       false,
       "101.325",
       "2.000"},
      {"interval after 1.3.1",
       {1, 4, 0, 0},
       taskOf(60000, 1, 1000, false, 0, 0),
       WorkMode::FixedInterval,
       -1,
       "60",
       "1",
       "10",
       false,
       "0.000",
       "0.000"},
  };
  for (const ReadCase& c : cases) {
    sim::LoggerConfig config = loggerWithFirmware(c.firmware);
    config.task = c.task;
    struct Run : TaskExchange {
      explicit Run(sim::LoggerConfig cfg) : TaskExchange(cfg) {}
      void TestBody() override {}
      using TaskExchange::startOnTaskPage;
    } run(config);
    const task::TaskFields& f = run.startOnTaskPage().fields();
    EXPECT_EQ(f.name, "BAY-3") << c.what;
    EXPECT_EQ(f.start, (DateTime{2027, 2, 28, 23, 59, 30})) << c.what;
    EXPECT_EQ(f.end, (DateTime{2027, 3, 1, 0, 0, 10})) << c.what;
    EXPECT_EQ(f.mode, c.mode) << c.what;
    EXPECT_EQ(f.sampleRateIndex, c.sampleRateIndex) << c.what;
    EXPECT_EQ(f.recordInterval, c.recordInterval) << c.what;
    EXPECT_EQ(f.averageRecordInterval, c.recordInterval) << c.what;
    EXPECT_EQ(f.averageCount, c.averageCount) << c.what;
    EXPECT_EQ(f.averageInterval, c.averageInterval) << c.what;
    EXPECT_EQ(f.sendRecords, c.sendRecords) << c.what;
    EXPECT_EQ(f.initialValue, c.initialValue) << c.what;
    EXPECT_EQ(f.depthInterval, c.depthInterval) << c.what;
  }
}

// --- a logger found recording -----------------------------------------------------------------------------

TEST_F(TaskExchange, PageThreeReadsNothingOnceTheLoggerIsDisconnected) {
  start();
  program->disconnect();
  port.clearWriteLog();
  program->showPage(Page::Configuration);
  loop.advance(5000);
  EXPECT_TRUE(framesSent(reg::readRequest(reg::kTaskName, 8)).empty());
  EXPECT_FALSE(program->taskRead().running());
}

class RecordingLogger : public TaskExchange {
 protected:
  static sim::LoggerConfig recording() {
    sim::LoggerConfig config = withoutFiles();
    config.taskRunState = 1;
    return config;
  }
  RecordingLogger() : TaskExchange(recording()) {}

  // velmo started; returns once the question about the running task was asked.
  void launchUntilAsked() {
    launch();
    ASSERT_TRUE(loop.advanceUntil([&] { return !op.prompts(PromptKind::YesNo).empty(); }, 30000));
    EXPECT_EQ(op.prompts(PromptKind::YesNo)[0].text, text("QL310", "ql310_is_working"));
  }
};

TEST_F(RecordingLogger, YesStopsTheTaskWithFiveFramesAndThePollCompletes) {
  op.answerYesNo(true);
  launchUntilAsked();
  // The first stop frame goes out with the answer, the others 300 ms apart.
  loop.advance(0);
  for (std::size_t n = 1; n <= 5; ++n) {
    EXPECT_EQ(framesSent(AppendCrc(kStopTask)).size(), n);
    if (n == 5) break;
    loop.advance(299);
    EXPECT_EQ(framesSent(AppendCrc(kStopTask)).size(), n);
    loop.advance(1);
  }
  ASSERT_TRUE(loop.advanceUntil([&] { return program->infoPoll().finished(); }, 30000));
  EXPECT_EQ(framesSent(AppendCrc(kStopTask)).size(), 5u);
  EXPECT_FALSE(program->instrumentInfo().taskRunning);
  EXPECT_FALSE(logger.recording());
  EXPECT_TRUE(program->linkState().connected());
}

TEST_F(RecordingLogger, NoGivesTheLinkUpAndLeavesTheLoggerRecording) {
  op.answerYesNo(false);
  launchUntilAsked();
  loop.advance(2000);
  EXPECT_TRUE(framesSent(AppendCrc(kStopTask)).empty());
  EXPECT_FALSE(program->linkState().connected());
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(program->connectionPanel().autoSearch);
  EXPECT_EQ(program->connectionPanel().linkStatus, text("COMLINK", "com_link_not"));
  EXPECT_TRUE(logger.recording());
}

}  // namespace
}  // namespace ql::test
