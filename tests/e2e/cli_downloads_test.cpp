// velmo download --all [--new] and velmo verify against ql310-sim on a pseudo-terminal: what is
// stored is skipped and what is not is fetched; a download record vouches for its file and a
// damaged stream or a changed file is refused.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/data_file.h"
#include "data/download_record.h"
#include "data/task_log.h"
#include "programs.h"
#include "runtime/formats.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::runCommand;

class VelmoDownloads : public ::testing::Test {
 protected:
  VelmoDownloads() {
    fs::create_directories(dir);
    link = (dir / "logger").string();
    home = dir / "home";
  }

  CommandResult velmo(const std::string& arguments) {
    return runCommand("VELMO_HOME=" + home.string() + " VELMO_EXTRA_PORTS=" + link + " " VELMO " " +
                      arguments + " 2>" + (dir / "stderr").string());
  }
  CommandResult download(const std::string& what) {
    return velmo("download " + what + " --port " + link + " --baud 9600 --home " + home.string());
  }
  std::string errors() const {
    std::ifstream in(dir / "stderr");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<std::string> lines(const std::string& text) const {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  // The path a "[i/n] PATH" line names.
  static std::string pathOf(const std::string& line) { return line.substr(line.find("] ") + 2); }

  ql::test::TempDir scratch{"velmo-downloads"};
  fs::path dir = scratch.path();
  fs::path home;
  std::string link;
};

TEST_F(VelmoDownloads, AllNewSkipsWhatIsStoredAndFetchesTheRest) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "3"});
  ASSERT_TRUE(sim.ready());
  CommandResult first = download("3");
  ASSERT_EQ(first.code, 0) << errors();

  CommandResult all = download("--all --new");
  ASSERT_EQ(all.code, 0) << all.out << errors();
  std::vector<std::string> out = lines(all.out);
  ASSERT_EQ(out.size(), 3u) << all.out;
  EXPECT_EQ(out[0].rfind("[1/2] ", 0), 0u);
  EXPECT_EQ(out[1].rfind("[2/2] ", 0), 0u);
  EXPECT_EQ(out[2], "2 of 2 files stored, 1 already stored");
  // Every stored file is vouched for by its record, and the three are three different files.
  std::vector<std::string> stored{first.out.substr(0, first.out.size() - 1), pathOf(out[0]), pathOf(out[1])};
  std::vector<std::string> entries;
  for (const std::string& path : stored) {
    CommandResult verified = velmo("verify " + path);
    EXPECT_EQ(verified.code, 0) << path << ": " << errors();
    EXPECT_EQ(verified.out, "ok\n");
    std::string problem;
    auto record = readDownloadRecord(path, problem);
    ASSERT_TRUE(record.has_value()) << problem;
    EXPECT_TRUE(record->crcMatch);
    entries.push_back(record->entryHex);
  }
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(std::unique(entries.begin(), entries.end()), entries.end());

  CommandResult again = download("--all --new");
  EXPECT_EQ(again.code, 0) << errors();
  EXPECT_EQ(again.out, "0 of 0 files stored, 3 already stored\n");
  // The logger is back at 9600.
  EXPECT_EQ(velmo("info --port " + link + " --baud 9600").code, 0);
}

TEST_F(VelmoDownloads, ADamagedStreamIsStoredButToldAndVerifyRefusesIt) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "3", "--corrupt-stream"});
  ASSERT_TRUE(sim.ready());
  CommandResult r = download("2");
  EXPECT_EQ(r.code, 3);
  ASSERT_FALSE(r.out.empty());
  EXPECT_NE(errors().find("checksum does not match"), std::string::npos) << errors();
  const std::string stored = r.out.substr(0, r.out.size() - 1);
  ASSERT_TRUE(fs::exists(stored));
  EXPECT_EQ(velmo("verify " + stored).code, 3);
  EXPECT_NE(errors().find("checksum did not match"), std::string::npos) << errors();
}

TEST_F(VelmoDownloads, VerifyRefusesAChangedFileAndAnyRecordItCannotTrust) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "1"});
  ASSERT_TRUE(sim.ready());
  CommandResult r = download("1");
  ASSERT_EQ(r.code, 0) << errors();
  const std::string stored = r.out.substr(0, r.out.size() - 1);
  const std::string record = stored + ".json";
  std::string json;
  {
    std::ifstream in(record);
    std::stringstream text;
    text << in.rdbuf();
    json = text.str();
  }
  ASSERT_EQ(velmo("verify " + stored).code, 0);

  // One flipped byte in the middle of the stored data.
  {
    std::fstream file(stored, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(600);
    char c = 0;
    file.get(c);
    file.seekp(600);
    file.put(static_cast<char>(c ^ 0x10));
  }
  EXPECT_EQ(velmo("verify " + stored).code, 3);
  EXPECT_NE(errors().find("SHA-256 differs"), std::string::npos) << errors();

  struct RecordCase {
    const char* name;
    std::string text;  // empty: no record at all
    const char* reason;
  };
  const std::string sha = "\"sha256\": \"";
  std::string wrongSize = json;
  wrongSize.replace(wrongSize.find("\"stored_size\": "), 15, "\"stored_size\": 1");
  const RecordCase cases[] = {
      {"missing", "", "no download record"},
      {"not json", "{\"serial\": ", "not a download record"},
      {"field missing", "{\"serial\": \"1\"}", "no text"},
      {"size differs", wrongSize, "its record says"},
  };
  for (const RecordCase& c : cases) {
    fs::remove(record);
    if (!c.text.empty()) std::ofstream(record) << c.text;
    EXPECT_EQ(velmo("verify " + stored).code, 3) << c.name;
    EXPECT_NE(errors().find(c.reason), std::string::npos) << c.name << ": " << errors();
  }
}

// The logger 50 s fast at the download: the export corrects its times once velmo's task log
// knows when the clock was synchronised, and says why not before.
TEST_F(VelmoDownloads, DriftCorrectedExportNeedsTheSynchronisedTask) {
  testing::SimulatorProcess sim(QL310_SIM, link, {"--files", "1", "--clock-offset", "50"});
  ASSERT_TRUE(sim.ready());
  CommandResult r = download("1");
  ASSERT_EQ(r.code, 0) << errors();
  const std::string stored = r.out.substr(0, r.out.size() - 1);
  std::string problem;
  auto record = readDownloadRecord(stored, problem);
  ASSERT_TRUE(record.has_value()) << problem;

  CommandResult refused = velmo("export " + stored + " --drift-correct");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(errors().find("cannot apply: velmo's task log holds no task of logger 0210012345"),
            std::string::npos)
      << errors();

  // The task as velmo would have logged it, synchronised ten days before the download.
  auto header = readDataFileHeader(stored);
  ASSERT_TRUE(header.has_value());
  auto start = parseDateTime(FileEntry::stampText(header->entry().startStamp()));
  auto downloaded = parseIsoDateTime(record->pcTime);
  ASSERT_TRUE(start && downloaded);
  const DateTime synchronised = localDateTime(*toTimeT(*downloaded) - 10 * 86400);
  ASSERT_TRUE(appendTaskLog((home / kTaskLogFile).string(),
                            TaskLogEntry{"0210012345", "T", *start, *start, synchronised}));
  CommandResult plain = velmo("export " + stored);
  CommandResult corrected = velmo("export " + stored + " --drift-correct");
  ASSERT_EQ(corrected.code, 0) << errors();
  EXPECT_EQ(plain.out.size(), corrected.out.size());
  EXPECT_NE(plain.out, corrected.out);
}

TEST_F(VelmoDownloads, NewNeedsAll) {
  EXPECT_EQ(velmo("download --new").code, 1);
  EXPECT_EQ(velmo("download --all 2").code, 1);
  EXPECT_EQ(velmo("verify").code, 1);
}

}  // namespace
}  // namespace ql
