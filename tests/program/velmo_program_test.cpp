// velmo's core from start-up to a finished information poll, against the simulated logger.

#include "shell/velmo_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "link/crc.h"
#include "link/memory_port.h"
#include "link/register_map.h"
#include "runtime/formats.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/saved_state.h"
#include "sim/logger_model.h"
#include "sim/simulated_link.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t kStart = 1796900000;  // some afternoon in 2026

class VelmoProgramTest : public ::testing::Test {
 protected:
  explicit VelmoProgramTest(sim::LoggerConfig config = {}) : logger(config, sim::loopClock(loop, kStart)) {}

  VelmoProgram& start(std::optional<std::string> messagesLocale = std::nullopt) {
    ProgramEnvironment env{VelmoHome(home.string(), {QL_TEST_RESOURCE_DIR}),
                           [] { return std::vector<std::string>{"/dev/ttyQL"}; },
                           [this] { return kStart + loop.nowMs() / 1000; }};
    env.messagesLocale = std::move(messagesLocale);
    program = std::make_unique<VelmoProgram>(loop, op, port, std::move(env));
    program->create();
    EXPECT_TRUE(program->initialise());
    return *program;
  }
  bool pollFinished() { return program->linkState().connected() && program->infoPoll().finished(); }

  test::TempDir scratch{"velmo-program"};
  fs::path home = scratch.path();
  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger;
  sim::SimulatedLink link{loop, port, logger};
  ScriptedOperator op;
  std::unique_ptr<VelmoProgram> program;
};

TEST_F(VelmoProgramTest, FindsTheLoggerAndShowsEveryField) {
  VelmoProgram& velmo = start();
  EXPECT_TRUE(fs::exists(home / "Sysuse.ini"));
  EXPECT_TRUE(fs::is_directory(home / "bakwlr"));

  ASSERT_TRUE(loop.advanceUntil([&] { return velmo.linkState().connected(); }, 5000));
  EXPECT_EQ(velmo.connectionPanel().linkStatus, velmo.text("COMLINK", "com_link_ok"));
  EXPECT_EQ(port.baudRate(), 9600u);

  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 20000)) << "step " << velmo.infoPoll().step();
  const InstrumentInfo& info = velmo.instrumentInfo();
  EXPECT_EQ(info.serialNumber, "0210012345");
  EXPECT_EQ(info.model, "QL310");
  EXPECT_EQ(info.hardwareVersion, "1.0.2.0");
  EXPECT_EQ(info.firmwareVersion, "1.3.1.5");
  EXPECT_EQ(info.flashSize, "8388608");
  EXPECT_EQ(info.flashUsed, "1048576");
  EXPECT_EQ(info.flashFree, "7340032 (87.5%)");
  EXPECT_EQ(info.batteryVoltage, "3.600");
  EXPECT_EQ(info.batteryPercent, "75");
  EXPECT_EQ(info.batteryLevel, BatteryLevel::Full);
  EXPECT_FALSE(info.taskRunning);
  // The logger's clock as it was when read: within the few seconds the poll took.
  auto shown = parseDateTime(info.clock);
  ASSERT_TRUE(shown.has_value()) << info.clock;
  auto shownTime = toTimeT(*shown);
  ASSERT_TRUE(shownTime.has_value());
  EXPECT_NEAR(double(*shownTime), double(kStart + loop.nowMs() / 1000), 5.0);
  EXPECT_EQ(info.statusText, velmo.text("SYSTEMINFORMATION", "info_get_list_end"));
  EXPECT_EQ(velmo.fileTable().count(), 3);
  EXPECT_EQ(info.fileCount, 3);
  EXPECT_TRUE(op.log().empty());
}

TEST_F(VelmoProgramTest, FirstStartFollowsTheLocaleAndAStoredLanguageWins) {
  VelmoProgram& first = start("de_DE.UTF-8");
  EXPECT_EQ(first.language(), "english");
  first.close(WindowGeometry{10, 20, 700, 1000}, "chinese");
  program.reset();

  VelmoProgram& second = start("en_US.UTF-8");
  EXPECT_EQ(second.language(), "chinese");
}

TEST_F(VelmoProgramTest, ChosenLanguageAppliesAtOnceToTextsProducedLater) {
  VelmoProgram& velmo = start("zh_CN.UTF-8");
  ASSERT_EQ(velmo.language(), "chinese");
  const std::string chineseDone = velmo.text("SYSTEMINFORMATION", "info_get_list_end");
  int changes = 0;
  velmo.languageChange().subscribe([&] { ++changes; });

  velmo.setLanguage("english");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(velmo.language(), "english");
  const std::string englishDone = LanguageTexts::fromFile(QL_TEST_RESOURCE_DIR "/english.lag")
                                      .text("SYSTEMINFORMATION", "info_get_list_end");
  ASSERT_NE(englishDone, chineseDone);
  EXPECT_EQ(velmo.text("SYSTEMINFORMATION", "info_get_list_end"), englishDone);

  // The status caption written after the change, by the core's own poll, is in English.
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 20000));
  EXPECT_EQ(velmo.instrumentInfo().statusText, englishDone);
  // The link caption already shown follows too.
  velmo.setLanguage("chinese");
  ASSERT_TRUE(velmo.connectionPanel().linkShownAsOk);
  EXPECT_EQ(velmo.connectionPanel().linkStatus, velmo.text("COMLINK", "com_link_ok"));
  velmo.setLanguage("english");
  EXPECT_EQ(velmo.connectionPanel().linkStatus,
            LanguageTexts::fromFile(QL_TEST_RESOURCE_DIR "/english.lag").text("COMLINK", "com_link_ok"));

  const int before = changes;
  velmo.setLanguage("english");
  EXPECT_EQ(changes, before);
  velmo.setLanguage("klingon");  // no such file: the default language
  EXPECT_EQ(velmo.language(), "chinese");
  EXPECT_EQ(changes, before + 1);
}

TEST_F(VelmoProgramTest, ExitSavesTheStateFileWhole) {
  VelmoProgram& velmo = start();
  loop.advance(100);
  velmo.setDepthParameters(DepthParameters{1.0, 9.81, -101.3});
  velmo.close(WindowGeometry{10, 20, 700, 1000}, "english");
  EXPECT_EQ(fs::file_size(home / "sysuse.d"), SavedState::kFileSize);
  auto saved = loadSavedState((home / "sysuse.d").string());
  ASSERT_TRUE(saved.state.window.has_value());
  EXPECT_EQ(saved.state.window->width, 1000);
  EXPECT_EQ(saved.state.languageName, "english");
  EXPECT_EQ(saved.state.density, 1.0);
  EXPECT_EQ(saved.state.gravity, 9.81);
  EXPECT_EQ(saved.state.pressureOffset, -101.3);
  // The last frame told the logger the program is gone.
  ASSERT_TRUE(logger.lastControlCode().has_value() || !port.isOpen());
}

TEST_F(VelmoProgramTest, TheNextSearchStartsWhereTheLoggerAnsweredLast) {
  auto probes = [&] {
    int n = 0;
    for (const Bytes& frame : port.writeLog()) n += frame == AppendCrc(reg::probeRequest());
    return n;
  };
  start();
  ASSERT_TRUE(loop.advanceUntil([&] { return program->linkState().connected(); }, 5000));
  EXPECT_EQ(probes(), 2);  // 4800, then 9600
  EXPECT_TRUE(fs::exists(home / "link.ini"));

  program.reset();
  port.clearWriteLog();
  start();
  ASSERT_TRUE(loop.advanceUntil([&] { return program->linkState().connected(); }, 5000));
  EXPECT_EQ(probes(), 1);
}

class ManyFiles : public VelmoProgramTest {
 protected:
  static sim::LoggerConfig fourteen() {
    sim::LoggerConfig config;
    config.fileCount = 14;
    return config;
  }
  ManyFiles() : VelmoProgramTest(fourteen()) {}
};

TEST_F(ManyFiles, FourteenFilesGiveTheNoticeAtTheEndOfThePoll) {
  VelmoProgram& velmo = start();
  ASSERT_TRUE(loop.advanceUntil([&] { return pollFinished(); }, 30000));
  EXPECT_EQ(velmo.fileTable().count(), 14);
  auto messages = op.prompts(PromptKind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, velmo.text("QL310", "ql310_file_more"));
}

class RunningTask : public VelmoProgramTest {
 protected:
  static sim::LoggerConfig running() {
    sim::LoggerConfig config;
    config.taskRunState = 1;
    return config;
  }
  RunningTask() : VelmoProgramTest(running()) {}
};

TEST_F(RunningTask, ARunningTaskStopsThePollAtItsStep) {
  VelmoProgram& velmo = start();
  ASSERT_TRUE(loop.advanceUntil([&] { return velmo.instrumentInfo().taskRunning; }, 20000));
  loop.advance(3000);
  EXPECT_FALSE(velmo.infoPoll().running());
  EXPECT_TRUE(velmo.infoPoll().haltedByRunningTask());
  EXPECT_EQ(velmo.infoPoll().step(),
            InfoPoll::kEnterCalibration);  // the answer to the task-state read counted
  EXPECT_EQ(velmo.instrumentInfo().clock.empty(), false);
  EXPECT_EQ(velmo.fileTable().count(), 0);
}

}  // namespace
}  // namespace ql
