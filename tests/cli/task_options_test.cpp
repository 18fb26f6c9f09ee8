// The arguments of velmo config and velmo monitor: what each option becomes, and what is bad usage
// (told before any port is opened, with the command's own usage line).

#include "cli/task_options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"

namespace ql::cli {
namespace {

const Arguments kRequired{"--name",  "Pier 9",
                          "--mode",  "average",
                          "--start", "2027-01-02 03:04:05",
                          "--end",   "2027-01-03 03:04:05"};

Arguments with(Arguments extra) {
  Arguments args = kRequired;
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

TEST(ConfigSetArguments, EveryOptionReachesTheTask) {
  std::string problem;
  auto parsed = parseConfigSetArguments(with({"--rate",
                                              "10",
                                              "--interval",
                                              "30",
                                              "--average-count",
                                              "4",
                                              "--average-interval",
                                              "25",
                                              "--initial-value",
                                              "101.3",
                                              "--depth-interval",
                                              "2",
                                              "--send-records",
                                              "--no-clock-sync",
                                              "--port",
                                              "/dev/ttyUSB0",
                                              "--baud",
                                              "19200",
                                              "--timeout",
                                              "5"}),
                                        problem);
  ASSERT_TRUE(parsed) << problem;
  const TaskRequest& t = parsed->task;
  EXPECT_EQ(t.name, "Pier 9");
  EXPECT_EQ(t.mode, task::WorkMode::AverageAcquisition);
  EXPECT_EQ(t.start, (DateTime{2027, 1, 2, 3, 4, 5}));
  EXPECT_EQ(t.end, (DateTime{2027, 1, 3, 3, 4, 5}));
  EXPECT_EQ(t.sampleRateIndex, 3);
  EXPECT_EQ(t.recordInterval, "30");
  EXPECT_EQ(t.averageCount, "4");
  EXPECT_EQ(t.averageInterval, "25");
  EXPECT_EQ(t.initialValue, "101.3");
  EXPECT_EQ(t.depthInterval, "2");
  EXPECT_TRUE(t.sendRecords);
  EXPECT_FALSE(t.clockSync);
  EXPECT_EQ(parsed->link.port, "/dev/ttyUSB0");
  EXPECT_EQ(parsed->link.baud, 19200u);
  EXPECT_EQ(parsed->link.timeoutMs, 5000);
}

TEST(ConfigSetArguments, DefaultsAndWordsOfModesAndRates) {
  std::string problem;
  auto plain = parseConfigSetArguments(kRequired, problem);
  ASSERT_TRUE(plain) << problem;
  EXPECT_FALSE(plain->task.sendRecords);
  EXPECT_TRUE(plain->task.clockSync);
  EXPECT_FALSE(plain->task.sampleRateIndex);
  EXPECT_FALSE(plain->task.recordInterval);
  EXPECT_FALSE(plain->link.port);

  const struct {
    const char* word;
    task::WorkMode mode;
  } modes[] = {{"fast", task::WorkMode::FastAcquisition},
               {"interval", task::WorkMode::FixedInterval},
               {"average", task::WorkMode::AverageAcquisition},
               {"profile", task::WorkMode::FixedDepthProfile}};
  for (const auto& m : modes) EXPECT_EQ(workModeNamed(m.word), m.mode) << m.word;
  const struct {
    const char* hertz;
    int index;
  } rates[] = {{"1", 0}, {"2", 1}, {"5", 2}, {"10", 3}};
  for (const auto& r : rates) {
    auto parsed = parseConfigSetArguments(with({"--rate", r.hertz}), problem);
    ASSERT_TRUE(parsed) << r.hertz << ": " << problem;
    EXPECT_EQ(parsed->task.sampleRateIndex, r.index) << r.hertz;
  }
}

// Texts of the numeric fields are left to the page's filters and checks: a bad interval is the
// page's refusal, not bad usage.
TEST(ConfigSetArguments, NumericFieldsStayText) {
  std::string problem;
  auto parsed = parseConfigSetArguments(with({"--interval", "abc", "--name", ""}), problem);
  ASSERT_TRUE(parsed) << problem;
  EXPECT_EQ(parsed->task.recordInterval, "abc");
  EXPECT_EQ(parsed->task.name, "");
}

TEST(ConfigSetArguments, BadUsage) {
  const struct {
    Arguments args;
    const char* problem;
  } cases[] = {
      {{"--mode", "fast", "--start", "2027-01-02 03:04:05", "--end", "2027-01-03 03:04:05"},
       "--name, --mode, --start and --end are needed"},
      {{"--name", "a", "--start", "2027-01-02 03:04:05", "--end", "2027-01-03 03:04:05"},
       "--name, --mode, --start and --end are needed"},
      {{"--name", "a", "--mode", "fast", "--end", "2027-01-03 03:04:05"},
       "--name, --mode, --start and --end are needed"},
      {{"--name", "a", "--mode", "fast", "--start", "2027-01-02 03:04:05"},
       "--name, --mode, --start and --end are needed"},
      {with({"--mode", "slow"}), "--mode is one of fast, interval, average, profile"},
      {with({"--rate", "3"}), "--rate is one of 1, 2, 5, 10 (Hz)"},
      {with({"--rate", "10Hz"}), "--rate is one of 1, 2, 5, 10 (Hz)"},
      {with({"--start", "2027-01-02"}), "--start wants \"yyyy-mm-dd hh:mm:ss\""},
      {with({"--end", "2027-02-30 00:00:00"}), "--end wants \"yyyy-mm-dd hh:mm:ss\""},
      {with({"--interval"}), "--interval needs a value"},
      {with({"--json"}), "unknown option --json"},
      {with({"--colour", "red"}), "unknown option --colour"},
      {with({"--baud", "9600"}), "--baud needs --port"},
      {with({"--port"}), "--port needs a value"},
      {with({"--timeout", "0"}), "--timeout wants a number of seconds from 0.001 to 86400"},
  };
  for (const auto& c : cases) {
    std::string problem;
    EXPECT_FALSE(parseConfigSetArguments(c.args, problem)) << c.problem;
    EXPECT_EQ(problem, c.problem);
  }
}

TEST(MonitorArguments, CountCsvAndLink) {
  std::string problem;
  auto parsed =
      parseMonitorArguments({"--count", "3", "--csv", "--port", "/dev/ttyS1", "--baud", "9600"}, problem);
  ASSERT_TRUE(parsed) << problem;
  EXPECT_EQ(parsed->count, 3);
  EXPECT_TRUE(parsed->csv);
  EXPECT_EQ(parsed->link.port, "/dev/ttyS1");
  auto plain = parseMonitorArguments({}, problem);
  ASSERT_TRUE(plain) << problem;
  EXPECT_FALSE(plain->count);
  EXPECT_FALSE(plain->csv);

  const struct {
    Arguments args;
    const char* problem;
  } bad[] = {
      {{"--count", "0"}, "--count is a number of samples from 1"},
      {{"--count", "-2"}, "--count is a number of samples from 1"},
      {{"--count", "3x"}, "--count is a number of samples from 1"},
      {{"--count"}, "--count needs a value"},
      {{"--json"}, "unknown option --json"},
      {{"5"}, "unknown option 5"},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(parseMonitorArguments(c.args, problem)) << c.problem;
    EXPECT_EQ(problem, c.problem);
  }
}

TEST(ConfigGetArguments, TakeTheLinkOptionsAndJson) {
  std::string problem;
  auto parsed = parseOptions("config get", {"--json", "--port", "/dev/ttyS0", "--baud", "4800"}, problem);
  ASSERT_TRUE(parsed) << problem;
  EXPECT_TRUE(parsed->json);
  EXPECT_EQ(parsed->baud, 4800u);
}

// Through the command line: exit code 1, the reason and the command's own usage on stderr.
TEST(ConfigCommands, BadUsageExitsOneWithTheUsageLine) {
  const struct {
    Arguments args;
    const char* reason;
    const char* usage;
  } cases[] = {
      {{"config", "set", "--name", "a"}, "velmo config set: --name, --mode", "usage: velmo config set"},
      {{"config", "get", "--csv"}, "velmo config get: unknown option --csv", "usage: velmo config get"},
      {{"config"}, "velmo config: get or set?", "usage: velmo config set"},
      {{"config", "list"}, "velmo config: get or set?", "usage: velmo config get"},
      {{"monitor", "--count", "none"}, "velmo monitor: --count is", "usage: velmo monitor"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(run(c.args, out, err), kExitUsage) << c.reason;
    EXPECT_NE(err.str().find(c.reason), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(c.usage), std::string::npos) << err.str();
    // Only this command's usage, not the whole list.
    EXPECT_EQ(err.str().find("velmo find"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());
  }
  EXPECT_TRUE(isSubcommand("config"));
  EXPECT_TRUE(isSubcommand("monitor"));
}

}  // namespace
}  // namespace ql::cli
