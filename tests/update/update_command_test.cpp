#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "shell/update_info.h"
#include "support/loopback_http_server.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::cli {
namespace {

using test::readFile;

struct CommandRun {
  int code;
  std::string out;
  std::string err;
};

CommandRun velmo(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = run(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(UpdateCommand, CheckPrintsTheServersVersionAndWhetherItIsNewer) {
  test::TempDir home("velmo_update_cli");
  struct Case {
    const char* version;
    const char* printed;
    const char* newer;
  };
  for (const Case& c : {Case{"V2.0.1.20", "V2.0.1.20", "yes"}, Case{" v2.0.1.19", "V2.0.1.19", "no"}}) {
    test::LoopbackHttpServer server;
    server.serve(update::kInfoPath, std::string("softversion= ") + c.version + "\rnewfile00=velmo.exe\r");
    server.serve("/media/QL310/velmo.zip", "must not be fetched");
    const CommandRun r = velmo({"update", "--check", "--server", server.baseUrl(), "--home", home.path()});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find(std::string("server version: ") + c.printed + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::string("newer: ") + c.newer + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(server.requests(), std::vector<std::string>{update::kInfoPath});
  }
}

TEST(UpdateCommand, ServerFromSysuseIniAndErrors) {
  test::TempDir home("velmo_update_cli");
  CommandRun r = velmo({"update", "--check", "--home", home.path()});
  EXPECT_EQ(r.code, kExitUsage);  // SERVER= is written empty on first start
  EXPECT_NE(r.err.find("[UPDATE]"), std::string::npos);

  test::LoopbackHttpServer server;  // serves nothing: 404
  home.write("Sysuse.ini", "[UPDATE]\r\nSERVER=" + server.baseUrl() + "\r\n");
  r = velmo({"update", "--check", "--home", home.path()});
  EXPECT_EQ(r.code, kExitFileError);
  EXPECT_NE(r.err.find("cannot read the server's information"), std::string::npos) << r.err;
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(UpdateCommand, DownloadsAndHandsOverToUpdtrun) {
  test::TempDir home("velmo_update_cli");
  test::LoopbackHttpServer server;
  server.serve(update::kInfoPath, "softversion= V2.0.1.20\rnewfile00=velmo.exe\rnewfile01=notes.txt\r");
  // The new program is a stand-in that records what it was asked to replace.
  server.serve("/media/QL310/velmo.zip", "#!/bin/sh\necho \"$VELMO_UPDATE_TARGET\" > \"$VELMO_HOME/ran\"\n");
  server.serve("/media/QL310/notes.zip", "notes");
  const CommandRun r = velmo({"update", "--server", server.baseUrl(), "--home", home.path()});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("handed over to " + home.file("updtrun")), std::string::npos) << r.out;
  EXPECT_EQ(readFile(home.file("notes.txt")), "notes");
  int status = 0;
  while (::waitpid(-1, &status, 0) > 0) {
  }
  EXPECT_FALSE(readFile(home.file("ran")).empty());  // the running program's path
}

}  // namespace
}  // namespace ql::cli
