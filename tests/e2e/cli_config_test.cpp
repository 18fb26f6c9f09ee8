// velmo config and velmo monitor against ql310-sim on a pseudo-terminal, as a user runs them.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "programs.h"
#include "runtime/formats.h"
#include "shell/saved_state.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ql::testing::runCommand;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The simulated logger on a link in a scratch directory, and velmo with a home of its own there
// whose stored language is English.
struct Bench {
  explicit Bench(const std::string& name, const std::vector<std::string>& extra = {})
      : scratch(name), path(scratch.path()) {
    fs::create_directories(path / "home");
    ql::SavedState stored;
    stored.languageName = "english";
    ql::saveSavedState((path / "home" / "sysuse.d").string(), stored);
    sim = std::make_unique<ql::testing::SimulatorProcess>(QL310_SIM, link(), extra);
  }
  ~Bench() { sim.reset(); }
  std::string link() const { return (path / "tty").string(); }
  // velmo on the simulator's port; stderr goes to the file "stderr".
  std::string velmo(const std::string& arguments) const {
    return "VELMO_HOME=" + (path / "home").string() + " " VELMO " " + arguments + " --port " + link() +
           " --baud 9600 --timeout 60 2>" + (path / "stderr").string();
  }
  std::string errors() const { return readText(path / "stderr"); }

  ql::test::TempDir scratch;
  fs::path path;
  std::unique_ptr<ql::testing::SimulatorProcess> sim;
};

std::string localText(std::time_t t) { return ql::formatDateTime(ql::localDateTime(t)); }

TEST(ConfigCommands, ATaskSetIsTheTaskGotAndTheLoggerRecordsIt) {
  Bench bench("ql310_config_set");
  ASSERT_TRUE(bench.sim->ready());
  const std::time_t now = std::time(nullptr);
  const std::string start = localText(now + 3600), end = localText(now + 2 * 86400);

  auto set = runCommand(bench.velmo("config set --name \"Pier 9\" --mode interval --start \"" + start +
                                    "\" --end \"" + end + "\" --interval 30 --send-records"));
  ASSERT_EQ(set.code, 0) << bench.errors();
  EXPECT_EQ(set.out,
            "The configuration has been written and the instrument has started its new task. Reconnect to "
            "continue working with it.\n");

  auto get = runCommand(bench.velmo("config get --json"));
  ASSERT_EQ(get.code, 0) << bench.errors();
  for (const std::string& expected :
       {"{\"running\": true, \"name\": \"Pier 9\", \"start\": \"" + start + "\", \"end\": \"" + end + "\"",
        std::string(
            "\"mode\": 1, \"sample_rate\": null, \"record_interval_ms\": 30000, \"average_count\": 1"),
        std::string("\"send_records\": true"), std::string("\"depth_interval_m\": \"0.000\"}")})
    EXPECT_NE(get.out.find(expected), std::string::npos) << expected << " in " << get.out;

  // Reading left it recording.
  auto info = runCommand(bench.velmo("info --json"));
  ASSERT_EQ(info.code, 0) << bench.errors();
  EXPECT_NE(info.out.find("\"task_running\": true"), std::string::npos) << info.out;
}

TEST(ConfigCommands, ARefusedTaskExitsOneWithThePagesMessage) {
  Bench bench("ql310_config_refused");
  ASSERT_TRUE(bench.sim->ready());
  const std::time_t now = std::time(nullptr);
  auto set =
      runCommand(bench.velmo("config set --name Pier --mode interval --start \"" + localText(now + 3600) +
                             "\" --end \"" + localText(now + 7200) + "\" --interval abc"));
  EXPECT_EQ(set.code, 1);
  EXPECT_EQ(set.out, "");
  EXPECT_NE(bench.errors().find("velmo config set: Please enter the record interval\n"), std::string::npos)
      << bench.errors();
  // Nothing was written: the logger keeps its old task, stopped.
  auto get = runCommand(bench.velmo("config get"));
  ASSERT_EQ(get.code, 0) << bench.errors();
  EXPECT_NE(get.out.find("running: no\nname: HARBOUR-07\n"), std::string::npos) << get.out;
}

TEST(MonitorCommand, CsvSamplesOfTheTide) {
  Bench bench("ql310_monitor");
  ASSERT_TRUE(bench.sim->ready());
  auto r = runCommand(bench.velmo("monitor --count 3 --csv"));
  ASSERT_EQ(r.code, 0) << bench.errors();
  const std::vector<std::string> rows = lines(r.out);
  ASSERT_EQ(rows.size(), 4u) << r.out;
  EXPECT_EQ(rows[0], "time,temperature,pressure,third_channel,internal_temperature");
  for (std::size_t i = 1; i < rows.size(); ++i) {
    double temperature = 0, pressure = 0, third = 0, internal = 0;
    char stamp[20] = {};
    ASSERT_EQ(std::sscanf(rows[i].c_str(), "%19[^,],%lf,%lf,%lf,%lf", stamp, &temperature, &pressure, &third,
                          &internal),
              5)
        << rows[i];
    EXPECT_TRUE(ql::parseDateTime(stamp)) << rows[i];
    EXPECT_NEAR(pressure, 110.0, 10.0) << rows[i];  // the harbour's tide over the air's 101 kPa
    EXPECT_GT(temperature, -5.0);
    EXPECT_LT(temperature, 40.0);
    // Page 1's precisions: two decimals by default.
    EXPECT_EQ(rows[i].size() - rows[i].rfind('.'), 3u) << rows[i];
  }
}

TEST(MonitorCommand, CtrlCEndsItCleanlyAfterTheLinesPrinted) {
  Bench bench("ql310_monitor_int");
  ASSERT_TRUE(bench.sim->ready());
  const std::string out = (bench.path / "out").string();
  // velmo in the background until two samples are out (its handler is in place by then), then
  // SIGINT; the shell prints its exit code. The output file exists before velmo starts, so the
  // count never reads a missing file; --count bounds the run should the signal be lost.
  auto r = runCommand("(: >" + out + "; " + bench.velmo("monitor --count 60") + " >" + out +
                      " & p=$!; n=0; while [ \"$(wc -l <" + out +
                      ")\" -lt 2 ] && [ $n -lt 600 ]; do sleep 0.1; n=$((n+1)); done; kill -INT $p; wait $p; "
                      "echo $?)");
  EXPECT_EQ(r.out, "0\n") << bench.errors();
  const std::vector<std::string> rows = lines(readText(out));
  ASSERT_GE(rows.size(), 2u);
  EXPECT_LT(rows.size(), 60u) << "the signal did not end it";
  for (const std::string& row : rows) EXPECT_EQ(std::count(row.begin(), row.end(), ' '), 2 * 4 + 1) << row;
}

}  // namespace
