#include "shell/online_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/update_info.h"
#include "runtime/sha256.h"
#include "support/loopback_http_server.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ql::update {
namespace {

// The virtual clock, plus a way to wait for the worker's next result without guessing a time.
class SignallingScheduler : public VirtualScheduler {
 public:
  void post(Task task) override {
    VirtualScheduler::post(std::move(task));
    {
      std::lock_guard lock(mutex_);
      ++posts_;
    }
    posted_.notify_all();
  }
  // Blocks until a post arrived that was not waited for before; false after 20 s without one.
  bool waitForPost() {
    std::unique_lock lock(mutex_);
    const bool arrived =
        posted_.wait_for(lock, std::chrono::seconds(20), [this] { return posts_ > consumed_; });
    consumed_ = posts_;
    return arrived;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::size_t posts_ = 0;
  std::size_t consumed_ = 0;
};

using test::readFile;

std::string entry(int k, const std::string& name) {
  char key[24];
  std::snprintf(key, sizeof key, "newfile%02d", k);
  return std::string(key) + "=" + name + "\r";
}

std::string entryFile(int k) {
  char name[16];
  std::snprintf(name, sizeof name, "f%02d.bin", k);
  return name;
}

class OnlineUpdateTest : public ::testing::Test {
 protected:
  OnlineUpdateTest() : memo_([] { return std::time_t{1'700'000'000}; }) {}

  void start(const std::string& executablePath = "", const std::string& homeDir = "") {
    UpdateSettings settings{server_.baseUrl() + "/", homeDir.empty() ? home_.path() : homeDir, "V2.0.1.19",
                            executablePath.empty() ? bin_.file("velmo") : executablePath};
    update_ = std::make_unique<OnlineUpdate>(
        loop_, operator_, memo_, [](const std::string&, const std::string& key) { return key; }, settings,
        [this] {
          ++handOvers_;
          return true;
        });
  }

  // Runs the loop until done holds, waiting for the worker whenever a request is under way.
  bool runUntil(const std::function<bool()>& done) {
    for (int step = 0; step < 300 && !done(); ++step) {
      if (update_->busy() && !loop_.waitForPost()) return false;
      loop_.advance(100);
    }
    return done();
  }

  void serveInfo(const std::string& info) { server_.serve(kInfoPath, info); }

  // The version line and the 21 entries f00.bin .. f20.bin, each served with its own body.
  std::string fullInfo() {
    std::string info = "softversion= V2.0.1.20\r";
    for (int k = 0; k < kFileEntries; ++k) {
      info += entry(k, entryFile(k));
      server_.serve(serverPath(entryFile(k)), "body of " + entryFile(k));
    }
    return info;
  }

  bool memoHas(const std::string& line) const {
    const auto& lines = memo_.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.size() >= line.size() && l.compare(l.size() - line.size(), line.size(), line) == 0;
    });
  }

  int fileRequests() const {
    const auto requests = server_.requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [](const std::string& path) { return path != kInfoPath; }));
  }

  // Check, answer Yes, and run until the downloads end one way or the other.
  void checkAndDownload() {
    operator_.answerYesNo(true);
    update_->requestCheck();
    ASSERT_TRUE(runUntil([&] { return update_->state() == kNewerFound; }));
    ASSERT_TRUE(runUntil([&] { return update_->state() != kNewerFound && !update_->busy(); }));
    ASSERT_TRUE(runUntil([&] { return !update_->busy(); }));
  }

  test::TempDir home_{"velmo_update_home"};
  test::TempDir bin_{"velmo_update_bin"};
  test::LoopbackHttpServer server_;
  SignallingScheduler loop_;
  ScriptedOperator operator_;
  MemoLog memo_;
  std::unique_ptr<OnlineUpdate> update_;
  int handOvers_ = 0;
};

TEST_F(OnlineUpdateTest, CheckReportsNewerSameMissingAndVersionlessInformation) {
  struct Case {
    const char* info;  // nullptr: the server has no information file
    int state;
    const char* memoLine;
  };
  const Case cases[] = {
      {"softversion= V2.0.1.20\r", kNewerFound, "ud_newvery V2.0.1.20"},
      {"softversion=  v2.0.2.0\r", kNewerFound, "ud_newvery V2.0.2.0"},
      {"softversion= V2.0.1.19\r", kUpToDate, "ud_newvern V2.0.1.19"},
      {nullptr, kInfoUnavailable, "ud_error_net"},
      {"newfile00=velmo.exe\r", kNoVersion, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info ? c.info : "(missing)");
    test::LoopbackHttpServer server;
    if (c.info) server.serve(kInfoPath, c.info);
    MemoLog memo([] { return std::time_t{0}; });
    OnlineUpdate update(loop_, operator_, memo,
                        [](const std::string&, const std::string& key) { return key; },
                        UpdateSettings{server.baseUrl(), home_.path(), "V2.0.1.19", bin_.file("velmo")}, {});
    update.requestCheck();
    EXPECT_EQ(update.state(), kCheckRequested);
    ASSERT_TRUE(loop_.waitForPost());
    loop_.advance(100);
    EXPECT_EQ(update.state(), c.state);
    if (c.memoLine) {
      ASSERT_FALSE(memo.lines().empty());
      EXPECT_NE(memo.lines().back().find(c.memoLine), std::string::npos) << memo.lines().back();
    }
    EXPECT_EQ(server.requests(), std::vector<std::string>{kInfoPath});
    EXPECT_TRUE(operator_.log().empty());  // the question comes from TimerNetUpdate, not here
  }
}

TEST_F(OnlineUpdateTest, AllTwentyOneFilesAreStoredAndEntryZeroBecomesUpdtrun) {
  serveInfo(fullInfo());
  start();
  checkAndDownload();
  EXPECT_EQ(update_->state(), kDownloaded);
  EXPECT_EQ(readFile(home_.file("updtrun")), "body of f00.bin");
  EXPECT_FALSE(std::filesystem::exists(home_.file("f00.bin")));
  struct stat info {};
  ASSERT_EQ(::stat(home_.file("updtrun").c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
  for (int k = 1; k < kFileEntries; ++k)
    EXPECT_EQ(readFile(home_.file(entryFile(k))), "body of " + entryFile(k));
  for (int k = 0; k < kFileEntries; ++k) EXPECT_TRUE(memoHas("up_info_update " + std::to_string(k))) << k;
  for (const auto& file : std::filesystem::directory_iterator(home_.path()))
    EXPECT_EQ(file.path().string().find("bak"), std::string::npos) << file.path();
  EXPECT_EQ(fileRequests(), kFileEntries);
  EXPECT_EQ(operator_.prompts(PromptKind::YesNo).size(), 1u);
  EXPECT_EQ(operator_.prompts(PromptKind::YesNo)[0].text, "ud_info_getnew");

  // The next tick of TimerNetUpdate hands over, once.
  EXPECT_EQ(handOvers_, 0);
  loop_.advance(1000);
  EXPECT_EQ(handOvers_, 1);
  EXPECT_TRUE(memoHas("up_info_updover"));
  EXPECT_FALSE(update_->timerRunning());
  loop_.advance(5000);
  EXPECT_EQ(handOvers_, 1);
}

TEST_F(OnlineUpdateTest, NoToTheQuestionFetchesNothing) {
  serveInfo(fullInfo());
  start();
  operator_.answerYesNo(false);
  update_->requestCheck();
  ASSERT_TRUE(runUntil([&] { return update_->state() == kIdle; }));
  loop_.advance(3000);
  EXPECT_TRUE(memoHas("up_info_usecancle"));
  EXPECT_EQ(fileRequests(), 0);
  EXPECT_FALSE(std::filesystem::exists(home_.file("updtrun")));
}

TEST_F(OnlineUpdateTest, AnEmptyFileStaysUnderItsTemporaryName) {
  std::string info = fullInfo();
  server_.serve(serverPath(entryFile(3)), "");
  home_.write(entryFile(3), "working");
  serveInfo(info);
  start();
  checkAndDownload();
  EXPECT_EQ(update_->state(), kDownloaded);
  EXPECT_TRUE(std::filesystem::exists(home_.file(entryFile(3) + "bak")));
  EXPECT_EQ(std::filesystem::file_size(home_.file(entryFile(3) + "bak")), 0u);
  EXPECT_EQ(readFile(home_.file(entryFile(3))), "working");
  EXPECT_FALSE(memoHas("up_info_update 3"));
  EXPECT_TRUE(memoHas("up_info_update 4"));
}

TEST_F(OnlineUpdateTest, UnsafeNamesAreRefusedAndNeverWritten) {
  // The home sits alone in a directory of its own, so anything written beside it shows.
  test::TempDir root("velmo_update_root");
  const std::string home = root.file("home");
  std::filesystem::create_directory(home);
  const std::string outside = bin_.path();
  const std::vector<std::string> unsafe = {
      "../escape.txt", outside + "/abs.txt", "sub\\x.txt", ".txt", "..", std::string("a\x01") + "b.txt"};
  std::string info = "softversion= V2.0.1.20\r" + entry(0, entryFile(0));
  server_.serve(serverPath(entryFile(0)), "new program");
  for (std::size_t i = 0; i < unsafe.size(); ++i) info += entry(static_cast<int>(i) + 1, unsafe[i]);
  info += entry(20, entryFile(20));
  server_.serve(serverPath(entryFile(20)), "last");
  // Whatever a refused name would ask for is there to be fetched: nothing may ask.
  server_.serve("/media/QL310/.zip", "x");
  server_.serve("/media/QL310/../escape.zip", "x");
  server_.serve("/media/escape.zip", "x");
  serveInfo(info);
  start("", home);
  checkAndDownload();
  EXPECT_EQ(update_->state(), kDownloaded);
  for (std::size_t i = 0; i < unsafe.size(); ++i)
    EXPECT_TRUE(memoHas("up_info_badname " + std::to_string(i + 1) + " \"" + unsafe[i] + "\"")) << i;
  EXPECT_EQ(fileRequests(), 2);
  EXPECT_EQ(readFile(home + "/updtrun"), "new program");
  EXPECT_EQ(readFile(home + "/" + entryFile(20)), "last");
  EXPECT_TRUE(std::filesystem::is_empty(outside));
  int besideHome = 0;
  for (const auto& item : std::filesystem::directory_iterator(root.path())) besideHome += item.path() != home;
  EXPECT_EQ(besideHome, 0);
}

TEST_F(OnlineUpdateTest, ChecksumIsCheckedBeforeAFileIsUsed) {
  std::string info = fullInfo();
  info += "sha25601 = " + sha256Hex("body of f01.bin") + "\r";
  info += "sha25602 = " + sha256Hex("something else") + "\r";
  home_.write(entryFile(2), "working");
  serveInfo(info);
  start();
  checkAndDownload();
  EXPECT_EQ(update_->state(), kDownloading);
  EXPECT_EQ(readFile(home_.file(entryFile(1))), "body of f01.bin");
  EXPECT_EQ(readFile(home_.file(entryFile(2))), "working");
  EXPECT_FALSE(std::filesystem::exists(home_.file(entryFile(2) + "bak")));
  EXPECT_TRUE(memoHas("up_info_badsum " + entryFile(2)));
  ASSERT_EQ(operator_.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(operator_.prompts(PromptKind::Message)[0].text, "up_info_badsum " + entryFile(2));
  EXPECT_EQ(fileRequests(), 3);  // nothing after the mismatch
  loop_.advance(5000);
  EXPECT_EQ(handOvers_, 0);
}

TEST_F(OnlineUpdateTest, AConnectionDroppedHalfWayReplacesNothing) {
  std::string info = fullInfo();
  server_.serve(serverPath(entryFile(0)), std::string(200000, 'n'));
  server_.cutHalfway(serverPath(entryFile(0)));
  home_.write("updtrun", "previous");
  serveInfo(info);
  start();
  checkAndDownload();
  EXPECT_EQ(update_->state(), kDownloading);
  EXPECT_EQ(readFile(home_.file("updtrun")), "previous");
  EXPECT_FALSE(std::filesystem::exists(home_.file(entryFile(0) + "bak")));
  EXPECT_TRUE(memoHas("ud_error_net " + entryFile(0)));
  EXPECT_EQ(fileRequests(), 1);
  loop_.advance(5000);
  EXPECT_EQ(handOvers_, 0);

  // A later check reuses the worker and can start over.
  operator_.answerYesNo(false);
  update_->requestCheck();
  EXPECT_TRUE(runUntil([&] { return update_->state() == kIdle; }));
}

TEST_F(OnlineUpdateTest, AnExecutableThatCannotBeReplacedPointsToThePackageManager) {
  serveInfo(fullInfo());
  start("/nonexistent-velmo-dir/velmo");
  operator_.answerYesNo(true);
  update_->requestCheck();
  ASSERT_TRUE(runUntil([&] { return update_->state() == kNewerFound; }));
  ASSERT_TRUE(runUntil([&] { return update_->state() == kIdle; }));
  loop_.advance(3000);
  EXPECT_TRUE(memoHas("up_info_notwritable /nonexistent-velmo-dir/velmo"));
  EXPECT_EQ(operator_.prompts(PromptKind::Message).size(), 1u);
  EXPECT_EQ(fileRequests(), 0);
}

}  // namespace
}  // namespace ql::update
