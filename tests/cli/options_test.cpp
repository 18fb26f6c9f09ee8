// The link options of the headless commands: what --timeout accepts.

#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"

namespace ql::cli {
namespace {

TEST(TimeoutOption, AcceptsFiniteSecondsInRange) {
  const struct {
    const char* text;
    std::int64_t ms;
  } cases[] = {{"60", 60000}, {"0.5", 500}, {"0.001", 1}, {"0.0015", 2}, {"86400", 86400000}, {"1e1", 10000}};
  for (const auto& c : cases) {
    std::string problem;
    auto options = parseOptions("info", {"--timeout", c.text}, problem);
    ASSERT_TRUE(options) << c.text << ": " << problem;
    EXPECT_EQ(options->timeoutMs, c.ms) << c.text;
  }
}

TEST(TimeoutOption, RefusesWhatIsNotAFiniteNumberInRangeAsBadUsage) {
  for (const char* text : {"nan", "NaN", "inf", "-inf", "infinity", "1e23", "86400.5", "1e308", "0", "-1",
                           "0.0009", "", "ten", "5s", "1.5.2", " 5"}) {
    std::string problem;
    EXPECT_FALSE(parseOptions("info", {"--timeout", text}, problem)) << '"' << text << '"';
    EXPECT_EQ(problem, "--timeout wants a number of seconds from 0.001 to 86400") << text;

    // Through the command line: exit code 1, the reason and the usage on stderr, nothing run.
    std::ostringstream out, err;
    EXPECT_EQ(run({"find", "--timeout", text}, out, err), kExitUsage) << text;
    EXPECT_NE(err.str().find("velmo find: --timeout wants a number of seconds"), std::string::npos)
        << err.str();
    EXPECT_TRUE(out.str().empty());
  }
}

}  // namespace
}  // namespace ql::cli
